#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/sql_utils.h"
#include "transfer/export.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace mero;

namespace {

const QString kCondition2024 = TExport::YearCondition(QStringLiteral("2024"));

// One stored value as SQLite holds it: storage class and exact bytes (reals bit for bit).
struct Stored {
    Statement::StorageClass type;
    QByteArray bytes;
    bool operator==(const Stored& o) const { return type == o.type && bytes == o.bytes; }
};

Stored storedValue(const Statement& s, int column) {
    const Statement::StorageClass type = s.storageClass(column);
    if (type == Statement::StorageClass::Real) {
        const double d = s.value(column).toDouble();
        return {type, QByteArray(reinterpret_cast<const char*>(&d), sizeof d)};
    }
    if (type == Statement::StorageClass::Null)
        return {type, QByteArray()};
    return {type, s.rawText(column)};
}

using Row = QList<Stored>;

QList<Row> rows(Connection& c, const QString& sql) {
    QList<Row> out;
    Statement s = c.prepare(sql);
    while (s.step()) {
        Row r;
        for (int i = 0; i < s.columnCount(); ++i)
            r.append(storedValue(s, i));
        out.append(r);
    }
    return out;
}

QStringList keys(Connection& c, const QString& table, const QString& keyColumns) {
    QStringList out;
    Statement s = c.prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(keyColumns, table));
    while (s.step()) {
        QStringList parts;
        for (int i = 0; i < s.columnCount(); ++i)
            parts.append(s.value(i).toString());
        out.append(parts.join(QLatin1Char('/')));
    }
    return out;
}

