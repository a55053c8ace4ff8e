#include "app/core/updates.h"
#include "data/connection.h"
#include "data/settings_store.h"
#include "data/sql_utils.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimeZone>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

// A small database beside which the update file is placed: AUTOINC with the level row, INST, T.
struct Db {
    QTemporaryDir dir;
    QString path;
    Connection connection;

    explicit Db(int level, bool levelRow = true) {
        path = dir.filePath("data.db3");
        connection.open(path, Connection::OpenMode::Create);
        connection.execute("CREATE TABLE AUTOINC (TABULKA VARCHAR(30) NOT NULL PRIMARY KEY, HODNOTA INTEGER);"
                           "CREATE TABLE INST (ID_INST INTEGER NOT NULL PRIMARY KEY);"
                           "CREATE TABLE T (ID INTEGER, NAZEV VARCHAR(60));"
                           "PRAGMA user_version = 1;");
        if (levelRow)
            connection.execute(QStringLiteral("INSERT INTO AUTOINC VALUES ('ID_UPDATE', %1);").arg(level));
    }
    void writeUpdates(const QByteArray& bytes) {
        QFile f(dir.filePath("updates.xml"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QVariant value(const QString& sql) { return TDB::QueryValue(&connection, sql); }
    int level() { return value("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'").toInt(); }
    int userVersion() { return value("PRAGMA user_version;").toInt(); }
    int rows() { return value("SELECT COUNT(*) FROM T").toInt(); }
    bool exists(const QString& name) { return QFileInfo::exists(dir.filePath(name)); }
};

// One update element; a null text leaves the element out.
QByteArray update(const char* id, const char* structure, const char* data, const char* version = nullptr) {
    QByteArray out = "<update>";
    if (id)
        out += QByteArray("<id>") + id + "</id>";
    if (structure)
        out += QByteArray("<structure>") + structure + "</structure>";
    if (data)
        out += QByteArray("<data>") + data + "</data>";
    if (version)
        out += QByteArray("<version>") + version + "</version>";
    return out + "</update>";
}

QByteArray document(const QByteArray& updates) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<updates>" + updates + "</updates>\n";
}

int levelOf(const QString& path) {
    Connection c;
    c.open(path, Connection::OpenMode::ReadOnly);
    return TDB::QueryValue(&c, "SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'").toInt();
}

} // namespace

class TestUpdates : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void noFileIsNothingToDo();
    void onlyUpdatesAboveTheLevelRun();
    void versionAndIdValues_data();
    void versionAndIdValues();
    void outOfOrderRunInFileOrder();
    void failingUpdateIsRolledBack();
    void malformedFileAppliesNothing_data();
    void malformedFileAppliesNothing();
    void declaredEncodingIsHonoured();
    void existingBackupIsKept();
    void missingLevelRowIsCreated();
    void scriptAndBackupNames();

    void shortDates_data();
    void shortDates();
    void updaterStartsWhenDue_data();
    void updaterStartsWhenDue();
    void elapsedTimeOnTheCalendar_data();
    void elapsedTimeOnTheCalendar();
    void startProgramReportsFailure();
};

void TestUpdates::noFileIsNothingToDo() {
    Db db(4);
    const UpdateRun run = TUpdates::Run(&db.connection);
    QVERIFY(run.ok);
    QVERIFY(!run.fileFound);
    QVERIFY(TUpdates::ApplyUpdates(&db.connection));
    QCOMPARE(db.level(), 4);
    QCOMPARE(QDir(db.dir.path()).entryList(QDir::Files), QStringList{"data.db3"});
}

void TestUpdates::onlyUpdatesAboveTheLevelRun() {
    Db db(4);
    db.writeUpdates(document(update("3", "CREATE TABLE U3 (A INTEGER);", "", "3") +
                             update("5", "CREATE TABLE U5 (A INTEGER);", "INSERT INTO T VALUES (5, 'pět');", "5") +
                             update("6", "", "INSERT INTO T VALUES (6, 'šest');", "7")));
    const UpdateRun run = TUpdates::Run(&db.connection);
    QVERIFY(run.ok);
    QCOMPARE(run.levelBefore, 4);
    QCOMPARE(run.applied, QList<int>({5, 6}));
    QCOMPARE(db.level(), 6);
    QCOMPARE(db.userVersion(), 7);
    QCOMPARE(db.rows(), 2);
    QVERIFY(db.value("SELECT name FROM sqlite_master WHERE name = 'U3'").isNull());
    QVERIFY(!db.value("SELECT name FROM sqlite_master WHERE name = 'U5'").isNull());
    // Each backup is the state before its update.
    QVERIFY(!db.exists("data.2.db3"));
    QCOMPARE(levelOf(db.dir.filePath("data.4.db3")), 4);
    QCOMPARE(levelOf(db.dir.filePath("data.5.db3")), 5);
    // The file stays; the next start applies nothing.
    QVERIFY(db.exists("updates.xml"));
    const UpdateRun again = TUpdates::Run(&db.connection);
    QVERIFY(again.ok);
    QVERIFY(again.applied.isEmpty());
    QCOMPARE(db.rows(), 2);
}

