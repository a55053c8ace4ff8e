// The check catalogue: loading, lookups, codes, IsValid and GetText of every class, and the binding
// reactions while a sheet is edited.

#include "check_fixture.h"

#include "data/errors.h"

#include <QSignalSpy>
#include <QTest>

#include <typeinfo>

using namespace mero;
using namespace mero::test;

Q_DECLARE_METATYPE(QList<int>)

namespace {

QString className(const TKontrolaZaklad* k) {
    // Itanium names carry the length of each name part, so "TKontrolaPorovnaniMensi" cannot match
    // inside "TKontrolaPorovnaniMensiRovno".
    const QString mangled = QString::fromLatin1(typeid(*k).name());
    static const QStringList names = {
        "TKontrolaVazbaStriktni", "TKontrolaVazbaNestriktni", "TKontrolaVazbaKombinacni", "TKontrolaVazbaVylucovaci",
        "TKontrolaZadani", "TKontrolaRozsah", "TKontrolaPorovnaniMensi", "TKontrolaPorovnaniMensiRovno",
        "TKontrolaPorovnaniVetsi", "TKontrolaPorovnaniVetsiRovno", "TKontrolaPorovnaniRovno",
        "TKontrolaPorovnaniNerovno"};
    for (const QString& n : names)
        if (mangled.contains(QString::number(n.size()) + n))
            return n;
    return mangled;
}

// "B2=Y,T1=x,N1=" -> values written into KS columns ("Y"/"N" Booleans, empty = NULL, else text/number).
void applyValues(CheckFixture& f, const QString& assignments) {
    if (assignments.isEmpty())
        return;
    for (const QString& part : assignments.split(QLatin1Char(','))) {
        const QString name = part.section(QLatin1Char('='), 0, 0);
        const QString value = part.section(QLatin1Char('='), 1);
        Field* field = f.field(QStringLiteral("KS"), name);
        QVERIFY2(field, qPrintable(name));
        f.edit(QStringLiteral("KS"));
        if (value.isEmpty())
            field->clear();
        else if (field->type() == FieldType::YesNo)
            field->setValue(value == QLatin1String("Y"));
        else
            field->setAsString(value);
    }
}

QVariant yesNo(const QString& v) {
    if (v.isEmpty())
        return QVariant();
    return QVariant(v == QLatin1String("Y"));
}

QString yesNoText(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return QString();
    return v.toBool() ? QStringLiteral("Y") : QStringLiteral("N");
}

// Main item 1 = KS.B1 and related items 2, 3, 4 = KS.B2, KS.B3, KS.T1 (exclusion: B2, B3 only).
void bindingCatalogue(CheckFixture& f, int kind) {
    f.item(1, "KS", "B1", "Otázka", {"1.1", "1.1", "", "1.1"});
    f.item(2, "KS", "B2", "Doplněk A", {"1.1 a", "1.1 a", "", ""});
    f.item(3, "KS", "B3", "Doplněk B", {"1.1 b", "1.1 b", "", ""});
    f.item(4, "KS", "T1", "Jiné", {"1.1 c", "", "", ""});
    f.check(10, 1, 1, 1, QString(), {{"ID_TYPVAZBY", QString::number(kind)}});
    f.related(10, kind == 4 ? QList<int>{2, 3} : QList<int>{2, 3, 4});
}

} // namespace

class TestCheckModel : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void normalizedCode_data();
    void normalizedCode();
    void codesPerVariant();
    void lookups();
    void loadChoosesClass_data();
    void loadChoosesClass();
    void loadSkipsBadRows();
    void loadCopiesFields();
    void missingCatalogueTable_data();
    void missingCatalogueTable();
    void filled();
    void setValue();
    void bindingIsValid_data();
    void bindingIsValid();
    void entryRequired_data();
    void entryRequired();
    void range_data();
    void range();
    void comparison_data();
    void comparison();
    void getText_data();
    void getText();
    void reactions_data();
    void reactions();
    void reactionsOnlyWhileEditing();
    void reactionsOfSeveralChecks();
};

void TestCheckModel::normalizedCode_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("normalized");
    QTest::newRow("12.3") << "12.3" << "0000001200000003";
    QTest::newRow("3.4a") << "3.4a" << "00000003000000040000000a";
    QTest::newRow("1..2") << "1..2" << "000000010000000000000002";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("long run keeps last 8 digits") << "1234567890" << "34567890";
    QTest::newRow("letter and space") << "2.1 a" << "00000002000000010000000 0000000a";
    QTest::newRow("trailing dot") << "7." << "00000007";
    QTest::newRow("2.9 before 2.10") << "2.10" << "0000000200000010";
}

void TestCheckModel::normalizedCode() {
    QFETCH(QString, code);
    QFETCH(QString, normalized);
    QCOMPARE(TPolozka::NormalizeCode(code), normalized);
    QVERIFY(TPolozka::NormalizeCode("2.9") < TPolozka::NormalizeCode("2.10"));
}

