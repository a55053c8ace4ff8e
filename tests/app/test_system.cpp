#include "app/core/system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace mero;

class TestSystem : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void appDataPath_data();
    void appDataPath();
    void tempPathIsPrivate();
    void tempPathRefusesForeignFolder();
    void programVersion();
    void logWritesNothingWithoutDebugger();
    void logAppendsUnderTracer();
};

void TestSystem::appDataPath_data() {
    QTest::addColumn<QByteArray>("dataHome");
    QTest::addColumn<QString>("expected");
    const QString home = QDir::homePath();
    QTest::newRow("set") << QByteArray("/srv/data") << "/srv/data";
    QTest::newRow("trailing separator") << QByteArray("/srv/data//") << "/srv/data";
    QTest::newRow("unset") << QByteArray() << home + "/.local/share";
    QTest::newRow("relative is ignored") << QByteArray("data") << home + "/.local/share";
}

void TestSystem::appDataPath() {
    QFETCH(QByteArray, dataHome);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    if (dataHome.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", dataHome);
    const QString path = AppDataPath();
    qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(path, expected);
}

static mode_t modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return 0;
    return st.st_mode & 0777;
}

void TestSystem::tempPathIsPrivate() {
    QTemporaryDir base;
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(base.path()));
    const QString expected = base.path() + QStringLiteral("/mero-%1/").arg(::getuid());

    // A folder of ours that others could read is tightened.
    QVERIFY(QDir().mkdir(expected));
    QVERIFY(::chmod(QFile::encodeName(expected).constData(), 0755) == 0);
    const QString path = TSystem::TempPath();
    QCOMPARE(path, expected);
    QVERIFY(path.endsWith('/'));
    QCOMPARE(modeOf(path), mode_t(0700));

    // Removed while running: made again.
    QVERIFY(QDir(path).removeRecursively());
    QCOMPARE(TSystem::TempPath(), expected);
    QVERIFY(QFileInfo(expected).isDir());
    QCOMPARE(modeOf(expected), mode_t(0700));

    // XDG_RUNTIME_DIR, when there is one, is preferred.
    QTemporaryDir runtime;
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QCOMPARE(TSystem::TempPath(), runtime.path() + QStringLiteral("/mero/"));
    QCOMPARE(modeOf(runtime.path() + QStringLiteral("/mero")), mode_t(0700));
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("TMPDIR", saved);
}

void TestSystem::tempPathRefusesForeignFolder() {
    // Someone planted a link under the fixed name: it is not followed.
    QTemporaryDir base, elsewhere;
    const QByteArray saved = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(base.path()));
    const QString fixed = base.path() + QStringLiteral("/mero-%1").arg(::getuid());
    QVERIFY(QFile::link(elsewhere.path(), fixed));
    const QString path = TSystem::TempPath();
    qputenv("TMPDIR", saved);
    QVERIFY(!path.isEmpty());
    QVERIFY(path.endsWith('/'));
    QVERIFY(path != fixed + '/');
    QVERIFY(!QFileInfo(path).isSymLink());
    QCOMPARE(modeOf(path.chopped(1)), mode_t(0700));
    QVERIFY(QDir(elsewhere.path()).isEmpty());
}

void TestSystem::programVersion() {
    QCOMPARE(TSystem::FormatVersion(3, 5), QStringLiteral("3.05"));
    QCOMPARE(TSystem::FormatVersion(1, 12), QStringLiteral("1.12"));
    QCOMPARE(TSystem::FormatVersion(0, 0), QStringLiteral("0.00"));
    QCOMPARE(TSystem::ProgramVersion(), TSystem::FormatVersion(MERO_VERSION_MAJOR, MERO_VERSION_MINOR));
    QCOMPARE(TSystem::ProgramFolder(), QCoreApplication::applicationDirPath());
}

void TestSystem::logWritesNothingWithoutDebugger() {
    if (InDebugger())
        QSKIP("the test itself runs under a debugger");
    QTemporaryDir dir;
    const QString saved = QDir::currentPath();
    QDir::setCurrent(dir.path());
    Log(QStringLiteral("zápis"));
    QDir::setCurrent(saved);
    QVERIFY(!QFileInfo::exists(dir.filePath("log.txt")));
}

void TestSystem::logAppendsUnderTracer() {
    // A child process that has its parent as tracer writes the log in its current folder.
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(77);
        if (::chdir(folder.constData()) != 0)
            ::_exit(2);
        if (!InDebugger())
            ::_exit(3);
        Log(QStringLiteral("první řádek"));
        Log(QStringLiteral("druhý"));
        ::_exit(0);
    }
    QVERIFY(pid > 0);
    int status = 0;
    QVERIFY(::waitpid(pid, &status, 0) == pid);
    QVERIFY(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        QSKIP("tracing is not permitted here");
    QCOMPARE(WEXITSTATUS(status), 0);
    QFile log(dir.filePath("log.txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(log.readAll()), QStringLiteral("první řádek\ndruhý\n"));
}

QTEST_GUILESS_MAIN(TestSystem)
#include "test_system.moc"
