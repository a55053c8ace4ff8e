#pragma once

// Demo questionnaires that read as if a careful user had typed them: each content the demo generator
// draws is reworked against the database's check catalogue before it is written, so that it passes
// every check (bindings, required items, ranges, comparisons) and holds the derived values the program
// computes while typing (converted tariffs and minimum wage, fund balance, bonus series). On request a
// questionnaire keeps a few deliberate errors instead, each one failing exactly one check.
//
// The rows are reworked in memory: one row per questionnaire table in datasets over a private
// in-memory database with the same columns, on which the loaded check model and its derived-value
// rules act as they do on the data module's datasets.

#include "data/demo_data.h"

#include <memory>

namespace mero {

class Connection;

class DemoAnswers : public DemoData::Answers {
public:
    // Loads the check catalogue of the database. A database without catalogue tables is treated as
    // one with an empty catalogue: the answers then stay as drawn.
    explicit DemoAnswers(Connection* database);
    ~DemoAnswers() override;
    DemoAnswers(const DemoAnswers&) = delete;
    DemoAnswers& operator=(const DemoAnswers&) = delete;

    int Shape(DemoData::Content& content, int errors) override;

    // Checks of the catalogue that the answers follow.
    int CheckCount() const;
    // Contents that still failed a check they were not meant to fail after reworking (0 with a
    // consistent catalogue).
    int Unresolved() const;

    // DemoData::Fill with answers reworked against the database's own catalogue.
    static DemoData::Summary Fill(Connection* database, DemoData::Options options);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

} // namespace mero
