// Derived values while a sheet is edited: converted tariffs and minimum wage, the fund balance and
// the non-decreasing bonus series.

#include "check_fixture.h"

#include <QTest>

using namespace mero;
using namespace mero::test;

namespace {

const QStringList kUses = {"UR", "UL", "UB", "US", "USV", "UO", "UPENZP", "UURAZP", "UDOPZAM", "UOO",
                           "UX", "UK", "UPP", "UTV", "UTA", "UJO", "UHM", "UZIVP", "UOS"};

// An editor writes a value, then change tracking reports it.
void type(CheckFixture& f, const QString& table, const QString& name, const QVariant& value) {
    f.set(table, name, value);
    Field* field = f.field(table, name);
    f.module().DeriveValues(f.table(table), field, field->value());
}

void leave(CheckFixture& f, const QString& table, const QString& name) {
    Field* field = f.field(table, name);
    f.module().ItemExited(f.table(table), field, field->value());
}

QString text(CheckFixture& f, const QString& table, const QString& name) {
    return f.field(table, name)->asString();
}

void tariffCatalogue(CheckFixture& f) {
    int id = 1;
    f.item(id++, "MZT", "TTFH", "Týdenní pracovní doba");
    for (int n = 1; n <= 20; ++n)
        f.item(id++, "MZT", QStringLiteral("MMTH%1").arg(n), QStringLiteral("Tarif %1").arg(n));
    f.item(id++, "MZN", "TFH", "Týdenní pracovní doba");
    f.item(id++, "MZN", "MMH", "Minimální mzda");
}

// Variant 1: every fund item has a code. Variant 2: UR and T2 have none. Variant 3: UZ has none.
void fundCatalogue(CheckFixture& f) {
    int id = 100;
    const QStringList inputs = {"T1", "T2", "RFKSP", "CT1", "CT2", "UZ"};
    for (const QString& c : inputs + kUses) {
        QStringList codes = {"9.1", "9.1", "9.1", ""};
        if (c == "UR" || c == "T2")
            codes[1] = QString();
        if (c == "UZ")
            codes[2] = QString();
        f.item(id++, "SF", c, c, codes);
    }
}

} // namespace

class TestDerivedValues : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tariff_data();
    void tariff();
    void hoursRecomputeAllTwenty();
    void minimumWage();
    void fund_data();
    void fund();
    void fundVariantOfNewRow_data();
    void fundVariantOfNewRow();
    void fundVariantFromHigherLevelAgreement();
    void fundNotForOtherColumns();
    void seriesForward();
    void seriesBackward();
    void nothingOutsideEditing();
};

void TestDerivedValues::tariff_data() {
    QTest::addColumn<QString>("hours");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("converted");
    QTest::newRow("40 hours: empty") << "40" << "100" << "";
    QTest::newRow("38.75 hours") << "38.75" << "100" << "103.33";
    QTest::newRow("37.5 hours: same amount") << "37.5" << "100" << "100";
    QTest::newRow("no hours") << "" << "100" << "";
    QTest::newRow("no amount") << "38" << "" << "";
    QTest::newRow("half to even, down") << "37.5" << "12.345" << "12.34";
    QTest::newRow("half to even, up") << "37.5" << "12.355" << "12.36";
    QTest::newRow("42 hours") << "42" << "87.5" << "98";
    // Only 40 itself leaves the amount unconverted, also when the hours differ from it in the fifth
    // decimal place.
    QTest::newRow("40.00004 hours") << "40.00004" << "100" << "106.67";
    QTest::newRow("39.99996 hours") << "39.99996" << "100" << "106.67";
    // Amounts beyond the fixed-point range are converted all the same.
    QTest::newRow("huge amount") << "38.75" << "1E20" << "1.03333333333333E20";
    QTest::newRow("huge hours") << "1E16" << "37.5" << "1E16";
}

void TestDerivedValues::tariff() {
    QFETCH(QString, hours);
    QFETCH(QString, amount);
    QFETCH(QString, converted);
    CheckFixture f;
    tariffCatalogue(f);
    f.load();
    f.edit("MZT");
    f.field("MZT", "MMTH1P")->setValue(999);
    f.field("MZT", "TTFH")->setAsString(hours);
    type(f, "MZT", "MMTH1", amount.isEmpty() ? QVariant() : QVariant(amount.toDouble()));
    QCOMPARE(text(f, "MZT", "MMTH1P"), converted);
}