void TestCheckModel::codesPerVariant() {
    CheckFixture f;
    f.item(1, "KS", "B1", "Otázka", {"1.1", "", "3.4a", "12.3"});
    f.load();
    TPolozka* p = f.itemById(1);
    QVERIFY(p);
    QCOMPARE(p->CodeFor(1), QString("1.1"));
    QCOMPARE(p->CodeFor(2), QString());
    QCOMPARE(p->CodeFor(4), QString("12.3"));
    QCOMPARE(p->CodeFor(0), QString());
    QCOMPARE(p->CodeFor(5), QString());
    QVERIFY(p->AppliesTo(1));
    QVERIFY(!p->AppliesTo(2));
    QVERIFY(p->AppliesTo(3));
    QVERIFY(!p->AppliesTo(0));
    QVERIFY(!p->AppliesTo(-1));
    QCOMPARE(p->NormalizedCodeFor(3), QString("00000003000000040000000a"));
    QCOMPARE(p->NormalizedCodeFor(4), QString("0000001200000003"));
    QCOMPARE(p->NormalizedCodeFor(2), QString());
    QCOMPARE(p->NormalizedCodeFor(7), QString());
}

void TestCheckModel::lookups() {
    CheckFixture f;
    f.item(5, "KS", "B1", "první");
    f.item(6, "KS", "B1", "druhý se stejným sloupcem");
    f.item(7, "SPOLUP", "S1", "jiná tabulka");
    f.load();
    const TPolozkaList& items = f.module().Items();
    QCOMPARE(items.Count(), 3);
    QCOMPARE(items.FindById(6)->NAZEV, QString("druhý se stejným sloupcem"));
    QVERIFY(!items.FindById(8));
    QCOMPARE(items.FindByTableField("KS", "B1")->ID, 5); // the first match
    QCOMPARE(items.FindByTableField("SPOLUP", "S1")->ID, 7);
    QVERIFY(!items.FindByTableField("ks", "B1"));     // case matters
    QVERIFY(!items.FindByTableField("KS", "b1"));
    QVERIFY(!items.FindByTableField("SPOLUP", "B1"));
    QCOMPARE(f.module().Catalogue().CheckTypes().FindById(3)->NAZEV, QString("Rozsah"));
    QVERIFY(!f.module().Catalogue().CheckTypes().FindById(9));
    QCOMPARE(f.module().Catalogue().Severities().FindById(2)->PORADI, 2);
    QVERIFY(!f.module().Catalogue().Severities().FindById(0));
    QVERIFY(items.OwnsObjects());
    QVERIFY(f.module().Checks().OwnsObjects());
}

void TestCheckModel::loadChoosesClass_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("kindColumn");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("className");
    QTest::newRow("1/1") << 1 << "ID_TYPVAZBY" << 1 << "TKontrolaVazbaNestriktni";
    QTest::newRow("1/2") << 1 << "ID_TYPVAZBY" << 2 << "TKontrolaVazbaStriktni";
    QTest::newRow("1/3") << 1 << "ID_TYPVAZBY" << 3 << "TKontrolaVazbaKombinacni";
    QTest::newRow("1/4") << 1 << "ID_TYPVAZBY" << 4 << "TKontrolaVazbaVylucovaci";
    QTest::newRow("2") << 2 << "ID_TYPVAZBY" << 3 << "TKontrolaZadani";
    QTest::newRow("3") << 3 << "ID_TYPPOROVNANI" << 1 << "TKontrolaRozsah";
    QTest::newRow("4/1") << 4 << "ID_TYPPOROVNANI" << 1 << "TKontrolaPorovnaniMensi";
    QTest::newRow("4/2") << 4 << "ID_TYPPOROVNANI" << 2 << "TKontrolaPorovnaniMensiRovno";
    QTest::newRow("4/3") << 4 << "ID_TYPPOROVNANI" << 3 << "TKontrolaPorovnaniVetsi";
    QTest::newRow("4/4") << 4 << "ID_TYPPOROVNANI" << 4 << "TKontrolaPorovnaniVetsiRovno";
    QTest::newRow("4/5") << 4 << "ID_TYPPOROVNANI" << 5 << "TKontrolaPorovnaniRovno";
    QTest::newRow("4/6") << 4 << "ID_TYPPOROVNANI" << 6 << "TKontrolaPorovnaniNerovno";
}

void TestCheckModel::loadChoosesClass() {
    QFETCH(int, type);
    QFETCH(QString, kindColumn);
    QFETCH(int, kind);
    QFETCH(QString, className);
    CheckFixture f;
    f.item(1, "KS", "N1", "Číslo");
    f.check(1, type, 1, 1, "text", {{kindColumn, QString::number(kind)}});
    f.load();
    QCOMPARE(f.module().Checks().Count(), 1);
    QCOMPARE(::className(f.module().Checks()[0]), className);
    QCOMPARE(f.module().Checks()[0]->CheckType->ID, type);
}

