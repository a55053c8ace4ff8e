#include "transfer/export.h"

#include "data/dataset.h"
#include "data/errors.h"
#include "data/sql_utils.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace mero {

namespace {

// How a column's values are written, by the field type its declared type gives (the same mapping
// the datasets use): the literal of a field depends on the value its field reads, not only on how
// SQLite stored it. Yes/no fields write what is stored.
enum class ColumnRule { Plain, Integer, Decimal, Date, DateTime, Text };

ColumnRule ruleForDeclaredType(const QString& declared) {
    const QString t = declared.trimmed().toUpper();
    // A column without a declared type has no affinity: what it holds is written as it is.
    if (t.isEmpty())
        return ColumnRule::Plain;
    if (t.contains(QLatin1String("INT")))
        return ColumnRule::Integer;
    if (t.startsWith(QLatin1String("BOOL")))
        return ColumnRule::Plain;
    if (t == QLatin1String("DATE"))
        return ColumnRule::Date;
    if (t.startsWith(QLatin1String("DATETIME")) || t.startsWith(QLatin1String("TIMESTAMP")))
        return ColumnRule::DateTime;
    for (const char* n : {"NUMERIC", "DECIMAL", "REAL", "FLOAT", "DOUBLE", "NUMBER", "MONEY", "CURRENCY"})
        if (t.startsWith(QLatin1String(n)))
            return ColumnRule::Decimal;
    return ColumnRule::Text;
}

// From this magnitude on an integer may have more than 15 significant digits, more than a decimal
// number's literal keeps.
constexpr qint64 kLongDecimalInteger = 1000000000000000;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "yyyy-mm-dd" exactly: what a date literal writes anyway.
bool isCanonicalDate(const char* data, int size) {
    if (size != 10)
        return false;
    for (int i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? data[i] != '-' : !isDigit(data[i]))
            return false;
    }
    return true;
}

// Rows read from the local table and waiting to be written, with copies of their bytes: the source
// moves on while a batch fills, and the rows are written several at a time.
class RowBuffer {
public:
    RowBuffer(int columns, std::vector<ColumnRule> rules) : m_columns(columns), m_rules(std::move(rules)) {}

    // Takes the current row of the source, as the literal rules would store each value.
    void take(const Statement& select) {
        using SC = Statement::StorageClass;
        for (int c = 0; c < m_columns; ++c) {
            const Statement::Stored v = select.stored(c);
            switch (m_rules[size_t(c)]) {
            case ColumnRule::Plain:
                break;
            case ColumnRule::Integer:
                // A fraction in an integer column reads as a decimal number.
                if (v.type == SC::Real && std::isfinite(v.real)) {
                    appendDecimal(v.real);
                    continue;
                }
                break;
            case ColumnRule::Decimal:
                if (v.type == SC::Real && std::isfinite(v.real)) {
                    appendDecimal(v.real);
                    continue;
                }
                if (v.type == SC::Integer &&
                    (v.integer >= kLongDecimalInteger || v.integer <= -kLongDecimalInteger)) {
                    appendDecimal(double(v.integer));
                    continue;
                }
                if (v.type == SC::Text) {
                    double d = 0;
                    if (parseDecimalText(QString::fromLatin1(v.data, v.size), &d)) {
                        appendDecimal(d);
                        continue;
                    }
                }
                break;
            case ColumnRule::Text:
                // A number in a column read as text (a declared type without text affinity, such
                // as BLOB or MEMO) is its text form, quoted.
                if (v.type == SC::Integer) {
                    appendText(QByteArray::number(qlonglong(v.integer)));
                    continue;
                }
                if (v.type == SC::Real) {
                    appendText(formatDecimalText(v.real).toLatin1());
                    continue;
                }
                break;
            case ColumnRule::Date:
            case ColumnRule::DateTime:
                // Dates are written as yyyy-mm-dd; a time of day is dropped.
                if (v.type == SC::Text && !isCanonicalDate(v.data, v.size)) {
                    const QString text = QString::fromLatin1(v.data, v.size);
                    const QDate d = m_rules[size_t(c)] == ColumnRule::Date ? parseDateText(text)
                                                                           : parseDateTimeText(text).date();
                    if (d.isValid()) {
                        appendText(d.toString(QStringLiteral("yyyy-MM-dd")).toLatin1());
                        continue;
                    }
                }
                break;
            }
            append(v);
        }
        ++m_rows;
    }

    int rows() const { return m_rows; }

    // Binds rows [first, first + count) to the statement's parameters from 1, steps it once and
    // makes it ready for the next use.
    void write(Statement& insert, int first, int count) {
        const size_t begin = size_t(first) * size_t(m_columns);
        const size_t end = begin + size_t(count) * size_t(m_columns);
        for (size_t i = begin; i < end; ++i) {
            Statement::Stored v = m_values[i];
            if (v.type == Statement::StorageClass::Null)
                continue; // cleared after the previous step
            if (v.type == Statement::StorageClass::Text || v.type == Statement::StorageClass::Blob)
                v.data = m_bytes.data() + m_offsets[i];
            insert.bindStored(int(i - begin) + 1, v);
        }
        insert.step();
        insert.reset();
        insert.clearBindings();
    }

