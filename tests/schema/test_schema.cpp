// The delivered database that the build produced: tables and columns the program names, their declared
// types, keys, bookkeeping rows, code lists and the samples.

#include "data/connection.h"
#include "data/errors.h"
#include "support/test_support.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

// Every column of the tables the program names, with the family of its declared type:
// B = BOOLEAN (yes/no), D = DATE, I = INTEGER, N = NUMERIC, V = VARCHAR(n), T = TEXT.
struct TableColumns {
    const char* table;
    const char* columns;
};

const TableColumns kColumns[] = {
    {"AUTOINC", "TABULKA:V HODNOTA:I"},
    {"INST", "ID_INST:I"},
    {"UZIVATEL", "LOGIN:V HESLO:V"},
    {"SVAZ", "ID_SVAZ:I NAZEV:V"},
    {"SVAZPOD", "ID_SVAZPOD:I NAZEV:V"},
    {"ODVINTER1", "ID_SVAZ:I KOD_ODVINTER1:V NAZEV:V"},
    {"ODVINTER2", "ID_SVAZ:I KOD_ODVINTER1:V KOD_ODVINTER2:V NAZEV:V"},
    {"REGINTER", "ID_SVAZ:I KOD_REGINTER:V NAZEV:V"},
    {"CININTER", "ID_SVAZ:I KOD_CININTER:V NAZEV:V"},
    {"NUTS3", "ID_NUTS3:I KOD:V NAZEV:V"},
    {"NUTS4", "ID_NUTS4:I ID_NUTS3:I KOD:V NAZEV:V"},
    {"KATP", "ID_KATP:I KOD:V NAZEV:V"},
    {"DRVLST", "ID_DRVLST:I KOD:V NAZEV:V"},
    {"FORMA", "ID_FORMA:I KOD:V NAZEV:V"},
    {"TYPSUBJ", "ID_TYPSUBJ:I KOD:V NAZEV:V"},
    {"NACE", "ID_NACE:I ID_NACE_ODDIL:I KOD:V NAZEV:V"},
    {"NACE_ODDIL", "ID_NACE_ODDIL:I ID_NACE_SEKCE:I KOD:V NAZEV:V"},
    {"NACE_SEKCE", "ID_NACE_SEKCE:I KOD:V NAZEV:V"},
    {"OKEC", "ID_OKEC:I ID_OKEC_ODDIL:I KOD:V NAZEV:V"},
    {"OKEC_ODDIL", "ID_OKEC_ODDIL:I ID_OKEC_SEKCE:I KOD:V NAZEV:V"},
    {"OKEC_SEKCE", "ID_OKEC_SEKCE:I KOD:V NAZEV:V"},
    {"SUBJ",
     "ID_SUBJ:I ID_INST_SUBJ:I ID_SVAZ:I ICO:V NAZEV:V ULICE:V OBEC:V PSC:V CLEN_SVAZPOD:B ID_SVAZPOD:I "
     "ID_TYPSUBJ:I ID_NACE:I ID_FORMA:I ID_DRVLST:I ID_NUTS4:I ID_KATP:I POCP:N POCPF:I POCPDU:I "
     "POCPCPU:I"},
    {"ZOOS", "ID_ZOOS:I ID_INST_ZOOS:I ID_SVAZ:I KOD:V NAZEV:V ULICE:V OBEC:V PSC:V ICO:V ID_NUTS4:I "
             "KOD_ODVINTER1:V KOD_ODVINTER2:V KOD_REGINTER:V KOD_CININTER:V"},
    {"EPKS",
     "ID_EPKS:I ID_INST_EPKS:I ID_KS:I ID_INST_KS:I ID_ZOOS:I ID_INST_ZOOS:I ID_SUBJ:I ID_INST_SUBJ:I "
     "ID_TYPSUBJ:I ROK:I PLATNOST:B"},
    {"EVKS",
     "ID_EVKS:I ID_INST_EVKS:I ID_KS:I ID_INST_KS:I ID_SVAZ:I KOD_ODVINTER1:V ID_SVAZPOD:I ID_TYPSUBJ:I "
     "ROK:I PLATNOST:B"},
    {"KS", "ID_KS:I ID_INST_KS:I ID_KS_VKS:I ID_INST_KS_VKS:I MEMO:T DATUZ:D DATPLOD:D DATPL:D"},
    {"POLOZKA", "ID_POLOZKA:I TABULKA:V POLE:V NAZEV:V SUBJ01:V SUBJ02:V SUBJ03:V SUBJ04:V TYP:V "
                "PLNENI_TABULKY:V PLNENI_ANO:V PLNENI_NE:V"},
    {"TYPKONTROLY", "ID_TYPKONTROLY:I KOD:V NAZEV:V PORADI:I"},
    {"ZAVAZNOSTKONTROLY", "ID_ZAVAZNOSTKONTROLY:I KOD:V NAZEV:V PORADI:I"},
    {"KONTROLA", "ID_KONTROLA:I ID_TYPKONTROLY:I ID_ZAVAZNOSTKONTROLY:I ID_TYPSUBJ:I TEXT:V ID_POLOZKA:I "
                 "ID_TYPVAZBY:I ID_TYPPOROVNANI:I MIN:N MIN_VCETNE:B MAX:N MAX_VCETNE:B NEVYPLNENO_NULA:B"},
    {"POLOZKAKONTROLY", "ID_KONTROLA:I ID_POLOZKA:I"},
    // Questionnaire content: a sample of every kind from every table.
    {"SPOLUP", "ID_KS:I ID_INST_KS:I VPSM:B CZO:B CZOJ:T PZO:N ZOJPJ:T ZPPNIPS:B PKOM:B"},
    {"ZAMEST", "ID_KS:I ID_INST_KS:I VZ:B ORAZJ:T ORAZPRO:N ORAZPROH:N ZZ50J:T SFPBPS:B NSRD:B ORZKPJ:T RZ:B "
               "RZJ:T TO:B TOJU:B TOJ:T EGDJ:B EGDEU:B EGD:T"},
    {"PRDOBA",
     "ID_KS:I ID_INST_KS:I PD:B PDOHT:N PD1:N PDN:N NRPDRO:N NMOPPH:N PNDT:N PNDD:N KPD:B KPDPPRO:N"},
    {"PREKAZKY",
     "ID_KS:I ID_INST_KS:I ZO:B ZO1MIN:N ZO12MAX:N ZOPJ:T NMPN:B NMPN4:N VS:N U:N S:N M:N SD:N X:T "
     "T:N"},
    {"MZN",
     "ID_KS:I ID_INST_KS:I MV:B ZTKC:N ZTPR:N ZPNMKCB:N MVZMVPP:T OZKOMB:B KATPODNIK:B TSX:N TFH:N MMH:N "
     "MMHP:N MMM:N MRPM:B MRPMKC:N PUTJ:T OKFO:B PPPOFJ:T VT:B VPR:B"},
    {"MZT", "ID_KS:I ID_INST_KS:I TTFH:N MMTH1:N MMTH20:N MMTH1P:N MMTH20P:N MMTM1:N MMTM20:N"},
    {"PRIPLAT",
     "ID_KS:I ID_INST_KS:I PP:B PPPRPVBR:N PZPPRMM:N PSKCS:N POJ:T PXJ:T DPKPD:B DPKPDJ:T SM80PRPV:B "
     "SMJ:B SMJFJ:T NMPPOCPRPV:N OPPKCH:N"},
    {"ODMENY",
     "ID_KS:I ID_INST_KS:I N13P:B N14P:B NDMJ:T SDMPRTM:B MFORM:B POPZV:B V:B ZUKC:N D50F0:N D50F25:N "
     "DF0:N DF40:N V0:N V40:N"},
    {"SF",
     "ID_KS:I ID_INST_KS:I UP:B UPKC:N UDPR:N DZZJ:T ZSBUV:B ZSD:B PPKCMAX:N PPOJPJ:T T1:B PPR1:N SFXJ1:T "
     "CT1:N RFKSP:B CT2:N UR:N UURAZP:N UOS:N UZ:N PCSSF:B OSUJ:T PJZOPKC:N"},
};

