#include "data/connection.h"
#include "data/demo_data.h"
#include "data/errors.h"
#include "data/sql_utils.h"
#include "support/test_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

int count(Connection& c, const QString& sql) {
    return TDB::QueryValue(&c, sql).toInt();
}

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

bool validIco(const QString& ico) {
    if (ico.size() != 8)
        return false;
    int sum = 0;
    for (int i = 0; i < 7; ++i) {
        if (!ico.at(i).isDigit())
            return false;
        sum += ico.at(i).digitValue() * (8 - i);
    }
    return ico.at(7).digitValue() == (11 - sum % 11) % 10;
}

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run admin(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MERO_ADMIN), args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const QStringList kContentTables = {"KS", "SPOLUP", "ZAMEST", "PRDOBA", "PREKAZKY", "MZN", "MZT", "PRIPLAT", "ODMENY", "SF"};

} // namespace

class TestDemoAndAdmin : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void demoFillsConsistentAgreements();
    void demoAnswersOnlyTheQuestionsOfTheVariant();
    void demoAndExportAsCommands();
    void demoThenCheckAsCommands_data();
    void demoThenCheckAsCommands();
    void exportFailuresLeaveNoFile_data();
    void exportFailuresLeaveNoFile();
    void exportFailureKeepsAnExistingTarget();
    void demoRefusesBadArguments_data();
    void demoRefusesBadArguments();

private:
    QTemporaryDir* m_dir = nullptr;
    QString m_db;
};

void TestDemoAndAdmin::init() {
    m_dir = new QTemporaryDir;
    QVERIFY2(QFile::exists(test::deliveredDatabase()), "the build makes the delivered database");
    m_db = test::copyInto(*m_dir, test::deliveredDatabase());
}

void TestDemoAndAdmin::cleanup() {
    delete m_dir;
}

void TestDemoAndAdmin::demoFillsConsistentAgreements() {
    Connection db;
    db.open(m_db);
    const int kcBefore = count(db, QStringLiteral("SELECT count(*) FROM KS"));
    DemoData::Options o;
    o.agreements = 600;
    o.yearFrom = 2022;
    o.yearTo = 2024;
    o.sharedShare = 0.05;
    o.foreignShare = 0.05;
    const DemoData::Summary s = DemoData::Fill(&db, o);
    QCOMPARE(s.agreements, 600);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE ROK BETWEEN 2022 AND 2024")), 600);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE PLATNOST = 'Y'")), s.valid);
    QVERIFY(s.valid > 300 && s.valid < 550);
    QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE PLATNOST = 'N'")) > 0);
    QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE PLATNOST IS NULL")) > 0);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE PLATNOST NOT IN ('Y', 'N')")), 0);
    // Every registration refers to an existing employer, union organisation and content of its own
    // installation, with the employer's subject type.
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM EPKS E WHERE ROK >= 2022 AND NOT EXISTS (SELECT * FROM SUBJ S "
                                      "WHERE S.ID_SUBJ = E.ID_SUBJ AND S.ID_INST_SUBJ = E.ID_INST_SUBJ AND "
                                      "S.ID_TYPSUBJ = E.ID_TYPSUBJ AND S.ID_INST_SUBJ = E.ID_INST_EPKS)")),
             0);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM EPKS E WHERE NOT EXISTS (SELECT * FROM ZOOS Z "
                                      "WHERE Z.ID_ZOOS = E.ID_ZOOS AND Z.ID_INST_ZOOS = E.ID_INST_ZOOS)")),
             0);
    for (const QString& t : kContentTables) {
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM EPKS E WHERE NOT EXISTS (SELECT * FROM %1 C WHERE "
                                          "C.ID_KS = E.ID_KS AND C.ID_INST_KS = E.ID_INST_KS)")
                               .arg(t)),
                 0);
        QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM %1").arg(t)), kcBefore + s.contents);
    }
    QCOMPARE(s.contents + s.shared, s.agreements);
    QVERIFY(s.shared > 0);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM (SELECT ID_KS FROM EPKS GROUP BY ID_KS, ID_INST_KS "
                                      "HAVING count(*) > 1)")),
             s.shared);
    QVERIFY(s.foreign > 0);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE ID_INST_EPKS = %1").arg(DemoData::kForeignInstallation)),
             s.foreign);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM INST WHERE ID_INST IN (99999, %1)").arg(DemoData::kForeignInstallation)),
             2);
    QCOMPARE(count(db, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'")), 99999);
    // The counters go on where the local rows end, so the program numbers new records correctly.
    QCOMPARE(count(db, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'SUBJ'")),
             count(db, QStringLiteral("SELECT max(ID_SUBJ) FROM SUBJ WHERE ID_INST_SUBJ = 99999")));
    QCOMPARE(count(db, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'KS'")),
             count(db, QStringLiteral("SELECT max(ID_KS) FROM KS WHERE ID_INST_KS = 99999")));
    QCOMPARE(count(db, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ZOOS'")),
             count(db, QStringLiteral("SELECT max(ID_ZOOS) FROM ZOOS WHERE ID_INST_ZOOS = 99999")));

    // Plausible values: valid IČO, dates as yyyy-mm-dd, yes/no as Y/N, Czech names.
    Statement ico = db.prepare(QStringLiteral("SELECT ICO, NAZEV FROM SUBJ"));
    int employers = 0;
    while (ico.step()) {
        QVERIFY2(validIco(ico.value(0).toString()), qPrintable(ico.value(0).toString()));
        QVERIFY(!ico.value(1).toString().isEmpty());
        ++employers;
    }
    QCOMPARE(employers, s.employers);
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM KS WHERE DATPLOD NOT GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]' "
                                      "OR DATPL < DATPLOD AND ID_INST_KS IN (99999, 10234)")),
             0);
    Statement columns = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info('SPOLUP') WHERE type = 'BOOLEAN'"));
    QVERIFY(columns.step());
    const QString yesNo = columns.value(0).toString();
    QCOMPARE(count(db, QStringLiteral("SELECT count(*) FROM SPOLUP WHERE \"%1\" NOT IN ('Y', 'N')").arg(yesNo)), 0);
    QVERIFY(count(db, QStringLiteral("SELECT count(*) FROM SUBJ WHERE NAZEV GLOB '*[^ -~]*'")) > 0); // non-ASCII
}