    void clear() {
        m_values.clear();
        m_offsets.clear();
        m_bytes.clear();
        m_rows = 0;
    }

private:
    // A decimal number as its literal writes it: 15 significant digits, bound as text so that the
    // column's affinity turns it into the number the literal would give.
    void appendDecimal(double value) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 15).ptr;
        appendText(QByteArray::fromRawData(text, int(end - text)));
    }
    void appendText(const QByteArray& bytes) {
        Statement::Stored v;
        v.type = Statement::StorageClass::Text;
        v.data = bytes.constData();
        v.size = int(bytes.size());
        append(v);
    }
    void append(const Statement::Stored& v) {
        m_offsets.push_back(m_bytes.size());
        if (v.type == Statement::StorageClass::Text || v.type == Statement::StorageClass::Blob)
            m_bytes.insert(m_bytes.end(), v.data, v.data + v.size);
        m_values.push_back(v);
    }

    int m_columns;
    std::vector<ColumnRule> m_rules;
    std::vector<Statement::Stored> m_values;
    std::vector<size_t> m_offsets;
    std::vector<char> m_bytes;
    int m_rows = 0;
};

QString insertStatement(const QString& table, int columns, int rows) {
    QString row = QStringLiteral("(");
    for (int c = 0; c < columns; ++c)
        row += c == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    row += QLatin1Char(')');
    QStringList values;
    for (int r = 0; r < rows; ++r)
        values.append(row);
    return QStringLiteral("INSERT OR IGNORE INTO %1 VALUES %2").arg(table, values.join(QLatin1Char(',')));
}

} // namespace

const QStringList& TExport::TransferredTables() {
    static const QStringList tables = {
        QStringLiteral("INST"),    QStringLiteral("SUBJ"),   QStringLiteral("ODVINTER1"), QStringLiteral("ODVINTER2"),
        QStringLiteral("REGINTER"), QStringLiteral("CININTER"), QStringLiteral("ZOOS"),     QStringLiteral("KS"),
        QStringLiteral("EPKS"),    QStringLiteral("EVKS"),   QStringLiteral("SPOLUP"),    QStringLiteral("MZN"),
        QStringLiteral("MZT"),     QStringLiteral("PRIPLAT"), QStringLiteral("ODMENY"),   QStringLiteral("PRDOBA"),
        QStringLiteral("PREKAZKY"), QStringLiteral("SF"),     QStringLiteral("ZAMEST")};
    return tables;
}

const QStringList& TExport::ContentTables() {
    static const QStringList tables = {
        QStringLiteral("KS"),     QStringLiteral("SPOLUP"), QStringLiteral("MZN"),    QStringLiteral("MZT"),
        QStringLiteral("PRIPLAT"), QStringLiteral("ODMENY"), QStringLiteral("PRDOBA"), QStringLiteral("PREKAZKY"),
        QStringLiteral("SF"),     QStringLiteral("ZAMEST")};
    return tables;
}

QString TExport::YearCondition(const QString& yearText) {
    return TSQL::Combine(QStringLiteral("EPKS") + QStringLiteral(".ROK = ") + yearText,
                         QStringLiteral("EPKS") + QStringLiteral(".PLATNOST = 'Y'"), QStringLiteral("AND"));
}

