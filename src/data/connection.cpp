#include "data/connection.h"

#include "data/errors.h"
#include "data/text_codec.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QTime>

#include <sqlite3.h>

namespace mero {

namespace {

QString engineMessage(sqlite3* db) {
    return db ? TextCodec::decode(QByteArray(sqlite3_errmsg(db))) : QStringLiteral("no connection");
}

} // namespace

Connection::~Connection() {
    close();
}

void Connection::open(const QString& path, OpenMode mode) {
    close();
    int flags = 0;
    switch (mode) {
    case OpenMode::ReadWrite:
        flags = SQLITE_OPEN_READWRITE;
        break;
    case OpenMode::ReadOnly:
        flags = SQLITE_OPEN_READONLY;
        break;
    case OpenMode::Create:
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    }
    sqlite3* db = nullptr;
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = engineMessage(db);
        sqlite3_close(db);
        throw DbError(msg, rc);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 2000);
    m_db = db;
    m_path = path;
    // Opening is lazy in SQLite: read the schema now so that a file that is not a database fails here.
    rc = sqlite3_exec(m_db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = engineMessage(m_db);
        close();
        throw DbError(msg, rc);
    }
}

void Connection::close() {
    if (!m_db)
        return;
    // Finalize anything left behind so that the close always succeeds.
    while (sqlite3_stmt* stmt = sqlite3_next_stmt(m_db, nullptr))
        sqlite3_finalize(stmt);
    sqlite3_close(m_db);
    m_db = nullptr;
    m_path.clear();
}

void Connection::fail(const QString& context) const {
    int rc = m_db ? sqlite3_extended_errcode(m_db) : SQLITE_MISUSE;
    QString msg = engineMessage(m_db);
    if (!context.isEmpty())
        msg = context + QStringLiteral(": ") + msg;
    throw DbError(msg, rc);
}

void Connection::execute(const QString& sql) {
    if (!m_db)
        throw DbError(QStringLiteral("Databáze není otevřena."));
    const QByteArray bytes = TextCodec::encode(sql);
    const char* tail = bytes.constData();
    const char* end = tail + bytes.size();
    while (tail < end) {
        sqlite3_stmt* stmt = nullptr;
        const char* next = nullptr;
        int rc = sqlite3_prepare_v2(m_db, tail, int(end - tail), &stmt, &next);
        if (rc != SQLITE_OK)
            fail(QString());
        tail = next;
        if (!stmt) // whitespace or a comment only
            continue;
        do {
            rc = sqlite3_step(stmt);
        } while (rc == SQLITE_ROW);
        if (rc != SQLITE_DONE) {
            // Take the message before finalize resets it.
            int code = sqlite3_extended_errcode(m_db);
            QString msg = engineMessage(m_db);
            sqlite3_finalize(stmt);
            throw DbError(msg, code);
        }
        sqlite3_finalize(stmt);
    }
}

Statement Connection::prepare(const QString& sql) {
    if (!m_db)
        throw DbError(QStringLiteral("Databáze není otevřena."));
    const QByteArray bytes = TextCodec::encode(sql);
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(m_db, bytes.constData(), int(bytes.size()), &stmt, &tail);
    if (rc != SQLITE_OK)
        fail(QString());
    if (!stmt)
        throw DbError(QStringLiteral("Prázdný příkaz SQL."));
    Statement result(this, stmt);
    for (const char* p = tail; p && *p; ++p)
        if (!QChar::isSpace(uchar(*p)) && *p != ';')
            throw DbError(QStringLiteral("Příkaz SQL obsahuje více než jeden příkaz."));
    return result;
}

bool Connection::inTransaction() const {
    return m_db && sqlite3_get_autocommit(m_db) == 0;
}

