// Creating the delivered database: DeliveredDatabase::create and "mero-admin create-database" as a real
// child process.

#include "data/connection.h"
#include "data/delivered_database.h"
#include "data/errors.h"
#include "support/test_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace mero;

namespace {

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

qlonglong count(Connection& c, const QString& sql) {
    Statement s = c.prepare(sql);
    return s.step() ? s.value(0).toLongLong() : -1;
}

// Names of tables and indexes with their SQL, to compare two databases.
QStringList structure(const QString& path) {
    Connection c;
    c.open(path, Connection::OpenMode::ReadOnly);
    Statement s =
        c.prepare(QStringLiteral("SELECT type || ' ' || name || ' ' || IFNULL(sql, '') FROM sqlite_master "
                                 "ORDER BY type, name"));
    QStringList out;
    while (s.step())
        out.append(s.value(0).toString());
    return out;
}

struct GeneratorReset {
    ~GeneratorReset() { DeliveredDatabase::clearGenerators(); }
};

} // namespace

class TestDeliveredDatabase : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void createsCompleteDatabase();
    void sameAsTheBuiltDatabase();
    void refusesExistingFileUnlessReplacing();
    void missingFolder();
    void unwritableFolder();
    void generatorsRunAfterTheSources();
    void failingGeneratorLeavesNothing();
    void textOutsideWindows1250LeavesNothing();
    void adminCreatesDatabase();
    void adminErrors_data();
    void adminErrors();
};

void TestDeliveredDatabase::createsCompleteDatabase() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    DeliveredDatabase::create(path);
    QCOMPARE(entries(dir.path()), QStringList({"data.db3"})); // no temporary or journal file is left
    QVERIFY(QFileInfo(path).permissions() & QFile::ReadOther);
    Connection c;
    c.open(path, Connection::OpenMode::ReadOnly);
    QCOMPARE(count(c, QStringLiteral("PRAGMA user_version")), 1);
    QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM NUTS4")), 77);
    QCOMPARE(
        count(c, QStringLiteral(
                     "SELECT COUNT(*) FROM AUTOINC WHERE TABULKA IN ('ID_UPDATE', 'SUBJ', 'ZOOS', 'KS')")),
        4);
    QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM AUTOINC WHERE TABULKA = 'ID_INST'")), 0);
    QVERIFY(!c.inTransaction());
}

void TestDeliveredDatabase::sameAsTheBuiltDatabase() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    DeliveredDatabase::create(path);
    QCOMPARE(structure(path), structure(test::deliveredDatabase()));
}

void TestDeliveredDatabase::refusesExistingFileUnlessReplacing() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("user data that must survive");
    }
    const QByteArray before = fileHash(path);
    try {
        DeliveredDatabase::create(path);
        QFAIL("an existing file was overwritten");
    } catch (const MeroError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("již existuje")), qPrintable(e.message()));
    }
    QCOMPARE(fileHash(path), before);
    QCOMPARE(entries(dir.path()), QStringList({"data.db3"}));

    DeliveredDatabase::create(path, DeliveredDatabase::Existing::Replace);
    Connection c;
    c.open(path, Connection::OpenMode::ReadOnly);
    QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM NUTS3")), 14);
    QCOMPARE(entries(dir.path()), QStringList({"data.db3"}));
}

void TestDeliveredDatabase::missingFolder() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chybi/data.db3"));
    try {
        DeliveredDatabase::create(path);
        QFAIL("created in a folder that does not exist");
    } catch (const MeroError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("neexistuje")), qPrintable(e.message()));
    }
    QVERIFY(entries(dir.path()).isEmpty());
}