QByteArray fileHash(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// The registration and questionnaire tables in the shape of the delivered database, small.
void createSchema(Connection& c) {
    QString sql = QStringLiteral(
        "CREATE TABLE INST (ID_INST INTEGER NOT NULL PRIMARY KEY);"
        "CREATE TABLE SVAZ (ID_SVAZ INTEGER PRIMARY KEY, NAZEV VARCHAR(100));"
        "CREATE TABLE SUBJ (ID_SUBJ INTEGER NOT NULL, ID_INST_SUBJ INTEGER NOT NULL, ICO VARCHAR(8),"
        " NAZEV VARCHAR(100), CLEN_SVAZPOD BOOLEAN, ID_TYPSUBJ INTEGER, POCP NUMERIC(10,2),"
        " PRIMARY KEY (ID_SUBJ, ID_INST_SUBJ));"
        "CREATE TABLE ODVINTER1 (ID_SVAZ INTEGER, KOD_ODVINTER1 VARCHAR(10), NAZEV VARCHAR(100));"
        "CREATE TABLE ODVINTER2 (ID_SVAZ INTEGER, KOD_ODVINTER1 VARCHAR(10), KOD_ODVINTER2 VARCHAR(10), NAZEV VARCHAR(100));"
        "CREATE TABLE REGINTER (ID_SVAZ INTEGER, KOD_REGINTER VARCHAR(10), NAZEV VARCHAR(100));"
        "CREATE TABLE CININTER (ID_SVAZ INTEGER, KOD_CININTER VARCHAR(10), NAZEV VARCHAR(100));"
        "CREATE TABLE ZOOS (ID_ZOOS INTEGER NOT NULL, ID_INST_ZOOS INTEGER NOT NULL, KOD VARCHAR(10),"
        " NAZEV VARCHAR(100), PRIMARY KEY (ID_ZOOS, ID_INST_ZOOS));"
        "CREATE TABLE KS (ID_KS INTEGER NOT NULL, ID_INST_KS INTEGER NOT NULL, ID_KS_VKS INTEGER,"
        " ID_INST_KS_VKS INTEGER, MEMO TEXT, DATPLOD DATE, DATPL DATE, PRIMARY KEY (ID_KS, ID_INST_KS));"
        "CREATE TABLE EPKS (ID_EPKS INTEGER PRIMARY KEY, ID_INST_EPKS INTEGER, ID_KS INTEGER, ID_INST_KS INTEGER,"
        " ID_ZOOS INTEGER, ID_INST_ZOOS INTEGER, ID_SUBJ INTEGER, ID_INST_SUBJ INTEGER, ID_TYPSUBJ INTEGER,"
        " ROK INTEGER, PLATNOST BOOLEAN);"
        "CREATE TABLE EVKS (ID_EVKS INTEGER PRIMARY KEY, ID_INST_EVKS INTEGER, ID_KS INTEGER, ID_INST_KS INTEGER,"
        " ID_SVAZ INTEGER, KOD_ODVINTER1 VARCHAR(10), ID_SVAZPOD INTEGER, ID_TYPSUBJ INTEGER, ROK INTEGER,"
        " PLATNOST BOOLEAN);"
        "CREATE TABLE POLOZKA (ID_POLOZKA INTEGER PRIMARY KEY, TABULKA VARCHAR(20), POLE VARCHAR(30));"
        "CREATE INDEX EPKS_ROK ON EPKS (ROK);"
        "CREATE TRIGGER SUBJ_GUARD BEFORE DELETE ON SUBJ BEGIN SELECT RAISE(ABORT, 'no'); END;"
        "CREATE VIEW V_EPKS AS SELECT * FROM EPKS;");
    for (const QString& t : TExport::ContentTables()) {
        if (t == QLatin1String("KS"))
            continue;
        const QString extra = t == QLatin1String("ZAMEST") ? QStringLiteral(", \"TO\" NUMERIC") : QString();
        sql += QStringLiteral("CREATE TABLE %1 (ID_KS INTEGER NOT NULL, ID_INST_KS INTEGER NOT NULL, A BOOLEAN,"
                              " B NUMERIC(12,2), C VARCHAR(200)%2, PRIMARY KEY (ID_KS, ID_INST_KS));")
                   .arg(t, extra);
    }
    sql += QStringLiteral("PRAGMA user_version = 7;");
    c.execute(sql);
}

void addAgreementContent(Connection& c, int ks, int inst, const QString& memo) {
    c.execute(QStringLiteral("INSERT INTO KS VALUES (%1, %2, NULL, NULL, %3, '2024-01-01', '2024-12-31')")
                  .arg(ks)
                  .arg(inst)
                  .arg(TDB::QuotedString(memo)));
    for (const QString& t : TExport::ContentTables()) {
        if (t == QLatin1String("KS"))
            continue;
        const QString extra = t == QLatin1String("ZAMEST") ? QStringLiteral(", 40") : QString();
        c.execute(QStringLiteral("INSERT INTO %1 VALUES (%2, %3, 'Y', 12.5, %4%5)")
                      .arg(t)
                      .arg(ks)
                      .arg(inst)
                      .arg(TDB::QuotedString(memo + QStringLiteral(" – ") + t), extra));
    }
}

void fillFixture(Connection& c) {
    c.execute(QStringLiteral(
        "INSERT INTO INST VALUES (99999), (12345);"
        "INSERT INTO SVAZ VALUES (1, 'Odborový svaz');"
        "INSERT INTO SUBJ VALUES (1, 99999, '25788001', 'Škoda Auto a.s.', 'Y', 1, 5000);"
        "INSERT INTO SUBJ VALUES (2, 99999, '00006947', 'O''Neil & syn, s.r.o.', 'N', 2, 12.5);"
        "INSERT INTO SUBJ VALUES (3, 99999, '00064581', 'Město Žďár', NULL, 3, NULL);"
        "INSERT INTO SUBJ VALUES (4, 99999, '45274649', 'Jen neplatná', 'N', 1, 3);"
        "INSERT INTO SUBJ VALUES (1, 12345, '60193336', 'Cizí instalace', 'Y', 4, 7);"
        "INSERT INTO ODVINTER1 VALUES (1, '01', 'Strojírenství');"
        "INSERT INTO REGINTER VALUES (1, 'P', 'Praha');"
        "INSERT INTO ZOOS VALUES (1, 99999, 'ZO1', 'ZO OS KOVO Škoda');"
        "INSERT INTO ZOOS VALUES (2, 99999, 'ZO2', 'ZO s řádkem\r\nnavíc');"
        "INSERT INTO ZOOS VALUES (3, 99999, 'ZO3', 'ZO jen neplatná');"
        "INSERT INTO ZOOS VALUES (1, 12345, 'ZX', 'ZO cizí');"
        "INSERT INTO POLOZKA VALUES (1, 'KS', 'MEMO');"));
    addAgreementContent(c, 1, 99999, QStringLiteral("Sdílený obsah: Příliš žluťoučký kůň úpěl ďábelské ódy"));
    addAgreementContent(c, 2, 99999, QStringLiteral("neplatná"));
    addAgreementContent(c, 3, 99999, QStringLiteral("bez platnosti"));
    addAgreementContent(c, 4, 99999, QStringLiteral("jiný rok"));
    addAgreementContent(c, 5, 99999, QStringLiteral("stejné ID_KS, jiná instalace"));
    addAgreementContent(c, 5, 12345, QStringLiteral("cizí obsah"));
    // Bytes no character of Windows-1250 stands for must travel unchanged too.
    c.execute(QStringLiteral("UPDATE KS SET MEMO = MEMO || CAST(X'0A8198' AS TEXT) WHERE ID_KS = 1"));
    c.execute(QStringLiteral(
        "INSERT INTO EPKS VALUES (10, 99999, 1, 99999, 1, 99999, 1, 99999, 1, 2024, 'Y');"
        "INSERT INTO EPKS VALUES (11, 99999, 1, 99999, 2, 99999, 2, 99999, 2, 2024, 'Y');"
        "INSERT INTO EPKS VALUES (12, 99999, 2, 99999, 3, 99999, 4, 99999, 1, 2024, 'N');"
        "INSERT INTO EPKS VALUES (13, 99999, 3, 99999, 1, 99999, 1, 99999, 1, 2024, NULL);"
        "INSERT INTO EPKS VALUES (14, 99999, 4, 99999, 2, 99999, 3, 99999, 3, 2023, 'Y');"
        "INSERT INTO EPKS VALUES (15, 12345, 5, 12345, 1, 12345, 1, 12345, 4, 2024, 'Y');"
        "INSERT INTO EVKS VALUES (1, 99999, 4, 99999, 1, '01', 1, 1, 2024, 'Y');"));
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void exportsTheSelectedAgreementsAndWhatTheyReferTo();
    void selectionCondition_data();
    void selectionCondition();
    void structureFollowsTheLocalCatalogue();
    void valuesAreStoredAsTheirLiterals_data();
    void valuesAreStoredAsTheirLiterals();
    void sameFileAsTheLiteralScript();
    void emptySelectionGivesTablesAndInstallations();
    void replacesAnExistingFileAndItsJournal();
    void unwritableTargetFails();
    void unreadableSelectionFailsInsteadOfExportingNothing();
    void copyTableReadsCisTablesFromTheirSource();

private:
    void exportTo(const QString& path, const QString& condition);

    QTemporaryDir* m_dir = nullptr;
    Connection* m_local = nullptr;
    QString m_localPath;
};

void TestExport::init() {
    m_dir = new QTemporaryDir;
    m_localPath = m_dir->filePath(QStringLiteral("data.db3"));
    m_local = new Connection;
    m_local->open(m_localPath, Connection::OpenMode::Create);
    m_local->execute(QStringLiteral("BEGIN"));
    createSchema(*m_local);
    fillFixture(*m_local);
    m_local->execute(QStringLiteral("COMMIT"));
}

void TestExport::cleanup() {
    delete m_local;
    delete m_dir;
}

void TestExport::exportTo(const QString& path, const QString& condition) {
    BuildTransferFile(m_local, path, condition);
}

void TestExport::exportsTheSelectedAgreementsAndWhatTheyReferTo() {
    const QByteArray before = fileHash(m_localPath);
    const QString path = m_dir->filePath(QStringLiteral("export.db3"));
    exportTo(path, kCondition2024);
    QCOMPARE(fileHash(m_localPath), before);

    Connection out;
    out.open(path, Connection::OpenMode::ReadOnly);
    QCOMPARE(keys(out, QStringLiteral("INST"), QStringLiteral("ID_INST")), QStringList({"12345", "99999"}));
    QCOMPARE(keys(out, QStringLiteral("EPKS"), QStringLiteral("ID_EPKS")), QStringList({"10", "11", "15"}));
    // Shared employer (10, 13) once; employers of unselected registrations only (3, 4) not at all.
    QCOMPARE(keys(out, QStringLiteral("SUBJ"), QStringLiteral("ID_SUBJ, ID_INST_SUBJ")),
             QStringList({"1/99999", "2/99999", "1/12345"}));
    QCOMPARE(keys(out, QStringLiteral("ZOOS"), QStringLiteral("ID_ZOOS, ID_INST_ZOOS")),
             QStringList({"1/99999", "2/99999", "1/12345"}));
    // The content shared by 10 and 11 once; (5, 99999) shares only the counter value with (5, 12345).
    for (const QString& t : TExport::ContentTables())
        QCOMPARE(keys(out, t, QStringLiteral("ID_KS, ID_INST_KS")), QStringList({"1/99999", "5/12345"}));
    for (const char* empty : {"ODVINTER1", "ODVINTER2", "REGINTER", "CININTER", "EVKS", "CIS_SUBJ", "CIS_ZOOS"})
        QCOMPARE(TDB::QueryValue(&out, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(empty))).toInt(),
                 0);
    QCOMPARE(TDB::QueryValue(&out, QStringLiteral("PRAGMA user_version")).toInt(), 7);

    // Every exported row equals, byte for byte and in order, the local row that the selection written
    // as a correlated EXISTS over EPKS gives.
    auto existsCondition = [](const QString& t, const QString& key) {
        return QStringLiteral("EXISTS(SELECT * FROM EPKS WHERE (EPKS.ID_%2 = %1.ID_%2 AND EPKS.ID_INST_%2 = "
                              "%1.ID_INST_%2) AND (%3))")
            .arg(t, key, kCondition2024);
    };
    QList<QPair<QString, QString>> selections = {
        {QStringLiteral("INST"), QStringLiteral("1 = 1")},
        {QStringLiteral("ZOOS"), existsCondition(QStringLiteral("ZOOS"), QStringLiteral("ZOOS"))},
        {QStringLiteral("SUBJ"), existsCondition(QStringLiteral("SUBJ"), QStringLiteral("SUBJ"))},
        {QStringLiteral("EPKS"), kCondition2024}};
    for (const QString& t : TExport::ContentTables())
        selections.append({t, existsCondition(t, QStringLiteral("KS"))});
    for (const auto& [table, where] : selections) {
        const QList<Row> exported = rows(out, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table));
        const QList<Row> expected = rows(*m_local, QStringLiteral("SELECT * FROM %1 WHERE %2").arg(table, where));
        QVERIFY2(!exported.isEmpty(), qPrintable(table));
        QVERIFY2(exported == expected, qPrintable(table));
    }
    const QByteArray memo = TDB::QueryValue(&out, QStringLiteral("SELECT hex(MEMO) FROM KS WHERE ID_KS = 1")).toByteArray();
    QVERIFY(memo.endsWith("0A8198"));
    QCOMPARE(memo, TDB::QueryValue(m_local, QStringLiteral("SELECT hex(MEMO) FROM KS WHERE ID_KS = 1")).toByteArray());
    // "Sdílený" in Windows-1250: í is the single byte ED.
    QVERIFY(memo.startsWith("5364ED6C656EFD"));
    QCOMPARE(TDB::QueryValue(&out, QStringLiteral("SELECT NAZEV FROM ZOOS WHERE ID_ZOOS = 2")).toString(),
             QStringLiteral("ZO s řádkem\r\nnavíc"));
}

