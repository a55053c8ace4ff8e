// The check catalogue generator over a small item catalogue: names resolve to item ids, every check
// becomes one row with the codes its class needs, and anything it cannot resolve stops the build.

#include "data/connection.h"
#include "questionnaire/check_catalogue.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

const char* const Schema = R"(
CREATE TABLE POLOZKA (ID_POLOZKA INTEGER PRIMARY KEY, TABULKA TEXT, POLE TEXT, TYP TEXT, NAZEV TEXT,
  SUBJ01 TEXT, SUBJ02 TEXT, SUBJ03 TEXT, SUBJ04 TEXT, PLNENI_TABULKY TEXT, PLNENI_ANO TEXT, PLNENI_NE TEXT);
CREATE TABLE TYPKONTROLY (ID_TYPKONTROLY INTEGER PRIMARY KEY, KOD TEXT, NAZEV TEXT, PORADI INTEGER);
CREATE TABLE ZAVAZNOSTKONTROLY (ID_ZAVAZNOSTKONTROLY INTEGER PRIMARY KEY, KOD TEXT, NAZEV TEXT, PORADI INTEGER);
CREATE TABLE KONTROLA (ID_KONTROLA INTEGER PRIMARY KEY, ID_TYPKONTROLY INTEGER, ID_ZAVAZNOSTKONTROLY INTEGER,
  ID_TYPSUBJ INTEGER, TEXT TEXT, ID_POLOZKA INTEGER, ID_TYPVAZBY INTEGER, ID_TYPPOROVNANI INTEGER,
  MIN NUMERIC, MIN_VCETNE BOOLEAN, MAX NUMERIC, MAX_VCETNE BOOLEAN, NEVYPLNENO_NULA BOOLEAN);
CREATE TABLE POLOZKAKONTROLY (ID_KONTROLA INTEGER, ID_POLOZKA INTEGER);
INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, SUBJ04) VALUES
  (10, 'PREKAZKY', 'ZO1', 'odstupné do 1 roku', '3.1 a', '6.4 a', '6.4 a', ''),
  (11, 'PREKAZKY', 'ZO1MIN', 'min. násobek', '3.1 a', '6.4 a', '6.4 a', ''),
  (12, 'PREKAZKY', 'ZO1MAX', 'max. násobek', '3.1 a', '6.4 a', '6.4 a', ''),
  (20, 'PREKAZKY', 'NMPN4', 'náhrada mzdy v %', '8.1', '4.1', '4.1', '7.1'),
  (30, 'KS', 'DATUZ', 'Datum uzavření', '1.1 a', '1.1 a', '1.1 a', '1.1 a'),
  (40, 'PRIPLAT', 'SM80PRPV', '80% průměrného výdělku', '', '', '', '4.7 b'),
  (41, 'PRIPLAT', 'SM90PRPV', '90% průměrného výdělku', '', '', '', '4.7 b'),
  (50, 'SF', 'UR', 'rekreace', '7.4.3', '7.2', '7.2', '');
)";

QByteArray catalogue(const QByteArray& checks) {
    return R"({
  "types": [
    {"id": 1, "code": "VAZBA", "name": "Vazba", "order": 1},
    {"id": 2, "code": "ZADANI", "name": "Zadání", "order": 2},
    {"id": 3, "code": "ROZSAH", "name": "Rozsah", "order": 3},
    {"id": 4, "code": "POROVNANI", "name": "Porovnání", "order": 4}],
  "severities": [
    {"id": 2, "code": "NESTANDARD", "name": "Nestandardní hodnota", "order": 2},
    {"id": 1, "code": "CHYBA", "name": "Chyba", "order": 1}],
  "sections": [{"section": "test", "checks": [)" +
           checks + "]}]}";
}

qlonglong count(Connection& db, const QString& sql) {
    Statement st = db.prepare(sql);
    return st.step() ? st.value(0).toLongLong() : -1;
}

} // namespace

class TestCheckCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void writesResolvedRows();
    void expandsItemsAndPairs();
    void refusesBadChecks_data();
    void refusesBadChecks();
    void refusesFilledTables();
    void refusesMissingFile();

private:
    QTemporaryDir* m_dir = nullptr;
    Connection* m_db = nullptr;
};