void TestUpdates::versionAndIdValues_data() {
    QTest::addColumn<QByteArray>("updates");
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("expectedLevel");
    QTest::addColumn<int>("expectedVersion");
    QTest::addColumn<int>("expectedRows");
    const char* insert = "INSERT INTO T VALUES (1, 'a');";
    QTest::newRow("version missing") << update("1", "", insert) << 0 << 1 << 1 << 1;
    QTest::newRow("version empty") << update("1", "", insert, "") << 0 << 1 << 1 << 1;
    QTest::newRow("version zero") << update("1", "", insert, "0") << 0 << 1 << 1 << 1;
    QTest::newRow("version negative") << update("1", "", insert, "-3") << 0 << 1 << 1 << 1;
    QTest::newRow("version text") << update("1", "", insert, "x2") << 0 << 1 << 1 << 1;
    QTest::newRow("version set") << update("1", "", insert, " 12 ") << 0 << 1 << 12 << 1;
    QTest::newRow("id missing") << update(nullptr, "", insert, "9") << 0 << 0 << 1 << 0;
    QTest::newRow("id empty") << update("", "", insert, "9") << 0 << 0 << 1 << 0;
    QTest::newRow("id text") << update("abc", "", insert, "9") << 0 << 0 << 1 << 0;
    QTest::newRow("id equal to level") << update("3", "", insert, "9") << 3 << 3 << 1 << 0;
    QTest::newRow("structure and data missing") << update("2", nullptr, nullptr, "4") << 0 << 2 << 4 << 0;
    QTest::newRow("first element of a name counts")
        << QByteArray("<update><id>2</id><id>9</id><data>") + insert + "</data><data>bad sql</data></update>"
        << 0 << 2 << 1 << 1;
    QTest::newRow("other elements and attributes ignored")
        << QByteArray("<note>x</note><update kind=\"a\"><id n=\"7\">2</id><comment>c</comment><data>") + insert +
               "</data></update>"
        << 0 << 2 << 1 << 1;
    QTest::newRow("cdata") << QByteArray("<update><id>2</id><data><![CDATA[INSERT INTO T VALUES (1, 'a<b');]]>"
                                         "</data></update>")
                           << 0 << 2 << 1 << 1;
}

void TestUpdates::versionAndIdValues() {
    QFETCH(QByteArray, updates);
    QFETCH(int, level);
    QFETCH(int, expectedLevel);
    QFETCH(int, expectedVersion);
    QFETCH(int, expectedRows);
    Db db(level);
    db.writeUpdates(document(updates));
    QVERIFY(TUpdates::ApplyUpdates(&db.connection));
    QCOMPARE(db.level(), expectedLevel);
    QCOMPARE(db.userVersion(), expectedVersion);
    QCOMPARE(db.rows(), expectedRows);
}

void TestUpdates::outOfOrderRunInFileOrder() {
    Db db(2);
    db.writeUpdates(document(update("5", "", "INSERT INTO T VALUES (5, 'a');") +
                             update("3", "", "INSERT INTO T VALUES (3, 'b');")));
    const UpdateRun run = TUpdates::Run(&db.connection);
    QVERIFY(run.ok);
    QCOMPARE(run.applied, QList<int>({5, 3}));
    QCOMPARE(db.level(), 3);
    QCOMPARE(db.value("SELECT group_concat(ID) FROM (SELECT ID FROM T ORDER BY rowid)").toString(),
             QStringLiteral("5,3"));
    QVERIFY(db.exists("data.4.db3"));
    QVERIFY(db.exists("data.2.db3"));
}

