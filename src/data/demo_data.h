#pragma once

#include <QString>

namespace mero {

class Connection;

// Fills a database of the delivered structure with realistic registered agreements, for people who
// want to try the program and for the benchmarks: employers with valid IČO, union organisations,
// agreements over a range of years with all ten questionnaire rows answered as their variant asks
// (the variant's items from POLOZKA, or every column when the catalogue is empty), some marked valid,
// a few contents shared by two registrations and a few rows of another installation.
//
// Every column is filled by its declared type as the database reports it (PRAGMA table_info), so the
// generator follows the structure it finds. Keys come from the database's own counters (AUTOINC), which
// are advanced, and the local installation is activated when it is not yet, so the program can go on
// working with the database normally.
class DemoData {
public:
    DemoData() = delete;

    struct Options {
        int agreements = 100;
        int yearFrom = 0; // 0: two years before the current one
        int yearTo = 0;   // 0: the current year
        double validShare = 0.7; // share of registrations marked valid (the rest 'N' or NULL)
        double sharedShare = 0.02; // share of registrations that share the content of another one
        double foreignShare = 0.01; // share of employers registered by another installation
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