void TestCheckCatalogue::init() {
    m_dir = new QTemporaryDir;
    m_db = new Connection;
    m_db->open(m_dir->filePath(QStringLiteral("t.db3")), Connection::OpenMode::Create);
    m_db->execute(QString::fromUtf8(Schema));
}

void TestCheckCatalogue::cleanup() {
    delete m_db;
    delete m_dir;
}

void TestCheckCatalogue::writesResolvedRows() {
    const QByteArray checks = R"(
      {"type": "binding", "kind": "strict", "item": "PREKAZKY.ZO1", "related": ["PREKAZKY.ZO1MAX", "PREKAZKY.ZO1MIN"]},
      {"type": "range", "item": "PREKAZKY.NMPN4", "min": 60, "minInclusive": false, "max": 100,
       "severity": "NESTANDARD", "text": "„{item}“ má být nad 60 %."},
      {"type": "comparison", "kind": "<=", "item": "PREKAZKY.ZO1MIN", "related": ["PREKAZKY.ZO1MAX"],
       "text": "„{item}“ je větší než „{related}“."},
      {"type": "required", "item": "KS.DATUZ", "note": "x"},
      {"type": "binding", "kind": "exclusion", "item": "PRIPLAT.SM80PRPV", "related": ["PRIPLAT.SM90PRPV"], "variant": 4})";
    QCOMPARE(CheckCatalogue::GenerateFromData(*m_db, catalogue(checks), QStringLiteral("test")), 5);

    QCOMPARE(count(*m_db, "SELECT count(*) FROM TYPKONTROLY"), 4);
    QCOMPARE(count(*m_db, "SELECT count(*) FROM ZAVAZNOSTKONTROLY WHERE ID_ZAVAZNOSTKONTROLY = 2 AND "
                          "KOD = 'NESTANDARD' AND PORADI = 2"),
             1);

    Statement st = m_db->prepare(QStringLiteral(
        "SELECT ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_TYPSUBJ, TEXT, ID_POLOZKA, ID_TYPVAZBY, "
        "ID_TYPPOROVNANI, MIN, MIN_VCETNE, MAX, MAX_VCETNE, NEVYPLNENO_NULA FROM KONTROLA ORDER BY ID_KONTROLA"));
    using V = QVariantList;
    const QList<V> expected{
        // binding: severity defaults to the lowest order (CHYBA, id 1), no bounds
        V{1, 1, 1, QVariant(), QString(), 10, 2, QVariant(), QVariant(), "N", QVariant(), "N", "N"},
        V{2, 3, 2, QVariant(), QStringLiteral("„náhrada mzdy v %“ má být nad 60 %."), 20, QVariant(), QVariant(),
          60.0, "N", 100.0, "Y", "N"},
        V{3, 4, 1, QVariant(), QStringLiteral("„min. násobek“ je větší než „max. násobek“."), 11, QVariant(), 2,
          QVariant(), "N", QVariant(), "N", "N"},
        V{4, 2, 1, QVariant(), QString(), 30, QVariant(), QVariant(), QVariant(), "N", QVariant(), "N", "N"},
        V{5, 1, 1, 4, QString(), 40, 4, QVariant(), QVariant(), "N", QVariant(), "N", "N"},
    };
    for (const V& row : expected) {
        QVERIFY(st.step());
        for (int c = 0; c < row.size(); ++c) {
            const QVariant actual = st.value(c);
            if (row.at(c).isNull())
                QVERIFY2(actual.isNull(), qPrintable(QStringLiteral("row %1 column %2").arg(row.at(0).toInt()).arg(c)));
            else
                QVERIFY2(actual.toString() == row.at(c).toString(),
                         qPrintable(QStringLiteral("row %1 column %2: %3").arg(row.at(0).toInt()).arg(c).arg(
                             actual.toString())));
        }
    }
    QVERIFY(!st.step());

    // Related items keep the authored order.
    Statement rel = m_db->prepare(QStringLiteral("SELECT ID_KONTROLA, ID_POLOZKA FROM POLOZKAKONTROLY"));
    QList<QPair<int, int>> rows;
    while (rel.step())
        rows.append({rel.value(0).toInt(), rel.value(1).toInt()});
    QCOMPARE(rows, (QList<QPair<int, int>>{{1, 12}, {1, 11}, {3, 12}, {5, 41}}));
}