void TestExport::selectionCondition_data() {
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QStringList>("epks");
    QTest::addColumn<QStringList>("subj");
    QTest::addColumn<QStringList>("zoos");
    QTest::addColumn<QStringList>("content");
    // The condition joins the key match as one term: an OR inside it must not widen the selection of
    // the referenced rows.
    QTest::newRow("or") << "EPKS.ROK = 2023 OR EPKS.ID_EPKS = 15" << QStringList{"14", "15"}
                        << QStringList{"3/99999", "1/12345"} << QStringList{"2/99999", "1/12345"}
                        << QStringList{"4/99999", "5/12345"};
    QTest::newRow("no condition") << "" << QStringList{"10", "11", "12", "13", "14", "15"}
                                  << QStringList{"1/99999", "2/99999", "3/99999", "4/99999", "1/12345"}
                                  << QStringList{"1/99999", "2/99999", "3/99999", "1/12345"}
                                  << QStringList{"1/99999", "2/99999", "3/99999", "4/99999", "5/12345"};
    QTest::newRow("other installation") << "EPKS.ID_INST_EPKS = 12345" << QStringList{"15"} << QStringList{"1/12345"}
                                        << QStringList{"1/12345"} << QStringList{"5/12345"};
    QTest::newRow("unanswered validity") << "EPKS.PLATNOST IS NULL" << QStringList{"13"} << QStringList{"1/99999"}
                                         << QStringList{"1/99999"} << QStringList{"3/99999"};
}

