#include "admin/admin_command.h"

#include "data/connection.h"
#include "data/errors.h"
#include "data/sql_utils.h"
#include "transfer/export.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace mero::admin {

namespace {

void removeWithJournal(const QString& path) {
    for (const QString& suffix : {QString(), QStringLiteral("-journal")})
        QFile::remove(path + suffix);
}

int exportCommand(const QStringList& args) {
    const Arguments arguments(args);
    const QStringList unknown = arguments.unknown({QStringLiteral("db"), QStringLiteral("year"), QStringLiteral("out")});
    if (!unknown.isEmpty() || !arguments.positional().isEmpty()) {
        printErr(QStringLiteral("Neznámá volba: %1 (mero-admin export --db CESTA --year ROK --out SOUBOR)")
                     .arg((unknown + arguments.positional()).join(QStringLiteral(", "))));
        return 2;
    }
    const QString dbPath = arguments.option(QStringLiteral("db"));
    const QString yearText = arguments.option(QStringLiteral("year"));
    const QString outPath = arguments.option(QStringLiteral("out"));
    if (dbPath.isEmpty() || yearText.isEmpty() || outPath.isEmpty()) {
        printErr(QStringLiteral("Zadejte databázi, rok i cílový soubor: mero-admin export --db CESTA --year ROK --out SOUBOR"));
        return 2;
    }
    bool isNumber = false;
    const int year = yearText.toInt(&isNumber);
    if (!isNumber || year < 1900 || year > 9999 || yearText != QString::number(year)) {
        printErr(QStringLiteral("Rok platnosti smlouvy „%1“ není platný rok.").arg(yearText));
        return 2;
    }
    if (!QFileInfo::exists(dbPath)) {
        printErr(QStringLiteral("Databáze %1 neexistuje.").arg(QDir::toNativeSeparators(dbPath)));
        return 1;
    }
    const QFileInfo outInfo(outPath);
    if (outInfo.exists() && outInfo.canonicalFilePath() == QFileInfo(dbPath).canonicalFilePath()) {
        printErr(QStringLiteral("Cílový soubor nesmí být databáze, ze které se data exportují."));
        return 2;
    }
    if (outInfo.isDir()) {
        printErr(QStringLiteral("Cíl %1 je složka, zadejte název souboru.").arg(QDir::toNativeSeparators(outPath)));
        return 2;
    }

    // The file is built beside the target and renamed over it only when complete, so a failure
    // leaves neither a partial file nor a changed target.
    const QString partPath = outInfo.absolutePath() + QLatin1Char('/') + QLatin1Char('.') + outInfo.fileName() +
                             QStringLiteral(".%1.part").arg(QCoreApplication::applicationPid());
    int exported = 0;
    try {
        Connection local;
        local.open(dbPath, Connection::OpenMode::ReadOnly);
        BuildTransferFile(&local, partPath, TExport::YearCondition(QString::number(year)));
        Connection check;
        check.open(partPath, Connection::OpenMode::ReadOnly);
        exported = TDB::QueryValue(&check, QStringLiteral("SELECT count(*) FROM EPKS")).toInt();
        check.close();
        if (std::rename(QFile::encodeName(partPath).constData(), QFile::encodeName(outPath).constData()) != 0)
            throw MeroError(QStringLiteral("Soubor nelze vytvořit."));
    } catch (const std::exception& e) {
        removeWithJournal(partPath);
        const auto* mero = dynamic_cast<const MeroError*>(&e);
        printErr(QStringLiteral("Export dat se nezdařil.\n[%1]").arg(mero ? mero->message() : QString::fromUtf8(e.what())));
        return 1;
    }
    if (exported == 0)
        printErr(QStringLiteral("Upozornění: v roce %1 není žádná smlouva určená jako platná.").arg(year));
    printOut(QStringLiteral("Export dat proběhl úspěšně: %1 (smluv: %2, rok %3)")
                 .arg(QDir::toNativeSeparators(outPath))
                 .arg(exported)
                 .arg(year));
    return 0;
}

const AdminCommand::Registrar registrar({
    QStringLiteral("export"),
    QStringLiteral("export --db CESTA --year ROK --out SOUBOR"),
    QStringLiteral("vytvoří přenosový soubor se smlouvami roku ROK určenými jako platné (jako při odeslání dat); "
                   "existující SOUBOR nahradí"),
    exportCommand,
});

} // namespace

} // namespace mero::admin
