#include "questionnaire/item_catalogue.h"

#include "data/connection.h"
#include "data/errors.h"
#include "questionnaire/questionnaire_description.h"

namespace mero {

namespace {

QString typeName(ControlKind kind) {
    switch (kind) {
    case ControlKind::YesNo:
        return QStringLiteral("ano/ne");
    case ControlKind::Number:
        return QStringLiteral("číslo");
    case ControlKind::Memo:
        return QStringLiteral("text");
    case ControlKind::Date:
        return QStringLiteral("datum");
    case ControlKind::Lookup:
        return QStringLiteral("klíč");
    default:
        return QString();
    }
}

} // namespace

QList<ItemCatalogue::Row> ItemCatalogue::rows(const QuestionnaireDescription& description) {
    QList<Row> out;
    int id = 0;
    for (const ColumnRef& column : description.columns()) {
        Row row;
        row.id = ++id;
        row.table = column.table;
        row.column = column.column;
        row.name = description.name(column);
        for (int variant = 1; variant <= 4; ++variant) {
            if (const Item* item = description.item(variant, column.table, column.column)) {
                row.codes[variant - 1] = item->code;
                if (row.type.isEmpty())
                    row.type = typeName(item->control);
            }
        }
        out.append(row);
    }
    return out;
}

void ItemCatalogue::write(Connection& connection, const QuestionnaireDescription& description) {
    const QList<Row> all = rows(description);
    const QVariant existing = [&] {
        Statement s = connection.prepare(QStringLiteral("SELECT COUNT(*) FROM POLOZKA"));
        s.step();
        return s.value(0);
    }();
    if (existing.toLongLong() != 0)
        throw DbError(QStringLiteral("Katalog položek (POLOZKA) již obsahuje %1 řádků; generovaný katalog "
                                     "do něj nelze vložit.")
                          .arg(existing.toLongLong()));
    Statement insert = connection.prepare(QStringLiteral(
        "INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, SUBJ04, TYP) "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // All rows or none: inside the caller's transaction, or in one of our own.
    const bool own = !connection.inTransaction();
    if (own)
        connection.execute(QStringLiteral("BEGIN"));
    try {
        for (const Row& row : all) {
            insert.reset();
            insert.clearBindings();
            insert.bindAll({row.id, row.table, row.column, row.name, row.codes[0], row.codes[1], row.codes[2],
                            row.codes[3], row.type});
            insert.step();
        }
    } catch (...) {
        if (own)
            connection.execute(QStringLiteral("ROLLBACK"));
        throw;
    }
    if (own)
        connection.execute(QStringLiteral("COMMIT"));
}

void ItemCatalogue::write(Connection& connection) {
    write(connection, QuestionnaireDescription::delivered());
}

} // namespace mero
