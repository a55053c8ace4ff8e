#include "data_fixture.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/sql_utils.h"
#include "support/test_support.h"

#include <QFile>
#include <QtTest>

using namespace mero;
using namespace mero::test;

namespace {
const QString kKey = QStringLiteral("\\SOFTWARE\\Velmora\\Nastel\\");
const QString kNoKey = QStringLiteral("Nekorektní instalace.\r\nNebyla nalezena cesta k datovému souboru.");
} // namespace

// The data module's part of the start-up: locating, opening and activating the database.
class TestStartupData : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readDataPath_data();
    void readDataPath();
    void missingKey();
    void missingValue();
    void missingFile();
    void fileVanished();
    void notADatabase();
    void openDatabase();
    void installationIdCaching();
    void activation();
    void activationNotRepeated();
    void activationFailure();
};

void TestStartupData::readDataPath_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("token first") << "%APPDATA%/mero/data.db3" << "/home/u/.local/share/mero/data.db3";
    QTest::newRow("lower case stays") << "%appdata%/data.db3" << "%appdata%/data.db3";
    QTest::newRow("only first of two") << "%APPDATA%/x/%APPDATA%/data.db3" << "/home/u/.local/share/x/%APPDATA%/data.db3";
    QTest::newRow("no token") << "/opt/mero/data.db3" << "/opt/mero/data.db3";
    QTest::newRow("token inside") << "/a%APPDATA%b" << "/a/home/u/.local/shareb";
}

void TestStartupData::readDataPath() {
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    RecordingSink sink;
    MemorySettings settings;
    settings.keys[kKey][QStringLiteral("DataPath")] = stored;
    TData data;
    data.setSettingsSource(&settings);
    data.setAppDataPathProvider([] { return QStringLiteral("/home/u/.local/share"); });
    QCOMPARE(data.ReadDataPath(kKey), expected);
    QVERIFY(sink.messages.isEmpty());
}

void TestStartupData::missingKey() {
    RecordingSink sink;
    MemorySettings settings;
    TData data;
    data.setSettingsSource(&settings);
    QCOMPARE(data.ReadDataPath(kKey), QString());
    QCOMPARE(sink.errors(), QStringList{kNoKey});
    sink.clear();
    // Opening then shows the second message with nothing after the colon.
    QVERIFY(!data.OpenDatabase(kKey));
    QCOMPARE(sink.errors(), (QStringList{kNoKey, QStringLiteral("Nenalezena databáze: ")}));
    QVERIFY(!data.DataBase->isOpen());
    // No settings store at all counts as a missing key.
    TData bare;
    sink.clear();
    QVERIFY(!bare.OpenDatabase(kKey));
    QCOMPARE(sink.errors().size(), 2);
}

void TestStartupData::missingValue() {
    RecordingSink sink;
    MemorySettings settings;
    settings.keys[kKey][QStringLiteral("Jiny")] = QStringLiteral("x");
    TData data;
    data.setSettingsSource(&settings);
    QVERIFY(!data.OpenDatabase(kKey));
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Nenalezena databáze: ")});
}

void TestStartupData::missingFile() {
    QTemporaryDir dir;
    RecordingSink sink;
    MemorySettings settings;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    settings.keys[kKey][QStringLiteral("DataPath")] = path;
    TData data;
    data.setSettingsSource(&settings);
    QVERIFY(!data.OpenDatabase(kKey));
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Nenalezena databáze: ") + path});
    QVERIFY(!QFile::exists(path));
    // A folder is not a database file.
    settings.keys[kKey][QStringLiteral("DataPath")] = dir.path();
    sink.clear();
    QVERIFY(!data.OpenDatabase(kKey));
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Nenalezena databáze: ") + dir.path()});
}

void TestStartupData::fileVanished() {
    QTemporaryDir dir;
    RecordingSink sink;
    TData data;
    const QString path = dir.filePath(QStringLiteral("pryč.db3"));
    QVERIFY(!data.ConnectDatabase(path));
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Datový soubor nebyl nalezen.\r\n[Cesta: \"") + path + QStringLiteral("\"]")});
    QVERIFY(!QFile::exists(path));
}