const char* const kContentTables[] = {"SPOLUP", "ZAMEST",  "PRDOBA", "PREKAZKY", "MZN",
                                      "MZT",    "PRIPLAT", "ODMENY", "SF"};

QString familyOf(const QString& declared) {
    const QString base = declared.section(QLatin1Char('('), 0, 0).trimmed().toUpper();
    static const QMap<QString, QString> families{
        {QStringLiteral("BOOLEAN"), QStringLiteral("B")}, {QStringLiteral("DATE"), QStringLiteral("D")},
        {QStringLiteral("INTEGER"), QStringLiteral("I")}, {QStringLiteral("NUMERIC"), QStringLiteral("N")},
        {QStringLiteral("VARCHAR"), QStringLiteral("V")}, {QStringLiteral("TEXT"), QStringLiteral("T")}};
    return families.value(base, QStringLiteral("?") + declared);
}

QVariant value(Connection& c, const QString& sql) {
    Statement s = c.prepare(sql);
    return s.step() ? s.value(0) : QVariant();
}

qlonglong count(Connection& c, const QString& sql) {
    return value(c, sql).toLongLong();
}

} // namespace

class TestSchema : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void columns_data();
    void columns();
    void contentTablesHoldOnlyKeysAndContent_data();
    void contentTablesHoldOnlyKeysAndContent();
    void contentColumnCounts();
    void contentRowIsUniquePerAgreement_data();
    void contentRowIsUniquePerAgreement();
    void compositeKeysAreUnique_data();
    void compositeKeysAreUnique();
    void registrationKeysAssignedOnInsert();
    void bookkeeping();
    void keywordColumnIsUsable();
    void tableStatementsRecreateInAnotherFile();
    void regionsAndDistricts();
    void economicActivities();
    void otherCodeLists();
    void samplesAreComplete();
    void textIsStoredAsWindows1250();
    void textsFitTheirColumns();

