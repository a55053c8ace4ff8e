#include "admin/admin_command.h"
#include "admin/admin_database_file.h"

#include "data/sql_utils.h"

#include <QDir>

namespace mero::admin {

namespace {

bool hasTable(Connection* connection, const QString& table) {
    return !TDB::QueryValue(connection,
                            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name = %1")
                                .arg(TDB::QuotedString(table)))
                .isNull();
}

int info(const QStringList& args) {
    Connection connection;
    if (!openDatabaseArgument(QStringLiteral("info"), args, Connection::OpenMode::ReadOnly, &connection))
        return 1;
    for (const char* table : {"AUTOINC", "EPKS"}) {
        if (!hasTable(&connection, QString::fromLatin1(table))) {
            printErr(QStringLiteral("Soubor není databází programu MERO: chybí tabulka %1.").arg(table));
            return 1;
        }
    }
    const QString version = TDB::QueryValue(&connection, QStringLiteral("PRAGMA user_version;")).toString();
    const QVariant level =
        TDB::QueryValue(&connection, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'"));
    const QVariant installation =
        TDB::QueryValue(&connection, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'"));
    const QVariant agreements = TDB::QueryValue(&connection, QStringLiteral("SELECT COUNT(*) FROM EPKS"));

    const bool activated = !installation.isNull() && installation.toLongLong() != 0;
    printOut(QStringLiteral("Databáze: %1").arg(QDir::toNativeSeparators(connection.path())));
    printOut(QStringLiteral("Verze dat: %1").arg(version));
    printOut(QStringLiteral("Úroveň aktualizací: %1").arg(level.isNull() ? QStringLiteral("0") : level.toString()));
    printOut(QStringLiteral("Instalace: %1")
                 .arg(activated ? installation.toString() : QStringLiteral("neaktivována")));
    printOut(QStringLiteral("Evidované kolektivní smlouvy: %1").arg(agreements.toString()));
    return 0;
}

const AdminCommand::Registrar registrar({
    QStringLiteral("info"),
    QStringLiteral("info CESTA"),
    QStringLiteral("vypíše verzi dat, úroveň aktualizací, instalaci a počet evidovaných smluv databáze"),
    info,
});

} // namespace

} // namespace mero::admin
