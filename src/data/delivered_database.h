#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace mero {

class Connection;

// Builds the database that is delivered with the program (data.db3) from its sources: the SQL files
// of resources/db, embedded in the core library, followed by content that is generated from other
// descriptions (the item catalogue of the questionnaire). The build runs it through
// "mero-admin create-database".
class DeliveredDatabase {
public:
    DeliveredDatabase() = delete;

    // A step that writes generated content into the new database after the SQL sources, inside the
    // same transaction. It throws (MeroError or DbError with a Czech message) on failure.
    using Generator = std::function<void(Connection& connection)>;
    struct Step {
        QString name; // Czech, used in error messages ("katalog položek")
        Generator run;
    };

    enum class Existing { Refuse, Replace };

    // The SQL sources in the order in which they run (resource paths ":/db/...").
    static QStringList sources();

    // Writes a complete new database to path. The file is built beside the target under a temporary
    // name and renamed over the target only when everything succeeded, so a failure leaves neither a
    // partial file nor a changed target. An existing target is refused unless existing is Replace.
    // Throws MeroError (DbError for the engine's errors) with a Czech message on failure.
    static void create(const QString& path, Existing existing = Existing::Refuse);

    // Generators that are part of the program (the item catalogue generated from the questionnaire
    // description) are listed in builtInGenerators() in delivered_database.cpp and always run first.
    // addGenerator registers a further one for this process; they run in the order of registration.
    static void addGenerator(const QString& name, Generator generator);
    static QList<Step> generators();
    static void clearGenerators();

    // The generation step of create(): runs the generators on the open, new database. Public so that
    // the step can be seen and tested on its own.
    static void generateContent(Connection& connection);

    // Runs one SQL source (resource path or file path) on the connection; the error names the source.
    static void runSource(Connection& connection, const QString& source);
};

} // namespace mero
