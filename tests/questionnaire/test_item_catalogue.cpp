#include "data/connection.h"
#include "data/errors.h"
#include "questionnaire/item_catalogue.h"
#include "questionnaire/questionnaire_description.h"
#include "support/test_support.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

const char* kPolozka =
    "CREATE TABLE POLOZKA (ID_POLOZKA INTEGER PRIMARY KEY, TABULKA VARCHAR(20), POLE VARCHAR(30), "
    "NAZEV VARCHAR(500), SUBJ01 VARCHAR(20), SUBJ02 VARCHAR(20), SUBJ03 VARCHAR(20), "
    "SUBJ04 VARCHAR(20), TYP VARCHAR(20), PLNENI_TABULKY VARCHAR(100), PLNENI_ANO VARCHAR(100), "
    "PLNENI_NE VARCHAR(100))";

struct StoredRow {
    int id = 0;
    QString codes[4];
    QString name;
    QString type;
    QByteArray rawName;
};

QMap<QString, StoredRow> readPolozka(Connection& db) {
    QMap<QString, StoredRow> out;
    Statement s = db.prepare(QStringLiteral("SELECT ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, "
                                            "SUBJ03, SUBJ04, TYP FROM POLOZKA ORDER BY ID_POLOZKA"));
    while (s.step()) {
        StoredRow r;
        r.id = s.value(0).toInt();
        r.name = s.value(3).toString();
        r.rawName = s.rawText(3);
        for (int v = 0; v < 4; ++v)
            r.codes[v] = s.value(4 + v).toString();
        r.type = s.value(8).toString();
        out.insert(s.value(1).toString() + QLatin1Char('.') + s.value(2).toString(), r);
    }
    return out;
}

} // namespace

class TestItemCatalogue : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void rowsAreDeterministic();
    void codesPerVariant_data();
    void codesPerVariant();
    void writesIntoDatabase();
    void refusesFilledCatalogue();
    void deliveredDatabaseCarriesCatalogue();
};

void TestItemCatalogue::rowsAreDeterministic() {
    const auto& d = QuestionnaireDescription::delivered();
    const QList<ItemCatalogue::Row> rows = ItemCatalogue::rows(d);
    QCOMPARE(rows.size(), d.columns().size());
    QSet<QString> seen;
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).id, i + 1);
        const QString key = rows.at(i).table + QLatin1Char('.') + rows.at(i).column;
        QVERIFY2(!seen.contains(key), qPrintable(key));
        seen.insert(key);
        QVERIFY2(!rows.at(i).name.isEmpty(), qPrintable(key));
        bool shown = false;
        for (const QString& code : rows.at(i).codes)
            shown = shown || !code.isEmpty();
        QVERIFY2(shown, qPrintable(key + QStringLiteral(" is shown by no variant")));
    }
    // The same description gives the same rows.
    const QList<ItemCatalogue::Row> again = ItemCatalogue::rows(d);
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(again.at(i).id, rows.at(i).id);
        QCOMPARE(again.at(i).column, rows.at(i).column);
    }
    QCOMPARE(rows.first().table + QLatin1Char('.') + rows.first().column, QStringLiteral("KS.DATUZ"));
}

void TestItemCatalogue::codesPerVariant_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("type");
    QTest::newRow("detail carries its question's code")
        << "SPOLUP"
        << "CZOJ" << QStringList{"2.1d", "2.1d", "2.1d", ""} << "text";
    QTest::newRow("main question") << "SPOLUP"
                                   << "CZO" << QStringList{"2.1d", "2.1d", "2.1d", ""} << "ano/ne";
    QTest::newRow("lettered under a numbered question")
        << "PREKAZKY"
        << "ZO3MIN" << QStringList{"3.1c", "6.4c", "6.4c", "2.1"} << "číslo";
    QTest::newRow("unnumbered under a subsection")
        << "MZN"
        << "ZPMPROD" << QStringList{"5.1", "", "", "4.1"} << "ano/ne";
    QTest::newRow("one variant only") << "ZAMEST"
                                      << "EGD" << QStringList{"13.2", "", "", ""} << "text";
    QTest::newRow("variant 04 only") << "PRIPLAT"
                                     << "SM90PRPV" << QStringList{"", "", "", "4.7b"} << "ano/ne";
    QTest::newRow("moved between tables of questions")
        << "PRDOBA"
        << "KPD" << QStringList{"5.9a", "", "", "3.2"} << "ano/ne";
    QTest::newRow("tariff table") << "MZT"
                                  << "MMTH17P" << QStringList{"5.4", "", "", "4.3"} << "číslo";
    QTest::newRow("reward grid") << "ODMENY"
                                 << "DF40" << QStringList{"5.8", "3.11", "", "4.6"} << "číslo";
    QTest::newRow("fund uses") << "SF"
                               << "UOS" << QStringList{"", "", "7.1.2", ""} << "číslo";
    QTest::newRow("fund total") << "SF"
                                << "CT1" << QStringList{"7.4.1", "7.1", "7.1.1", ""} << "číslo";
    QTest::newRow("date") << "KS"
                          << "DATPL" << QStringList{"1.1b", "1.1b", "1.1b", "1.1b"} << "datum";
    QTest::newRow("key pair") << "KS"
                              << "ID_INST_KS_VKS" << QStringList{"1.1c", "1.1c", "1.1c", ""} << "klíč";
    QTest::newRow("numbered three levels") << "SF"
                                           << "PCSSF" << QStringList{"", "", "7.1.4", ""} << "ano/ne";
}

