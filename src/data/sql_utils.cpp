#include "data/sql_utils.h"

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"

#include <QDate>
#include <QDateTime>

#include <cmath>

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

std::unique_ptr<Dataset> TDB::OpenQuery(Connection* connection, const QString& sql) {
    if (!connection || !connection->isOpen())
        return nullptr;
    try {
        auto query = std::make_unique<Dataset>(QStringLiteral("Query"));
        query->setConnection(connection);
        query->setSql(sql);
        query->setReadOnly(true);
        query->open();
        return query;
    } catch (const std::exception&) {
        return nullptr;
    }
}

namespace {

QString decimalLiteral(double d) {
    if (std::isnan(d))
        return QStringLiteral("NULL");
    if (std::isinf(d))
        return d > 0 ? QStringLiteral("1E999") : QStringLiteral("-1E999");
    QString s = QString::number(d, 'g', 15);
    const qsizetype e = s.indexOf(QLatin1Char('e'));
    if (e >= 0) {
        const QString mantissa = s.left(e);
        QString exponent = s.mid(e + 1);
        const bool negative = exponent.startsWith(QLatin1Char('-'));
        if (negative || exponent.startsWith(QLatin1Char('+')))
            exponent.remove(0, 1);
        while (exponent.size() > 1 && exponent.startsWith(QLatin1Char('0')))
            exponent.remove(0, 1);
        s = mantissa + QLatin1Char('E') + (negative ? QStringLiteral("-") : QString()) + exponent;
    }
    return s;
}

} // namespace

QString TDB::ValueLiteral(const QVariant& value) {
    if (!value.isValid() || value.isNull())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("'Y'") : QStringLiteral("'N'");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return decimalLiteral(value.toDouble());
    case QMetaType::QDate:
        return QuotedString(value.toDate().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QDateTime:
        return QuotedString(value.toDateTime().date().toString(QStringLiteral("yyyy-MM-dd")));
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(value.toByteArray().toHex()) + QLatin1Char('\'');
    default:
        // Text, and any value a typed field could not read as its type: always quoted, so that no
        // stored text can become SQL.
        return QuotedString(value.toString());
    }
}

QString TDB::FieldLiteral(const Field* field) {
    if (!field)
        return QString();
    return ValueLiteral(field->value());
}

QString TDB::RowLiterals(const Dataset* query) {
    if (!query)
        return QString();
    QStringList parts;
    for (int i = 0; i < query->fieldCount(); ++i)
        parts << FieldLiteral(query->field(i));
    return parts.join(QLatin1Char(','));
}

void TDB::EnsureFields(Dataset* dataset) {
    if (!dataset || dataset->hasExplicitFields())
        return;
    const bool wasActive = dataset->isActive();
    if (wasActive)
        dataset->close();
    dataset->createSourceFields();
    if (wasActive)
        dataset->open();
}

void TDB::AddCalcField(Dataset* dataset, const QString& name, int width, int fieldKind) {
    if (!dataset)
        return;
    EnsureFields(dataset);
    const auto type = static_cast<FieldType>(fieldKind);
    dataset->addField(name, type, FieldKind::Calculated, (type == FieldType::Text || type == FieldType::Memo) ? width : 0);
}

void TDB::AddLookupField(Dataset* dataset, const QString& name, const QString& resultField,
                         const QString& lookupKeyFields, const QString& keyFields, Dataset* lookupDataset, int width,
                         int fieldKind) {
    if (!dataset)
        return;
    EnsureFields(dataset);
    const auto type = static_cast<FieldType>(fieldKind);
    Field* f = dataset->addField(name, type, FieldKind::Lookup,
                                 (type == FieldType::Text || type == FieldType::Memo) ? width : 0);
    f->lookupDataset = lookupDataset;
    f->lookupResultField = resultField;
    f->lookupKeyFields = lookupKeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    f->keyFields = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    f->setReadOnly(true);
}

void TDB::LinkDetail(Dataset* detail, Dataset* master, const QString& detailKeyFields,
                     const QString& masterKeyFields) {
    if (!detail)
        return;
    if (!master) {
        detail->setMasterLink(nullptr, {}, {});
        return;
    }
    detail->setMasterLink(master, detailKeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts),
                          masterKeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts));
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
