#include "transfer/export.h"

#include "data/errors.h"
#include "data/sql_utils.h"

#include <QFile>

#include <cmath>
#include <vector>

namespace mero {

namespace {

// How a column's values are written, by the field type its declared type gives (the same mapping
// the datasets use): the literal of a field depends on its type, not on how SQLite stored the value.
enum class ColumnRule { Plain, Decimal, YesNo, Date };

ColumnRule ruleForDeclaredType(const QString& declared) {
    QString base = declared.trimmed().toUpper();
    const qsizetype paren = base.indexOf(QLatin1Char('('));
    if (paren >= 0)
        base = base.left(paren).trimmed();
    if (base.contains(QLatin1String("INT")))
        return ColumnRule::Plain;
    if (base.startsWith(QLatin1String("NUMERIC")) || base.startsWith(QLatin1String("DECIMAL")) ||
        base.startsWith(QLatin1String("REAL")) || base.startsWith(QLatin1String("FLOAT")) ||
        base.startsWith(QLatin1String("DOUBLE")))
        return ColumnRule::Decimal;
    if (base == QLatin1String("BOOLEAN") || base == QLatin1String("BOOL"))
        return ColumnRule::YesNo;
    if (base == QLatin1String("DATE") || base == QLatin1String("DATETIME") || base == QLatin1String("TIMESTAMP"))
        return ColumnRule::Date;
    return ColumnRule::Plain;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "yyyy-mm-dd" followed by a time part ("yyyy-mm-dd hh:mm:ss", "yyyy-mm-ddThh:mm").
bool isDateWithTime(const QByteArray& text) {
    if (text.size() <= 10 || (text.at(10) != ' ' && text.at(10) != 'T'))
        return false;
    for (int i = 0; i < 10; ++i) {
        const bool dash = i == 4 || i == 7;
        if (dash ? text.at(i) != '-' : !isDigit(text.at(i)))
            return false;
    }
    return true;
}

void bindValue(Statement& insert, int index, const Statement& select, int column, ColumnRule rule) {
    using SC = Statement::StorageClass;
    switch (rule) {
    case ColumnRule::Plain:
        break;
    case ColumnRule::Decimal:
        // The literal of a decimal field carries 15 significant digits; binding that text lets the
        // column's affinity turn it into the number the literal would give.
        if (select.storageClass(column) == SC::Real) {
            const double v = select.value(column).toDouble();
            if (std::isfinite(v)) {
                insert.bindRawText(index, QByteArray::number(v, 'g', 15));
                return;
            }
        }
        break;
    case ColumnRule::YesNo: {
        const SC sc = select.storageClass(column);
        if (sc == SC::Integer || sc == SC::Real) {
            insert.bindRawText(index, select.value(column).toDouble() != 0.0 ? QByteArray("Y") : QByteArray("N"));
            return;
        }
        break;
    }
    case ColumnRule::Date:
        if (select.storageClass(column) == SC::Text) {
            const QByteArray text = select.rawText(column);
            if (isDateWithTime(text)) {
                insert.bindRawText(index, text.left(10));
                return;
            }
        }
        break;
    }
    insert.bindFrom(index, select, column);
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
    for (const QString& sql : statements)
        TDB::Execute(&m_target, sql);
    TDB::Execute(&m_target, QStringLiteral("CREATE TABLE CIS_SUBJ AS SELECT * FROM SUBJ;"));
    TDB::Execute(&m_target, QStringLiteral("CREATE TABLE CIS_ZOOS AS SELECT * FROM ZOOS;"));

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

    QString placeholders;
    for (int c = 0; c < columns; ++c)
        placeholders += c == 0 ? QStringLiteral("?") : QStringLiteral(",?");
    Statement insert = m_target.prepare(QStringLiteral("INSERT OR IGNORE INTO %1 VALUES (%2)").arg(table, placeholders));

    TDB::StartTransaction(&m_target, IsolationLevel::ReadCommitted);
    try {
        do {
            for (int c = 0; c < columns; ++c)
                bindValue(insert, c + 1, select, c, rules[size_t(c)]);
            insert.step();
            insert.reset();
        } while (select.step());
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

void TExport::ExportAgreements(const QString& condition) {
    const QString c = TSQL::AndClause(condition);
    CopyTable(QStringLiteral("ZOOS"),
              QStringLiteral("EXISTS(SELECT * FROM EPKS WHERE (EPKS.ID_ZOOS = ZOOS.ID_ZOOS AND "
                             "EPKS.ID_INST_ZOOS = ZOOS.ID_INST_ZOOS)") +
                  c + QLatin1Char(')'));
    CopyTable(QStringLiteral("SUBJ"),
              QStringLiteral("EXISTS(SELECT * FROM EPKS WHERE (EPKS.ID_SUBJ = SUBJ.ID_SUBJ AND "
                             "EPKS.ID_INST_SUBJ = SUBJ.ID_INST_SUBJ)") +
                  c + QLatin1Char(')'));
    for (const QString& t : ContentTables())
        CopyTable(t, QStringLiteral("EXISTS(SELECT * FROM EPKS WHERE (EPKS.ID_KS = ") + t +
                         QStringLiteral(".ID_KS AND EPKS.ID_INST_KS = ") + t + QStringLiteral(".ID_INST_KS)") + c +
                         QLatin1Char(')'));
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