void TestCheckModel::loadSkipsBadRows() {
    CheckFixture f;
    f.item(1, "KS", "B1", "Otázka");
    f.item(2, "KS", "B2", "A");
    f.item(3, "KS", "B3", "B");
    f.exec("INSERT INTO TYPKONTROLY VALUES (7, 'X', 'Neznámý druh', 7)");
    f.check(1, 1, 1, 1, "dobrá", {{"ID_TYPVAZBY", "2"}});
    f.check(2, 1, 1, 1, "vazba 5", {{"ID_TYPVAZBY", "5"}});
    f.check(3, 1, 1, 1, "vazba NULL");
    f.check(4, 4, 1, 1, "porovnání 7", {{"ID_TYPPOROVNANI", "7"}});
    f.check(5, 4, 1, 1, "porovnání 0", {{"ID_TYPPOROVNANI", "0"}});
    f.check(6, 9, 1, 1, "typ mimo katalog");
    f.check(7, 7, 1, 1, "typ v katalogu, neznámý druh");
    f.check(8, 2, 9, 1, "závažnost mimo katalog");
    f.check(9, 2, 1, 999, "položka mimo katalog");
    f.check(10, 2, 2, 2, "dobrá 2");
    f.related(1, {3, 555, 2}); // 555 is not an item: left out, order kept
    f.related(10, {1});
    f.load();

    const TKontrolaList& checks = f.module().Checks();
    QCOMPARE(checks.Count(), 2);
    QCOMPARE(checks[0]->ID, 1);
    QCOMPARE(checks[1]->ID, 10);
    QCOMPARE(f.module().Catalogue().RejectedChecks(), 8);
    QCOMPARE(f.module().Catalogue().RejectedRelations(), 1);

    const TKontrolaZaklad* k = checks[0];
    QCOMPARE(k->RelatedItems.Count(), 2);
    QCOMPARE(k->RelatedItems[0]->ID, 3);
    QCOMPARE(k->RelatedItems[1]->ID, 2);
    QVERIFY(!k->RelatedItems.OwnsObjects());

    // Registration: main item first, then related items; each item lists its checks in load order.
    TPolozka* b1 = f.itemById(1);
    QCOMPARE(b1->Checks.Count(), 2);
    QCOMPARE(b1->Checks[0]->ID, 1);  // main of 1
    QCOMPARE(b1->Checks[1]->ID, 10); // related of 10
    TPolozka* b2 = f.itemById(2);
    QCOMPARE(b2->Checks.Count(), 2);
    QCOMPARE(b2->Checks[0]->ID, 1);
    QCOMPARE(b2->Checks[1]->ID, 10);
    QCOMPARE(f.itemById(3)->Checks.Count(), 1);
    QVERIFY(!b1->Checks.OwnsObjects());
}

void TestCheckModel::loadCopiesFields() {
    CheckFixture f;
    f.item(1, "KS", "N1", "Počet", {"4.1", "4.2", "", "x"});
    f.check(1, 3, 2, 1, "Mimo rozsah", {{"MIN", "5"}, {"MIN_VCETNE", "'Y'"}, {"MAX", "10.5"}, {"MAX_VCETNE", "'N'"},
                                      {"NEVYPLNENO_NULA", "'Y'"}},
            "2");
    f.check(2, 3, 1, 1, QString(), {{"MIN_VCETNE", "'Y'"}, {"MAX_VCETNE", "'Y'"}});
    f.load();
    const TPolozka* p = f.itemById(1);
    QCOMPARE(p->TABULKA, QString("KS"));
    QCOMPARE(p->POLE, QString("N1"));
    QCOMPARE(p->TYP, QString("T"));
    QCOMPARE(p->NAZEV, QString("Počet"));
    QCOMPARE(p->SUBJ01, QString("4.1"));
    QCOMPARE(p->SUBJ02, QString("4.2"));
    QCOMPARE(p->SUBJ03, QString());
    QCOMPARE(p->SUBJ04, QString("x"));
    QCOMPARE(p->PLNENI_TABULKY, QString("PT"));
    QCOMPARE(p->PLNENI_ANO, QString("PA"));
    QCOMPARE(p->PLNENI_NE, QString("PN"));

    auto* r = dynamic_cast<TKontrolaRozsah*>(f.checkById(1));
    QVERIFY(r);
    QCOMPARE(r->Text, QString("Mimo rozsah"));
    QCOMPARE(r->SubjectType, std::optional<int>(2));
    QCOMPARE(r->Severity->NAZEV, QString("Upozornění"));
    QCOMPARE(r->MainItem, p);
    QVERIFY(r->HasMin);
    QCOMPARE(r->Min, 5.0);
    QVERIFY(r->MinInclusive);
    QVERIFY(r->HasMax);
    QCOMPARE(r->Max, 10.5);
    QVERIFY(!r->MaxInclusive);
    QVERIFY(r->NullAsZero);

    auto* open = dynamic_cast<TKontrolaRozsah*>(f.checkById(2));
    QVERIFY(open);
    QVERIFY(!open->SubjectType.has_value());
    QVERIFY(!open->HasMin);
    QCOMPARE(open->Min, 0.0);
    QVERIFY(!open->MinInclusive); // an inclusive flag without its bound means nothing
    QVERIFY(!open->HasMax);
    QVERIFY(!open->NullAsZero);
    QVERIFY(open->Text.isEmpty());
}

