#pragma once

#include <QList>
#include <QString>

namespace mero {

class Connection;
class QuestionnaireDescription;

// The item catalogue (POLOZKA) of the delivered database, generated from the questionnaire
// description: one row per column that any variant binds to a control, with the question code the
// column carries in each variant (empty where the variant does not show it).
class ItemCatalogue {
public:
    ItemCatalogue() = delete;

    struct Row {
        int id = 0; // ID_POLOZKA, counted from 1 in description order (variant 1 first)
        QString table;
        QString column;
        QString name;
        QString codes[4]; // SUBJ01 to SUBJ04
        QString type;     // the kind of the control: "ano/ne", "číslo", "text", "datum", "klíč"
    };

    static QList<Row> rows(const QuestionnaireDescription& description);

    // Inserts the rows into POLOZKA of the open database. A row whose ID or column is already in the
    // table is an error (DbError); nothing is deleted.
    static void write(Connection& connection, const QuestionnaireDescription& description);
    // The same for the delivered description.
    static void write(Connection& connection);
};

} // namespace mero
