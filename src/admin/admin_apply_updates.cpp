#include "admin/admin_command.h"
#include "admin/admin_database_file.h"

#include "app/core/updates.h"
#include "data/sql_utils.h"

#include <QDir>
#include <QStringList>

namespace mero::admin {

namespace {

QString idList(const QList<int>& ids) {
    QStringList parts;
    for (int id : ids)
        parts.append(QString::number(id));
    return parts.join(QStringLiteral(", "));
}

int applyUpdates(const QStringList& args) {
    Connection connection;
    if (!openDatabaseArgument(QStringLiteral("apply-updates"), args, Connection::OpenMode::ReadWrite, &connection))
        return 1;
    const UpdateRun run = TUpdates::Run(&connection);
    const QString updateFile = QDir::toNativeSeparators(TUpdates::UpdateFilePath(connection.path()));
    if (!run.fileFound) {
        printOut(QStringLiteral("Soubor aktualizací %1 neexistuje, není co provést.").arg(updateFile));
        return 0;
    }
    const QVariant level =
        TDB::QueryValue(&connection, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'"));
    const QVariant version = TDB::QueryValue(&connection, QStringLiteral("PRAGMA user_version;"));
    if (!run.applied.isEmpty())
        printOut(QStringLiteral("Provedené aktualizace: %1.").arg(idList(run.applied)));
    if (!run.ok) {
        if (run.failedId != 0)
            printErr(QStringLiteral("Aktualizace dat se nezdařila! Aktualizace %1 byla vrácena zpět.\n[%2]")
                         .arg(run.failedId)
                         .arg(run.error));
        else
            printErr(QStringLiteral("Aktualizace dat se nezdařila! Žádná aktualizace nebyla provedena.\n[%1]")
                         .arg(run.error));
        printErr(QStringLiteral("Úroveň aktualizací: %1, verze dat: %2.").arg(level.toString(), version.toString()));
        return 1;
    }
    if (run.applied.isEmpty())
        printOut(QStringLiteral("Databáze je aktuální, žádná aktualizace nečeká (úroveň aktualizací %1).")
                     .arg(run.levelBefore));
    else
        printOut(QStringLiteral("Úroveň aktualizací: %1 -> %2, verze dat: %3.")
                     .arg(run.levelBefore)
                     .arg(level.toString(), version.toString()));
    return 0;
}

const AdminCommand::Registrar registrar({
    QStringLiteral("apply-updates"),
    QStringLiteral("apply-updates CESTA"),
    QStringLiteral("provede čekající aktualizace dat ze souboru updates.xml vedle databáze (jako při startu "
                   "programu); kód 0 při úspěchu, 1 při chybě"),
    applyUpdates,
});

} // namespace

} // namespace mero::admin