void TestCheckCatalogue::expandsItemsAndPairs() {
    const QByteArray checks = R"(
      {"type": "range", "items": ["PREKAZKY.ZO1MIN", "PREKAZKY.ZO1MAX"], "min": 0, "text": "„{item}“ záporné."},
      {"type": "comparison", "kind": "<", "pairs": [["PREKAZKY.ZO1MIN", "PREKAZKY.ZO1MAX"], ["SF.UR", "PREKAZKY.ZO1MIN", "PREKAZKY.ZO1MAX"]],
       "text": "{item} / {related}"})";
    QCOMPARE(CheckCatalogue::GenerateFromData(*m_db, catalogue(checks), QStringLiteral("test")), 4);
    Statement st = m_db->prepare(QStringLiteral("SELECT ID_POLOZKA, TEXT FROM KONTROLA ORDER BY ID_KONTROLA"));
    QStringList rows;
    while (st.step())
        rows.append(st.value(0).toString() + QLatin1Char(' ') + st.value(1).toString());
    QCOMPARE(rows, (QStringList{QStringLiteral("11 „min. násobek“ záporné."), QStringLiteral("12 „max. násobek“ záporné."),
                                QStringLiteral("11 min. násobek / max. násobek"),
                                QStringLiteral("50 rekreace / „min. násobek“ + „max. násobek“")}));
    QCOMPARE(count(*m_db, "SELECT count(*) FROM POLOZKAKONTROLY WHERE ID_KONTROLA = 4"), 2);
}