void TestExport::selectionCondition() {
    QFETCH(QString, condition);
    QFETCH(QStringList, epks);
    QFETCH(QStringList, subj);
    QFETCH(QStringList, zoos);
    QFETCH(QStringList, content);
    const QString path = m_dir->filePath(QStringLiteral("export.db3"));
    exportTo(path, condition);
    Connection out;
    out.open(path, Connection::OpenMode::ReadOnly);
    QCOMPARE(keys(out, QStringLiteral("EPKS"), QStringLiteral("ID_EPKS")), epks);
    QCOMPARE(keys(out, QStringLiteral("SUBJ"), QStringLiteral("ID_SUBJ, ID_INST_SUBJ")), subj);
    QCOMPARE(keys(out, QStringLiteral("ZOOS"), QStringLiteral("ID_ZOOS, ID_INST_ZOOS")), zoos);
    for (const QString& t : TExport::ContentTables())
        QCOMPARE(keys(out, t, QStringLiteral("ID_KS, ID_INST_KS")), content);
    QCOMPARE(TDB::QueryValue(&out, QStringLiteral("SELECT count(*) FROM INST")).toInt(), 2);
}

void TestExport::structureFollowsTheLocalCatalogue() {
    const QString path = m_dir->filePath(QStringLiteral("export.db3"));
    exportTo(path, kCondition2024);
    Connection out;
    out.open(path, Connection::OpenMode::ReadOnly);
    QStringList expected = TExport::TransferredTables();
    expected << QStringLiteral("CIS_SUBJ") << QStringLiteral("CIS_ZOOS");
    QStringList names;
    Statement s = out.prepare(QStringLiteral("SELECT type, name, sql FROM sqlite_master ORDER BY rowid"));
    while (s.step()) {
        if (s.value(0).toString() != QLatin1String("table"))
            continue;
        const QString name = s.value(1).toString();
        names.append(name);
        if (name.startsWith(QLatin1String("CIS_")))
            continue;
        QCOMPARE(s.value(2).toString(),
                 TDB::QueryValue(m_local, QStringLiteral("SELECT sql FROM sqlite_master WHERE name = '%1'").arg(name))
                     .toString());
    }
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
    // Only tables: no index (beyond the automatic ones of the keys), trigger or view.
    QCOMPARE(TDB::QueryValue(&out, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type <> 'table' AND sql "
                                                  "IS NOT NULL"))
                 .toInt(),
             0);
    auto columns = [&](Connection& c, const QString& table) {
        QStringList cols;
        Statement p = c.prepare(QStringLiteral("SELECT name FROM pragma_table_info('%1')").arg(table));
        while (p.step())
            cols.append(p.value(0).toString());
        return cols;
    };
    QCOMPARE(columns(out, QStringLiteral("CIS_SUBJ")), columns(*m_local, QStringLiteral("SUBJ")));
    QCOMPARE(columns(out, QStringLiteral("CIS_ZOOS")), columns(*m_local, QStringLiteral("ZOOS")));
}