void TestCheckModel::missingCatalogueTable_data() {
    QTest::addColumn<QString>("table");
    for (const char* t : {"POLOZKA", "TYPKONTROLY", "ZAVAZNOSTKONTROLY", "KONTROLA", "POLOZKAKONTROLY"})
        QTest::newRow(t) << QString::fromLatin1(t);
}

void TestCheckModel::missingCatalogueTable() {
    QFETCH(QString, table);
    CheckFixture f;
    f.item(1, "KS", "B1", "Otázka");
    f.check(1, 2, 1, 1);
    f.exec(QStringLiteral("DROP TABLE %1").arg(table));
    bool failed = false;
    try {
        f.load();
    } catch (const DbError& e) {
        failed = true;
        QVERIFY2(e.message().contains(table), qPrintable(e.message()));
        QVERIFY2(e.message().startsWith(QStringLiteral("Nelze načíst katalog kontrol")), qPrintable(e.message()));
    }
    QVERIFY(failed);
}

void TestCheckModel::filled() {
    CheckFixture f;
    f.item(1, "KS", "B1", "ano/ne");
    f.item(2, "KS", "T1", "text");
    f.item(3, "KS", "N1", "číslo");
    f.item(4, "KS", "CHYBI", "sloupec neexistuje");
    f.item(5, "NEZNAMA", "B1", "tabulka neexistuje");
    f.item(6, "KS", "MEMO", "memo");
    f.load();
    TPolozka* b = f.itemById(1);
    TPolozka* t = f.itemById(2);
    TPolozka* n = f.itemById(3);
    TPolozka* m = f.itemById(6);
    QVERIFY(!b->IsFilled() && !t->IsFilled() && !n->IsFilled() && !m->IsFilled());
    f.set("KS", "B1", false);
    QVERIFY(!b->IsFilled()); // answered no
    f.set("KS", "B1", true);
    QVERIFY(b->IsFilled());
    f.set("KS", "T1", "");
    QVERIFY(!t->IsFilled());
    f.set("KS", "T1", " ");
    QVERIFY(t->IsFilled()); // a blank is a text form that is not empty
    f.set("KS", "N1", 0);
    QVERIFY(n->IsFilled());
    f.set("KS", "MEMO", "poznámka");
    QVERIFY(m->IsFilled());
    QVERIFY(!f.itemById(4)->field());
    QVERIFY(!f.itemById(4)->IsFilled());
    QVERIFY(!f.itemById(5)->field());
    QVERIFY(!f.itemById(5)->IsFilled());
}

void TestCheckModel::setValue() {
    CheckFixture f;
    f.item(1, "KS", "N1", "číslo");
    f.item(2, "KS", "T1", "text");
    f.item(3, "KS", "B1", "ano/ne");
    f.item(4, "KS", "CHYBI", "sloupec neexistuje");
    f.exec("INSERT INTO KS (ID_KS, ID_INST_KS, N1, T1, B1) VALUES (1, 99999, 12.5, 'abc', 'Y')");
    f.load();
    Dataset* ks = f.table("KS");
    QSignalSpy spy(ks, &Dataset::valueChanged);

    // Equal values leave the record alone: no edit state, no change.
    f.itemById(1)->SetValue(12.5);
    f.itemById(1)->SetValue(QStringLiteral("12.5"));
    f.itemById(1)->SetValue(QStringLiteral("12,5"));
    f.itemById(1)->SetValue(QStringLiteral(" 1 2,50 "));
    f.itemById(2)->SetValue(QStringLiteral("abc"));
    f.itemById(3)->SetValue(true);
    f.itemById(4)->SetValue(7);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(ks->state(), DatasetState::Browse);
    QVERIFY(!ks->isModified());

    f.itemById(1)->SetValue(13);
    QCOMPARE(f.get("KS", "N1").toDouble(), 13.0);
    f.itemById(2)->SetValue(QString());
    QVERIFY(f.get("KS", "T1").isNull());
    f.itemById(3)->SetValue(QVariant());
    QVERIFY(f.get("KS", "B1").isNull());
    f.itemById(1)->SetValue(QStringLiteral(""));
    QVERIFY(f.get("KS", "N1").isNull());
    const int writes = spy.count();
    QVERIFY(writes >= 4);
    f.itemById(1)->SetValue(QVariant()); // already empty
    QCOMPARE(spy.count(), writes);
}