void TestDerivedValues::hoursRecomputeAllTwenty() {
    CheckFixture f;
    tariffCatalogue(f);
    f.load();
    f.edit("MZT");
    for (int n = 1; n <= 20; ++n)
        f.field("MZT", QStringLiteral("MMTH%1").arg(n))->setValue(75 * n);
    type(f, "MZT", "TTFH", 38.75);
    for (int n = 1; n <= 20; ++n) {
        // 75·n / 37.5 · 38.75 = 77.5·n exactly
        QCOMPARE(f.field("MZT", QStringLiteral("MMTH%1P").arg(n))->asFloat(), 77.5 * n);
    }
    // Clearing one amount clears only its own converted value.
    type(f, "MZT", "MMTH3", QVariant());
    QVERIFY(f.field("MZT", "MMTH3P")->isNull());
    QCOMPARE(f.field("MZT", "MMTH4P")->asFloat(), 310.0);
    // A change of one amount leaves the others alone even when they are stale.
    f.field("MZT", "MMTH5P")->setValue(1);
    type(f, "MZT", "MMTH6", 150);
    QCOMPARE(f.field("MZT", "MMTH6P")->asFloat(), 155.0);
    QCOMPARE(f.field("MZT", "MMTH5P")->asFloat(), 1.0);
    // Clearing the hours clears all twenty.
    type(f, "MZT", "TTFH", QVariant());
    for (int n = 1; n <= 20; ++n)
        QVERIFY(f.field("MZT", QStringLiteral("MMTH%1P").arg(n))->isNull());
}

void TestDerivedValues::minimumWage() {
    CheckFixture f;
    tariffCatalogue(f);
    f.load();
    f.edit("MZN");
    f.field("MZN", "MMH")->setValue(100);
    type(f, "MZN", "TFH", 38.75);
    QCOMPARE(text(f, "MZN", "MMHP"), QString("103.33"));
    type(f, "MZN", "MMH", 12.345);
    QCOMPARE(text(f, "MZN", "MMHP"), QString("12.76")); // 12.345 / 37.5 × 38.75 = 12.75650
    type(f, "MZN", "TFH", 40);
    QVERIFY(f.field("MZN", "MMHP")->isNull());
}

void TestDerivedValues::fund_data() {
    QTest::addColumn<int>("variant");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QString>("edited");
    QTest::addColumn<QString>("uz"); // "untouched" when UZ keeps its 42
    QTest::newRow("T2 wins over T1") << 1 << "T2=Y,CT2=1000,UR=300,T1=Y,CT1=500" << "CT2" << "700";
    QTest::newRow("RFKSP alone") << 1 << "T2=N,T1=N,RFKSP=Y,CT1=500" << "RFKSP" << "500";
    QTest::newRow("T1 with uses") << 1 << "T2=N,T1=Y,CT1=500,UR=100,UL=50.5,UOS=0.25" << "UOS" << "349.25";
    QTest::newRow("nothing chosen") << 1 << "CT1=500,CT2=600,UB=10" << "UB" << "-10";
    QTest::newRow("every use subtracted") << 1 << "T2=Y,CT2=1900" << "T2" << "0";
    QTest::newRow("use without code kept") << 2 << "T1=Y,CT1=1000,UR=300,UL=100" << "UL" << "900";
    QTest::newRow("T2 without code: T1 counts") << 2 << "T2=Y,CT2=5000,T1=Y,CT1=1000" << "T2" << "1000";
    QTest::newRow("UZ without code not written") << 3 << "T1=Y,CT1=1000" << "CT1" << "untouched";
    QTest::newRow("variant 4 has no codes") << 4 << "T1=Y,CT1=1000" << "CT1" << "untouched";
    QTest::newRow("fixed point") << 1 << "T1=Y,CT1=0.3,UR=0.1,UL=0.2" << "UL" << "0";
    // Beyond the fixed-point range (about 9.2E14) the balance is still the plain difference.
    QTest::newRow("huge amount") << 1 << "T2=Y,CT2=1E20,UR=1E19" << "UR" << "9E19";
    QTest::newRow("sum beyond the range") << 1 << "T2=Y,CT2=9E14,UR=-9E14" << "UR" << "1.8E15";
}

