// The check model inside the data module over the delivered database, and mero-admin check as a
// child process.

#include "agreement_rows.h"
#include "support/test_support.h"

#include "checks/change_tracking.h"
#include "checks/check_module.h"
#include "data/data_module.h"
#include "data/errors.h"
#include "data/sql_utils.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using namespace mero;
using namespace mero::test;

namespace {

// A small catalogue on real questionnaire columns. Check 1's text holds a comma and quotes.
void smallCatalogue(Connection& c) {
    c.execute(QStringLiteral(
        "DELETE FROM POLOZKAKONTROLY; DELETE FROM KONTROLA; DELETE FROM POLOZKA; DELETE FROM TYPKONTROLY; "
        "DELETE FROM ZAVAZNOSTKONTROLY;"
        "INSERT INTO TYPKONTROLY (ID_TYPKONTROLY, KOD, NAZEV, PORADI) VALUES (1, 'V', 'Vazba', 1), "
        "(2, 'Z', 'Zadání', 2), (3, 'R', 'Rozsah', 3), (4, 'P', 'Porovnání', 4);"
        "INSERT INTO ZAVAZNOSTKONTROLY (ID_ZAVAZNOSTKONTROLY, KOD, NAZEV, PORADI) VALUES (1, 'C', 'Chyba', 1), "
        "(2, 'U', 'Upozornění', 2);"
        "INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, SUBJ04) VALUES "
        "(1, 'SPOLUP', 'CZO', 'Podmínky pro činnost', '2.1 d', '2.1 d', '2.1 d', '2.1 d'),"
        "(2, 'SPOLUP', 'CZOM', 'Místnosti', '2.1 d1', '2.1 d1', '2.1 d1', '2.1 d1'),"
        "(3, 'SPOLUP', 'PZO', 'Počet organizací', '2.2', '2.2', '2.2', '2.2');"
        "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, TEXT, ID_POLOZKA) VALUES "
        "(1, 2, 1, 'Chybí počet, \"zadejte\" jej', 3);"
        "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_POLOZKA, ID_TYPVAZBY) VALUES "
        "(2, 1, 1, 1, 2);"
        "INSERT INTO POLOZKAKONTROLY (ID_KONTROLA, ID_POLOZKA) VALUES (2, 2);"
        "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, TEXT, ID_POLOZKA, MIN, MIN_VCETNE, "
        "NEVYPLNENO_NULA) VALUES (3, 3, 2, 'Počet musí být kladný', 3, 0, 'N', 'Y');"));
}

// A copy of the delivered database with the small catalogue and three agreements: A (2024, CZO yes
// without details), B (2024, no SF row) and C (2025, empty).
QString sampleDatabase(const QTemporaryDir& dir, qlonglong* idA = nullptr) {
    const QString path = copyInto(dir, deliveredDatabase(), QStringLiteral("data.db3"));
    Connection c;
    c.open(path);
    smallCatalogue(c);
    AgreementRow a;
    a.idKs = 501;
    a.employer = QStringLiteral("Alfa, a.s.");
    const qlonglong ida = addAgreement(c, a);
    c.execute(QStringLiteral("UPDATE SPOLUP SET CZO = 'Y' WHERE ID_KS = 501"));
    AgreementRow b;
    b.idKs = 502;
    b.employer = QStringLiteral("Beta");
    b.withSf = false;
    addAgreement(c, b);
    AgreementRow cc;
    cc.idKs = 503;
    cc.year = 2025;
    cc.employer = QStringLiteral("Gama");
    addAgreement(c, cc);
    if (idA)
        *idA = ida;
    return path;
}

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run admin(const QStringList& args) {
    QProcess p;
    p.start(binaryPath(QStringLiteral("src/mero-admin")), args);
    if (!p.waitForFinished(120000))
        qFatal("mero-admin did not finish");
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

QStringList csvLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

class TestCheckDelivered : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deliveredCatalogueLoadsEveryRow();
    void dataModuleLoadsAndTracks();
    void missingCatalogueTableEndsLoading();
    void checkThroughDataModule();
    void adminCsv();
    void adminTextAndPdf();
    void adminErrors_data();
    void adminErrors();
};

void TestCheckDelivered::deliveredCatalogueLoadsEveryRow() {
    QTemporaryDir dir;
    const QString path = copyInto(dir, deliveredDatabase());
    TData data;
    data.DataBase->open(path, Connection::OpenMode::ReadOnly);
    data.CreateFields();
    data.OpenAll();
    TCheckModule* m = data.CheckModule();
    QVERIFY(m);
    const auto count = [&](const char* sql) { return TDB::QueryValue(data.DataBase, QString::fromLatin1(sql)).toInt(); };
    QCOMPARE(m->Items().Count(), count("SELECT COUNT(*) FROM POLOZKA"));
    QCOMPARE(m->Catalogue().CheckTypes().Count(), count("SELECT COUNT(*) FROM TYPKONTROLY"));
    QCOMPARE(m->Catalogue().Severities().Count(), count("SELECT COUNT(*) FROM ZAVAZNOSTKONTROLY"));
    // Not one check row and not one related item is dropped.
    QCOMPARE(m->Checks().Count(), count("SELECT COUNT(*) FROM KONTROLA"));
    QCOMPARE(m->Catalogue().RejectedChecks(), 0);
    QCOMPARE(m->Catalogue().RejectedRelations(), 0);
    int related = 0;
    for (const TKontrolaZaklad* k : m->Checks())
        related += k->RelatedItems.Count();
    QCOMPARE(related, count("SELECT COUNT(*) FROM POLOZKAKONTROLY"));
    // Every item names a column of the delivered questionnaire tables.
    for (const TPolozka* p : m->Items())
        QVERIFY2(p->field(), qPrintable(QStringLiteral("%1.%2 (%3)").arg(p->TABULKA, p->POLE).arg(p->ID)));
}

void TestCheckDelivered::dataModuleLoadsAndTracks() {
    QTemporaryDir dir;
    const QString path = sampleDatabase(dir);
    {
        TData data;
        QVERIFY(data.ConnectDatabase(path));
        QVERIFY(!data.CheckModule());
        data.CreateFields();
        QVERIFY(data.CheckModule());
        QCOMPARE(data.CheckModule()->Checks().Count(), 3);
        QCOMPARE(ChangeTracker::current(), static_cast<ChangeTracker*>(data.CheckModule()));
        data.OpenAll();

        // An edit reported through change tracking runs the binding on the data module's datasets.
        QVERIFY(data.LocateAgreement(503, 99999));
        data.TblSPOLUP->edit();
        Field* czom = data.TblSPOLUP->fieldByName(QStringLiteral("CZOM"));
        czom->setValue(true);
        ChangeTracker::current()->ItemValueChanged(data.TblSPOLUP, czom, true, QVariant());
        QCOMPARE(data.TblSPOLUP->fieldByName(QStringLiteral("CZO"))->value(), QVariant(true));
        data.TblSPOLUP->cancel();
    }
    QVERIFY(!ChangeTracker::current());
}

void TestCheckDelivered::missingCatalogueTableEndsLoading() {
    QTemporaryDir dir;
    const QString path = copyInto(dir, deliveredDatabase());
    {
        Connection c;
        c.open(path);
        c.execute(QStringLiteral("DROP TABLE ZAVAZNOSTKONTROLY"));
    }
    TData data;
    QVERIFY(data.ConnectDatabase(path));
    bool failed = false;
    try {
        data.CreateFields();
    } catch (const DbError& e) {
        failed = true;
        QVERIFY2(e.message().contains(QStringLiteral("ZAVAZNOSTKONTROLY")), qPrintable(e.message()));
    }
    QVERIFY(failed);
}

void TestCheckDelivered::checkThroughDataModule() {
    QTemporaryDir dir;
    qlonglong idA = 0;
    const QString path = sampleDatabase(dir, &idA);
    TData data;
    QVERIFY(data.ConnectDatabase(path));
    data.CreateFields();
    data.OpenAll();
    TCheckModule& m = *data.CheckModule();
    m.PrepareCheckResults();
    TCheckedAgreement a;
    a.ID = QStringLiteral("1");
    a.ROK = 2024;
    QCOMPARE(m.LocateAndCheckAgreement(a, 501, 99999, 1), 3);
    QCOMPARE(m.LocateAndCheckAgreement(a, 502, 99999, 1), 0); // no SF row: skipped
    QCOMPARE(m.CheckResults()->RecordCount(), 3);
    const TCheckResult& first = m.CheckResults()->Row(0);
    QCOMPARE(first.KOD, QString("2.1 d"));
    QCOMPARE(first.HODNOTA, QString("ANO"));
    QCOMPARE(first.TEXT, QString("položka „Podmínky pro činnost“ je chybně zadána vzhledem k doplňující otázce (otázkám)"));
}

void TestCheckDelivered::adminCsv() {
    QTemporaryDir dir;
    qlonglong idA = 0;
    const QString db = sampleDatabase(dir, &idA);
    const QString out = dir.filePath(QStringLiteral("výsledky.csv"));
    Run r = admin({"check", "--db", db, "--format", "csv", "--out", out});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(r.out.contains(QStringLiteral("Zkontrolováno smluv: 3, nalezeno chyb: 5.")));
    QStringList lines = csvLines(out);
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[0], QString("ID,ID_SVAZ,SVAZ,ID_SUBJEKT1,SUBJEKT1,ID_SUBJEKT2,SUBJEKT2,ROK,PORADI_TYPKONTROLY,"
                               "TYP_KONTROLY,PORADI_ZAVAZNOSTI,ZAVAZNOST,KODNORMALIZOVANY,KOD,TEXT,HODNOTA"));
    const QString idText = QString::number(idA) + QChar(0x1F) + QStringLiteral("99999");
    const QString key = QStringLiteral("501") + QChar(0x1F) + QStringLiteral("99999");
    QCOMPARE(lines[1], QStringLiteral("%1,1,Odborový svaz KOVO,%2,\"Alfa, a.s.\",%2,ZO Strojírny,2024,1,Vazba,1,Chyba,"
                                      "00000002000000010000000 0000000d,2.1 d,položka „Podmínky pro činnost“ je "
                                      "chybně zadána vzhledem k doplňující otázce (otázkám),ANO")
                           .arg(idText, key));
    QVERIFY2(lines[2].endsWith(QStringLiteral(",2.2,\"Chybí počet, \"\"zadejte\"\" jej\",")), qPrintable(lines[2]));
    QVERIFY(lines[3].contains(QStringLiteral(",Upozornění,")));
    QVERIFY(lines[4].contains(QStringLiteral(",Gama,")));
    QVERIFY(lines[4].contains(QStringLiteral(",2025,")));