private:
    Connection m_db;
    QMap<QString, QMap<QString, QString>> m_types; // table -> column -> declared type
};

void TestSchema::initTestCase() {
    const QString path = test::deliveredDatabase();
    QVERIFY2(QFile::exists(path),
             qPrintable(QStringLiteral("missing %1: build the target delivered_database").arg(path)));
    m_db.open(path, Connection::OpenMode::ReadOnly);
    Statement tables = m_db.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
    while (tables.step()) {
        const QString table = tables.value(0).toString();
        Statement info = m_db.prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
        while (info.step())
            m_types[table][info.value(1).toString()] = info.value(2).toString();
    }
}

void TestSchema::columns_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("family");
    for (const TableColumns& t : kColumns) {
        const QStringList entries = QString::fromLatin1(t.columns).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (const QString& entry : entries) {
            const QString column = entry.section(QLatin1Char(':'), 0, 0);
            QTest::addRow("%s.%s", t.table, qPrintable(column))
                << QString::fromLatin1(t.table) << column << entry.section(QLatin1Char(':'), 1, 1);
        }
    }
}

void TestSchema::columns() {
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, family);
    QVERIFY2(m_types.contains(table), qPrintable(QStringLiteral("no table ") + table));
    QVERIFY2(m_types[table].contains(column),
             qPrintable(QStringLiteral("no column %1.%2").arg(table, column)));
    const QString declared = m_types[table][column];
    QCOMPARE(familyOf(declared), family);
    if (family == QStringLiteral("V"))
        QVERIFY2(QRegularExpression(QStringLiteral("^VARCHAR\\(\\d+\\)$")).match(declared).hasMatch(),
                 qPrintable(declared));
}

void TestSchema::contentTablesHoldOnlyKeysAndContent_data() {
    QTest::addColumn<QString>("table");
    for (const char* t : kContentTables)
        QTest::newRow(t) << QString::fromLatin1(t);
    QTest::newRow("KS") << QStringLiteral("KS");
}

// Every column of a questionnaire table is a yes/no, number, text or date column, or part of a key: the
// sheets, checks and printed forms read nothing else.
void TestSchema::contentTablesHoldOnlyKeysAndContent() {
    QFETCH(QString, table);
    const auto columns = m_types.value(table);
    QVERIFY(!columns.isEmpty());
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        const QString family = familyOf(it.value());
        if (it.key().startsWith(QStringLiteral("ID_")))
            QCOMPARE(family, QStringLiteral("I"));
        else
            QVERIFY2(QStringList({"B", "N", "T", "D"}).contains(family),
                     qPrintable(QStringLiteral("%1.%2 %3").arg(table, it.key(), it.value())));
    }
}