void TestUpdates::failingUpdateIsRolledBack() {
    Db db(0);
    db.writeUpdates(document(update("1", "CREATE TABLE U1 (A INTEGER);", "INSERT INTO T VALUES (1, 'a');", "2") +
                             update("2", "CREATE TABLE U2 (A INTEGER);",
                                    "INSERT INTO T VALUES (2, 'b'); INSERT INTO MISSING VALUES (1);", "3") +
                             update("3", "", "INSERT INTO T VALUES (3, 'c');")));
    const UpdateRun run = TUpdates::Run(&db.connection);
    QVERIFY(!run.ok);
    QCOMPARE(run.applied, QList<int>({1}));
    QCOMPARE(run.failedId, 2);
    QVERIFY2(run.error.contains("MISSING"), qPrintable(run.error));
    // The first stays with its level; the second left nothing behind; the third was not tried.
    QVERIFY(!db.connection.inTransaction());
    QCOMPARE(db.level(), 1);
    QCOMPARE(db.userVersion(), 2);
    QCOMPARE(db.rows(), 1);
    QVERIFY(!db.value("SELECT name FROM sqlite_master WHERE name = 'U1'").isNull());
    QVERIFY(db.value("SELECT name FROM sqlite_master WHERE name = 'U2'").isNull());
    QVERIFY(!db.exists("data.2.db3"));
    // The backup taken before the failing update remains.
    QCOMPARE(levelOf(db.dir.filePath("data.1.db3")), 1);
    // The database is usable afterwards.
    db.connection.execute("INSERT INTO T VALUES (9, 'z');");
    QCOMPARE(db.rows(), 2);
}

void TestUpdates::malformedFileAppliesNothing_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = update("1", "", "INSERT INTO T VALUES (1, 'a');");
    QTest::newRow("unclosed element") << QByteArray("<?xml version=\"1.0\"?><updates>" + good + "<update>");
    QTest::newRow("mismatched tags") << QByteArray("<updates>" + good + "<update><id>2</data></update></updates>");
    QTest::newRow("garbage after root") << QByteArray("<updates>" + good + "</updates><x>");
    QTest::newRow("not xml") << QByteArray("INSERT INTO T VALUES (1, 'a');");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("bare ampersand") << QByteArray("<updates>" + good + "<update><id>2</id><data>a & b</data></update></updates>");
}

void TestUpdates::malformedFileAppliesNothing() {
    QFETCH(QByteArray, bytes);
    Db db(0);
    db.writeUpdates(bytes);
    const UpdateRun run = TUpdates::Run(&db.connection);
    QVERIFY(!run.ok);
    QVERIFY(run.fileFound);
    QVERIFY(run.applied.isEmpty());
    QVERIFY(!run.error.isEmpty());
    QCOMPARE(db.rows(), 0);
    QCOMPARE(db.level(), 0);
    QVERIFY(!db.exists("data.0.db3"));
}

void TestUpdates::declaredEncodingIsHonoured() {
    const QString czech = QStringLiteral("Příliš žluťoučký kůň úpěl ďábelské ódy");
    const QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<aktualizace><update>"
                                       "<id>1</id><data>INSERT INTO T VALUES (1, '%1');</data></update>"
                                       "</aktualizace>\n")
                            .arg(czech);
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder.encode(xml);
    QVERIFY(!encoder.hasError());
    QVERIFY(!bytes.contains(czech.toUtf8()));
    Db db(0);
    db.writeUpdates(bytes);
    QVERIFY(TUpdates::ApplyUpdates(&db.connection));
    QCOMPARE(db.value("SELECT NAZEV FROM T WHERE ID = 1").toString(), czech);
    // Stored as Windows-1250 bytes, the same as the file had them.
    Statement s = db.connection.prepare("SELECT NAZEV FROM T WHERE ID = 1");
    QVERIFY(s.step());
    QCOMPARE(s.rawText(0), QStringEncoder("windows-1250").encode(czech));
}