void TestDeliveredDatabase::unwritableFolder() {
    QTemporaryDir dir;
    QString folder = dir.filePath(QStringLiteral("jen-cteni"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    if (::access(QFile::encodeName(folder).constData(), W_OK) == 0) {
        // The superuser writes anywhere; /proc takes no new files from anybody.
        folder = QStringLiteral("/proc");
        QVERIFY(::access("/proc", W_OK) != 0 ||
                !QFile(QStringLiteral("/proc/mero-probe")).open(QIODevice::WriteOnly));
    }
    const QString path = QDir(folder).filePath(QStringLiteral("data.db3"));
    try {
        DeliveredDatabase::create(path);
        QFAIL("created in an unwritable folder");
    } catch (const MeroError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("nelze zapisovat")), qPrintable(e.message()));
    }
    QVERIFY(entries(folder).filter(QStringLiteral("data.db3")).isEmpty()); // nor a temporary file
    QFile::setPermissions(dir.filePath(QStringLiteral("jen-cteni")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestDeliveredDatabase::generatorsRunAfterTheSources() {
    GeneratorReset reset;
    QStringList order;
    DeliveredDatabase::addGenerator(QStringLiteral("první"), [&order](Connection& c) {
        // The tables and code lists are there, the bookkeeping rows are not yet.
        QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM NUTS3")), 14);
        QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM AUTOINC")), 0);
        QVERIFY(c.inTransaction());
        // The built-in item catalogue has run before the registered generators.
        QVERIFY(count(c, QStringLiteral("SELECT COUNT(*) FROM POLOZKA")) > 0);
        c.execute(QStringLiteral("INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01) VALUES "
                                 "(900001, 'ZAMEST', 'TO', 'Opatření k zajištění BOZP', '11.1')"));
        order.append(QStringLiteral("první"));
    });
    DeliveredDatabase::addGenerator(QStringLiteral("druhý"),
                                    [&order](Connection&) { order.append(QStringLiteral("druhý")); });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    DeliveredDatabase::create(path);
    QCOMPARE(order, QStringList({"první", "druhý"}));
    Connection c;
    c.open(path, Connection::OpenMode::ReadOnly);
    Statement s = c.prepare(QStringLiteral("SELECT NAZEV FROM POLOZKA WHERE ID_POLOZKA = 900001"));
    QVERIFY(s.step());
    QCOMPARE(s.value(0).toString(), QStringLiteral("Opatření k zajištění BOZP"));
}

void TestDeliveredDatabase::failingGeneratorLeavesNothing() {
    GeneratorReset reset;
    DeliveredDatabase::addGenerator(QStringLiteral("katalog položek"), [](Connection& c) {
        c.execute(QStringLiteral("INSERT INTO NEEXISTUJE VALUES (1)"));
    });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    try {
        DeliveredDatabase::create(path);
        QFAIL("a failing generator was reported as success");
    } catch (const MeroError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("katalog položek")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("NEEXISTUJE")), qPrintable(e.message()));
    }
    QVERIFY(entries(dir.path()).isEmpty());

    // An existing database stays as it was when replacing it fails.
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("previous database");
    }
    const QByteArray before = fileHash(path);
    QVERIFY_THROWS_EXCEPTION(MeroError,
                             DeliveredDatabase::create(path, DeliveredDatabase::Existing::Replace));
    QCOMPARE(fileHash(path), before);
    QCOMPARE(entries(dir.path()), QStringList({"data.db3"}));
}

void TestDeliveredDatabase::textOutsideWindows1250LeavesNothing() {
    GeneratorReset reset;
    DeliveredDatabase::addGenerator(QStringLiteral("katalog položek"), [](Connection& c) {
        c.execute(QStringLiteral(
            "INSERT INTO POLOZKA (ID_POLOZKA, NAZEV) VALUES (900001, 'Příplatek €')")); // € is in 1250
        c.execute(
            QStringLiteral("INSERT INTO POLOZKA (ID_POLOZKA, NAZEV) VALUES (900002, 'Zaměstnanci 中')"));
    });
    QTemporaryDir dir;
    QVERIFY_THROWS_EXCEPTION(MeroError, DeliveredDatabase::create(dir.filePath(QStringLiteral("data.db3"))));
    QVERIFY(entries(dir.path()).isEmpty());
}

void TestDeliveredDatabase::adminCreatesDatabase() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nová databáze.db3"));
    QProcess admin;
    admin.setWorkingDirectory(dir.path()); // the sources are embedded: any folder will do
    admin.start(test::binaryPath(QStringLiteral("src/mero-admin")),
                {QStringLiteral("create-database"), path});
    QVERIFY(admin.waitForFinished(60000));
    QCOMPARE(admin.exitStatus(), QProcess::NormalExit);
    QVERIFY2(admin.exitCode() == 0, admin.readAllStandardError().constData());
    QVERIFY(QFile::exists(path));
    QCOMPARE(structure(path), structure(test::deliveredDatabase()));

    // A second run refuses to overwrite it; --replace rebuilds it.
    admin.start(test::binaryPath(QStringLiteral("src/mero-admin")),
                {QStringLiteral("create-database"), path});
    QVERIFY(admin.waitForFinished(60000));
    QCOMPARE(admin.exitCode(), 1);
    QVERIFY(QString::fromUtf8(admin.readAllStandardError()).contains(QStringLiteral("již existuje")));
    admin.start(test::binaryPath(QStringLiteral("src/mero-admin")),
                {QStringLiteral("create-database"), QStringLiteral("--replace"), path});
    QVERIFY(admin.waitForFinished(60000));
    QVERIFY2(admin.exitCode() == 0, admin.readAllStandardError().constData());
    QCOMPARE(entries(dir.path()), QStringList({"nová databáze.db3"}));
}

void TestDeliveredDatabase::adminErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no path") << QStringList{} << QStringLiteral("Zadejte právě jednu cestu");
    QTest::newRow("two paths") << QStringList{"a.db3", "b.db3"}
                               << QStringLiteral("Zadejte právě jednu cestu");
    QTest::newRow("unknown option") << QStringList{"--force", "a.db3"} << QStringLiteral("Neznámá volba");
    QTest::newRow("missing folder") << QStringList{"chybi/a.db3"} << QStringLiteral("neexistuje");
}

void TestDeliveredDatabase::adminErrors() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QProcess admin;
    admin.setWorkingDirectory(dir.path());
    admin.start(test::binaryPath(QStringLiteral("src/mero-admin")),
                QStringList{QStringLiteral("create-database")} + arguments);
    QVERIFY(admin.waitForFinished(60000));
    QCOMPARE(admin.exitCode(), 1);
    const QString err = QString::fromUtf8(admin.readAllStandardError());
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(entries(dir.path()).isEmpty());
}

QTEST_GUILESS_MAIN(TestDeliveredDatabase)
#include "test_delivered_database.moc"
