// The program's start-up sequence as `mero` runs it, in a child process on the offscreen platform: the
// settings store beside the installation, the delivered database, the message boxes in the order the
// user sees them, the main window (or none), the exit question, the updater started from the program's
// folder, and the exit code.
#include "app/core/system.h"
#include "data/connection.h"
#include "data/sql_utils.h"
#include "support/test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

QVariant queryFile(const QString& path, const QString& sql) {
    Connection c;
    c.open(path, Connection::OpenMode::ReadOnly);
    return TDB::QueryValue(&c, sql);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    return f.write(bytes) == bytes.size();
}

bool copyExecutable(const QString& from, const QString& to) {
    QDir().mkpath(QFileInfo(to).absolutePath());
    return QFile::copy(from, to) &&
           QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

const QString kError = QStringLiteral("dialog\tChyba\t%1\tOK");

} // namespace

class TestProgram : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUp_data();
    void startUp();
};

void TestProgram::startUp_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("answers");   // how the driver answers the boxes
    QTest::addColumn<int>("closeAttempts"); // closing attempts once the window is shown
    QTest::addColumn<QStringList>("lines"); // what the user sees, in order
    QTest::addColumn<int>("exitCode");
    const QString shown = QStringLiteral("shown\tLokální pořizovací program MERO\t1\t%STATUS%\t1");
    const QString exitQuestion = QStringLiteral("dialog\tPotvrzení\tChcete program ukončit?\tAno,Ne");

    QTest::newRow("no settings store")
        << "no store" << "" << 0
        << QStringList{kError.arg("Nekorektní instalace.\\r\\nNebyla nalezena cesta k datovému souboru."),
                       kError.arg("Nenalezena databáze: ")}
        << 1;
    QTest::newRow("key without DataPath") << "no value" << "" << 0
                                          << QStringList{kError.arg("Nenalezena databáze: ")} << 1;
    QTest::newRow("no file at DataPath") << "no file" << "" << 0
                                         << QStringList{kError.arg("Nenalezena databáze: %MISSING%")} << 1;
    QTest::newRow("first start on the delivered database") << "good" << "" << 0 << QStringList{shown} << 0;
    QTest::newRow("failing data update: reported, then the window")
        << "bad update" << "" << 0 << QStringList{kError.arg("Aktualizace dat se nezdařila!"), shown} << 0;
    QTest::newRow("exit question: Escape and Ne keep it, Ano ends it")
        << "good" << "Escape,Ne,Ano" << 3
        << QStringList{shown,       exitQuestion, "closed\t0", exitQuestion, "closed\t0",
                       exitQuestion, "closed\t1"}
        << 0;
    QTest::newRow("updater due: started, the start goes on") << "updater" << "" << 0 << QStringList{shown} << 0;
}

void TestProgram::startUp() {
    QFETCH(QString, kind);
    QFETCH(QString, answers);
    QFETCH(int, closeAttempts);
    QFETCH(QStringList, lines);
    QFETCH(int, exitCode);
    QVERIFY2(QFile::exists(test::deliveredDatabase()), "the build makes the delivered database");

    // An installation of its own: <dir>/bin/mero, the store in <dir>/etc/xdg, the user's data folder.
    QTemporaryDir dir;
    const QString bin = dir.filePath("bin");
    QVERIFY(copyExecutable(PROGRAM_DRIVER, bin + "/mero"));
    const QString share = dir.filePath("home/.local/share");
    const QString database = share + "/mero/data.db3";
    QDir().mkpath(share + "/mero");
    QVERIFY(QFile::copy(test::deliveredDatabase(), database));
    QVERIFY(QFile::setPermissions(database, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const int level = queryFile(database, "SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_UPDATE'").toInt();
    const QString version = queryFile(database, "PRAGMA user_version;").toString();

    const QString store = dir.filePath("etc/xdg/Velmora/mero.ini");
    const QString missing = share + "/mero/chybí.db3";
    QByteArray ini = "[SOFTWARE\\Velmora\\Nastel]\n";
    if (kind == "no value")
        ini += "Jina=1\n";
    else if (kind == "no file")
        ini += "DataPath=" + missing.toUtf8() + "\n";
    else
        ini += "DataPath=%APPDATA%/mero/data.db3\n";
    ini += "[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\n";
    ini += kind == "updater" ? "CheckInterval=0\n" : "CheckInterval=-1\n";
    if (kind != "no store")
        QVERIFY(writeFile(store, ini));
    if (kind == "updater")
        QVERIFY(copyExecutable(UPDATE_RECORDER, bin + "/korvaAutoUpdate"));
    if (kind == "bad update")
        QVERIFY(writeFile(share + "/mero/updates.xml",
                          QStringLiteral("<updates><update><id>%1</id><data>INSERT INTO CHYBI VALUES (1);</data>"
                                         "</update></updates>")
                              .arg(level + 1)
                              .toUtf8()));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", dir.filePath("home"));
    env.insert("XDG_DATA_HOME", share);
    env.insert("XDG_CONFIG_DIRS", dir.filePath("no-system-store"));
    env.insert("MERO_DRIVER_ANSWERS", answers);
    env.insert("MERO_DRIVER_CLOSE", QString::number(closeAttempts));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(bin + "/mero", {});
    QVERIFY(p.waitForFinished(60000));
    const QString err = QString::fromUtf8(p.readAllStandardError());
    const QStringList seen = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);

    const QString status = QStringLiteral("verze programu %1, verze dat %2.%3, instalace 99999")
                               .arg(TSystem::ProgramVersion(), version)
                               .arg(level);
    for (QString& line : lines)
        line.replace("%STATUS%", status).replace("%MISSING%", missing);
    QCOMPARE(seen, lines);
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == exitCode, qPrintable(err));

    const bool started = exitCode == 0;
    // The first start activated the installation; a start that ended early left the database alone.
    const QVariant installation = queryFile(database, "SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ID_INST'");
    QCOMPARE(installation.isNull() ? 0 : installation.toInt(), started ? 99999 : 0);
    QCOMPARE(QFileInfo::exists(share + "/mero/data." + QString::number(level) + ".db3"), kind == "bad update");
    QVERIFY(!QFileInfo::exists(missing));
    // The settings are only read.
    if (kind != "no store") {
        QFile f(store);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), ini);
    }
    if (kind == "updater") {
        const QString recorded = bin + "/recorded.txt";
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(recorded), 10000);
        QFile f(recorded);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts), QStringList({bin, "-x", "-ui:off"}));
    } else {
        QVERIFY(!QFileInfo::exists(bin + "/recorded.txt"));
    }
}

QTEST_GUILESS_MAIN(TestProgram)
#include "test_program.moc"