void TestCheckModel::bindingIsValid_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("values");
    QTest::addColumn<bool>("valid");
    // strict
    QTest::newRow("strict yes, nothing") << 2 << "B1=Y" << false;
    QTest::newRow("strict no, one") << 2 << "B1=N,B2=Y" << false;
    QTest::newRow("strict unanswered, nothing") << 2 << "" << true;
    QTest::newRow("strict yes, text") << 2 << "B1=Y,T1=x" << true;
    QTest::newRow("strict no, answered no") << 2 << "B1=N,B2=N,B3=N" << true;
    QTest::newRow("strict unanswered, one") << 2 << "B3=Y" << false;
    // non-strict
    QTest::newRow("non-strict yes, nothing") << 1 << "B1=Y" << true;
    QTest::newRow("non-strict no, one") << 1 << "B1=N,B2=Y" << false;
    QTest::newRow("non-strict yes, two") << 1 << "B1=Y,B2=Y,T1=a" << true;
    QTest::newRow("non-strict no, empty text") << 1 << "B1=N,T1=" << true;
    // combination
    QTest::newRow("combination yes, one") << 3 << "B1=Y,B2=Y" << false;
    QTest::newRow("combination yes, two") << 3 << "B1=Y,B2=Y,T1=x" << true;
    QTest::newRow("combination no, two") << 3 << "B1=N,B2=Y,B3=Y" << false;
    QTest::newRow("combination no, one") << 3 << "B1=N,B3=Y" << true;
    QTest::newRow("combination unanswered, nothing") << 3 << "" << true;
    // exclusion
    QTest::newRow("exclusion yes, one") << 4 << "B1=Y,B2=Y" << false;
    QTest::newRow("exclusion no, two") << 4 << "B1=N,B2=Y,B3=Y" << false;
    QTest::newRow("exclusion no, one") << 4 << "B1=N,B2=Y" << true;
    QTest::newRow("exclusion yes, nothing") << 4 << "B1=Y,B2=N" << true;
}

void TestCheckModel::bindingIsValid() {
    QFETCH(int, kind);
    QFETCH(QString, values);
    QFETCH(bool, valid);
    CheckFixture f;
    bindingCatalogue(f, kind);
    f.load();
    applyValues(f, values);
    QCOMPARE(f.checkById(10)->IsValid(), valid);
}

void TestCheckModel::entryRequired_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("values");
    QTest::addColumn<bool>("valid");
    QTest::newRow("text empty") << "T1" << "" << false;
    QTest::newRow("text blanks") << "T1" << "T1=   " << false;
    QTest::newRow("text") << "T1" << "T1= x " << true;
    QTest::newRow("number 0") << "N1" << "N1=0" << true;
    QTest::newRow("number empty") << "N1" << "" << false;
    QTest::newRow("yes/no answered no") << "B1" << "B1=N" << true;
    QTest::newRow("yes/no unanswered") << "B1" << "" << false;
    QTest::newRow("date") << "D1" << "D1=2024-01-31" << true;
}

void TestCheckModel::entryRequired() {
    QFETCH(QString, field);
    QFETCH(QString, values);
    QFETCH(bool, valid);
    CheckFixture f;
    f.item(1, "KS", field, "Položka");
    f.check(1, 2, 1, 1);
    f.load();
    applyValues(f, values);
    QCOMPARE(f.checkById(1)->IsValid(), valid);
}

void TestCheckModel::range_data() {
    QTest::addColumn<QString>("bounds"); // KONTROLA columns as SQL literals
    QTest::addColumn<QString>("value");  // N1, empty = NULL
    QTest::addColumn<bool>("valid");
    const QString min0 = "MIN=0,MIN_VCETNE='N'";
    QTest::newRow("min 0 excl: 0") << min0 << "0" << false;
    QTest::newRow("min 0 excl: 0.0000004 rounds to 0") << min0 << "0.0000004" << false;
    QTest::newRow("min 0 excl: 0.0000005 rounds up") << min0 << "0.0000005" << true;
    QTest::newRow("min 0 excl: -1") << min0 << "-1" << false;
    QTest::newRow("min 0 excl: empty") << min0 << "" << true;
    QTest::newRow("min 0 excl: empty as zero") << min0 + ",NEVYPLNENO_NULA='Y'" << "" << false;
    QTest::newRow("min 0 incl: empty as zero") << "MIN=0,MIN_VCETNE='Y',NEVYPLNENO_NULA='Y'" << "" << true;
    QTest::newRow("min 0 incl: -0.0000004") << "MIN=0,MIN_VCETNE='Y'" << "-0.0000004" << true;
    QTest::newRow("max 100 incl: 100") << "MAX=100,MAX_VCETNE='Y'" << "100" << true;
    QTest::newRow("max 100 incl: 100.0000004") << "MAX=100,MAX_VCETNE='Y'" << "100.0000004" << true;
    QTest::newRow("max 100 incl: 100.0000005") << "MAX=100,MAX_VCETNE='Y'" << "100.0000005" << false;
    QTest::newRow("max 100 excl: 100") << "MAX=100,MAX_VCETNE='N'" << "100" << false;
    QTest::newRow("max 100 excl: 99.9999994") << "MAX=100,MAX_VCETNE='N'" << "99.9999994" << true;
    QTest::newRow("max 100 excl: empty as zero") << "MAX=100,NEVYPLNENO_NULA='Y'" << "" << true;
    QTest::newRow("10..20: 15") << "MIN=10,MIN_VCETNE='Y',MAX=20,MAX_VCETNE='Y'" << "15" << true;
    QTest::newRow("10..20: 9.9999") << "MIN=10,MIN_VCETNE='Y',MAX=20,MAX_VCETNE='Y'" << "9.9999" << false;
    QTest::newRow("10..20: 20.1") << "MIN=10,MIN_VCETNE='Y',MAX=20,MAX_VCETNE='Y'" << "20.1" << false;
    QTest::newRow("bound with 7 decimals rounds") << "MIN=1.0000004,MIN_VCETNE='N'" << "1.0000001" << false;
    QTest::newRow("no bounds") << "MIN_VCETNE='Y'" << "-5" << true;
    QTest::newRow("no bounds, empty as zero") << "NEVYPLNENO_NULA='Y'" << "" << true;
}