void TestSchema::contentColumnCounts() {
    // Content columns besides ID_KS and ID_INST_KS; the questionnaire description is checked against these.
    const QMap<QString, int> expected{
        {QStringLiteral("SPOLUP"), 23},   {QStringLiteral("ZAMEST"), 54}, {QStringLiteral("PRDOBA"), 22},
        {QStringLiteral("PREKAZKY"), 32}, {QStringLiteral("MZN"), 62},    {QStringLiteral("MZT"), 61},
        {QStringLiteral("PRIPLAT"), 70},  {QStringLiteral("ODMENY"), 41}, {QStringLiteral("SF"), 85}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        QCOMPARE(m_types.value(it.key()).size() - 2, it.value());
    // The tariff table is numbered 1 to 20 without gaps in each of its three series.
    for (int grade = 1; grade <= 20; ++grade)
        for (const QString& column :
             {QStringLiteral("MMTH%1"), QStringLiteral("MMTH%1P"), QStringLiteral("MMTM%1")})
            QVERIFY(m_types[QStringLiteral("MZT")].contains(column.arg(grade)));
}

void TestSchema::contentRowIsUniquePerAgreement_data() {
    contentTablesHoldOnlyKeysAndContent_data();
}

void TestSchema::contentRowIsUniquePerAgreement() {
    QFETCH(QString, table);
    QTemporaryDir dir;
    Connection c;
    c.open(test::copyInto(dir, test::deliveredDatabase()));
    c.execute(QStringLiteral("INSERT INTO %1 (ID_KS, ID_INST_KS) VALUES (7, 99999)").arg(table));
    c.execute(QStringLiteral("INSERT INTO %1 (ID_KS, ID_INST_KS) VALUES (7, 5)").arg(table));
    QVERIFY_THROWS_EXCEPTION(
        DbError,
        c.execute(QStringLiteral("INSERT INTO %1 (ID_KS, ID_INST_KS) VALUES (7, 99999)").arg(table)));
    // The transfer file relies on this: a second copy of the same row is skipped, not doubled.
    c.execute(QStringLiteral("INSERT OR IGNORE INTO %1 (ID_KS, ID_INST_KS) VALUES (7, 99999)").arg(table));
    QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE ID_KS = 7").arg(table)), 2);
}

void TestSchema::compositeKeysAreUnique_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("inst");
    QTest::newRow("SUBJ") << "SUBJ"
                          << "ID_SUBJ"
                          << "ID_INST_SUBJ";
    QTest::newRow("ZOOS") << "ZOOS"
                          << "ID_ZOOS"
                          << "ID_INST_ZOOS";
    QTest::newRow("EPKS") << "EPKS"
                          << "ID_EPKS"
                          << "ID_INST_EPKS";
    QTest::newRow("EVKS") << "EVKS"
                          << "ID_EVKS"
                          << "ID_INST_EVKS";
}

void TestSchema::compositeKeysAreUnique() {
    QFETCH(QString, table);
    QFETCH(QString, id);
    QFETCH(QString, inst);
    QTemporaryDir dir;
    Connection c;
    c.open(test::copyInto(dir, test::deliveredDatabase()));
    const QString insert = QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (%4, %5)").arg(table, id, inst);
    c.execute(insert.arg(100).arg(99999));
    QVERIFY_THROWS_EXCEPTION(DbError, c.execute(insert.arg(100).arg(99999)));
    if (table == QStringLiteral("SUBJ") || table == QStringLiteral("ZOOS")) {
        // Records of different installations may share the counter value.
        c.execute(insert.arg(100).arg(5));
        QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2 = 100").arg(table, id)), 2);
    }
}