void TestDemoAndAdmin::demoAnswersOnlyTheQuestionsOfTheVariant() {
    Connection db;
    db.open(m_db);
    // The catalogue of MZN in this copy: three questions in different variants, the rest of its
    // columns in none.
    QStringList columns;
    Statement info = db.prepare(QStringLiteral("SELECT name FROM pragma_table_info('MZN') WHERE name NOT IN "
                                               "('ID_KS', 'ID_INST_KS')"));
    while (info.step())
        columns.append(info.value(0).toString());
    QVERIFY(columns.size() >= 4);
    db.execute(QStringLiteral("DELETE FROM POLOZKA WHERE TABULKA = 'MZN';"
                              "INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, SUBJ04) VALUES "
                              "(90001, 'MZN', '%1', 'a', '1.1', '1.1', '', NULL),"
                              "(90002, 'MZN', '%2', 'b', '', '', '2.1', NULL),"
                              "(90003, 'MZN', '%3', 'c', NULL, NULL, NULL, '3');")
                   .arg(columns.at(0), columns.at(1), columns.at(2)));
    DemoData::Options o;
    o.agreements = 400;
    o.seed = 7;
    DemoData::Fill(&db, o);
    auto filled = [&](int variant, const QString& column) {
        return count(db, QStringLiteral("SELECT count(*) FROM MZN C JOIN EPKS E ON E.ID_KS = C.ID_KS AND E.ID_INST_KS = "
                                        "C.ID_INST_KS WHERE E.ID_TYPSUBJ = %1 AND C.\"%2\" IS NOT NULL")
                                .arg(variant)
                                .arg(column));
    };
    for (int v = 1; v <= 4; ++v) {
        QVERIFY2(count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE ID_TYPSUBJ = %1").arg(v)) > 0,
                 "every variant occurs");
        QCOMPARE(filled(v, columns.at(0)) > 0, v <= 2);
        QCOMPARE(filled(v, columns.at(1)) > 0, v == 3);
        QCOMPARE(filled(v, columns.at(2)) > 0, v == 4);
        for (int c = 3; c < columns.size(); ++c)
            QCOMPARE(filled(v, columns.at(c)), 0);
    }
}