void TestCheckModel::range() {
    QFETCH(QString, bounds);
    QFETCH(QString, value);
    QFETCH(bool, valid);
    CheckFixture f;
    f.item(1, "KS", "N1", "Číslo");
    QMap<QString, QString> extra;
    for (const QString& part : bounds.split(QLatin1Char(','), Qt::SkipEmptyParts))
        extra.insert(part.section(QLatin1Char('='), 0, 0), part.section(QLatin1Char('='), 1));
    f.check(1, 3, 1, 1, "mimo rozsah", extra);
    f.load();
    applyValues(f, value.isEmpty() ? QString() : "N1=" + value);
    QCOMPARE(f.checkById(1)->IsValid(), valid);
}

void TestCheckModel::comparison_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("relatedCount");
    QTest::addColumn<QString>("values");
    QTest::addColumn<bool>("valid");
    QTest::newRow("one related empty: valid whatever") << 1 << 1 << "N1=5" << true;
    QTest::newRow("one related empty, equal: valid") << 5 << 1 << "N1=5" << true;
    QTest::newRow("two related empty, less: compared with 0") << 1 << 2 << "N1=5" << false;
    QTest::newRow("two related empty, greater") << 3 << 2 << "N1=5" << true;
    QTest::newRow("main empty") << 5 << 2 << "N2=3" << true;
    QTest::newRow("main empty, no related values") << 1 << 2 << "" << true;
    QTest::newRow("fixed point: 0.3 = 0.1 + 0.2") << 5 << 2 << "N1=0.3,N2=0.1,N3=0.2" << true;
    QTest::newRow("fixed point: 4 decimals") << 5 << 1 << "N1=1.00001,N2=1" << true;
    QTest::newRow("less or equal") << 2 << 2 << "N1=10,N2=4,N3=6" << true;
    QTest::newRow("less or equal fails") << 2 << 2 << "N1=10.01,N2=4,N3=6" << false;
    QTest::newRow("greater or equal, one of two empty") << 4 << 2 << "N1=1,N3=2" << false;
    QTest::newRow("greater or equal, equal") << 4 << 2 << "N1=2,N3=2" << true;
    QTest::newRow("not equal fails") << 6 << 1 << "N1=10,N2=10" << false;
    QTest::newRow("not equal") << 6 << 1 << "N1=10,N2=10.5" << true;
    QTest::newRow("less, one related") << 1 << 1 << "N1=2,N2=3" << true;
    QTest::newRow("greater, one related") << 3 << 1 << "N1=2,N2=3" << false;
    QTest::newRow("no related at all") << 1 << 0 << "N1=2" << true;
    // Beyond the fixed-point range (about 9.2E14) the numbers are compared as they are.
    QTest::newRow("huge main, less") << 1 << 1 << "N1=1E20,N2=1" << false;
    QTest::newRow("huge main, greater") << 3 << 1 << "N1=1E20,N2=1" << true;
    QTest::newRow("huge related, less") << 1 << 2 << "N1=5,N2=-1E20" << false;
    QTest::newRow("sum beyond the range") << 2 << 2 << "N1=5E14,N2=9E14,N3=9E14" << true;
    QTest::newRow("sum beyond the range, greater") << 3 << 2 << "N1=5E14,N2=9E14,N3=9E14" << false;
}

void TestCheckModel::comparison() {
    QFETCH(int, kind);
    QFETCH(int, relatedCount);
    QFETCH(QString, values);
    QFETCH(bool, valid);
    CheckFixture f;
    f.item(1, "KS", "N1", "Celkem");
    f.item(2, "KS", "N2", "Část 1");
    f.item(3, "KS", "N3", "Část 2");
    f.check(1, 4, 1, 1, "nesouhlasí", {{"ID_TYPPOROVNANI", QString::number(kind)}});
    f.related(1, QList<int>{2, 3}.mid(0, relatedCount));
    f.load();
    applyValues(f, values);
    QCOMPARE(f.checkById(1)->IsValid(), valid);
}

