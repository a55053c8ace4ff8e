// The start-up sequence on real database files and a real settings store file, up to the main window.
#include "../data/data_fixture.h"

#include "app/core/startup.h"
#include "app/core/system.h"
#include "app/form_main.h"
#include "data/connection.h"
#include "data/sql_utils.h"
#include "support/test_support.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

const QString kMissingPath = QStringLiteral("Nekorektní instalace.\r\nNebyla nalezena cesta k datovému souboru.");

void writeStore(const QString& folder, const QByteArray& content) {
    QDir().mkpath(folder + "/Velmora");
    QFile f(folder + "/Velmora/mero.ini");
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray dataPathEntry(const QString& path) {
    return "[SOFTWARE\\Velmora\\Nastel]\nDataPath=" + path.toUtf8() + "\n";
}

QVariant queryFile(const QString& path, const QString& sql) {
    Connection c;
    c.open(path, Connection::OpenMode::ReadOnly);
    return TDB::QueryValue(&c, sql);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void failureTable_data();
    void failureTable();
    void appDataToken();
    void activation_data();
    void activation();
    void mainWindow();
    void deliveredDatabase();
};

void TestStartup::failureTable_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("errors"); // "^text" matches the start only
    QTest::addColumn<bool>("continues");
    QTest::newRow("no store") << "no store" << QStringList{kMissingPath, "Nenalezena databáze: "} << false;
    QTest::newRow("store without the key") << "other key" << QStringList{kMissingPath, "Nenalezena databáze: "}
                                           << false;
    QTest::newRow("key without DataPath") << "no value" << QStringList{"Nenalezena databáze: "} << false;
    QTest::newRow("no file at DataPath") << "no file" << QStringList{"Nenalezena databáze: %1"} << false;
    QTest::newRow("DataPath is a folder") << "folder" << QStringList{"Nenalezena databáze: %1"} << false;
    // A file that cannot serve as the database: which file, then why.
    QTest::newRow("not a database") << "garbage" << QStringList{"^Databázi nelze otevřít.\r\n[Cesta: \"%1\"]\r\n["}
                                    << false;
    QTest::newRow("database of another program")
        << "foreign" << QStringList{"^Databázi nelze otevřít.\r\n[Cesta: \"%1\"]\r\n["} << false;
    QTest::newRow("failing data update") << "bad update" << QStringList{"Aktualizace dat se nezdařila!"} << true;
    QTest::newRow("malformed update file") << "bad xml" << QStringList{"Aktualizace dat se nezdařila!"} << true;
    QTest::newRow("all well") << "good" << QStringList{} << true;
}

void TestStartup::failureTable() {
    QFETCH(QString, kind);
    QFETCH(QStringList, errors);
    QFETCH(bool, continues);
    QTemporaryDir dir;
    const QString config = dir.filePath("etc");
    const QString db = dir.filePath("data/data.db3");
    QDir().mkpath(dir.filePath("data"));
    if (kind != "no store" && kind != "other key")
        test::createFixtureSchema(db);

    if (kind == "other key")
        writeStore(config, "[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\nCheckInterval=-1\n");
    else if (kind == "no value")
        writeStore(config, "[SOFTWARE\\Velmora\\Nastel]\nJina=1\n");
    else if (kind == "no file")
        writeStore(config, dataPathEntry(dir.filePath("data/chybi.db3")));
    else if (kind == "folder")
        writeStore(config, dataPathEntry(dir.filePath("data")));
    else if (kind != "no store")
        writeStore(config, dataPathEntry(db));
    if (kind == "garbage") {
        QFile f(db);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(2048, 'x'));
    } else if (kind == "foreign") {
        QFile::remove(db);
        Connection c;
        c.open(db, Connection::OpenMode::Create);
        c.execute("CREATE TABLE JINA (A INTEGER);");
    } else if (kind == "bad update" || kind == "bad xml") {
        QFile f(dir.filePath("data/updates.xml"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kind == "bad xml" ? QByteArray("<updates><update><id>1</id>")
                                  : QByteArray("<updates><update><id>1</id><data>INSERT INTO CHYBI VALUES (1);"
                                               "</data></update></updates>"));
    }
    const QString shownPath = kind == "no file"                               ? dir.filePath("data/chybi.db3")
                              : kind == "garbage" || kind == "foreign" ? db
                                                                       : dir.filePath("data");

    test::RecordingSink sink;
    SettingsStoreSource settings(SettingsStore({config}));
    TData data;
    Startup::ConfigureDataModule(data, settings);
    const bool result = Startup::OpenAndPrepare(data);

    const QStringList shown = sink.errors();
    QCOMPARE(shown.size(), errors.size());
    for (int i = 0; i < errors.size(); ++i) {
        QString expected = errors.at(i);
        if (expected.contains("%1"))
            expected = expected.arg(shownPath);
        if (expected.startsWith('^'))
            QVERIFY2(shown.at(i).startsWith(expected.mid(1)), qPrintable(shown.at(i)));
        else
            QCOMPARE(shown.at(i), expected);
    }
    QCOMPARE(sink.messages.size(), errors.size()); // nothing but those errors
    QCOMPARE(result, continues);
    if (continues) {
        // The start-up went on to the end: the installation is activated and the main window opens.
        QCOMPARE(data.InstallationId(), 99999);
        TFormMain form(data);
        QVERIFY(form.statusText().endsWith("instalace 99999"));
    }
    if (kind == "garbage") { // the file is left as it was
        QFile f(db);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray(2048, 'x'));
    }
}

