#include "admin/admin_command.h"

#include "data/delivered_database.h"
#include "data/errors.h"

#include <QDir>
#include <QFileInfo>

namespace mero::admin {

namespace {

int createDatabase(const QStringList& args) {
    const Arguments arguments(args);
    const QStringList unknown = arguments.unknown({QStringLiteral("replace")});
    if (!unknown.isEmpty()) {
        printErr(QStringLiteral("Neznámá volba: %1").arg(unknown.join(QStringLiteral(", "))));
        return 1;
    }
    // "--replace" is a flag; the parser takes a following word as its value, so that word is the path.
    QStringList positional = arguments.positional();
    const QString afterFlag = arguments.option(QStringLiteral("replace"));
    if (!afterFlag.isEmpty())
        positional.prepend(afterFlag);
    if (positional.size() != 1) {
        printErr(QStringLiteral("Zadejte právě jednu cestu k vytvářené databázi (mero-admin create-database "
                                "[--replace] CESTA)."));
        return 1;
    }
    const QString path = positional.first();
    const auto existing = arguments.has(QStringLiteral("replace")) ? DeliveredDatabase::Existing::Replace
                                                                   : DeliveredDatabase::Existing::Refuse;
    try {
        DeliveredDatabase::create(path, existing);
    } catch (const MeroError& e) {
        printErr(e.message());
        if (existing == DeliveredDatabase::Existing::Refuse && QFileInfo(path).isFile())
            printErr(QStringLiteral("Chcete-li ji nahradit novou, použijte volbu --replace."));
        return 1;
    }
    printOut(QStringLiteral("Databáze vytvořena: %1").arg(QDir::toNativeSeparators(path)));
    return 0;
}

const AdminCommand::Registrar registrar({
    QStringLiteral("create-database"),
    QStringLiteral("create-database [--replace] CESTA"),
    QStringLiteral("vytvoří novou dodávanou databázi (tabulky, číselníky, katalog); existující soubor "
                   "přepíše jen s volbou --replace"),
    createDatabase,
});

} // namespace

} // namespace mero::admin