void TestUpdates::existingBackupIsKept() {
    Db db(0);
    QFile old(db.dir.filePath("data.0.db3"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("older backup");
    old.close();
    db.writeUpdates(document(update("1", "", "INSERT INTO T VALUES (1, 'a');")));
    QVERIFY(TUpdates::ApplyUpdates(&db.connection));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("older backup"));
    QCOMPARE(db.level(), 1);
}

void TestUpdates::missingLevelRowIsCreated() {
    // Without the level row the level is 0; the applied update must not run again at the next start.
    Db db(0, false);
    db.writeUpdates(document(update("2", "CREATE TABLE U2 (A INTEGER);", "")));
    QVERIFY(TUpdates::ApplyUpdates(&db.connection));
    QCOMPARE(db.level(), 2);
    QVERIFY(TUpdates::ApplyUpdates(&db.connection));
    QCOMPARE(db.value("SELECT COUNT(*) FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'").toInt(), 1);
}

void TestUpdates::scriptAndBackupNames() {
    DataUpdate u;
    u.id = 7;
    u.structure = "CREATE TABLE X (A INTEGER);";
    u.data = "INSERT INTO X VALUES (1);";
    u.version = 3;
    const QStringList lines = TUpdates::BuildScript(u).split("\r\n");
    QCOMPARE(lines.value(0), QStringLiteral("begin;"));
    QCOMPARE(lines.value(1), u.structure);
    QCOMPARE(lines.value(2), u.data);
    QCOMPARE(lines.value(3), QStringLiteral("PRAGMA user_version = 3;"));
    QCOMPARE(lines.value(4), QStringLiteral("UPDATE AUTOINC SET HODNOTA = 7 WHERE TABULKA = 'ID_UPDATE';"));
    QCOMPARE(lines.last(), QStringLiteral("commit;"));
    u.version = 0;
    QVERIFY(!TUpdates::BuildScript(u).contains("user_version"));

    QCOMPARE(TUpdates::BackupPath("/d/data.db3", 7), QStringLiteral("/d/data.6.db3"));
    QCOMPARE(TUpdates::BackupPath("/d/my.data.db3", 1), QStringLiteral("/d/my.data.0.db3"));
    QCOMPARE(TUpdates::BackupPath("/d/data", 3), QStringLiteral("/d/data.2.db3"));
    QCOMPARE(TUpdates::UpdateFilePath("/d/e/data.db3"), QStringLiteral("/d/e/updates.xml"));
}

void TestUpdates::shortDates_data() {
    QTest::addColumn<QString>("locale"); // the user's locale
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("expected");
    QTest::newRow("d.M.yyyy") << "cs_CZ" << "3.12.2026" << QDate(2026, 12, 3);
    QTest::newRow("dd.MM.yyyy") << "cs_CZ" << "03.02.2025" << QDate(2025, 2, 3);
    QTest::newRow("with blanks") << "cs_CZ" << " 3. 12. 2026 " << QDate(2026, 12, 3);
    QTest::newRow("two-digit year") << "cs_CZ" << "03.12.26" << QDate(2026, 12, 3);
    QTest::newRow("iso is not the format") << "cs_CZ" << "2026-12-03" << QDate();
    QTest::newRow("no such day") << "cs_CZ" << "31.2.2026" << QDate();
    QTest::newRow("empty") << "cs_CZ" << "" << QDate();
    QTest::newRow("text") << "cs_CZ" << "včera" << QDate();
    // The user's own short format counts first; the Czech one is still understood.
    QTest::newRow("en_US own format") << "en_US" << "12/3/26" << QDate(2026, 12, 3);
    QTest::newRow("en_US, Czech text") << "en_US" << "3.12.2026" << QDate(2026, 12, 3);
    QTest::newRow("sv_SE own format") << "sv_SE" << "2026-12-03" << QDate(2026, 12, 3);
    QTest::newRow("de_DE own format") << "de_DE" << "03.12.26" << QDate(2026, 12, 3);
    QTest::newRow("C locale, Czech text") << "C" << "3.12.2026" << QDate(2026, 12, 3);
}

void TestUpdates::shortDates() {
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, expected);
    QCOMPARE(ParseShortDate(text, QLocale(locale)), expected);
}

void TestUpdates::updaterStartsWhenDue_data() {
    QTest::addColumn<QByteArray>("values"); // the lines of the auto-update key; "-" for no key at all
    QTest::addColumn<bool>("starts");
    const QDate today = QDate::currentDate();
    auto d = [&](int daysAgo) { return today.addDays(-daysAgo).toString("d.M.yyyy").toLatin1(); };
    auto yy = [&](int daysAgo) { return today.addDays(-daysAgo).toString("dd.MM.yy").toLatin1(); };
    QTest::newRow("7, eight days ago") << "CheckInterval=7\nLastCheck=" + d(8) << true;
    QTest::newRow("7, six days ago") << "CheckInterval=7\nLastCheck=" + d(6) << false;
    QTest::newRow("7, two-digit year eight days ago") << "CheckInterval=7\nLastCheck=" + yy(8) << true;
    QTest::newRow("7, two-digit year six days ago") << "CheckInterval=7\nLastCheck=" + yy(6) << false;
    QTest::newRow("7, no last check") << QByteArray("CheckInterval=7") << true;
    QTest::newRow("7, last check not a date") << QByteArray("CheckInterval=7\nLastCheck=nikdy") << true;
    QTest::newRow("0, today") << "CheckInterval=0\nLastCheck=" + d(0) << true;
    QTest::newRow("0, in the future") << "CheckInterval=0\nLastCheck=" + d(-30) << true;
    QTest::newRow("interval absent") << "LastCheck=" + d(100) << false;
    QTest::newRow("interval negative") << "CheckInterval=-1\nLastCheck=" + d(100) << false;
    QTest::newRow("interval not a number") << "CheckInterval=týden\nLastCheck=" + d(100) << false;
    QTest::newRow("no key") << QByteArray("-") << false;
}

