#include "admin/admin_command.h"

#include "checks/demo_answers.h"
#include "data/connection.h"
#include "data/demo_data.h"
#include "data/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace mero::admin {

namespace {

int demoCommand(const QStringList& args) {
    const Arguments arguments(args);
    const QStringList allowed = {QStringLiteral("db"), QStringLiteral("agreements"), QStringLiteral("years"),
                                 QStringLiteral("valid"), QStringLiteral("errors"), QStringLiteral("seed")};
    const QStringList unknown = arguments.unknown(allowed);
    if (!unknown.isEmpty() || !arguments.positional().isEmpty()) {
        printErr(QStringLiteral("Neznámá volba: %1 (mero-admin demo --db CESTA --agreements N [--years OD-DO])")
                     .arg((unknown + arguments.positional()).join(QStringLiteral(", "))));
        return 2;
    }
    const QString dbPath = arguments.option(QStringLiteral("db"));
    const QString countText = arguments.option(QStringLiteral("agreements"));
    if (dbPath.isEmpty() || countText.isEmpty()) {
        printErr(QStringLiteral("Zadejte databázi a počet smluv: mero-admin demo --db CESTA --agreements N [--years OD-DO]"));
        return 2;
    }
    DemoData::Options options;
    bool ok = false;
    options.agreements = countText.toInt(&ok);
    if (!ok || options.agreements < 1 || options.agreements > 1000000) {
        printErr(QStringLiteral("Počet smluv „%1“ musí být celé číslo od 1 do 1000000.").arg(countText));
        return 2;
    }
    if (arguments.has(QStringLiteral("years"))) {
        const QString years = arguments.option(QStringLiteral("years"));
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("^(\\d{4})(?:-(\\d{4}))?$")).match(years);
        if (!m.hasMatch() || (m.capturedLength(2) > 0 && m.captured(2).toInt() < m.captured(1).toInt()) ||
            m.captured(1).toInt() < 1990) {
            printErr(QStringLiteral("Roky „%1“ zadejte jako OD-DO, například 2022-2024.").arg(years));
            return 2;
        }
        options.yearFrom = m.captured(1).toInt();
        options.yearTo = m.capturedLength(2) > 0 ? m.captured(2).toInt() : options.yearFrom;
    }
    if (arguments.has(QStringLiteral("valid"))) {
        const int percent = arguments.option(QStringLiteral("valid")).toInt(&ok);
        if (!ok || percent < 0 || percent > 100) {
            printErr(QStringLiteral("Podíl platných smluv zadejte v procentech od 0 do 100."));
            return 2;
        }
        options.validShare = percent / 100.0;
    }
    if (arguments.has(QStringLiteral("errors"))) {
        const int percent = arguments.option(QStringLiteral("errors")).toInt(&ok);
        if (!ok || percent < 0 || percent > 100) {
            printErr(QStringLiteral("Podíl smluv s chybami zadejte v procentech od 0 do 100."));
            return 2;
        }
        options.errorShare = percent / 100.0;
    }
    if (arguments.has(QStringLiteral("seed"))) {
        options.seed = arguments.option(QStringLiteral("seed")).toUInt(&ok);
        if (!ok) {
            printErr(QStringLiteral("Počáteční hodnota --seed musí být nezáporné celé číslo."));
            return 2;
        }
    }
    if (!QFileInfo::exists(dbPath)) {
        printErr(QStringLiteral("Databáze %1 neexistuje (novou vytvoří mero-admin create-database).")
                     .arg(QDir::toNativeSeparators(dbPath)));
        return 1;
    }
    DemoData::Summary s;
    try {
        Connection db;
        db.open(dbPath, Connection::OpenMode::ReadWrite);
        // The answers follow the check catalogue of the database itself.
        s = DemoAnswers::Fill(&db, options);
    } catch (const MeroError& e) {
        printErr(QStringLiteral("Ukázková data se nepodařilo vložit.\n[%1]").arg(e.message()));
        return 1;
    }
    printOut(QStringLiteral("Vloženo smluv: %1 (roky %2–%3), z toho platných: %4, sdílený obsah: %5, "
                            "jiné instalace: %6; zaměstnavatelů: %7, odborových organizací: %8; "
                            "dotazníků se záměrnými chybami: %9 (chyb: %10).")
                 .arg(s.agreements)
                 .arg(s.yearFrom)
                 .arg(s.yearTo)
                 .arg(s.valid)
                 .arg(s.shared)
                 .arg(s.foreign)
                 .arg(s.employers)
                 .arg(s.unions)
                 .arg(s.withErrors)
                 .arg(s.errors));
    return 0;
}

const AdminCommand::Registrar registrar({
    QStringLiteral("demo"),
    QStringLiteral("demo --db CESTA --agreements N [--years OD-DO] [--valid PROCENT] [--errors PROCENT] "
                   "[--seed ČÍSLO]"),
    QStringLiteral("vloží do databáze N ukázkových smluv se zaměstnavateli, odborovými organizacemi a "
                   "vyplněnými dotazníky; dotazníky projdou kontrolami, jen podíl --errors (výchozí 20 %) "
                   "obsahuje 1 až 3 záměrné chyby"),
    demoCommand,
});

} // namespace

} // namespace mero::admin