void TestDemoAndAdmin::demoAndExportAsCommands() {
    Run demo = admin({QStringLiteral("demo"), QStringLiteral("--db"), m_db, QStringLiteral("--agreements"),
                      QStringLiteral("250"), QStringLiteral("--years"), QStringLiteral("2023-2024")});
    QVERIFY2(demo.exitCode == 0, qPrintable(demo.err));
    QVERIFY(demo.out.contains(QStringLiteral("250")));

    Connection db;
    db.open(m_db, Connection::OpenMode::ReadOnly);
    const int selected = count(db, QStringLiteral("SELECT count(*) FROM EPKS WHERE ROK = 2024 AND PLATNOST = 'Y'"));
    QVERIFY(selected > 0);
    db.close();

    const QByteArray before = fileHash(m_db);
    const QString out = m_dir->filePath(QStringLiteral("odeslat.db3"));
    {
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file that the export replaces");
    }
    Run exp = admin({QStringLiteral("export"), QStringLiteral("--db"), m_db, QStringLiteral("--year"),
                     QStringLiteral("2024"), QStringLiteral("--out"), out});
    QVERIFY2(exp.exitCode == 0, qPrintable(exp.err));
    QCOMPARE(fileHash(m_db), before);

    Connection transfer;
    transfer.open(out, Connection::OpenMode::ReadOnly);
    QCOMPARE(count(transfer, QStringLiteral("SELECT count(*) FROM EPKS")), selected);
    QCOMPARE(count(transfer, QStringLiteral("SELECT count(*) FROM EPKS WHERE ROK <> 2024 OR PLATNOST IS NOT 'Y'")), 0);
    QCOMPARE(count(transfer, QStringLiteral("SELECT count(*) FROM KS")),
             count(transfer, QStringLiteral("SELECT count(*) FROM (SELECT DISTINCT ID_KS, ID_INST_KS FROM EPKS)")));
    QCOMPARE(count(transfer, QStringLiteral("SELECT count(*) FROM CIS_SUBJ")) +
                 count(transfer, QStringLiteral("SELECT count(*) FROM CIS_ZOOS")),
             0);
    // The temporary file beside the target is gone.
    QCOMPARE(QDir(m_dir->path()).entryList(QStringList{QStringLiteral("*.part")}, QDir::Files | QDir::Hidden).size(), 0);
}

void TestDemoAndAdmin::demoThenCheckAsCommands_data() {
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("withErrors");
    QTest::newRow("no errors") << QStringList{"--errors", "0"} << false;
    QTest::newRow("default share of errors") << QStringList{} << true;
}

// The check protocol of a demo database shows the deliberate errors the demo command reports, and
// nothing else.
void TestDemoAndAdmin::demoThenCheckAsCommands() {
    QFETCH(QStringList, options);
    QFETCH(bool, withErrors);
    Run demo = admin(QStringList{QStringLiteral("demo"), QStringLiteral("--db"), m_db, QStringLiteral("--agreements"),
                                 QStringLiteral("150"), QStringLiteral("--years"), QStringLiteral("2024")} +
                     options);
    QVERIFY2(demo.exitCode == 0, qPrintable(demo.err));
    const QRegularExpressionMatch made =
        QRegularExpression(QStringLiteral("záměrnými chybami: (\\d+) \\(chyb: (\\d+)\\)")).match(demo.out);
    QVERIFY2(made.hasMatch(), qPrintable(demo.out));
    QCOMPARE(made.captured(1).toInt() > 0, withErrors);

    const QString csv = m_dir->filePath(QStringLiteral("protocol.csv"));
    Run check = admin({QStringLiteral("check"), QStringLiteral("--db"), m_db, QStringLiteral("--format"),
                       QStringLiteral("csv"), QStringLiteral("--out"), csv});
    QVERIFY2(check.exitCode == 0, qPrintable(check.err));
    const QRegularExpressionMatch found =
        QRegularExpression(QStringLiteral("Zkontrolováno smluv: 150, nalezeno chyb: (\\d+)")).match(check.out);
    QVERIFY2(found.hasMatch(), qPrintable(check.out));
    // Shared contents are checked once per registration, so the protocol may count an error twice.
    const int errors = made.captured(2).toInt();
    QVERIFY(found.captured(1).toInt() >= errors && found.captured(1).toInt() <= errors * 2);
    QFile f(csv);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll().count('\n'), found.captured(1).toInt() + 1); // the header and one line per error
}