void TestExport::valuesAreStoredAsTheirLiterals_data() {
    QTest::addColumn<QString>("declared");
    QTest::addColumn<QString>("localValue");
    // What the literal rules write for the field's value: the exported value must be the one
    // SQLite stores for that literal in a column of the same declared type.
    QTest::addColumn<QString>("literal");
    QTest::newRow("quote") << "VARCHAR(40)" << "'O''Neil'" << "'O''Neil'";
    QTest::newRow("empty text") << "VARCHAR(40)" << "''" << "''";
    QTest::newRow("czech memo") << "TEXT" << "'Příliš žluťoučký kůň\r\núpěl'" << "'Příliš žluťoučký kůň\r\núpěl'";
    QTest::newRow("number-like text") << "VARCHAR(8)" << "'00012345'" << "'00012345'";
    QTest::newRow("sum of decimals") << "NUMERIC(12,2)" << "0.1+0.2" << "0.3";
    QTest::newRow("real sum") << "REAL" << "0.1+0.2" << "0.3";
    QTest::newRow("third") << "DOUBLE" << "1.0/3" << "0.333333333333333";
    QTest::newRow("whole real") << "REAL" << "12.0" << "12";
    QTest::newRow("whole numeric") << "NUMERIC" << "12.0" << "12";
    QTest::newRow("half") << "NUMERIC(10,2)" << "12.5" << "12.5";
    QTest::newRow("large") << "NUMERIC" << "1e20" << "1E20";
    QTest::newRow("large float") << "FLOAT" << "1e20" << "1E20";
    QTest::newRow("small negative") << "DECIMAL(10,4)" << "-2.5e-7" << "-2.5E-7";
    QTest::newRow("many digits") << "NUMERIC" << "123456789012.345678" << "123456789012.346";
    QTest::newRow("null decimal") << "NUMERIC" << "NULL" << "NULL";
    QTest::newRow("null integer") << "INTEGER" << "NULL" << "NULL";
    QTest::newRow("null text") << "VARCHAR(10)" << "NULL" << "NULL";
    QTest::newRow("integer") << "INTEGER" << "42" << "42";
    QTest::newRow("negative integer") << "INTEGER" << "-7" << "-7";
    QTest::newRow("date") << "DATE" << "'2009-03-05'" << "'2009-03-05'";
    QTest::newRow("date with time") << "DATE" << "'2009-03-05 14:30:00'" << "'2009-03-05'";
    QTest::newRow("yes") << "BOOLEAN" << "'Y'" << "'Y'";
    QTest::newRow("no") << "BOOLEAN" << "'N'" << "'N'";
    // A number in a yes/no column is no yes/no value: its field reads, and writes, the number.
    QTest::newRow("number in yes/no") << "BOOLEAN" << "1" << "1";
    QTest::newRow("decimal text with comma") << "NUMERIC" << "'12,5'" << "12.5";
    QTest::newRow("text in decimal column") << "NUMERIC" << "'neuvedeno'" << "'neuvedeno'";
    QTest::newRow("fraction in integer column") << "INTEGER" << "0.1+0.2" << "0.3";
    QTest::newRow("czech date") << "DATE" << "'5.3.2009'" << "'2009-03-05'";
    QTest::newRow("impossible date") << "DATE" << "'2009-02-30'" << "'2009-02-30'";
    QTest::newRow("date-time") << "DATETIME" << "'2009-03-05 14:30:00'" << "'2009-03-05'";
    QTest::newRow("date with T time") << "DATE" << "'2009-03-05T14:30:00'" << "'2009-03-05'";
    QTest::newRow("czech date with time") << "DATE" << "'5.3.2009 14:30'" << "'2009-03-05'";
    QTest::newRow("czech date-time") << "DATETIME" << "'5.3.2009 14:30'" << "'2009-03-05'";
    QTest::newRow("date-time with milliseconds") << "DATETIME" << "'2009-03-05T14:30:00.250'" << "'2009-03-05'";
    QTest::newRow("text in date-time column") << "DATETIME" << "'neuvedeno'" << "'neuvedeno'";
    QTest::newRow("unanswered") << "BOOLEAN" << "NULL" << "NULL";
    // A number in a column the program reads as text (one whose declared type lets SQLite keep
    // numbers there): the field's text, quoted.
    QTest::newRow("integer in blob column") << "BLOB" << "5" << "'5'";
    QTest::newRow("large decimal in blob column") << "BLOB" << "1e20" << "'1E20'";
    QTest::newRow("decimal in blob column") << "BLOB" << "12.5" << "'12.5'";
    QTest::newRow("decimal in memo column") << "MEMO" << "0.1+0.2" << "'0.3'";
    QTest::newRow("blob in text column") << "VARCHAR(10)" << "X'00FF'" << "X'00FF'";
    // An integer in a decimal column keeps 15 significant digits, like any decimal number.
    QTest::newRow("long integer in decimal column") << "NUMERIC" << "1234567890123456789" << "1.23456789012346E18";
    QTest::newRow("negative long integer") << "DECIMAL(20,2)" << "-98765432109876543" << "-9.87654321098765E16";
    QTest::newRow("15-digit integer in decimal column") << "NUMERIC" << "999999999999999" << "999999999999999";
    // Bytes that decode to no character: the transfer file keeps them as they are.
    QTest::newRow("undefined bytes") << "VARCHAR(10)" << "CAST(X'418142' AS TEXT)" << "CAST(X'418142' AS TEXT)";
}