void TestCheckModel::getText_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text"); // null = NULL in the table
    QTest::addColumn<int>("subjectType");
    QTest::addColumn<QString>("expected");
    const QString bad = "položka „Otázka“ je chybně zadána vzhledem k doplňující otázce (otázkám)";
    QTest::newRow("strict, NULL") << 1 << 2 << QString() << 1 << bad;
    QTest::newRow("strict, blanks") << 1 << 2 << "   " << 1 << bad;
    QTest::newRow("strict, own text") << 1 << 2 << "Vlastní text" << 1 << "Vlastní text";
    QTest::newRow("non-strict, empty") << 1 << 1 << "" << 1 << bad;
    QTest::newRow("combination, empty")
        << 1 << 3 << "" << 1 << "společně s položkou „Otázka“ musí být vyplněny alespoň dvě možnosti";
    QTest::newRow("exclusion, variant 1")
        << 1 << 4 << "" << 1 << "může být vyplněna pouze jedna z položek „1.1 Otázka“ nebo „1.1 a Doplněk A“ nebo „1.1 b Doplněk B“";
    QTest::newRow("exclusion, variant 4")
        << 1 << 4 << "" << 4 << "může být vyplněna pouze jedna z položek „1.1 Otázka“ nebo „ Doplněk A“ nebo „ Doplněk B“";
    QTest::newRow("exclusion, own text") << 1 << 4 << "Jen jedna" << 1 << "Jen jedna";
    QTest::newRow("entry required, empty") << 2 << 0 << "" << 1 << "položka „Otázka“ není vyplněna";
    QTest::newRow("entry required, own") << 2 << 0 << " Vyplňte " << 1 << " Vyplňte ";
    QTest::newRow("range, empty stays empty") << 3 << 0 << "" << 1 << "";
    QTest::newRow("range, blanks as stored") << 3 << 0 << "  " << 1 << "  ";
    QTest::newRow("comparison, NULL") << 4 << 1 << QString() << 1 << "";
    QTest::newRow("comparison, own") << 4 << 1 << "Součet nesedí" << 1 << "Součet nesedí";
}

void TestCheckModel::getText() {
    QFETCH(int, type);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(int, subjectType);
    QFETCH(QString, expected);
    CheckFixture f;
    f.item(1, "KS", "B1", "Otázka", {"1.1", "1.1", "1.1", "1.1"});
    f.item(2, "KS", "B2", "Doplněk A", {"1.1 a", "", "", ""});
    f.item(3, "KS", "B3", "Doplněk B", {"1.1 b", "", "", ""});
    f.check(1, type, 1, 1, text, {{type == 4 ? "ID_TYPPOROVNANI" : "ID_TYPVAZBY", QString::number(kind)}});
    f.related(1, {2, 3});
    f.load();
    QVERIFY(f.checkById(1));
    QCOMPARE(f.checkById(1)->GetText(subjectType), expected);
}

void TestCheckModel::reactions_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("before");  // KS values before the edit
    QTest::addColumn<QString>("changed"); // the column the user edits
    QTest::addColumn<QString>("value");   // its new value
    QTest::addColumn<QString>("after");   // expected KS values afterwards
    // strict
    QTest::newRow("strict: first answer sets yes") << 2 << "" << "B2" << "Y" << "B1=Y,B2=Y";
    QTest::newRow("strict: text answer sets yes") << 2 << "B1=N" << "T1" << "x" << "B1=Y,T1=x";
    QTest::newRow("strict: clearing the last sets no") << 2 << "B1=Y,B2=Y" << "B2" << "" << "B1=N,B2=";
    QTest::newRow("strict: one of two cleared keeps yes") << 2 << "B1=Y,B2=Y,B3=Y" << "B3" << "N" << "B1=Y,B2=Y,B3=N";
    QTest::newRow("strict: yes without answers reverts") << 2 << "" << "B1" << "Y" << "B1=";
    QTest::newRow("strict: yes without answers reverts to no") << 2 << "B1=N" << "B1" << "Y" << "B1=N";
    QTest::newRow("strict: no with an answer reverts") << 2 << "B1=Y,B2=Y" << "B1" << "N" << "B1=Y,B2=Y";
    QTest::newRow("strict: no without answers stays") << 2 << "B1=Y" << "B1" << "N" << "B1=N";
    // non-strict
    QTest::newRow("non-strict: answer sets yes") << 1 << "B1=N" << "B3" << "Y" << "B1=Y,B3=Y";
    QTest::newRow("non-strict: clearing keeps yes") << 1 << "B1=Y,B2=Y" << "B2" << "" << "B1=Y,B2=";
    QTest::newRow("non-strict: no with an answer reverts") << 1 << "B1=Y,T1=x" << "B1" << "N" << "B1=Y,T1=x";
    QTest::newRow("non-strict: no without answers stays") << 1 << "B1=Y" << "B1" << "N" << "B1=N";
    QTest::newRow("non-strict: yes without answers stays") << 1 << "" << "B1" << "Y" << "B1=Y";
    // combination
    QTest::newRow("combination: one answer forces no") << 3 << "" << "B2" << "Y" << "B1=N,B2=Y";
    QTest::newRow("combination: second answer forces yes") << 3 << "B1=N,B2=Y" << "T1" << "x" << "B1=Y,B2=Y,T1=x";
    QTest::newRow("combination: user cannot set yes") << 3 << "B1=N,B2=Y" << "B1" << "Y" << "B1=N,B2=Y";
    QTest::newRow("combination: user cannot set no") << 3 << "B1=Y,B2=Y,B3=Y" << "B1" << "N" << "B1=Y";
    QTest::newRow("combination: user cannot clear") << 3 << "B1=N" << "B1" << "" << "B1=N";
    // exclusion
    QTest::newRow("exclusion: yes clears the others") << 4 << "B2=Y,B3=Y" << "B1" << "Y" << "B1=Y,B2=N,B3=N";
    QTest::newRow("exclusion: no keeps the others") << 4 << "B2=Y" << "B1" << "N" << "B1=N,B2=Y";
    QTest::newRow("exclusion: answer changes nothing") << 4 << "B1=Y" << "B2" << "Y" << "B1=Y,B2=Y";
}