void TestCheckCatalogue::refusesBadChecks_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("fragment");
    auto row = [](const char* name, const QByteArray& check, const char* fragment) {
        QTest::newRow(name) << catalogue(check) << QString::fromUtf8(fragment);
    };
    row("unknown main item", R"({"type": "required", "item": "KS.DATUZX"})", "KS.DATUZX");
    row("unknown related item",
        R"({"type": "binding", "kind": "strict", "item": "PREKAZKY.ZO1", "related": ["PREKAZKY.ZO1MIN", "PREKAZKY.ZO9"]})",
        "PREKAZKY.ZO9");
    row("item in wrong table", R"({"type": "required", "item": "KS.ZO1"})", "KS.ZO1");
    row("unknown type", R"({"type": "rozsah", "item": "KS.DATUZ"})", "rozsah");
    row("unknown binding kind",
        R"({"type": "binding", "kind": "strikt", "item": "PREKAZKY.ZO1", "related": ["PREKAZKY.ZO1MIN"]})", "strikt");
    row("unknown comparison kind",
        R"({"type": "comparison", "kind": "!=", "item": "PREKAZKY.ZO1MIN", "related": ["PREKAZKY.ZO1MAX"], "text": "x"})",
        "!=");
    row("unknown severity", R"({"type": "required", "item": "KS.DATUZ", "severity": "FATAL"})", "FATAL");
    row("misspelt key", R"({"type": "range", "item": "PREKAZKY.NMPN4", "min": 0, "maxInclusiv": true, "text": "x"})",
        "maxInclusiv");
    row("variant without the item", R"({"type": "required", "item": "PREKAZKY.ZO1", "variant": 4})", "variant");
    row("variant out of range", R"({"type": "required", "item": "KS.DATUZ", "variant": 5})", "1 až 4");
    row("item in no variant of the check",
        R"({"type": "binding", "kind": "nonstrict", "item": "PREKAZKY.ZO1", "related": ["PRIPLAT.SM80PRPV"]})",
        "PRIPLAT.SM80PRPV");
    row("range without bounds", R"({"type": "range", "item": "PREKAZKY.NMPN4", "text": "x"})", "mez");
    row("range with crossed bounds", R"({"type": "range", "item": "PREKAZKY.NMPN4", "min": 5, "max": 1, "text": "x"})",
        "mez");
    row("range without text", R"({"type": "range", "item": "PREKAZKY.NMPN4", "min": 0})", "text");
    row("bounds on a comparison",
        R"({"type": "comparison", "kind": "<", "item": "PREKAZKY.ZO1MIN", "related": ["PREKAZKY.ZO1MAX"], "min": 0, "text": "x"})",
        "min");
    row("strict binding without details in a variant",
        R"({"type": "binding", "kind": "strict", "item": "PREKAZKY.NMPN4", "related": ["PREKAZKY.ZO1MIN"]})",
        "variantě 4");
    row("binding without details", R"({"type": "binding", "kind": "strict", "item": "PREKAZKY.ZO1"})", "doplňující");
    row("combination with one detail",
        R"({"type": "binding", "kind": "combination", "item": "PREKAZKY.ZO1", "related": ["PREKAZKY.ZO1MIN"]})", "dvě");
    row("comparison without a partner",
        R"({"type": "comparison", "kind": "<", "item": "PREKAZKY.ZO1MIN", "text": "x"})", "porovnává");
    row("related on entry required", R"({"type": "required", "item": "KS.DATUZ", "related": ["SF.UR"]})", "related");
    row("percent sign in a binding text",
        R"({"type": "binding", "kind": "strict", "item": "PREKAZKY.ZO1", "related": ["PREKAZKY.ZO1MIN"], "text": "100 %"})",
        "%");
    row("unknown text token", R"({"type": "range", "item": "SF.UR", "min": 0, "text": "{nazev}"})", "{nazev}");
    row("duplicate check",
        R"({"type": "required", "item": "KS.DATUZ"}, {"type": "required", "item": "KS.DATUZ"})", "již uvedena");
    row("item twice in one check",
        R"({"type": "binding", "kind": "strict", "item": "PREKAZKY.ZO1", "related": ["PREKAZKY.ZO1MIN", "PREKAZKY.ZO1MIN"]})",
        "vícekrát");
    row("item and items", R"({"type": "required", "item": "KS.DATUZ", "items": ["SF.UR"]})", "právě jedno");

    QTest::newRow("malformed json") << QByteArray("{\"types\": [\n{\"id\": 1,,}]}") << QStringLiteral("řádek 2");
    QByteArray noTypes = catalogue(R"({"type": "required", "item": "KS.DATUZ"})");
    noTypes.replace(R"({"id": 4, "code": "POROVNANI", "name": "Porovnání", "order": 4})",
                    R"({"id": 5, "code": "POROVNANI", "name": "Porovnání", "order": 4})");
    QTest::newRow("check types not 1 to 4") << noTypes << QStringLiteral("1 až 4");
}

void TestCheckCatalogue::refusesBadChecks() {
    QFETCH(QByteArray, data);
    QFETCH(QString, fragment);
    try {
        CheckCatalogue::GenerateFromData(*m_db, data, QStringLiteral("checks.json"));
        QFAIL("the generator accepted a catalogue it cannot resolve");
    } catch (const CheckCatalogueError& e) {
        QVERIFY2(e.message().contains(fragment), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("checks.json")), qPrintable(e.message()));
    }
    // Nothing of a refused catalogue is left behind.
    for (const char* table : {"TYPKONTROLY", "ZAVAZNOSTKONTROLY", "KONTROLA", "POLOZKAKONTROLY"})
        QCOMPARE(count(*m_db, QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table))), 0);
}

void TestCheckCatalogue::refusesFilledTables() {
    m_db->execute(QStringLiteral("INSERT INTO TYPKONTROLY VALUES (1, 'X', 'x', 1)"));
    QVERIFY_THROWS_EXCEPTION(CheckCatalogueError,
                             CheckCatalogue::GenerateFromData(*m_db, catalogue(R"({"type": "required", "item": "KS.DATUZ"})"),
                                                              QStringLiteral("test")));
    QCOMPARE(count(*m_db, "SELECT count(*) FROM KONTROLA"), 0);
}

void TestCheckCatalogue::refusesMissingFile() {
    try {
        CheckCatalogue::Generate(*m_db, m_dir->filePath(QStringLiteral("missing.json")));
        QFAIL("a missing catalogue file was accepted");
    } catch (const CheckCatalogueError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("missing.json")), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestCheckCatalogue)
#include "test_check_catalogue.moc"
