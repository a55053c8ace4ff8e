#pragma once

#include <QString>
#include <QVariant>

#include <memory>

namespace mero {

class Connection;
class Dataset;
class Field;

enum class IsolationLevel { None, ReadCommitted };

// One-shot queries and statements, transactions, SQL literals of field values, calculated and lookup
// fields. Class-level operations only.
class TDB {
public:
    TDB() = delete;

    // First column of the first row; a null QVariant when the query fails, returns no row or the value
    // is NULL. Never throws.
    static QVariant QueryValue(Connection* connection, const QString& sql);
    // Runs every statement of the text in order; the first failing statement raises its error
    // (statements before it keep their effect; a transaction opened by the text stays open).
    static bool Execute(Connection* connection, const QString& sql);
    // An open read-only query dataset positioned on its first row, owned by the caller; nullptr when
    // the query cannot be opened.
    static std::unique_ptr<Dataset> OpenQuery(Connection* connection, const QString& sql);

    static void StartTransaction(Connection* connection, IsolationLevel level);
    static void Commit(Connection* connection);
    static void Rollback(Connection* connection);

    static QString FieldLiteral(const Field* field);
    static QString RowLiterals(const Dataset* query);
    // The literal text of a plain value by the same rules (QString text, bool, double, QDate, ...).
    static QString ValueLiteral(const QVariant& value);
    // A text as an SQL string literal: single quotes, inner quotes doubled.
    static QString QuotedString(const QString& text);

    static void EnsureFields(Dataset* dataset);
    // fieldKind is the field's type as int(FieldType), e.g. int(FieldType::Text) or int(FieldType::Decimal).
    static void AddCalcField(Dataset* dataset, const QString& name, int width, int fieldKind);
    static void AddLookupField(Dataset* dataset, const QString& name, const QString& resultField,
                               const QString& lookupKeyFields, const QString& keyFields, Dataset* lookupDataset,
                               int width, int fieldKind);
    static void LinkDetail(Dataset* detail, Dataset* master, const QString& detailKeyFields,
                           const QString& masterKeyFields);
};

// WHERE and AND parts of SQL text.
class TSQL {
public:
    TSQL() = delete;
    static QString Where(const QString& condition);
    static QString AndClause(const QString& condition);
    static QString Combine(const QString& left, const QString& right, const QString& op);
};

} // namespace mero