void TestExport::valuesAreStoredAsTheirLiterals() {
    QFETCH(QString, declared);
    QFETCH(QString, localValue);
    QFETCH(QString, literal);

    QTemporaryDir dir;
    Connection local;
    local.open(dir.filePath(QStringLiteral("local.db3")), Connection::OpenMode::Create);
    local.execute(QStringLiteral("CREATE TABLE INST (ID_INST INTEGER, V %1);"
                                 "CREATE TABLE SUBJ (ID_SUBJ INTEGER); CREATE TABLE ZOOS (ID_ZOOS INTEGER);"
                                 "INSERT INTO INST VALUES (1, %2);")
                      .arg(declared, localValue));
    const QString path = dir.filePath(QStringLiteral("export.db3"));
    {
        TExport exporter(&local, path);
        exporter.Connect();
        exporter.CreateStructure();
        exporter.ExportInstallations();
        exporter.Disconnect();
    }
    Connection out;
    out.open(path, Connection::OpenMode::ReadOnly);
    const QList<Row> exported = rows(out, QStringLiteral("SELECT V FROM INST"));

    Connection reference;
    reference.open(dir.filePath(QStringLiteral("literal.db3")), Connection::OpenMode::Create);
    reference.execute(QStringLiteral("CREATE TABLE X (V %1); INSERT INTO X VALUES (%2);").arg(declared, literal));
    const QList<Row> expected = rows(reference, QStringLiteral("SELECT V FROM X"));

    QCOMPARE(exported.size(), 1);
    QCOMPARE(int(exported.first().first().type), int(expected.first().first().type));
    QCOMPARE(exported.first().first().bytes.toHex(), expected.first().first().bytes.toHex());

    // The program's own literal path (a query dataset and TDB::RowLiterals) stores the same value.
    // Bytes that stand for no character cannot pass through its text, so it is not asked about them.
    if (QByteArray(QTest::currentDataTag()) == "undefined bytes")
        return;
    std::unique_ptr<Dataset> query = TDB::OpenQuery(&local, QStringLiteral("SELECT V FROM INST"));
    QVERIFY(query);
    reference.execute(QStringLiteral("DELETE FROM X; INSERT INTO X VALUES (%1);").arg(TDB::RowLiterals(query.get())));
    const QList<Row> literalPath = rows(reference, QStringLiteral("SELECT V FROM X"));
    QCOMPARE(int(exported.first().first().type), int(literalPath.first().first().type));
    QCOMPARE(exported.first().first().bytes.toHex(), literalPath.first().first().bytes.toHex());
}