void TestItemCatalogue::codesPerVariant() {
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QStringList, codes);
    QFETCH(QString, type);
    for (const ItemCatalogue::Row& row : ItemCatalogue::rows(QuestionnaireDescription::delivered())) {
        if (row.table != table || row.column != column)
            continue;
        QCOMPARE((QStringList{row.codes[0], row.codes[1], row.codes[2], row.codes[3]}), codes);
        QCOMPARE(row.type, type);
        return;
    }
    QFAIL("column not in the catalogue");
}

void TestItemCatalogue::writesIntoDatabase() {
    QTemporaryDir dir;
    Connection db;
    db.open(dir.filePath(QStringLiteral("catalogue.db3")), Connection::OpenMode::Create);
    db.execute(QString::fromLatin1(kPolozka));
    ItemCatalogue::write(db);
    const auto stored = readPolozka(db);
    const auto rows = ItemCatalogue::rows(QuestionnaireDescription::delivered());
    QCOMPARE(stored.size(), rows.size());
    for (const ItemCatalogue::Row& row : rows) {
        const StoredRow s = stored.value(row.table + QLatin1Char('.') + row.column);
        QCOMPARE(s.id, row.id);
        QCOMPARE(s.name, row.name);
        for (int v = 0; v < 4; ++v)
            QCOMPARE(s.codes[v], row.codes[v]);
    }
    // Empty codes are stored as empty text, Czech names as Windows-1250 bytes.
    Statement empty =
        db.prepare(QStringLiteral("SELECT COUNT(*) FROM POLOZKA WHERE SUBJ04 = '' AND TABULKA = 'SPOLUP'"));
    QVERIFY(empty.step());
    QVERIFY(empty.value(0).toInt() > 20);
    const StoredRow zo1 = stored.value(QStringLiteral("PREKAZKY.ZO1MIN"));
    QCOMPARE(zo1.name, QStringLiteral("Odstupné nad jednonásobek (méně než 1 rok): min. násobek"));
    QVERIFY(zo1.rawName.contains("Odstupn\xe9"));
}

void TestItemCatalogue::refusesFilledCatalogue() {
    QTemporaryDir dir;
    Connection db;
    db.open(dir.filePath(QStringLiteral("catalogue.db3")), Connection::OpenMode::Create);
    db.execute(QString::fromLatin1(kPolozka));
    db.execute(QStringLiteral("INSERT INTO POLOZKA (ID_POLOZKA, TABULKA, POLE) VALUES (1, 'KS', 'DATUZ')"));
    QVERIFY_THROWS_EXCEPTION(DbError, ItemCatalogue::write(db));
    Statement s = db.prepare(QStringLiteral("SELECT COUNT(*) FROM POLOZKA"));
    QVERIFY(s.step());
    QCOMPARE(s.value(0).toInt(), 1);
}

// The delivered database carries exactly the generated catalogue.
void TestItemCatalogue::deliveredDatabaseCarriesCatalogue() {
    const QString path = test::deliveredDatabase();
    if (!QFile::exists(path))
        QFAIL("the delivered database has not been built");
    Connection db;
    db.open(path, Connection::OpenMode::ReadOnly);
    const auto stored = readPolozka(db);
    const auto rows = ItemCatalogue::rows(QuestionnaireDescription::delivered());
    QCOMPARE(stored.size(), rows.size());
    for (const ItemCatalogue::Row& row : rows) {
        const QString key = row.table + QLatin1Char('.') + row.column;
        QVERIFY2(stored.contains(key), qPrintable(key));
        const StoredRow s = stored.value(key);
        QCOMPARE(s.id, row.id);
        for (int v = 0; v < 4; ++v)
            QCOMPARE(s.codes[v], row.codes[v]);
    }
}

QTEST_GUILESS_MAIN(TestItemCatalogue)
#include "test_item_catalogue.moc"