void TestSchema::registrationKeysAssignedOnInsert() {
    QTemporaryDir dir;
    Connection c;
    c.open(test::copyInto(dir, test::deliveredDatabase()));
    // The agreement list's insert statement leaves ID_EPKS out.
    const QString insertEpks = QStringLiteral(
        "INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_ZOOS, ID_INST_ZOOS, ID_SUBJ, ID_INST_SUBJ, "
        "ID_TYPSUBJ, ROK) VALUES (99999, 1, 99999, 1, 99999, 1, 99999, 1, 2026)");
    c.execute(insertEpks);
    const qlonglong first = c.lastInsertRowId();
    QVERIFY(first > 0);
    c.execute(insertEpks);
    QCOMPARE(c.lastInsertRowId(), first + 1);
    QCOMPARE(count(c, QStringLiteral("SELECT COUNT(*) FROM EPKS WHERE ID_EPKS IS NULL")), 0);
    QVERIFY(value(c, QStringLiteral("SELECT PLATNOST FROM EPKS WHERE ID_EPKS = %1").arg(first)).isNull());
    // A deleted registration's identifier is not handed out again.
    c.execute(QStringLiteral("DELETE FROM EPKS WHERE ID_EPKS = %1").arg(first + 1));
    c.execute(insertEpks);
    QCOMPARE(c.lastInsertRowId(), first + 2);

    const qlonglong delivered = count(c, QStringLiteral("SELECT MAX(ID_EVKS) FROM EVKS"));
    c.execute(
        QStringLiteral("INSERT INTO EVKS (ID_INST_EVKS, ID_KS, ID_INST_KS, ID_SVAZ, ID_SVAZPOD, ID_TYPSUBJ, "
                       "ROK) VALUES (99999, 5, 99999, 1, 1, 1, 2026)"));
    QCOMPARE(c.lastInsertRowId(), delivered + 1);
}

void TestSchema::bookkeeping() {
    QMap<QString, QVariant> counters;
    Statement s = m_db.prepare(QStringLiteral("SELECT TABULKA, HODNOTA FROM AUTOINC"));
    while (s.step())
        counters.insert(s.value(0).toString(), s.value(1));
    QCOMPARE(counters.keys(), QStringList({"ID_UPDATE", "KS", "SUBJ", "ZOOS"}));
    QCOMPARE(counters.value(QStringLiteral("ID_UPDATE")).toLongLong(), 0);
    for (const char* name : {"KS", "SUBJ", "ZOOS"})
        QVERIFY(counters.value(QString::fromLatin1(name)).toLongLong() == 0);
    QCOMPARE(count(m_db, QStringLiteral("PRAGMA user_version")), 1);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM INST")), 0);

    // The counter statement of the data module works on the delivered rows and starts at 1.
    QTemporaryDir dir;
    Connection c;
    c.open(test::copyInto(dir, test::deliveredDatabase()));
    c.execute(
        QStringLiteral("UPDATE AUTOINC SET HODNOTA = IFNULL((SELECT IFNULL(HODNOTA, 0) FROM AUTOINC WHERE "
                       "TABULKA = 'ZOOS'), 0) + 1 WHERE TABULKA = 'ZOOS'"));
    QCOMPARE(count(c, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = 'ZOOS'")), 1);
    // Counter names are unique.
    QVERIFY_THROWS_EXCEPTION(DbError, c.execute(QStringLiteral("INSERT INTO AUTOINC VALUES ('KS', 5)")));
}

void TestSchema::keywordColumnIsUsable() {
    QTemporaryDir dir;
    Connection c;
    c.open(test::copyInto(dir, test::deliveredDatabase()));
    c.execute(QStringLiteral("INSERT INTO ZAMEST (ID_KS, ID_INST_KS, \"TO\") VALUES (9, 99999, 'Y')"));
    QCOMPARE(value(c, QStringLiteral("SELECT \"TO\" FROM ZAMEST WHERE ID_KS = 9")).toString(),
             QStringLiteral("Y"));
}

// The transfer file is created by running the CREATE TABLE statements that the catalogue stores; they
// must be plain ASCII (no encoding question) and stand on their own in an empty file.
void TestSchema::tableStatementsRecreateInAnotherFile() {
    QTemporaryDir dir;
    Connection target;
    target.open(dir.filePath(QStringLiteral("transfer.db3")), Connection::OpenMode::Create);
    Statement s = m_db.prepare(QStringLiteral(
        "SELECT name, sql FROM sqlite_master WHERE type = 'table' AND name IN ('INST', 'SUBJ','ODVINTER1', "
        "'ODVINTER2', 'REGINTER', 'CININTER', 'ZOOS', 'KS', 'EPKS', 'EVKS', 'SPOLUP', 'MZN', 'MZT', "
        "'PRIPLAT', "
        "'ODMENY', 'PRDOBA', 'PREKAZKY', 'SF', 'ZAMEST')"));
    int tables = 0;
    while (s.step()) {
        const QByteArray raw = s.rawText(1);
        for (char ch : raw)
            QVERIFY2(uchar(ch) < 0x80, qPrintable(s.value(0).toString()));
        target.execute(s.value(1).toString());
        ++tables;
    }
    QCOMPARE(tables, 19);
    target.execute(QStringLiteral(
        "CREATE TABLE CIS_SUBJ AS SELECT * FROM SUBJ; CREATE TABLE CIS_ZOOS AS SELECT * FROM ZOOS;"));
    QCOMPARE(
        count(target, QStringLiteral(
                          "SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name LIKE 'CIS_%'")),
        2);
}

void TestSchema::regionsAndDistricts() {
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NUTS3")), 14);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NUTS3 WHERE KOD GLOB 'CZ0[0-8][0-9]'")), 14);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NUTS4")), 77);
    // Each district lies in an existing region, and its code starts with the region's code.
    QCOMPARE(
        count(m_db, QStringLiteral("SELECT COUNT(*) FROM NUTS4 D JOIN NUTS3 R ON R.ID_NUTS3 = D.ID_NUTS3 "
                                   "WHERE substr(D.KOD, 1, 5) = R.KOD")),
        77);
    QCOMPARE(
        count(m_db, QStringLiteral("SELECT COUNT(*) FROM NUTS3 R WHERE NOT EXISTS (SELECT * FROM NUTS4 D "
                                   "WHERE D.ID_NUTS3 = R.ID_NUTS3)")),
        0);
    QCOMPARE(value(m_db, QStringLiteral("SELECT NAZEV FROM NUTS4 WHERE KOD = 'CZ0806'")).toString(),
             QStringLiteral("Ostrava-město"));
    QCOMPARE(value(m_db, QStringLiteral("SELECT NAZEV FROM NUTS3 WHERE KOD = 'CZ063'")).toString(),
             QStringLiteral("Kraj Vysočina"));
    QCOMPARE(
        count(m_db, QStringLiteral("SELECT COUNT(*) FROM NUTS4 D JOIN NUTS3 R ON R.ID_NUTS3 = D.ID_NUTS3 "
                                   "WHERE R.KOD = 'CZ020'")),
        12);
}