void TestExport::sameFileAsTheLiteralScript() {
    // The transfer file written as a script of INSERT OR IGNORE lines with the literals of every
    // field, table by table, holds exactly the rows of the export. (The script's text cannot carry
    // bytes that stand for no character, so the fixture's memo loses them here.)
    m_local->execute(QStringLiteral("UPDATE KS SET MEMO = 'Příliš žluťoučký kůň' WHERE ID_KS = 1;"
                                    "UPDATE SUBJ SET POCP = 0.1 + 0.2 WHERE ID_SUBJ = 2;"
                                    "UPDATE SUBJ SET POCP = 1e20 WHERE ID_SUBJ = 1 AND ID_INST_SUBJ = 12345;"
                                    "UPDATE KS SET DATPL = '2024-12-31 23:59:59' WHERE ID_KS = 5;"
                                    "UPDATE SPOLUP SET A = 1, B = 1.0 / 3 WHERE ID_KS = 1;"));
    const QString exported = m_dir->filePath(QStringLiteral("export.db3"));
    exportTo(exported, kCondition2024);

    const QString scripted = m_dir->filePath(QStringLiteral("script.db3"));
    TExport structure(m_local, scripted);
    structure.Connect();
    structure.CreateStructure();
    auto copyByScript = [&](const QString& table, const QString& condition) {
        std::unique_ptr<Dataset> query = TDB::OpenQuery(m_local, QStringLiteral("SELECT * FROM %1%2").arg(table, TSQL::Where(condition)));
        QVERIFY(query);
        QStringList lines{QStringLiteral("begin;")};
        for (query->first(); !query->eof(); query->next())
            lines.append(QStringLiteral("INSERT OR IGNORE INTO %1 VALUES (%2);").arg(table, TDB::RowLiterals(query.get())));
        lines.append(QStringLiteral("commit;"));
        TDB::Execute(structure.connection(), lines.join(QStringLiteral("\r\n")));
    };
    auto exists = [](const QString& t, const QString& key) {
        return QStringLiteral("EXISTS(SELECT * FROM EPKS WHERE (EPKS.ID_%2 = %1.ID_%2 AND EPKS.ID_INST_%2 = "
                              "%1.ID_INST_%2) AND (%3))")
            .arg(t, key, kCondition2024);
    };
    copyByScript(QStringLiteral("INST"), QString());
    copyByScript(QStringLiteral("ZOOS"), exists(QStringLiteral("ZOOS"), QStringLiteral("ZOOS")));
    copyByScript(QStringLiteral("SUBJ"), exists(QStringLiteral("SUBJ"), QStringLiteral("SUBJ")));
    for (const QString& t : TExport::ContentTables())
        copyByScript(t, exists(t, QStringLiteral("KS")));
    copyByScript(QStringLiteral("EPKS"), kCondition2024);
    structure.Disconnect();

    Connection a, b;
    a.open(exported, Connection::OpenMode::ReadOnly);
    b.open(scripted, Connection::OpenMode::ReadOnly);
    for (const QString& t : TExport::TransferredTables() + QStringList{QStringLiteral("CIS_SUBJ"), QStringLiteral("CIS_ZOOS")}) {
        const QString sql = QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(t);
        QVERIFY2(rows(a, sql) == rows(b, sql), qPrintable(t));
    }
    QCOMPARE(TDB::QueryValue(&a, QStringLiteral("SELECT typeof(POCP) || POCP FROM SUBJ WHERE ID_SUBJ = 2")).toString(),
             QStringLiteral("real0.3"));
    QCOMPARE(TDB::QueryValue(&a, QStringLiteral("SELECT DATPL FROM KS WHERE ID_KS = 5")).toString(),
             QStringLiteral("2024-12-31"));
}