TExport::TExport(Connection* local, const QString& path) : m_local(local), m_path(path) {
    // A journal left beside an old file would be replayed into the new one: remove it too.
    for (const QString& suffix : {QString(), QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")})
        if (QFile::exists(path + suffix))
            QFile::remove(path + suffix);
}

TExport::~TExport() {
    Disconnect();
}

void TExport::Connect() {
    m_target.open(m_path, Connection::OpenMode::Create);
    // The file is a scratch copy that is built in one go and thrown away when anything fails: it
    // needs no crash journal on disk and no flush after every table.
    m_target.execute(QStringLiteral("PRAGMA journal_mode = MEMORY; PRAGMA synchronous = OFF;"));
}

void TExport::Disconnect() {
    if (m_target.isOpen()) {
        // A table left inside its transaction by a failed copy is discarded, not half committed.
        if (m_target.inTransaction()) {
            try {
                m_target.execute(QStringLiteral("ROLLBACK"));
            } catch (const DbError&) {
            }
        }
        m_target.close();
    }
}

void TExport::CreateStructure() {
    if (!m_local || !m_local->isOpen())
        throw DbError(QStringLiteral("Databáze není připojena."));
    QStringList quoted;
    for (const QString& t : TransferredTables())
        quoted.append(QLatin1Char('\'') + t + QLatin1Char('\''));
    Statement catalogue = m_local->prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name IN (") +
                                           quoted.join(QStringLiteral(", ")) + QStringLiteral(")"));
    QStringList statements;
    while (catalogue.step())
        statements.append(catalogue.value(0).toString());
    // One transaction for the whole structure: either every table is there or none.
    TDB::StartTransaction(&m_target, IsolationLevel::ReadCommitted);
    try {
        for (const QString& sql : statements)
            TDB::Execute(&m_target, sql);
        TDB::Execute(&m_target, QStringLiteral("CREATE TABLE CIS_SUBJ AS SELECT * FROM SUBJ;"));
        TDB::Execute(&m_target, QStringLiteral("CREATE TABLE CIS_ZOOS AS SELECT * FROM ZOOS;"));
        TDB::Commit(&m_target);
    } catch (...) {
        try {
            TDB::Rollback(&m_target);
        } catch (const MeroError&) {
        }
        throw;
    }

    const QVariant version = TDB::QueryValue(m_local, QStringLiteral("PRAGMA user_version"));
    try {
        TDB::Execute(&m_target, QStringLiteral("PRAGMA user_version = ") + version.toString());
    } catch (const MeroError&) {
        // The header value is informative; a failure to set it does not stop the export.
    }
}

void TExport::CopyTable(const QString& table, const QString& condition) {
    if (!m_local || !m_local->isOpen())
        throw DbError(QStringLiteral("Databáze není připojena."));
    QString source = table;
    if (source.startsWith(QLatin1String("CIS_"), Qt::CaseInsensitive))
        source = source.mid(4);

    // A selection that cannot be read is an error, not an empty table: a transfer file silently
    // missing rows must never be reported as a successful export.
    Statement select = m_local->prepare(QStringLiteral("SELECT * FROM ") + source + TSQL::Where(condition));
    if (!select.step())
        return;

    const int columns = select.columnCount();
    std::vector<ColumnRule> rules;
    rules.reserve(size_t(columns));
    for (int c = 0; c < columns; ++c)
        rules.push_back(ruleForDeclaredType(select.declaredType(c)));

    // Several rows per statement: each row still goes in on its own, in order, skipped when its key
    // is there already, but the statement runs once per batch.
    const int batch = std::clamp(16000 / columns, 1, 256);
    Statement insertBatch = m_target.prepare(insertStatement(table, columns, batch));
    Statement insertOne = m_target.prepare(insertStatement(table, columns, 1));
    RowBuffer buffer(columns, std::move(rules));

    TDB::StartTransaction(&m_target, IsolationLevel::ReadCommitted);
    try {
        do {
            buffer.take(select);
            if (buffer.rows() == batch) {
                buffer.write(insertBatch, 0, batch);
                buffer.clear();
            }
        } while (select.step());
        for (int r = 0; r < buffer.rows(); ++r)
            buffer.write(insertOne, r, 1);
        TDB::Commit(&m_target);
    } catch (...) {
        try {
            TDB::Rollback(&m_target);
        } catch (const MeroError&) {
        }
        throw;
    }
}

void TExport::ExportInstallations() {
    CopyTable(QStringLiteral("INST"), QString());
}

QString TExport::ReferencedBy(const QString& table, const QString& keyName, const QString& condition) {
    // The rows of the table whose key pair (ID_<key>, ID_INST_<key>) a selected EPKS row names:
    // the same rows as EXISTS(SELECT * FROM EPKS WHERE (EPKS.ID_x = T.ID_x AND EPKS.ID_INST_x =
    // T.ID_INST_x) AND (condition)), in the same order (the table's own order). Written as one
    // uncorrelated selection so that the engine runs it once instead of once per row: with an index
    // on a column the condition names (EPKS.ROK), the correlated form searches that index for every
    // row of the table and grows with the square of the number of agreements.
    const QString id = QStringLiteral("ID_") + keyName;
    const QString inst = QStringLiteral("ID_INST_") + keyName;
    return QStringLiteral("(+%1.%2, +%1.%3) IN (SELECT EPKS.%2, EPKS.%3 FROM EPKS%4)")
        .arg(table, id, inst, TSQL::Where(condition));
}

void TExport::ExportAgreements(const QString& condition) {
    CopyTable(QStringLiteral("ZOOS"), ReferencedBy(QStringLiteral("ZOOS"), QStringLiteral("ZOOS"), condition));
    CopyTable(QStringLiteral("SUBJ"), ReferencedBy(QStringLiteral("SUBJ"), QStringLiteral("SUBJ"), condition));
    for (const QString& t : ContentTables())
        CopyTable(t, ReferencedBy(t, QStringLiteral("KS"), condition));
    CopyTable(QStringLiteral("EPKS"), condition);
}

void BuildTransferFile(Connection* local, const QString& path, const QString& condition) {
    TExport exporter(local, path);
    exporter.Connect();
    exporter.CreateStructure();
    exporter.ExportInstallations();
    exporter.ExportAgreements(condition);
    exporter.Disconnect();
}

} // namespace mero