void TestDerivedValues::fund() {
    QFETCH(int, variant);
    QFETCH(QString, values);
    QFETCH(QString, edited);
    QFETCH(QString, uz);
    CheckFixture f;
    fundCatalogue(f);
    f.exec(QStringLiteral("INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_TYPSUBJ, ROK) VALUES "
                          "(99999, 1, 99999, %1, 2024)")
               .arg(variant));
    f.exec("INSERT INTO SF (ID_KS, ID_INST_KS, UZ) VALUES (1, 99999, 42)");
    f.load();
    f.edit("SF");
    if (values == "T2=Y,CT2=1900")
        for (const QString& u : kUses)
            f.field("SF", u)->setValue(100);
    for (const QString& part : values.split(QLatin1Char(','))) {
        Field* fld = f.field("SF", part.section('=', 0, 0));
        const QString v = part.section('=', 1);
        if (fld->type() == FieldType::YesNo)
            fld->setValue(v == "Y");
        else
            fld->setAsString(v);
    }
    Field* e = f.field("SF", edited);
    f.module().DeriveValues(f.table("SF"), e, e->value());
    if (uz == "untouched")
        QCOMPARE(f.field("SF", "UZ")->asFloat(), 42.0);
    else
        QCOMPARE(f.field("SF", "UZ")->asFloat(), uz.toDouble());
}

void TestDerivedValues::fundVariantOfNewRow_data() {
    // How the registrations stand: "" untouched, "edit" in edit state without a change, a number: a
    // new row with that variant.
    QTest::addColumn<QString>("epks");
    QTest::addColumn<QString>("evks");
    QTest::addColumn<double>("uz"); // 42: not written
    QTest::newRow("nothing changed: variant 0") << "" << "" << 42.0;
    QTest::newRow("new registration, variant 1") << "1" << "" << 700.0;
    QTest::newRow("new higher-level agreement, variant 2") << "" << "2" << 800.0; // UR has no code in 2
    QTest::newRow("registration before higher-level agreement") << "1" << "2" << 700.0;
    QTest::newRow("registration first, though its variant has no UZ") << "3" << "2" << 42.0;
    QTest::newRow("registration edited without a change") << "edit" << "2" << 800.0;
}

void TestDerivedValues::fundVariantOfNewRow() {
    // A fund row not yet tied to its agreement takes the variant of the registration being created.
    QFETCH(QString, epks);
    QFETCH(QString, evks);
    QFETCH(double, uz);
    CheckFixture f;
    fundCatalogue(f);
    f.exec("INSERT INTO SF (ID_KS, ID_INST_KS, T1, UR, UZ) VALUES (NULL, NULL, 'Y', 100, 42)");
    f.exec("INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_TYPSUBJ) VALUES (99999, 1, 99999, 3)");
    f.exec("INSERT INTO EVKS (ID_INST_EVKS, ID_KS, ID_INST_KS, ID_TYPSUBJ) VALUES (99999, 1, 99999, 3)");
    f.load();
    const auto prepare = [&](const QString& table, const QString& how) {
        if (how == "edit") {
            f.table(table)->edit();
        } else if (!how.isEmpty()) {
            f.table(table)->append();
            f.field(table, "ID_TYPSUBJ")->setValue(how.toInt());
        }
    };
    prepare("EPKS", epks);
    prepare("EVKS", evks);
    type(f, "SF", "CT1", 800);
    QCOMPARE(f.field("SF", "UZ")->asFloat(), uz);
}

