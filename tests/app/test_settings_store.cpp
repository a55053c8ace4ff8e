#include "data/settings_store.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {
void writeStore(const QString& folder, const QByteArray& content) {
    QDir().mkpath(folder + QStringLiteral("/Velmora"));
    QFile f(folder + QStringLiteral("/Velmora/mero.ini"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}
} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstFolderWithTheKeyWins();
    void missingStoreOrKeyCannotBeOpened();
    void valuesAndNames_data();
    void valuesAndNames();
    void defaultFolders();
};

void TestSettingsStore::firstFolderWithTheKeyWins() {
    QTemporaryDir dir;
    const QString a = dir.filePath("a"), b = dir.filePath("b"), c = dir.filePath("c");
    writeStore(a, "[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\nCheckInterval=3\n");
    writeStore(b, "[SOFTWARE\\Velmora\\Nastel]\nDataPath=/b/data.db3\n"
                  "[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\nCheckInterval=9\n");
    writeStore(c, "[SOFTWARE\\Velmora\\Nastel]\nDataPath=/c/data.db3\n");
    const SettingsStore store({dir.filePath("missing"), a, b, c});

    const auto program = store.openKey(QString::fromLatin1(kProgramKey));
    QVERIFY(program);
    QCOMPARE(program->text("DataPath"), QStringLiteral("/b/data.db3"));
    QCOMPARE(program->file(), b + QStringLiteral("/Velmora/mero.ini"));

    const auto update = store.openKey(QString::fromLatin1(kAutoUpdateKey));
    QVERIFY(update);
    QCOMPARE(update->text("CheckInterval"), QStringLiteral("3"));
    // The key opened in a; its missing value is not looked up in a later file.
    QVERIFY(!update->value("LastCheck"));
}

void TestSettingsStore::missingStoreOrKeyCannotBeOpened() {
    QTemporaryDir dir;
    QVERIFY(!SettingsStore({dir.path()}).openKey(QString::fromLatin1(kProgramKey)));
    QVERIFY(!SettingsStore(QStringList()).openKey(QString::fromLatin1(kProgramKey)));

    writeStore(dir.path(), "[SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate]\nCheckInterval=1\n");
    const SettingsStore store({dir.path()});
    // A sub-key's section does not make its parent key exist.
    QVERIFY(!store.openKey(QString::fromLatin1(kProgramKey)));
    QVERIFY(store.openKey(QString::fromLatin1(kAutoUpdateKey)));

    // A key without a value opens; the missing value reads as nothing / the empty text.
    writeStore(dir.path(), "[SOFTWARE\\Velmora\\Nastel]\nOther=1\n");
    const auto key = SettingsStore({dir.path()}).openKey(QString::fromLatin1(kProgramKey));
    QVERIFY(key);
    QVERIFY(!key->value("DataPath"));
    QCOMPARE(key->text("DataPath"), QString());

    // A store file that cannot be read counts as missing.
    QFile::setPermissions(dir.filePath("Velmora/mero.ini"), QFileDevice::Permissions());
    if (QFile(dir.filePath("Velmora/mero.ini")).open(QIODevice::ReadOnly))
        QSKIP("running with permissions that read every file");
    QVERIFY(!SettingsStore({dir.path()}).openKey(QString::fromLatin1(kProgramKey)));
}

void TestSettingsStore::valuesAndNames_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");

    const QByteArray base = "; comment\n# comment\n\n[SOFTWARE\\Velmora\\Nastel]\n";
    QTest::newRow("plain") << base + "DataPath=/x/data.db3\n" << kProgramKey << "DataPath" << "/x/data.db3";
    QTest::newRow("comma kept") << base + "DataPath=/x/a,b/data.db3\n" << kProgramKey << "DataPath"
                                << "/x/a,b/data.db3";
    QTest::newRow("blanks trimmed") << base + "  DataPath  =  /x/data.db3  \n" << kProgramKey << "DataPath"
                                    << "/x/data.db3";
    QTest::newRow("quoted keeps blanks") << base + "DataPath=\" /x y/data.db3 \"\n" << kProgramKey << "DataPath"
                                         << " /x y/data.db3 ";
    QTest::newRow("token untouched") << base + "DataPath=%APPDATA%/mero/data.db3\n" << kProgramKey << "DataPath"
                                     << "%APPDATA%/mero/data.db3";
    QTest::newRow("names ignore case") << base + "datapath=/x\n" << kProgramKey << "DATAPATH" << "/x";
    QTest::newRow("slashes and case in path") << QByteArray("[software/velmora/nastel/korvaautoupdate]\nLastCheck=1.2.2026\n")
                                              << "\\SOFTWARE\\Velmora\\Nastel\\KorvaAutoUpdate" << "LastCheck"
                                              << "1.2.2026";
    QTest::newRow("czech text utf-8") << base + "DataPath=/home/jiří/data.db3\n" << kProgramKey << "DataPath"
                                      << "/home/jiří/data.db3";
    QTest::newRow("first entry counts") << base + "DataPath=/one\nDataPath=/two\n" << kProgramKey << "DataPath"
                                        << "/one";
    QTest::newRow("empty value") << base + "DataPath=\n" << kProgramKey << "DataPath" << "";
}

void TestSettingsStore::valuesAndNames() {
    QFETCH(QByteArray, content);
    QFETCH(QString, key);
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    writeStore(dir.path(), content);
    const auto k = SettingsStore({dir.path()}).openKey(key);
    QVERIFY(k);
    QVERIFY(k->value(name));
    QCOMPARE(*k->value(name), expected);
}

void TestSettingsStore::defaultFolders() {
    const QByteArray saved = qgetenv("XDG_CONFIG_DIRS");
    const QString beside = SettingsStore::installationFolder(QCoreApplication::applicationDirPath());

    qputenv("XDG_CONFIG_DIRS", "/one:relative:/two/");
    QCOMPARE(SettingsStore::defaultFolders(), QStringList({"/one", "/two", beside}));
    qunsetenv("XDG_CONFIG_DIRS");
    QCOMPARE(SettingsStore::defaultFolders(), QStringList({"/etc/xdg", beside}));
    QCOMPARE(SettingsStore::installationFolder("/opt/mero/bin"), QStringLiteral("/opt/mero/etc/xdg"));
    QCOMPARE(SettingsStore().files().first(), QStringLiteral("/etc/xdg/Velmora/mero.ini"));
    qputenv("XDG_CONFIG_DIRS", saved);
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_settings_store.moc"