void TestSchema::economicActivities() {
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NACE_SEKCE")), 21);
    QCOMPARE(value(m_db, QStringLiteral(
                             "SELECT group_concat(KOD, '') FROM (SELECT KOD FROM NACE_SEKCE ORDER BY KOD)"))
                 .toString(),
             QStringLiteral("ABCDEFGHIJKLMNOPQRSTU"));
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NACE_ODDIL")), 88);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NACE_ODDIL O JOIN NACE_SEKCE S ON "
                                        "S.ID_NACE_SEKCE = O.ID_NACE_SEKCE")),
             88);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NACE_SEKCE S WHERE NOT EXISTS (SELECT * FROM "
                                        "NACE_ODDIL O WHERE O.ID_NACE_SEKCE = S.ID_NACE_SEKCE)")),
             0);
    // Every activity an employer can pick belongs to a division, and every division offers one.
    const qlonglong activities = count(m_db, QStringLiteral("SELECT COUNT(*) FROM NACE"));
    QVERIFY(activities >= 88);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM NACE N JOIN NACE_ODDIL O ON O.ID_NACE_ODDIL = "
                                        "N.ID_NACE_ODDIL WHERE N.KOD LIKE O.KOD || '%'")),
             activities);
    QCOMPARE(
        count(m_db, QStringLiteral("SELECT COUNT(*) FROM NACE_ODDIL O WHERE NOT EXISTS (SELECT * FROM NACE N "
                                   "WHERE N.ID_NACE_ODDIL = O.ID_NACE_ODDIL)")),
        0);
    QCOMPARE(
        value(m_db, QStringLiteral("SELECT S.KOD FROM NACE_ODDIL O JOIN NACE_SEKCE S ON S.ID_NACE_SEKCE = "
                                   "O.ID_NACE_SEKCE WHERE O.KOD = '62'"))
            .toString(),
        QStringLiteral("J"));

    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM OKEC_SEKCE")), 17);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM OKEC_ODDIL O JOIN OKEC_SEKCE S ON "
                                        "S.ID_OKEC_SEKCE = O.ID_OKEC_SEKCE")),
             count(m_db, QStringLiteral("SELECT COUNT(*) FROM OKEC_ODDIL")));
    const qlonglong okec = count(m_db, QStringLiteral("SELECT COUNT(*) FROM OKEC"));
    QVERIFY(okec >= 60);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM OKEC N JOIN OKEC_ODDIL O ON O.ID_OKEC_ODDIL = "
                                        "N.ID_OKEC_ODDIL")),
             okec);
}

