// mero-admin apply-updates and info, run as child processes on real database files.
#include "data/connection.h"
#include "data/sql_utils.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

struct Result {
    int code = -1;
    QString out, err;
};

Result admin(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(MERO_ADMIN), args);
    Result r;
    if (!p.waitForFinished(30000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString makeDatabase(const QTemporaryDir& dir, const QString& extra = QString()) {
    const QString path = dir.filePath("data.db3");
    Connection c;
    c.open(path, Connection::OpenMode::Create);
    c.execute("CREATE TABLE AUTOINC (TABULKA VARCHAR(30) NOT NULL PRIMARY KEY, HODNOTA INTEGER);"
              "CREATE TABLE INST (ID_INST INTEGER NOT NULL PRIMARY KEY);"
              "CREATE TABLE EPKS (ID_EPKS INTEGER, ID_INST_EPKS INTEGER, ROK INTEGER);"
              "INSERT INTO AUTOINC VALUES ('ID_UPDATE', 2);"
              "PRAGMA user_version = 3;" +
              extra);
    return path;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestAdminCommands : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void info();
    void applyUpdates();
    void applyUpdatesFailure();
    void badInput_data();
    void badInput();
    void help();
};

void TestAdminCommands::info() {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    Result r = admin({"info", path});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains("Verze dat: 3\n"), qPrintable(r.out));
    QVERIFY(r.out.contains("Úroveň aktualizací: 2\n"));
    QVERIFY(r.out.contains("Instalace: neaktivována\n"));
    QVERIFY(r.out.contains("Evidované kolektivní smlouvy: 0\n"));

    {
        Connection c;
        c.open(path);
        c.execute("INSERT INTO AUTOINC VALUES ('ID_INST', 99999);"
                  "INSERT INTO EPKS VALUES (1, 99999, 2025); INSERT INTO EPKS VALUES (2, 99999, 2026);");
    }
    r = admin({"info", path});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains("Instalace: 99999\n"));
    QVERIFY(r.out.contains("Evidované kolektivní smlouvy: 2\n"));
}

void TestAdminCommands::applyUpdates() {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    Result r = admin({"apply-updates", path});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains("neexistuje"), qPrintable(r.out));

    writeFile(dir.filePath("updates.xml"),
              "<?xml version=\"1.0\"?><updates>"
              "<update><id>2</id><data>INSERT INTO EPKS VALUES (0, 0, 0);</data></update>"
              "<update><id>3</id><data>INSERT INTO EPKS VALUES (3, 99999, 2026);</data><version>4</version></update>"
              "<update><id>4</id><structure>CREATE TABLE NOVA (A INTEGER);</structure></update>"
              "</updates>");
    r = admin({"apply-updates", path});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains("Provedené aktualizace: 3, 4."), qPrintable(r.out));
    QVERIFY(r.out.contains("2 -> 4"));
    QVERIFY(QFile::exists(dir.filePath("data.2.db3")));
    QVERIFY(QFile::exists(dir.filePath("data.3.db3")));
    r = admin({"info", path});
    QVERIFY(r.out.contains("Verze dat: 4\n"));
    QVERIFY(r.out.contains("Úroveň aktualizací: 4\n"));
    QVERIFY(r.out.contains("Evidované kolektivní smlouvy: 1\n"));

    r = admin({"apply-updates", path});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.out.contains("aktuální"), qPrintable(r.out));
}

void TestAdminCommands::applyUpdatesFailure() {
    QTemporaryDir dir;
    const QString path = makeDatabase(dir);
    writeFile(dir.filePath("updates.xml"),
              "<updates><update><id>3</id><data>INSERT INTO EPKS VALUES (3, 99999, 2026);</data></update>"
              "<update><id>4</id><data>INSERT INTO EPKS VALUES (4, 99999, 2026); INSERT INTO CHYBI VALUES (1);</data>"
              "</update></updates>");
    Result r = admin({"apply-updates", path});
    QCOMPARE(r.code, 1);
    QVERIFY(r.out.contains("Provedené aktualizace: 3."));
    QVERIFY2(r.err.contains("Aktualizace 4 byla vrácena zpět"), qPrintable(r.err));
    QVERIFY(r.err.contains("CHYBI"));
    r = admin({"info", path});
    QVERIFY(r.out.contains("Úroveň aktualizací: 3\n"));
    QVERIFY(r.out.contains("Evidované kolektivní smlouvy: 1\n"));

    writeFile(dir.filePath("updates.xml"), "<updates><update><id>9</id>");
    r = admin({"apply-updates", path});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("není platný XML"), qPrintable(r.err));
}

void TestAdminCommands::badInput_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("kind"); // missing, folder, garbage, foreign, none, two, option
    QTest::addColumn<QString>("message");
    for (const char* command : {"info", "apply-updates"}) {
        const QString c = QString::fromLatin1(command);
        QTest::addRow("%s missing file", command) << c << "missing" << "Databáze neexistuje";
        QTest::addRow("%s folder", command) << c << "folder" << "nevede k souboru";
        QTest::addRow("%s not a database", command) << c << "garbage" << "nelze otevřít jako databázi SQLite";
        QTest::addRow("%s no path", command) << c << "none" << "právě jednu cestu";
        QTest::addRow("%s two paths", command) << c << "two" << "právě jednu cestu";
        QTest::addRow("%s unknown option", command) << c << "option" << "Neznámá volba: --force";
    }
    QTest::newRow("info other database") << "info" << "foreign" << "chybí tabulka AUTOINC";
}

void TestAdminCommands::badInput() {
    QFETCH(QString, command);
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QStringList args{command};
    if (kind == "missing") {
        args << dir.filePath("nic.db3");
    } else if (kind == "folder") {
        args << dir.path();
    } else if (kind == "garbage") {
        writeFile(dir.filePath("data.db3"), QByteArray(4096, 'x'));
        args << dir.filePath("data.db3");
    } else if (kind == "foreign") {
        Connection c;
        c.open(dir.filePath("jina.db3"), Connection::OpenMode::Create);
        c.execute("CREATE TABLE X (A INTEGER);");
        args << dir.filePath("jina.db3");
    } else if (kind == "two") {
        args << makeDatabase(dir) << dir.filePath("b.db3");
    } else if (kind == "option") {
        args << makeDatabase(dir) << "--force";
    }
    const QByteArray before = kind == "garbage" ? QByteArray(4096, 'x') : QByteArray();
    const Result r = admin(args);
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    if (kind == "garbage") { // left as it was
        QFile f(dir.filePath("data.db3"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before);
    }
}

void TestAdminCommands::help() {
    Result r = admin({"--help"});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains("apply-updates CESTA"));
    QVERIFY(r.out.contains("info CESTA"));
    r = admin({"info", "--help"});
    QCOMPARE(r.code, 0);
    QVERIFY(r.out.contains("Použití: mero-admin info CESTA"));
}

QTEST_GUILESS_MAIN(TestAdminCommands)
#include "test_admin_commands.moc"
