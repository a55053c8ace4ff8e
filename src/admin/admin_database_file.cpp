#include "admin/admin_database_file.h"

#include "admin/admin_command.h"
#include "data/errors.h"

#include <QDir>
#include <QFileInfo>

namespace mero::admin {

bool openDatabaseArgument(const QString& command, const QStringList& args, Connection::OpenMode mode,
                          Connection* connection) {
    const Arguments arguments(args);
    const QStringList unknown = arguments.unknown({});
    if (!unknown.isEmpty()) {
        printErr(QStringLiteral("Neznámá volba: %1").arg(unknown.join(QStringLiteral(", "))));
        return false;
    }
    if (arguments.positional().size() != 1) {
        printErr(QStringLiteral("Zadejte právě jednu cestu k databázi (mero-admin %1 CESTA).").arg(command));
        return false;
    }
    const QString path = arguments.positional().first();
    const QFileInfo fi(path);
    if (!fi.exists()) {
        printErr(QStringLiteral("Databáze neexistuje: %1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (!fi.isFile()) {
        printErr(QStringLiteral("Cesta nevede k souboru: %1").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    try {
        connection->open(path, mode);
        // Reading the catalogue tells a database from another kind of file.
        connection->execute(QStringLiteral("SELECT COUNT(*) FROM sqlite_master;"));
    } catch (const MeroError& e) {
        connection->close();
        printErr(QStringLiteral("Soubor nelze otevřít jako databázi SQLite: %1\n[%2]")
                     .arg(QDir::toNativeSeparators(path), e.message()));
        return false;
    }
    return true;
}

} // namespace mero::admin