void TestSchema::otherCodeLists() {
    QCOMPARE(
        value(m_db, QStringLiteral("SELECT group_concat(ID_TYPSUBJ || '=' || NAZEV, '|') FROM (SELECT * FROM "
                                   "TYPSUBJ ORDER BY ID_TYPSUBJ)"))
            .toString(),
        QStringLiteral("1=Podnikatelská sféra|2=Veřejné služby a správa|3=Obce a kraje|"
                       "4=Vnitřní předpisy zaměstnavatele v podnikatelské sféře"));
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM KATP")), 19);
    QCOMPARE(value(m_db, QStringLiteral("SELECT NAZEV FROM KATP WHERE KOD = '220'")).toString(),
             QStringLiteral("20 - 24 zaměstnanci"));
    QCOMPARE(value(m_db, QStringLiteral("SELECT NAZEV FROM FORMA WHERE KOD = '112'")).toString(),
             QStringLiteral("Společnost s ručením omezeným"));
    QCOMPARE(value(m_db, QStringLiteral("SELECT NAZEV FROM KATP WHERE KOD = '510'")).toString(),
             QStringLiteral("10 000 a více zaměstnanců"));
    QCOMPARE(value(m_db, QStringLiteral("SELECT NAZEV FROM FORMA WHERE KOD = '801'")).toString(),
             QStringLiteral("Obec"));
    QCOMPARE(value(m_db, QStringLiteral("SELECT NAZEV FROM FORMA WHERE KOD = '736'")).toString(),
             QStringLiteral("Pobočný spolek"));
    QVERIFY(count(m_db, QStringLiteral("SELECT COUNT(*) FROM DRVLST")) >= 5);
    // Codes are text: leading zeros survive.
    QCOMPARE(value(m_db, QStringLiteral("SELECT KOD FROM NACE_ODDIL WHERE ID_NACE_ODDIL = 1")).toString(),
             QStringLiteral("01"));
    // No code list row lacks its code or name.
    for (const char* table : {"NUTS3", "NUTS4", "KATP", "DRVLST", "FORMA", "TYPSUBJ", "NACE", "NACE_ODDIL",
                              "NACE_SEKCE", "OKEC", "OKEC_ODDIL", "OKEC_SEKCE"})
        QCOMPARE(count(m_db, QStringLiteral(
                                 "SELECT COUNT(*) FROM %1 WHERE KOD IS NULL OR KOD = '' OR NAZEV IS NULL "
                                 "OR NAZEV = ''")
                                 .arg(QString::fromLatin1(table))),
                 0);
}