void TestExport::emptySelectionGivesTablesAndInstallations() {
    const QString path = m_dir->filePath(QStringLiteral("export.db3"));
    exportTo(path, TExport::YearCondition(QStringLiteral("1990")));
    Connection out;
    out.open(path, Connection::OpenMode::ReadOnly);
    QCOMPARE(TDB::QueryValue(&out, QStringLiteral("SELECT count(*) FROM INST")).toInt(), 2);
    for (const QString& t : QStringList({"SUBJ", "ZOOS", "EPKS", "CIS_SUBJ", "CIS_ZOOS"}) + TExport::ContentTables())
        QCOMPARE(TDB::QueryValue(&out, QStringLiteral("SELECT count(*) FROM %1").arg(t)).toInt(), 0);
}

void TestExport::replacesAnExistingFileAndItsJournal() {
    const QString path = m_dir->filePath(QStringLiteral("export.db3"));
    for (const QString& name : {path, path + QStringLiteral("-journal")}) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a database at all, just some bytes left over");
    }
    exportTo(path, kCondition2024);
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    Connection out;
    out.open(path, Connection::OpenMode::ReadOnly);
    QCOMPARE(TDB::QueryValue(&out, QStringLiteral("SELECT count(*) FROM EPKS")).toInt(), 3);
}

void TestExport::unwritableTargetFails() {
    // The parent "folder" is a plain file: nothing can be created below it, whoever runs the test.
    const QString blocker = m_dir->filePath(QStringLiteral("blocker"));
    {
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QString path = blocker + QStringLiteral("/export.db3");
    TExport exporter(m_local, path);
    QVERIFY_THROWS_EXCEPTION(DbError, exporter.Connect());
    QVERIFY(!QFile::exists(path));
}

void TestExport::unreadableSelectionFailsInsteadOfExportingNothing() {
    m_local->execute(QStringLiteral("DROP TABLE ZAMEST"));
    const QString path = m_dir->filePath(QStringLiteral("export.db3"));
    TExport exporter(m_local, path);
    exporter.Connect();
    exporter.CreateStructure();
    exporter.ExportInstallations();
    QVERIFY_THROWS_EXCEPTION(DbError, exporter.ExportAgreements(kCondition2024));
    QVERIFY(!exporter.connection()->inTransaction());
    // A malformed condition is an error too.
    QVERIFY_THROWS_EXCEPTION(DbError, exporter.CopyTable(QStringLiteral("EPKS"), QStringLiteral("EPKS.ROK = ")));
}

void TestExport::copyTableReadsCisTablesFromTheirSource() {
    const QString path = m_dir->filePath(QStringLiteral("export.db3"));
    TExport exporter(m_local, path);
    exporter.Connect();
    exporter.CreateStructure();
    exporter.CopyTable(QStringLiteral("cis_SUBJ"), QStringLiteral("ID_INST_SUBJ = 12345"));
    QCOMPARE(TDB::QueryValue(exporter.connection(), QStringLiteral("SELECT NAZEV FROM CIS_SUBJ")).toString(),
             QStringLiteral("Cizí instalace"));
    QCOMPARE(TDB::QueryValue(exporter.connection(), QStringLiteral("SELECT count(*) FROM SUBJ")).toInt(), 0);
    // Rows whose key is already there are skipped, not an error.
    exporter.CopyTable(QStringLiteral("SUBJ"), QStringLiteral("ID_SUBJ = 1"));
    exporter.CopyTable(QStringLiteral("SUBJ"), QString());
    QCOMPARE(TDB::QueryValue(exporter.connection(), QStringLiteral("SELECT count(*) FROM SUBJ")).toInt(), 5);
}

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