void TestDerivedValues::fundVariantFromHigherLevelAgreement() {
    CheckFixture f;
    fundCatalogue(f);
    f.exec("INSERT INTO SF (ID_KS, ID_INST_KS, UZ) VALUES (7, 99999, 42)");
    f.exec("INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_TYPSUBJ) VALUES (99999, 1, 99999, 3)");
    f.exec("INSERT INTO EVKS (ID_INST_EVKS, ID_KS, ID_INST_KS, ID_TYPSUBJ) VALUES (99999, 7, 99999, 2)");
    f.load();
    f.edit("SF");
    f.field("SF", "T1")->setValue(true);
    f.field("SF", "UR")->setValue(100); // no code in variant 2
    type(f, "SF", "CT1", 800);
    QCOMPARE(f.field("SF", "UZ")->asFloat(), 800.0);

    // Installation part differs: neither registration matches, variant 0.
    f.field("SF", "ID_INST_KS")->setValue(12345);
    f.field("SF", "UZ")->setValue(42);
    type(f, "SF", "CT1", 900);
    QCOMPARE(f.field("SF", "UZ")->asFloat(), 42.0);
}

void TestDerivedValues::fundNotForOtherColumns() {
    CheckFixture f;
    fundCatalogue(f);
    f.item(300, "SF", "X1", "jiný sloupec"); // not an input of the balance
    f.exec("ALTER TABLE SF ADD COLUMN X1 NUMERIC");
    f.exec("INSERT INTO EPKS (ID_INST_EPKS, ID_KS, ID_INST_KS, ID_TYPSUBJ) VALUES (99999, 1, 99999, 1)");
    f.exec("INSERT INTO SF (ID_KS, ID_INST_KS, T1, CT1, UZ) VALUES (1, 99999, 'Y', 500, 42)");
    f.load();
    type(f, "SF", "X1", 5);
    QCOMPARE(f.field("SF", "UZ")->asFloat(), 42.0);
    type(f, "SF", "UZ", 43); // the balance itself is no input
    QCOMPARE(f.field("SF", "UZ")->asFloat(), 43.0);
    type(f, "SF", "UTA", 1);
    QCOMPARE(f.field("SF", "UZ")->asFloat(), 499.0);
}

void TestDerivedValues::seriesForward() {
    CheckFixture f;
    int id = 1;
    for (const char* c : {"D50F0", "D50F5", "D50F10", "D50F15", "D50F20", "D50F25", "DF0", "DF5", "DF10", "DF15",
                          "DF20", "DF25", "DF30", "DF35", "DF40", "V0", "V5", "V10", "V15", "V20", "V25", "V30", "V35",
                          "V40"})
        f.item(id++, "ODMENY", QString::fromLatin1(c), QString::fromLatin1(c));
    f.load();
    type(f, "ODMENY", "DF0", 1000);
    for (const char* c : {"DF5", "DF10", "DF15", "DF20", "DF25", "DF30", "DF35", "DF40"})
        QCOMPARE(f.field("ODMENY", c)->asFloat(), 1000.0);
    QVERIFY(f.field("ODMENY", "V0")->isNull()); // other series untouched
    QVERIFY(f.field("ODMENY", "D50F25")->isNull());

    type(f, "ODMENY", "DF10", 800); // lower than the later members: nothing else changes
    QCOMPARE(f.field("ODMENY", "DF10")->asFloat(), 800.0);
    QCOMPARE(f.field("ODMENY", "DF15")->asFloat(), 1000.0);
    QCOMPARE(f.field("ODMENY", "DF5")->asFloat(), 1000.0);

    // Raising a middle member raises only the later, lower members.
    f.field("ODMENY", "D50F0")->setValue(100);
    f.field("ODMENY", "D50F5")->setValue(200);
    f.field("ODMENY", "D50F15")->setValue(300);
    f.field("ODMENY", "D50F20")->setValue(600);
    type(f, "ODMENY", "D50F10", 500);
    QCOMPARE(f.field("ODMENY", "D50F0")->asFloat(), 100.0);
    QCOMPARE(f.field("ODMENY", "D50F5")->asFloat(), 200.0);
    QCOMPARE(f.field("ODMENY", "D50F15")->asFloat(), 500.0);
    QCOMPARE(f.field("ODMENY", "D50F20")->asFloat(), 600.0);
    QCOMPARE(f.field("ODMENY", "D50F25")->asFloat(), 500.0);

    type(f, "ODMENY", "V40", 10); // the last member has no later ones
    QVERIFY(f.field("ODMENY", "V35")->isNull());
}