    // One year.
    r = admin({"check", "--db", db, "--year", "2025", "--format", "csv", "--out", out});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(csvLines(out).size(), 3);
    // One agreement.
    r = admin({"check", "--db", db, "--agreement", QStringLiteral("%1:99999").arg(idA), "--format", "csv", "--out", out});
    QCOMPARE(r.exitCode, 0);
    lines = csvLines(out);
    QCOMPARE(lines.size(), 4);
    QVERIFY(lines[1].contains(QStringLiteral("Alfa")));
    // A year without agreements completes with the header alone.
    r = admin({"check", "--db", db, "--year", "1999", "--format", "csv", "--out", out});
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(csvLines(out).size(), 1);
}

void TestCheckDelivered::adminTextAndPdf() {
    QTemporaryDir dir;
    const QString db = sampleDatabase(dir);
    const QString text = dir.filePath(QStringLiteral("protokol.txt"));
    Run r = admin({"check", "--db", db, "--format", "text", "--out", text});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QFile t(text);
    QVERIFY(t.open(QIODevice::ReadOnly));
    const QString protocol = QString::fromUtf8(t.readAll());
    QVERIFY(protocol.startsWith(QStringLiteral("Sorvenal - chybový výstup\n")));
    QVERIFY(protocol.contains(QStringLiteral("Zaměstnavatel: Alfa, a.s., ZO OS: ZO Strojírny")));
    QVERIFY(protocol.contains(QStringLiteral("Zaměstnavatel: Gama, ZO OS: ZO Strojírny")));
    QVERIFY(!protocol.contains(QStringLiteral("Beta")));
    QCOMPARE(protocol.count(QStringLiteral("Celkový počet chyb: 3")), 1);
    QCOMPARE(protocol.count(QStringLiteral("Celkový počet chyb: 2")), 1);

    const QString pdf = dir.filePath(QStringLiteral("protokol.pdf"));
    r = admin({"check", "--db", db, "--format", "pdf", "--out", pdf});
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QFile p(pdf);
    QVERIFY(p.open(QIODevice::ReadOnly));
    QVERIFY(p.read(5) == "%PDF-");
    QProcess pt;
    pt.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    QVERIFY(pt.waitForFinished(60000));
    const QString pdfText = QString::fromUtf8(pt.readAllStandardOutput()).simplified();
    QVERIFY2(pdfText.contains(QStringLiteral("Sorvenal - chybový výstup")), qPrintable(pdfText));
    QVERIFY(pdfText.contains(QStringLiteral("Zaměstnavatel: Gama, ZO OS: ZO Strojírny")));
    QVERIFY(pdfText.contains(QStringLiteral("Počet chyb: 2")));
    QVERIFY(pdfText.contains(QStringLiteral("Strana 1")));
}