void TestStartup::appDataToken() {
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath("share")));
    QDir().mkpath(dir.filePath("share/mero"));
    test::createFixtureSchema(dir.filePath("share/mero/data.db3"));
    writeStore(dir.filePath("etc"), "[SOFTWARE\\Velmora\\Nastel]\nDataPath=%APPDATA%/mero/data.db3\n");
    test::RecordingSink sink;
    SettingsStoreSource settings(SettingsStore({dir.filePath("etc")}));
    TData data;
    Startup::ConfigureDataModule(data, settings);
    const bool ok = Startup::OpenAndPrepare(data);
    qputenv("XDG_DATA_HOME", saved);
    QVERIFY2(ok, qPrintable(sink.errors().join('|')));
    QCOMPARE(data.DataBase->path(), dir.filePath("share/mero/data.db3"));
}

void TestStartup::activation_data() {
    QTest::addColumn<QString>("before"); // SQL run on the fixture before the start
    QTest::addColumn<int>("installation");
    QTest::addColumn<int>("instRows");
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("first start") << "" << 99999 << 1 << QStringList{};
    QTest::newRow("already activated") << "INSERT INTO AUTOINC VALUES ('ID_INST', 5);" << 5 << 0 << QStringList{};
    QTest::newRow("activation fails")
        << "CREATE TRIGGER NO_INST BEFORE INSERT ON INST BEGIN SELECT RAISE(ABORT, 'zakázáno'); END;" << 0 << 0
        << QStringList{"Chyba databáze. Nelze aktivovat instalaci."};
}

void TestStartup::activation() {
    QFETCH(QString, before);
    QFETCH(int, installation);
    QFETCH(int, instRows);
    QFETCH(QStringList, errors);
    QTemporaryDir dir;
    const QString db = dir.filePath("data.db3");
    test::createFixtureSchema(db);
    if (!before.isEmpty()) {
        Connection c;
        c.open(db);
        c.execute(before);
    }
    writeStore(dir.filePath("etc"), dataPathEntry(db));
    {
        test::RecordingSink sink;
        SettingsStoreSource settings(SettingsStore({dir.filePath("etc")}));
        TData data;
        Startup::ConfigureDataModule(data, settings);
        QVERIFY(Startup::OpenAndPrepare(data)); // the program runs on either way
        QCOMPARE(sink.errors(), errors);
        QCOMPARE(data.InstallationId(), installation);
        TFormMain form(data);
        QVERIFY2(form.statusText().endsWith(QStringLiteral("instalace %1").arg(installation)),
                 qPrintable(form.statusText()));
    }
    QCOMPARE(queryFile(db, "SELECT COUNT(*) FROM INST").toInt(), instRows);
    const QVariant stored = queryFile(db, "SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'");
    QCOMPARE(stored.isNull() ? 0 : stored.toInt(), installation);
}

void TestStartup::mainWindow() {
    QTemporaryDir dir;
    const QString db = dir.filePath("data.db3");
    test::createFixtureSchema(db);
    {
        Connection c;
        c.open(db);
        c.execute("PRAGMA user_version = 3; UPDATE AUTOINC SET HODNOTA = 7 WHERE TABULKA = 'ID_UPDATE';");
    }
    writeStore(dir.filePath("etc"), dataPathEntry(db));
    test::RecordingSink sink;
    SettingsStoreSource settings(SettingsStore({dir.filePath("etc")}));
    TData data;
    Startup::ConfigureDataModule(data, settings);
    QVERIFY(Startup::OpenAndPrepare(data));

    TFormMain form(data);
    QCOMPARE(form.windowTitle(), QStringLiteral("Lokální pořizovací program MERO"));
    QCOMPARE(form.statusText(),
             QStringLiteral("verze programu %1, verze dat 3.7, instalace 99999").arg(TSystem::ProgramVersion()));
    // Not recomputed while the program runs.
    {
        Connection c;
        c.open(db);
        c.execute("PRAGMA user_version = 4;");
    }
    QVERIFY(form.statusText().contains("verze dat 3.7"));

    // The exit question: only yes closes.
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    sink.answers = {ConfirmResult::No, ConfirmResult::Cancel, ConfirmResult::Yes};
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QVERIFY(form.close());
    QVERIFY(!form.isVisible());
    QCOMPARE(sink.texts("confirm"), QStringList(3, "Chcete program ukončit?"));
}

void TestStartup::deliveredDatabase() {
    // The first start on the database the installation delivers.
    QVERIFY2(QFile::exists(test::deliveredDatabase()), "the build makes the delivered database");
    QTemporaryDir dir;
    const QString db = test::copyInto(dir, test::deliveredDatabase());
    writeStore(dir.filePath("etc"), dataPathEntry(db));
    const QVariant version = queryFile(db, "PRAGMA user_version;");
    const QVariant level = queryFile(db, "SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'");
    QVERIFY(queryFile(db, "SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'").isNull());
    {
        test::RecordingSink sink;
        SettingsStoreSource settings(SettingsStore({dir.filePath("etc")}));
        TData data;
        Startup::ConfigureDataModule(data, settings);
        QVERIFY(Startup::OpenAndPrepare(data));
        QCOMPARE(sink.messages.size(), 0);
        TFormMain form(data);
        QCOMPARE(form.statusText(), QStringLiteral("verze programu %1, verze dat %2.%3, instalace 99999")
                                        .arg(TSystem::ProgramVersion(), version.toString(),
                                             level.isNull() ? QString() : level.toString()));
    }
    QCOMPARE(queryFile(db, "SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'").toInt(), 99999);
    QCOMPARE(queryFile(db, "SELECT COUNT(*) FROM INST WHERE ID_INST = 99999").toInt(), 1);
}

QTEST_MAIN(TestStartup)
#include "test_startup.moc"