void TestDerivedValues::seriesBackward() {
    CheckFixture f;
    int id = 1;
    for (const char* c : {"DF0", "DF5", "DF10", "DF15", "DF20", "POZN"})
        f.item(id++, "ODMENY", QString::fromLatin1(c), QString::fromLatin1(c));
    f.load();
    type(f, "ODMENY", "DF0", 1000);
    type(f, "ODMENY", "DF10", 800);
    leave(f, "ODMENY", "DF10");
    QCOMPARE(f.field("ODMENY", "DF10")->asFloat(), 1000.0);

    // A cleared middle member takes its predecessor's amount.
    type(f, "ODMENY", "DF15", QVariant());
    leave(f, "ODMENY", "DF15");
    QCOMPARE(f.field("ODMENY", "DF15")->asFloat(), 1000.0);

    // Leaving a member at or above its predecessor changes nothing.
    type(f, "ODMENY", "DF20", 1200);
    leave(f, "ODMENY", "DF20");
    QCOMPARE(f.field("ODMENY", "DF20")->asFloat(), 1200.0);

    // The first member has no predecessor: clearing it stays.
    type(f, "ODMENY", "DF0", QVariant());
    leave(f, "ODMENY", "DF0");
    QVERIFY(f.field("ODMENY", "DF0")->isNull());
    // Now DF5 (1000) is above its empty predecessor: unchanged.
    leave(f, "ODMENY", "DF5");
    QCOMPARE(f.field("ODMENY", "DF5")->asFloat(), 1000.0);

    // An empty member after an empty predecessor stays empty.
    f.field("ODMENY", "DF5")->clear();
    f.field("ODMENY", "DF10")->clear();
    leave(f, "ODMENY", "DF10");
    QVERIFY(f.field("ODMENY", "DF10")->isNull());
    // Columns outside the series: nothing.
    leave(f, "ODMENY", "POZN");
}

void TestDerivedValues::nothingOutsideEditing() {
    CheckFixture f;
    tariffCatalogue(f);
    f.item(90, "ODMENY", "DF0", "DF0");
    f.item(91, "ODMENY", "DF5", "DF5");
    f.exec("INSERT INTO MZT (ID_KS, ID_INST_KS, TTFH, MMTH1) VALUES (1, 99999, 38.75, 100)");
    f.exec("INSERT INTO ODMENY (ID_KS, ID_INST_KS, DF0, DF5) VALUES (1, 99999, 1000, 10)");
    f.load();
    QCOMPARE(f.table("MZT")->state(), DatasetState::Browse);
    f.module().DeriveValues(f.table("MZT"), f.field("MZT", "TTFH"), 38.75);
    QVERIFY(f.field("MZT", "MMTH1P")->isNull());
    f.module().DeriveValues(f.table("ODMENY"), f.field("ODMENY", "DF0"), 1000);
    f.module().ItemExited(f.table("ODMENY"), f.field("ODMENY", "DF5"), 10);
    QCOMPARE(f.field("ODMENY", "DF5")->asFloat(), 10.0);
    QCOMPARE(f.table("MZT")->state(), DatasetState::Browse);
    QCOMPARE(f.table("ODMENY")->state(), DatasetState::Browse);

    // Editing, but the column has no catalogue item: nothing either.
    f.edit("MZT");
    f.module().DeriveValues(f.table("MZT"), f.field("MZT", "MMTH1P"), QVariant());
    QVERIFY(f.field("MZT", "MMTH1P")->isNull());
    // ... while the same record in edit state derives.
    f.module().DeriveValues(f.table("MZT"), f.field("MZT", "TTFH"), 38.75);
    QCOMPARE(f.field("MZT", "MMTH1P")->asString(), QString("103.33"));
    // A new record (insert state) derives too, forward and backward.
    f.table("ODMENY")->append();
    QCOMPARE(f.table("ODMENY")->state(), DatasetState::Insert);
    type(f, "ODMENY", "DF0", 500);
    QCOMPARE(f.field("ODMENY", "DF5")->asFloat(), 500.0);
    f.field("ODMENY", "DF5")->setValue(400);
    leave(f, "ODMENY", "DF5");
    QCOMPARE(f.field("ODMENY", "DF5")->asFloat(), 500.0);
}

QTEST_GUILESS_MAIN(TestDerivedValues)
#include "test_derived_values.moc"