void TestCheckDelivered::adminErrors_data() {
    QTest::addColumn<QStringList>("args"); // DB and OUT stand for the sample database and a target file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing database") << QStringList{"--db", "chybí.db3", "--format", "csv", "--out", "OUT"} << 1
                                      << "neexistuje";
    QTest::newRow("unknown format") << QStringList{"--db", "DB", "--format", "xls", "--out", "OUT"} << 2
                                    << "Neznámý formát";
    QTest::newRow("no target") << QStringList{"--db", "DB", "--format", "csv"} << 2 << "Zadejte";
    QTest::newRow("bad year") << QStringList{"--db", "DB", "--year", "20x4", "--format", "csv", "--out", "OUT"} << 2
                              << "není platný rok";
    QTest::newRow("bad agreement") << QStringList{"--db", "DB", "--agreement", "12", "--format", "csv", "--out", "OUT"}
                                   << 2 << "ID_EPKS:ID_INST_EPKS";
    QTest::newRow("unknown agreement")
        << QStringList{"--db", "DB", "--agreement", "777:99999", "--format", "csv", "--out", "OUT"} << 1
        << "není v seznamu smluv";
    QTest::newRow("unwritable target")
        << QStringList{"--db", "DB", "--format", "csv", "--out", "chybí/složka/out.csv"} << 1 << "nelze vytvořit";
    QTest::newRow("not a database") << QStringList{"--db", "OUT0", "--format", "csv", "--out", "OUT"} << 1
                                    << "Databázi nelze otevřít";
    QTest::newRow("unknown option") << QStringList{"--db", "DB", "--format", "csv", "--out", "OUT", "--fast", "1"} << 2
                                    << "Neznámá volba";
}

void TestCheckDelivered::adminErrors() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString db = sampleDatabase(dir);
    {
        QFile junk(dir.filePath(QStringLiteral("junk.db3")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    for (QString& a : args) {
        if (a == "DB")
            a = db;
        else if (a == "OUT")
            a = dir.filePath(QStringLiteral("out.csv"));
        else if (a == "OUT0")
            a = dir.filePath(QStringLiteral("junk.db3"));
        else if (a.startsWith("chybí"))
            a = dir.filePath(a);
    }
    const Run r = admin(QStringList{"check"} + args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("out.csv")))); // nothing half-written
}

QTEST_GUILESS_MAIN(TestCheckDelivered)
#include "test_check_delivered.moc"