void TestSchema::samplesAreComplete() {
    QVERIFY(count(m_db, QStringLiteral("SELECT COUNT(*) FROM SVAZ")) >= 2);
    QVERIFY(count(m_db, QStringLiteral("SELECT COUNT(*) FROM SVAZPOD")) >= 2);
    for (const char* table : {"ODVINTER1", "ODVINTER2", "REGINTER", "CININTER"})
        QVERIFY(count(m_db, QStringLiteral("SELECT COUNT(*) FROM %1").arg(QString::fromLatin1(table))) > 0);
    // Internal code lists belong to existing unions and second-level sectors to first-level ones.
    QCOMPARE(count(m_db, QStringLiteral(
                             "SELECT COUNT(*) FROM ODVINTER2 B WHERE NOT EXISTS (SELECT * FROM ODVINTER1 "
                             "A WHERE A.ID_SVAZ = B.ID_SVAZ AND A.KOD_ODVINTER1 = B.KOD_ODVINTER1)")),
             0);
    for (const char* table : {"ODVINTER1", "REGINTER", "CININTER"})
        QCOMPARE(count(m_db, QStringLiteral(
                                 "SELECT COUNT(*) FROM %1 C WHERE NOT EXISTS (SELECT * FROM SVAZ S WHERE "
                                 "S.ID_SVAZ = C.ID_SVAZ)")
                                 .arg(QString::fromLatin1(table))),
                 0);

    // Each higher-level agreement is listed by the data module's query (inner joins with SVAZ and SVAZPOD),
    // has its sector and its KS row, and one row in each of the nine content tables.
    const qlonglong evks = count(m_db, QStringLiteral("SELECT COUNT(*) FROM EVKS"));
    QVERIFY(evks >= 2);
    QCOMPARE(count(m_db,
                   QStringLiteral("SELECT COUNT(*) FROM EVKS E JOIN SVAZ ON SVAZ.ID_SVAZ = E.ID_SVAZ JOIN "
                                  "SVAZPOD ON SVAZPOD.ID_SVAZPOD = E.ID_SVAZPOD JOIN ODVINTER1 O ON "
                                  "O.ID_SVAZ = E.ID_SVAZ AND O.KOD_ODVINTER1 = E.KOD_ODVINTER1 JOIN KS ON "
                                  "KS.ID_KS = E.ID_KS AND KS.ID_INST_KS = E.ID_INST_KS WHERE E.ID_TYPSUBJ IS "
                                  "NOT NULL AND E.PLATNOST = 'Y' AND KS.DATPLOD <= KS.DATPL")),
             evks);
    QCOMPARE(count(m_db, QStringLiteral(
                             "SELECT COUNT(*) FROM EVKS WHERE ID_INST_EVKS = 99999 OR ID_INST_KS = 99999")),
             0);
    for (const char* table : kContentTables)
        QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM EVKS E JOIN %1 C ON C.ID_KS = E.ID_KS AND "
                                            "C.ID_INST_KS = E.ID_INST_KS")
                                 .arg(QString::fromLatin1(table))),
                 evks);
    // Yes/no answers of the samples hold only 'Y', 'N' or NULL; dates are yyyy-mm-dd.
    QCOMPARE(count(m_db,
                   QStringLiteral("SELECT COUNT(*) FROM ZAMEST WHERE \"TO\" NOT IN ('Y', 'N') OR ZZ50 NOT IN "
                                  "('Y', 'N')")),
             0);
    QCOMPARE(count(m_db, QStringLiteral("SELECT COUNT(*) FROM KS WHERE DATPLOD NOT GLOB "
                                        "'[12][0-9][0-9][0-9]-[01][0-9]-[0-3][0-9]'")),
             0);
}

void TestSchema::textIsStoredAsWindows1250() {
    Statement s = m_db.prepare(QStringLiteral("SELECT NAZEV FROM NUTS3 WHERE KOD = 'CZ020'"));
    QVERIFY(s.step());
    // "Středočeský kraj" in Windows-1250: ř = F8, č = E8, ý = FD.
    QCOMPARE(s.rawText(0), QByteArray("St\xF8"
                                      "edo\xE8"
                                      "esk\xFD kraj"));
    QCOMPARE(s.value(0).toString(), QStringLiteral("Středočeský kraj"));
    Statement z = m_db.prepare(QStringLiteral("SELECT NAZEV FROM NUTS4 WHERE KOD = 'CZ0635'"));
    QVERIFY(z.step());
    QCOMPARE(z.rawText(0), QByteArray("\x8E\xEF\xE1r nad S\xE1zavou")); // Žďár nad Sázavou
}

// A delivered text longer than its column could not be edited and saved again.
void TestSchema::textsFitTheirColumns() {
    static const QRegularExpression varchar(QStringLiteral("^VARCHAR\\((\\d+)\\)$"));
    int checked = 0;
    for (auto t = m_types.cbegin(); t != m_types.cend(); ++t) {
        for (auto col = t.value().cbegin(); col != t.value().cend(); ++col) {
            const auto m = varchar.match(col.value());
            if (!m.hasMatch())
                continue;
            // Windows-1250 holds one byte per character, so the byte length is the length in characters.
            const QString sql =
                QStringLiteral("SELECT COUNT(*) FROM \"%1\" WHERE length(CAST(\"%2\" AS BLOB)) > %3")
                    .arg(t.key(), col.key(), m.captured(1));
            QVERIFY2(count(m_db, sql) == 0, qPrintable(t.key() + QLatin1Char('.') + col.key()));
            ++checked;
        }
    }
    QVERIFY(checked > 50);
}

QTEST_GUILESS_MAIN(TestSchema)
#include "test_schema.moc"