void TestCheckModel::reactions() {
    QFETCH(int, kind);
    QFETCH(QString, before);
    QFETCH(QString, changed);
    QFETCH(QString, value);
    QFETCH(QString, after);
    CheckFixture f;
    bindingCatalogue(f, kind);
    f.load();
    applyValues(f, before);
    Dataset* ks = f.table("KS");
    f.edit("KS");
    Field* field = f.field("KS", changed);
    const QVariant old = field->value();
    const QVariant now = field->type() == FieldType::YesNo ? yesNo(value) : QVariant(value);
    field->setValue(now); // the editor writes first, then change tracking reports
    f.module().ItemValueChanged(ks, field, field->value(), old);
    for (const QString& part : after.split(QLatin1Char(','))) {
        const QString name = part.section(QLatin1Char('='), 0, 0);
        const QString expected = part.section(QLatin1Char('='), 1);
        Field* fld = f.field("KS", name);
        const QString actual = fld->type() == FieldType::YesNo ? yesNoText(fld->value()) : fld->asString();
        QVERIFY2(actual == expected, qPrintable(QStringLiteral("%1: %2, expected %3").arg(name, actual, expected)));
    }
}

void TestCheckModel::reactionsOnlyWhileEditing() {
    CheckFixture f;
    bindingCatalogue(f, 2);
    f.item(9, "SPOLUP", "S1", "jinde");
    f.exec("INSERT INTO KS (ID_KS, ID_INST_KS, B2) VALUES (1, 99999, 'Y')");
    f.load();
    Dataset* ks = f.table("KS");
    QCOMPARE(ks->state(), DatasetState::Browse);
    // Browse state: nothing happens.
    f.module().ItemValueChanged(ks, f.field("KS", "B2"), true, QVariant());
    QVERIFY(f.get("KS", "B1").isNull());
    QCOMPARE(ks->state(), DatasetState::Browse);
    // A column without an item: nothing happens.
    f.edit("KS");
    f.module().ItemValueChanged(ks, f.field("KS", "N1"), 5, QVariant());
    QVERIFY(f.get("KS", "B1").isNull());
    // Editing: the reaction runs.
    f.module().ItemValueChanged(ks, f.field("KS", "B2"), true, QVariant());
    QCOMPARE(f.get("KS", "B1"), QVariant(true));
}

void TestCheckModel::reactionsOfSeveralChecks() {
    // B1 is the main item of a strict binding (10) over B2 and of an exclusion (11) over B3, B4; B2 is
    // also a related item of a non-strict binding (12) with main item B5. An entry-required check (13)
    // on B2 takes no part in the reactions.
    CheckFixture f;
    f.item(1, "KS", "B1", "Otázka");
    f.item(2, "KS", "B2", "Doplněk");
    f.item(3, "KS", "B3", "Jiná možnost A");
    f.item(4, "KS", "B4", "Jiná možnost B");
    f.item(5, "KS", "B5", "Druhá otázka");
    f.check(10, 1, 1, 1, QString(), {{"ID_TYPVAZBY", "2"}});
    f.related(10, {2});
    f.check(11, 1, 1, 1, QString(), {{"ID_TYPVAZBY", "4"}});
    f.related(11, {3, 4});
    f.check(12, 1, 1, 5, QString(), {{"ID_TYPVAZBY", "1"}});
    f.related(12, {2});
    f.check(13, 2, 1, 2);
    f.exec("INSERT INTO KS (ID_KS, ID_INST_KS, B3, B4, B5) VALUES (1, 99999, 'Y', 'Y', 'N')");
    f.load();
    Dataset* ks = f.table("KS");
    f.edit("KS");
    const auto userSets = [&](const char* name, const QVariant& value) {
        Field* field = f.field("KS", name);
        const QVariant old = field->value();
        field->setValue(value);
        f.module().ItemValueChanged(ks, field, field->value(), old);
    };

    // The strict binding reverts the question first; the exclusion then sees the reverted value and
    // leaves its alternatives alone.
    userSets("B1", true);
    QVERIFY(f.get("KS", "B1").isNull());
    QCOMPARE(f.get("KS", "B3"), QVariant(true));
    QCOMPARE(f.get("KS", "B4"), QVariant(true));

    // A supplementary answer reaches both bindings it takes part in.
    userSets("B2", true);
    QCOMPARE(f.get("KS", "B1"), QVariant(true));
    QCOMPARE(f.get("KS", "B5"), QVariant(true));

    // No is refused by the strict binding, which puts yes back; the exclusion sees that yes and
    // clears its alternatives.
    userSets("B1", false);
    QCOMPARE(f.get("KS", "B1"), QVariant(true));
    QCOMPARE(f.get("KS", "B3"), QVariant(false));
    QCOMPARE(f.get("KS", "B4"), QVariant(false));
}

QTEST_GUILESS_MAIN(TestCheckModel)
#include "test_check_model.moc"