void TestStartupData::notADatabase() {
    QTemporaryDir dir;
    RecordingSink sink;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    TData data;
    QVERIFY(!data.ConnectDatabase(path));
    QCOMPARE(sink.errors().size(), 1);
    QVERIFY(sink.errors().first().startsWith(QStringLiteral("Databázi nelze otevřít.\r\n[")));
    QVERIFY(!data.DataBase->isOpen());
}

void TestStartupData::openDatabase() {
    QTemporaryDir dir;
    RecordingSink sink;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("mero")));
    createFixtureSchema(dir.filePath(QStringLiteral("mero/data.db3")));
    MemorySettings settings;
    settings.keys[kKey][QStringLiteral("DataPath")] = QStringLiteral("%APPDATA%/mero/data.db3");
    TData data;
    data.setSettingsSource(&settings);
    const QString appData = dir.path();
    data.setAppDataPathProvider([appData] { return appData; });
    QVERIFY(data.OpenDatabase(kKey));
    QVERIFY(data.DataBase->isOpen());
    QCOMPARE(data.DataBase->path(), dir.filePath(QStringLiteral("mero/data.db3")));
    QVERIFY(sink.messages.isEmpty());
}

void TestStartupData::installationIdCaching() {
    QTemporaryDir dir;
    auto data = openFixture(dir, false, false);
    QCOMPARE(data->InstallationId(), 0);
    // A cached 0 is not a hit: the next call reads again.
    TDB::Execute(data->DataBase, QStringLiteral("INSERT INTO AUTOINC VALUES ('ID_INST', 4711)"));
    QCOMPARE(data->InstallationId(), 4711);
    TDB::Execute(data->DataBase, QStringLiteral("UPDATE AUTOINC SET HODNOTA = 5 WHERE TABULKA = 'ID_INST'"));
    QCOMPARE(data->InstallationId(), 4711);
    // NULL, text and a missing table read as 0.
    TData other;
    QCOMPARE(other.InstallationId(), 0);
}

void TestStartupData::activation() {
    QTemporaryDir dir;
    RecordingSink sink;
    auto data = openFixture(dir, false, false);
    QCOMPARE(data->InstallationId(), 0);
    QSignalSpy changed(data.get(), &TData::installationIdChanged);
    QVERIFY(data->ActivateInstallation());
    QCOMPARE(data->InstallationId(), 99999);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(TDB::QueryValue(data->DataBase, QStringLiteral("SELECT count(*) FROM INST WHERE ID_INST = 99999")).toInt(), 1);
    QCOMPARE(TDB::QueryValue(data->DataBase, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'")).toInt(), 99999);
    QVERIFY(!data->DataBase->inTransaction());
    // Activating again keeps one row each.
    QVERIFY(data->ActivateInstallation());
    QCOMPARE(TDB::QueryValue(data->DataBase, QStringLiteral("SELECT count(*) FROM INST")).toInt(), 1);
    QVERIFY(sink.messages.isEmpty());
}

void TestStartupData::activationNotRepeated() {
    // The start-up activates only when the identifier is 0: a database with another value keeps it.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("data.db3"));
    createFixtureSchema(path);
    {
        Connection c;
        c.open(path);
        c.execute(QStringLiteral("INSERT INTO AUTOINC VALUES ('ID_INST', 123)"));
    }
    TData data;
    QVERIFY(data.ConnectDatabase(path));
    QCOMPARE(data.InstallationId(), 123);
    QCOMPARE(TDB::QueryValue(data.DataBase, QStringLiteral("SELECT count(*) FROM INST")).toInt(), 0);
}

void TestStartupData::activationFailure() {
    QTemporaryDir dir;
    RecordingSink sink;
    auto data = openFixture(dir, false, false);
    TDB::Execute(data->DataBase, QStringLiteral("DROP TABLE INST"));
    QVERIFY(!data->ActivateInstallation());
    QCOMPARE(sink.errors(), QStringList{QStringLiteral("Chyba databáze. Nelze aktivovat instalaci.")});
    QCOMPARE(data->InstallationId(), 0);
    QVERIFY(!data->DataBase->inTransaction());
    QVERIFY(TDB::QueryValue(data->DataBase, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'")).isNull());
}

QTEST_GUILESS_MAIN(TestStartupData)
#include "test_startup_data.moc"