qint64 Connection::lastInsertRowId() const {
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

int Connection::changes() const {
    return m_db ? sqlite3_changes(m_db) : 0;
}

QString Connection::lastError() const {
    return engineMessage(m_db);
}

Statement::~Statement() {
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

Statement::Statement(Statement&& other) noexcept : m_connection(other.m_connection), m_stmt(other.m_stmt) {
    other.m_stmt = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_connection = other.m_connection;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

void Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Bool:
            rc = sqlite3_bind_text(m_stmt, index, value.toBool() ? "Y" : "N", 1, SQLITE_STATIC);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::UChar:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case QMetaType::ULongLong:
        case QMetaType::ULong:
            rc = sqlite3_bind_int64(m_stmt, index, qint64(value.toULongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray b = value.toByteArray();
            rc = sqlite3_bind_blob64(m_stmt, index, b.constData(), sqlite3_uint64(b.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDate: {
            const QByteArray t = value.toDate().toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QDateTime: {
            const QByteArray t = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")).toLatin1();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        case QMetaType::QTime: {
            const QByteArray t = value.toTime().toString(QStringLiteral("hh:mm:ss")).toLatin1();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = TextCodec::encode(value.toString());
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throw DbError(engineMessage(sqlite3_db_handle(m_stmt)), rc);
}

void Statement::bindAll(const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values.at(i));
}

void Statement::clearBindings() {
    sqlite3_clear_bindings(m_stmt);
}

bool Statement::step() {
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3* db = sqlite3_db_handle(m_stmt);
    int code = sqlite3_extended_errcode(db);
    QString msg = engineMessage(db);
    sqlite3_reset(m_stmt);
    throw DbError(msg, code);
}

void Statement::reset() {
    sqlite3_reset(m_stmt);
}

int Statement::columnCount() const {
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int column) const {
    return TextCodec::decode(QByteArray(sqlite3_column_name(m_stmt, column)));
}

QString Statement::declaredType(int column) const {
    const char* t = sqlite3_column_decltype(m_stmt, column);
    return t ? QString::fromLatin1(t) : QString();
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_INTEGER:
        return QVariant(qlonglong(sqlite3_column_int64(m_stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_stmt, column));
    case SQLITE_BLOB: {
        const void* data = sqlite3_column_blob(m_stmt, column);
        int size = sqlite3_column_bytes(m_stmt, column);
        return QVariant(QByteArray(static_cast<const char*>(data), size));
    }
    default: {
        const unsigned char* text = sqlite3_column_text(m_stmt, column);
        int size = sqlite3_column_bytes(m_stmt, column);
        return QVariant(TextCodec::decode(reinterpret_cast<const char*>(text), size));
    }
    }
}

Statement::StorageClass Statement::storageClass(int column) const {
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_NULL:
        return StorageClass::Null;
    case SQLITE_INTEGER:
        return StorageClass::Integer;
    case SQLITE_FLOAT:
        return StorageClass::Real;
    case SQLITE_BLOB:
        return StorageClass::Blob;
    default:
        return StorageClass::Text;
    }
}

Statement::Stored Statement::stored(int column) const {
    Stored out;
    sqlite3_value* value = sqlite3_column_value(m_stmt, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        out.type = StorageClass::Integer;
        out.integer = sqlite3_value_int64(value);
        break;
    case SQLITE_FLOAT:
        out.type = StorageClass::Real;
        out.real = sqlite3_value_double(value);
        break;
    case SQLITE_TEXT:
        out.type = StorageClass::Text;
        out.data = reinterpret_cast<const char*>(sqlite3_value_text(value));
        out.size = sqlite3_value_bytes(value);
        break;
    case SQLITE_BLOB:
        out.type = StorageClass::Blob;
        out.data = static_cast<const char*>(sqlite3_value_blob(value));
        out.size = sqlite3_value_bytes(value);
        break;
    default:
        break;
    }
    return out;
}

void Statement::bindStored(int index, const Stored& value) {
    int rc = SQLITE_OK;
    switch (value.type) {
    case StorageClass::Null:
        rc = sqlite3_bind_null(m_stmt, index);
        break;
    case StorageClass::Integer:
        rc = sqlite3_bind_int64(m_stmt, index, value.integer);
        break;
    case StorageClass::Real:
        rc = sqlite3_bind_double(m_stmt, index, value.real);
        break;
    case StorageClass::Text:
        rc = sqlite3_bind_text(m_stmt, index, value.data ? value.data : "", value.size, SQLITE_STATIC);
        break;
    case StorageClass::Blob:
        rc = sqlite3_bind_blob(m_stmt, index, value.data, value.size, SQLITE_STATIC);
        break;
    }
    if (rc != SQLITE_OK)
        throw DbError(engineMessage(sqlite3_db_handle(m_stmt)), rc);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

QByteArray Statement::rawText(int column) const {
    const unsigned char* text = sqlite3_column_text(m_stmt, column);
    int size = sqlite3_column_bytes(m_stmt, column);
    return QByteArray(reinterpret_cast<const char*>(text), size);
}

} // namespace mero
