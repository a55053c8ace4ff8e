#include "data/sql_utils.h"

#include "data/connection.h"
#include "data/errors.h"

namespace mero {

QVariant TDB::QueryValue(Connection* connection, const QString& sql) {
    if (!connection || !connection->isOpen())
        return QVariant();
    try {
        Statement stmt = connection->prepare(sql);
        if (!stmt.step() || stmt.columnCount() == 0)
            return QVariant();
        return stmt.value(0);
    } catch (const std::exception&) {
        return QVariant();
    }
}

bool TDB::Execute(Connection* connection, const QString& sql) {
    if (!connection)
        throw DbError(QStringLiteral("Databáze není připojena."));
    connection->execute(sql);
    return true;
}

void TDB::StartTransaction(Connection* connection, IsolationLevel) {
    // SQLite transactions are serializable; read committed is what callers ask for and what they get
    // at least. The level itself needs no setting.
    if (!connection)
        return;
    connection->execute(QStringLiteral("BEGIN"));
}

void TDB::Commit(Connection* connection) {
    if (!connection || !connection->inTransaction())
        return;
    connection->execute(QStringLiteral("COMMIT"));
}

void TDB::Rollback(Connection* connection) {
    if (!connection || !connection->inTransaction())
        return;
    connection->execute(QStringLiteral("ROLLBACK"));
}

QString TDB::QuotedString(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('\'');
    for (QChar c : text) {
        if (c == QLatin1Char('\''))
            out += QLatin1Char('\'');
        out += c;
    }
    out += QLatin1Char('\'');
    return out;
}

QString TSQL::Where(const QString& condition) {
    return condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + condition;
}

QString TSQL::AndClause(const QString& condition) {
    return condition.isEmpty() ? QString() : QStringLiteral(" AND (") + condition + QLatin1Char(')');
}

QString TSQL::Combine(const QString& left, const QString& right, const QString& op) {
    if (left.isEmpty())
        return right;
    if (!right.isEmpty() && !op.isEmpty())
        return left + QLatin1Char(' ') + op + QLatin1Char(' ') + right;
    return left;
}

} // namespace mero