void TestDemoAndAdmin::exportFailuresLeaveNoFile_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("target"); // relative to the temporary folder; must not exist afterwards
    QTest::addColumn<QString>("message");
    QTest::newRow("missing year") << QStringList{"--db", "@db", "--out", "@out"} << "out.db3" << "rok";
    QTest::newRow("bad year") << QStringList{"--db", "@db", "--year", "20x4", "--out", "@out"} << "out.db3" << "20x4";
    QTest::newRow("missing database") << QStringList{"--db", "@dir/none.db3", "--year", "2024", "--out", "@out"}
                                      << "out.db3" << "neexistuje";
    QTest::newRow("not a database") << QStringList{"--db", "@dir/junk.db3", "--year", "2024", "--out", "@out"}
                                    << "out.db3" << "Export dat se nezdařil.";
    QTest::newRow("unwritable folder") << QStringList{"--db", "@db", "--year", "2024", "--out", "@dir/blocker/out.db3"}
                                       << "blocker/out.db3" << "Export dat se nezdařil.";
    QTest::newRow("target is the database") << QStringList{"--db", "@db", "--year", "2024", "--out", "@db"}
                                            << "" << "databáze";
    QTest::newRow("unknown option") << QStringList{"--db", "@db", "--year", "2024", "--out", "@out", "--fast", "1"}
                                    << "out.db3" << "--fast";
}

void TestDemoAndAdmin::exportFailuresLeaveNoFile() {
    QFETCH(QStringList, args);
    QFETCH(QString, target);
    QFETCH(QString, message);
    {
        QFile junk(m_dir->filePath(QStringLiteral("junk.db3")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        QFile blocker(m_dir->filePath(QStringLiteral("blocker"))); // a file where a folder would be
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    const QByteArray before = fileHash(m_db);
    QStringList resolved{QStringLiteral("export")};
    for (QString a : args)
        resolved.append(a.replace(QStringLiteral("@db"), m_db)
                            .replace(QStringLiteral("@out"), m_dir->filePath(QStringLiteral("out.db3")))
                            .replace(QStringLiteral("@dir"), m_dir->path()));
    const Run r = admin(resolved);
    QVERIFY2(r.exitCode > 0, qPrintable(r.out));
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (!target.isEmpty())
        QVERIFY(!QFile::exists(m_dir->filePath(target)));
    QCOMPARE(fileHash(m_db), before);
    const QStringList left = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList({"blocker", "data.db3", "junk.db3"}));
}

void TestDemoAndAdmin::exportFailureKeepsAnExistingTarget() {
    const QString out = m_dir->filePath(QStringLiteral("out.db3"));
    {
        QFile old(out);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the previous transfer file");
    }
    const QByteArray before = fileHash(out);
    // A local database without the questionnaire table SF cannot be exported.
    {
        Connection db;
        db.open(m_db);
        db.execute(QStringLiteral("DROP TABLE SF"));
    }
    const Run r = admin({QStringLiteral("export"), QStringLiteral("--db"), m_db, QStringLiteral("--year"),
                         QStringLiteral("2024"), QStringLiteral("--out"), out});
    QVERIFY(r.exitCode > 0);
    QVERIFY2(r.err.contains(QStringLiteral("SF")), qPrintable(r.err));
    QCOMPARE(fileHash(out), before);
}

void TestDemoAndAdmin::demoRefusesBadArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no count") << QStringList{"--db", "@db"};
    QTest::newRow("zero") << QStringList{"--db", "@db", "--agreements", "0"};
    QTest::newRow("not a number") << QStringList{"--db", "@db", "--agreements", "deset"};
    QTest::newRow("years reversed") << QStringList{"--db", "@db", "--agreements", "5", "--years", "2024-2020"};
    QTest::newRow("years text") << QStringList{"--db", "@db", "--agreements", "5", "--years", "loni"};
    QTest::newRow("missing database") << QStringList{"--db", "@dir/none.db3", "--agreements", "5"};
    QTest::newRow("not a database") << QStringList{"--db", "@dir/junk.db3", "--agreements", "5"};
    QTest::newRow("errors above 100") << QStringList{"--db", "@db", "--agreements", "5", "--errors", "150"};
    QTest::newRow("errors text") << QStringList{"--db", "@db", "--agreements", "5", "--errors", "hodně"};
}

void TestDemoAndAdmin::demoRefusesBadArguments() {
    QFETCH(QStringList, args);
    {
        QFile junk(m_dir->filePath(QStringLiteral("junk.db3")));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
    }
    const QByteArray before = fileHash(m_db);
    QStringList resolved{QStringLiteral("demo")};
    for (QString a : args)
        resolved.append(a.replace(QStringLiteral("@db"), m_db).replace(QStringLiteral("@dir"), m_dir->path()));
    const Run r = admin(resolved);
    QVERIFY(r.exitCode > 0);
    QVERIFY(!r.err.trimmed().isEmpty());
    QCOMPARE(fileHash(m_db), before);
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("none.db3"))));
}

QTEST_GUILESS_MAIN(TestDemoAndAdmin)
#include "test_demo_and_admin.moc"