namespace {

// Runs the updater check with the stand-in updater and the given lines of the auto-update key ("-" for
// no key at all); true when the stand-in was started (with the expected arguments and folder) within
// waitMs.
bool updaterStarted(const QByteArray& values, const QDateTime& now, int waitMs) {
    QTemporaryDir config, program;
    // The stand-in updater lives in a folder whose path has a blank and Czech letters.
    const QString folder = program.filePath("program ř");
    const QString updater = QDir(folder).filePath(UpdaterFileName());
    if (!QDir().mkpath(folder) || !QFile::copy(UPDATE_RECORDER, updater) ||
        !QFile::setPermissions(updater, QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::WriteOwner)) {
        qWarning("the stand-in updater cannot be set up");
        return false;
    }
    if (values != "-") {
        QDir().mkpath(config.filePath("Velmora"));
        QFile ini(config.filePath("Velmora/mero.ini"));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write("[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\n" + values + "\n");
    }
    const SettingsStore store({config.path()});
    const QString otherCwd = QDir::currentPath();
    CheckForProgramUpdate(store, QString::fromLatin1(kAutoUpdateKey), folder, now);

    const QString recorded = QDir(folder).filePath("recorded.txt");
    QElapsedTimer waited;
    waited.start();
    // A started updater writes its record at once; one that was not started never does.
    while (!QFileInfo::exists(recorded) && waited.elapsed() < waitMs)
        QTest::qWait(20);
    if (!QFileInfo::exists(recorded))
        return false;
    QFile f(recorded);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    if (lines != QStringList({folder, "-x", "-ui:off"}) || QDir::currentPath() != otherCwd) {
        qWarning("started with %s", qPrintable(lines.join('|')));
        return false;
    }
    return true;
}

} // namespace

void TestUpdates::updaterStartsWhenDue() {
    QFETCH(QByteArray, values);
    QFETCH(bool, starts);
    QCOMPARE(updaterStarted(values, QDateTime::currentDateTime(), starts ? 10000 : 800), starts);
}

void TestUpdates::elapsedTimeOnTheCalendar_data() {
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<bool>("starts");
    const QTimeZone prague("Europe/Prague");
    // Clocks went forward on 29 March 2026: half past midnight two calendar days after the last check
    // is two days and a half hour later, although only 47.5 hours have passed.
    QTest::newRow("2 days, across the change of clocks")
        << QByteArray("CheckInterval=2\nLastCheck=28.3.2026") << QDateTime(QDate(2026, 3, 30), QTime(0, 30), prague)
        << true;
    QTest::newRow("2 days, one day and 23 hours later")
        << QByteArray("CheckInterval=2\nLastCheck=28.3.2026") << QDateTime(QDate(2026, 3, 29), QTime(23, 0), prague)
        << false;
    // The last check counts from the start of its day.
    QTest::newRow("1 day, next morning") << QByteArray("CheckInterval=1\nLastCheck=10.6.2026")
                                         << QDateTime(QDate(2026, 6, 11), QTime(0, 1)) << true;
    QTest::newRow("1 day, same evening") << QByteArray("CheckInterval=1\nLastCheck=10.6.2026")
                                         << QDateTime(QDate(2026, 6, 10), QTime(23, 59)) << false;
}

void TestUpdates::elapsedTimeOnTheCalendar() {
    QFETCH(QByteArray, values);
    QFETCH(QDateTime, now);
    QFETCH(bool, starts);
    QCOMPARE(updaterStarted(values, now, starts ? 10000 : 800), starts);
}

void TestUpdates::startProgramReportsFailure() {
    QTemporaryDir dir;
    QVERIFY(!StartProgram(dir.filePath("korvaAutoUpdate"), "-x -ui:off"));
    QFile notExecutable(dir.filePath("plain"));
    QVERIFY(notExecutable.open(QIODevice::WriteOnly));
    notExecutable.close();
    QVERIFY(!StartProgram(dir.filePath("plain"), QString()));
    // Missing updater: the check shows nothing and returns.
    QDir().mkpath(dir.filePath("cfg/Velmora"));
    QFile ini(dir.filePath("cfg/Velmora/mero.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\nCheckInterval=0\n");
    ini.close();
    CheckForProgramUpdate(SettingsStore({dir.filePath("cfg")}), QString::fromLatin1(kAutoUpdateKey), dir.path(),
                          QDateTime::currentDateTime());
}

QTEST_GUILESS_MAIN(TestUpdates)
#include "test_updates.moc"
