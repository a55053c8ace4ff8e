#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

namespace mero {

class Statement;

// One SQLite database file, opened through SQLite's C API. All text crosses the boundary as
// Windows-1250 bytes (TextCodec); the program sees QString.
class Connection {
public:
    enum class OpenMode { ReadWrite, ReadOnly, Create };

    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the file. ReadWrite and ReadOnly never create a file; Create makes a new one if needed.
    // A file that exists but is not an SQLite database is reported here too (DbError).
    void open(const QString& path, OpenMode mode = OpenMode::ReadWrite);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const QString& path() const { return m_path; }
    sqlite3* handle() const { return m_db; }

    // Runs every statement of the text in order; the first failing statement ends the run with its
    // error (DbError). Statements before it keep their effect, a transaction opened by the text
    // stays open. Throws EncodingError when the text cannot be written in Windows-1250.
    void execute(const QString& sql);

    // Prepares exactly one statement (trailing text after the first statement is an error).
    Statement prepare(const QString& sql);

    // True while a transaction is open.
    bool inTransaction() const;

    qint64 lastInsertRowId() const;
    int changes() const;

    // The engine's last error text for this connection.
    QString lastError() const;

private:
    [[noreturn]] void fail(const QString& context) const;

    sqlite3* m_db = nullptr;
    QString m_path;
};

// A prepared statement. Values bind and read as QVariant:
//   NULL <-> invalid/null QVariant, integers <-> qlonglong, reals <-> double,
//   text <-> QString (Windows-1250 in the file), bool binds as 'Y'/'N', QDate as 'yyyy-mm-dd',
//   QDateTime as 'yyyy-mm-dd hh:mm:ss', QTime as 'hh:mm:ss', QByteArray as a blob.
class Statement {
public:
    // How SQLite holds a value.
    enum class StorageClass { Null, Integer, Real, Text, Blob };

    Statement(Connection* connection, sqlite3_stmt* stmt) : m_connection(connection), m_stmt(stmt) {}
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1.
    void bind(int index, const QVariant& value);
    void bindAll(const QVariantList& values);
    void clearBindings();

    // Steps once: true when a row is available, false when the statement is done. Throws DbError.
    bool step();
    void reset();

    int columnCount() const;
    QString columnName(int column) const;
    // The declared type of the result column as written in the schema ("" for expressions).
    QString declaredType(int column) const;
    QVariant value(int column) const;
    bool isNull(int column) const;
    // The storage class of the column's value in the current row.
    StorageClass storageClass(int column) const;

    // A value as SQLite holds it, read without any conversion. The bytes of a text or blob belong to
    // the statement and stay valid until it steps again.
    struct Stored {
        StorageClass type = StorageClass::Null;
        qint64 integer = 0;
        double real = 0.0;
        const char* data = nullptr;
        int size = 0;
    };
    Stored stored(int column) const;
    // Binds a stored value as it is; the bytes of a text or blob are not copied and must stay valid
    // until this statement has stepped.
    void bindStored(int index, const Stored& value);
    // The raw bytes of a text column, as stored.
    QByteArray rawText(int column) const;

    sqlite3_stmt* handle() const { return m_stmt; }

private:
    Connection* m_connection = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};

} // namespace mero
