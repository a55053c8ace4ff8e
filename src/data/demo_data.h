#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <random>
#include <vector>

namespace mero {

class Connection;

// Fills a database of the delivered structure with realistic registered agreements, for people who
// want to try the program and for the benchmarks: employers with valid IČO, union organisations,
// agreements over a range of years with all ten questionnaire rows answered as their variant asks
// (the variant's items from POLOZKA, or every column when the catalogue is empty), some marked valid,
// a few contents shared by two registrations and a few rows of another installation.
//
// Every column is filled by its declared type as the database reports it (PRAGMA table_info), so the
// generator follows the structure it finds. The answers are drawn at random, by the column's type and
// name; a layer that knows the check catalogue can rework each questionnaire before it is written
// (Options::answers), so that the questionnaires pass their checks or carry a few deliberate errors. Keys come from the database's own counters (AUTOINC), which
// are advanced, and the local installation is activated when it is not yet, so the program can go on
// working with the database normally.
class DemoData {
public:
    DemoData() = delete;

    // One questionnaire row as drawn: the table, its columns as the database lists them, one value each.
    struct ContentTable {
        QString name; // KS, SPOLUP, ZAMEST, PRDOBA, PREKAZKY, MZN, MZT, PRIPLAT, ODMENY, SF
        QStringList columns;
        QVariantList values;
    };

    // The ten questionnaire rows of one agreement content, handed to Answers::Shape before they are
    // written.
    struct Content {
        int variant = 0; // questionnaire variant: ID_TYPSUBJ of the registrations
        int year = 0;
        std::vector<ContentTable> tables;
        // A fresh non-empty answer for column `column` of tables[table], drawn as the generator draws.
        std::function<QVariant(int table, int column)> draw;
        // The generator's random numbers, so that one seed gives one database.
        std::mt19937* random = nullptr;
    };

    // Reworks the drawn answers of each content.
    class Answers {
    public:
        virtual ~Answers() = default;
        // Changes content's values in place. errors: how many checks the questionnaire is to fail on
        // purpose (0: none). Returns how many it does fail.
        virtual int Shape(Content& content, int errors) = 0;
    };

    struct Options {
        int agreements = 100;
        int yearFrom = 0; // 0: two years before the current one
        int yearTo = 0;   // 0: the current year
        double validShare = 0.7; // share of registrations marked valid (the rest 'N' or NULL)
        double sharedShare = 0.02; // share of registrations that share the content of another one
        double foreignShare = 0.01; // share of employers registered by another installation
        double errorShare = 0.2; // share of contents that answers gives 1 to 3 deliberate errors
        Answers* answers = nullptr; // not owned; without it the answers stay as drawn
        unsigned seed = 20240101;
    };

    struct Summary {
        int agreements = 0; // EPKS rows
        int valid = 0;
        int contents = 0; // KS rows (and rows in each content table)
        int shared = 0;   // registrations sharing a content
        int employers = 0;
        int unions = 0;
        int foreign = 0; // registrations of the other installation
        int withErrors = 0; // contents that fail checks on purpose (answers given)
        int errors = 0;     // their failed checks
        int yearFrom = 0;
        int yearTo = 0;
    };

    // The identifier of the other installation whose rows the generator adds.
    static constexpr int kForeignInstallation = 10234;

    // Writes everything in one transaction; on failure nothing is written and the error is raised
    // (DbError, or MeroError when the database lacks a table the generator needs).
    static Summary Fill(Connection* db, const Options& options);
};

} // namespace mero
