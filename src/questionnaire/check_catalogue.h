#pragma once

#include "data/errors.h"

#include <QByteArray>
#include <QString>

namespace mero {

class Connection;

// The authored check catalogue cannot be turned into catalogue rows: the file is malformed, a check
// names an item that the item catalogue does not have, or a check is incomplete. The message names the
// check (its section and position in the file) and what is wrong with it.
class CheckCatalogueError : public MeroError {
public:
    using MeroError::MeroError;
};

// Builds the check tables of the delivered database (TYPKONTROLY, ZAVAZNOSTKONTROLY, KONTROLA and
// POLOZKAKONTROLY) from the authored catalogue in resources/checks. The catalogue names items as
// "TABULKA.POLE"; the names are resolved against POLOZKA, which must be filled already. Every check of
// the file becomes exactly one KONTROLA row, or the whole generation fails: nothing is dropped quietly.
//
// File format (JSON, UTF-8):
//   { "types":      [ {"id": 1..4, "code": "...", "name": "...", "order": n}, ... ],
//     "severities": [ {"id": n, "code": "...", "name": "...", "order": n}, ... ],
//     "sections":   [ {"section": "...", "variant": v?, "checks": [ check, ... ]}, ... ] }
// A check:
//   "type":     "binding" | "required" | "range" | "comparison"
//   "kind":     binding: "nonstrict" | "strict" | "combination" | "exclusion";
//               comparison: "<" | "<=" | ">" | ">=" | "=" | "<>"
//   "item":     the main item, or "items": [...] for one check per item (same settings), or for
//               comparisons "pairs": [[main, related...], ...] for one check per pair
//   "related":  related items (bindings: the details; comparisons: the items whose sum is compared)
//   "severity": a severity code (default: the severity with the lowest order)
//   "variant":  1..4, the one questionnaire variant the check belongs to (default: the section's, or
//               every variant)
//   "text":     the message; "{item}" is replaced by the main item's name and "{related}" by the
//               related items' names when the rows are generated
//   "min", "max" (numbers), "minInclusive", "maxInclusive" (default true), "nullAsZero" (default false)
//   "note":     free text for the authors, not stored
class CheckCatalogue {
public:
    CheckCatalogue() = delete;

    // The authored catalogue delivered with the program (Qt resource of the core library).
    static QString deliveredPath();
    // Generates the rows of the delivered catalogue; returns the number of checks written.
    static int Write(Connection& db);

    // Generates the rows from the file; returns the number of checks written.
    // Throws CheckCatalogueError (catalogue content) or DbError (database).
    static int Generate(Connection& db, const QString& path);
    // The same from the file's content; source names it in messages.
    static int GenerateFromData(Connection& db, const QByteArray& data, const QString& source);
};

} // namespace mero
