// The check run: which checks run for a variant, the result rows and their order, locating the
// agreement, the protocol and how it is shown.

#include "check_fixture.h"
#include "support/test_support.h"

#include "reports/check_protocol.h"
#include "reports/report_document.h"

#include <QCollator>
#include <QRegularExpression>
#include <QTest>

using namespace mero;
using namespace mero::test;

namespace {

// The preview window stand-in: records what the check run asks it to show.
class RecordingPreview : public ReportPreview {
public:
    RecordingPreview() : m_previous(ReportPreview::setInstance(this)) {}
    ~RecordingPreview() override { ReportPreview::setInstance(m_previous); }
    void showReport(const ReportDocument& report, bool modal) override {
        shown.append(report);
        modalFlags.append(modal);
    }
    void hideReport() override { ++hidden; }

    QList<ReportDocument> shown;
    QList<bool> modalFlags;
    int hidden = 0;

private:
    ReportPreview* m_previous;
};

TCheckedAgreement agreement(const QString& id, int rok, const QString& svaz, const QString& subj1,
                            const QString& subj2) {
    TCheckedAgreement a;
    a.ID = id;
    a.ID_SVAZ = QStringLiteral("S-") + svaz.left(3);
    a.SVAZ = svaz;
    a.ID_SUBJEKT1 = QStringLiteral("E-") + id;
    a.SUBJEKT1 = subj1;
    a.ID_SUBJEKT2 = QStringLiteral("Z-") + id;
    a.SUBJEKT2 = subj2;
    a.ROK = rok;
    return a;
}

// Entry-required checks on KS.T1 / T2 / T3 / N1 with codes in variant 1 only for T1..T3.
void runCatalogue(CheckFixture& f) {
    f.item(1, "KS", "T1", "Název smlouvy", {"2.9", "2.9", "", ""});
    f.item(2, "KS", "T2", "Poznámka", {"2.10", "", "", ""});
    f.item(3, "KS", "T3", "Jiné", {"1.1", "1.1", "", ""});
    f.item(4, "KS", "B1", "Ano/ne", {"3.1 a", "3.1 a", "3.1 a", ""});
    f.item(5, "KS", "B2", "Doplněk", {"3.1 b", "", "", ""});
    f.item(6, "KS", "CHYBI", "Bez sloupce", {"9.9", "9.9", "9.9", "9.9"});
    f.item(7, "KS", "N1", "Částka", {"4.1", "4.1", "4.1", "4.1"});
    f.check(1, 2, 1, 1);                           // T1 required, every variant, error
    f.check(2, 2, 2, 2);                           // T2 required, warning (only variant 1 has a code)
    f.check(3, 2, 1, 3, QString(), {}, "2");       // T3 required, variant 2 only
    f.check(4, 1, 1, 4, QString(), {{"ID_TYPVAZBY", "2"}}); // strict binding B1 <- B2
    f.related(4, {5});
    f.check(5, 2, 1, 6);                           // main column missing: never reported
    f.check(6, 3, 2, 7, "Částka mimo rozsah", {{"MIN", "100"}, {"MIN_VCETNE", "'Y'"}});
}

QStringList column(const TCheckResults& r, const QString& name) {
    const int index = static_cast<int>(TCheckResults::FieldNames().indexOf(name));
    QStringList out;
    for (const TCheckResult& row : r.Rows())
        out << TCheckResults::FieldText(row, index);
    return out;
}

} // namespace

class TestCheckRun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void resultFields();
    void variantFilter_data();
    void variantFilter();
    void valueText_data();
    void valueText();
    void cutToWidths();
    void sortOrder();
    void sortMatchesPlainSort();
    void prepareEmpties();
    void locateAndCheck();
    void showAndHide();
    void protocol();
};

void TestCheckRun::resultFields() {
    QCOMPARE(TCheckResults::FieldNames(),
             QStringList({"ID", "ID_SVAZ", "SVAZ", "ID_SUBJEKT1", "SUBJEKT1", "ID_SUBJEKT2", "SUBJEKT2", "ROK",
                          "PORADI_TYPKONTROLY", "TYP_KONTROLY", "PORADI_ZAVAZNOSTI", "ZAVAZNOST", "KODNORMALIZOVANY",
                          "KOD", "TEXT", "HODNOTA"}));
    CheckFixture f;
    runCatalogue(f);
    f.load();
    f.module().PrepareCheckResults();
    const int count = f.module().CheckAgreement(agreement("12\x1f" "99999", 2024, "Odbory", "Firma", "ZO"), 1);
    const TCheckResults& r = *f.module().CheckResults();
    // T1 and T2 are empty; T3 belongs to variant 2; the binding and the range (empty N1) hold; the
    // check on a missing column is skipped.
    QCOMPARE(count, 2);
    QCOMPARE(r.RecordCount(), 2);
    const TCheckResult& first = r.Row(0);
    QCOMPARE(first.ID, QString("12\x1f" "99999"));
    QCOMPARE(first.ID_SVAZ, QString("S-Odb"));
    QCOMPARE(first.SVAZ, QString("Odbory"));
    QCOMPARE(first.ID_SUBJEKT1, QString("E-12\x1f" "99999"));
    QCOMPARE(first.SUBJEKT1, QString("Firma"));
    QCOMPARE(first.SUBJEKT2, QString("ZO"));
    QCOMPARE(first.ROK, 2024);
    QCOMPARE(first.PORADI_TYPKONTROLY, 2);
    QCOMPARE(first.TYP_KONTROLY, QString("Zadání"));
    QCOMPARE(first.PORADI_ZAVAZNOSTI, 1);
    QCOMPARE(first.ZAVAZNOST, QString("Chyba"));
    QCOMPARE(first.KOD, QString("2.9"));
    QCOMPARE(first.KODNORMALIZOVANY, QString("0000000200000009"));
    QCOMPARE(first.TEXT, QString("položka „Název smlouvy“ není vyplněna"));
    QCOMPARE(first.HODNOTA, QString());
}

void TestCheckRun::variantFilter_data() {
    QTest::addColumn<int>("subjectType");
    QTest::addColumn<QString>("values");
    QTest::addColumn<QStringList>("codes");
    // Variant 1: checks 1, 2 (codes), 4 (binding), 6; check 3 belongs to variant 2.
    QTest::newRow("variant 1, empty") << 1 << "" << QStringList{"2.9", "2.10"};
    QTest::newRow("variant 1, binding fails") << 1 << "B1=Y,T1=a,T2=b" << QStringList{"3.1 a"};
    QTest::newRow("variant 1, range fails") << 1 << "T1=a,T2=b,N1=99.5" << QStringList{"4.1"};
    // Variant 2: T2 has no code, T3 check is variant 2's own.
    QTest::newRow("variant 2, empty") << 2 << "" << QStringList{"1.1", "2.9"};
    // Variant 3: only B1 and N1 have codes.
    QTest::newRow("variant 3, binding") << 3 << "B1=Y,N1=5" << QStringList{"3.1 a", "4.1"};
    QTest::newRow("variant 4: no codes but N1") << 4 << "B1=Y,N1=100" << QStringList{};
    QTest::newRow("variant 0: nothing applies") << 0 << "B1=Y,N1=5" << QStringList{};
}

void TestCheckRun::variantFilter() {
    QFETCH(int, subjectType);
    QFETCH(QString, values);
    QFETCH(QStringList, codes);
    CheckFixture f;
    runCatalogue(f);
    f.load();
    f.edit("KS");
    for (const QString& part : values.split(',', Qt::SkipEmptyParts)) {
        Field* fld = f.field("KS", part.section('=', 0, 0));
        fld->setAsString(part.section('=', 1));
    }
    f.module().PrepareCheckResults();
    const int count = f.module().CheckAgreement(agreement("", 2024, "S", "E", "Z"), subjectType);
    QCOMPARE(count, static_cast<int>(codes.size()));
    QStringList got = column(*f.module().CheckResults(), "KOD");
    got.sort();
    codes.sort();
    QCOMPARE(got, codes);
}

void TestCheckRun::valueText_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("hodnota");
    QTest::newRow("yes") << "B1" << "Y" << "ANO";
    QTest::newRow("no") << "B1" << "N" << "NE";
    QTest::newRow("unanswered") << "B1" << "" << "";
    QTest::newRow("text") << "T1" << "abc" << "abc";
    QTest::newRow("integer") << "I1" << "7" << "7";
    QTest::newRow("decimal in Czech") << "N1" << "12.5" << "12,5";
}

void TestCheckRun::valueText() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, hodnota);
    CheckFixture f;
    f.item(1, "KS", field, "Položka");
    // Two checks of which exactly one fails for each case; the failing one reports the value.
    if (field == "B1") {
        f.item(2, "KS", "B2", "Doplněk");
        f.check(1, 1, 1, 1, "vazba", {{"ID_TYPVAZBY", "4"}}); // exclusion: yes with one answer fails
        f.check(2, 1, 1, 1, "vazba", {{"ID_TYPVAZBY", "3"}}); // combination: no with two answers fails
        f.related(1, {2});
        f.related(2, {2, 2});
    } else {
        f.check(1, 2, 1, 1, "zadání");                          // fails when empty
        f.check(2, 4, 1, 1, "porovnání", {{"ID_TYPPOROVNANI", "6"}}); // v ≠ v fails when filled
        f.related(2, {1});
    }
    f.load();
    f.edit("KS");
    if (field == "B1") {
        f.field("KS", "B2")->setValue(true);
        if (!value.isEmpty())
            f.field("KS", "B1")->setValue(value == "Y");
    } else if (!value.isEmpty()) {
        f.field("KS", field)->setAsString(value);
    }
    f.module().PrepareCheckResults();
    QCOMPARE(f.module().CheckAgreement(agreement("", 2024, "S", "E", "Z"), 1), 1);
    QCOMPARE(f.module().CheckResults()->Row(0).HODNOTA, hodnota);
}

void TestCheckRun::cutToWidths() {
    CheckFixture f;
    f.item(1, "KS", "T1", "Položka", {"12345678901", "", "", ""});
    f.check(1, 2, 1, 1, QString(600, QChar(0x10D))); // "č" × 600
    f.load();
    f.module().PrepareCheckResults();
    TCheckedAgreement a = agreement(QString(50, 'i'), 2024, QString(150, QChar(0x161)), QString(120, 'e'),
                                    QString(101, 'z'));
    a.ID_SVAZ = QString(25, '1');
    QCOMPARE(f.module().CheckAgreement(a, 1), 1);
    const TCheckResult& r = f.module().CheckResults()->Row(0);
    QCOMPARE(r.TEXT, QString(500, QChar(0x10D)));
    QCOMPARE(r.KOD, QString("1234567890"));
    QCOMPARE(r.KODNORMALIZOVANY, QString("45678901")); // the normalized code keeps the last 8 digits
    QCOMPARE(r.SVAZ, QString(100, QChar(0x161)));
    QCOMPARE(r.SUBJEKT1.size(), 100);
    QCOMPARE(r.SUBJEKT2.size(), 100);
    QCOMPARE(r.ID.size(), 41);
    QCOMPARE(r.ID_SVAZ, QString(20, '1'));
    QCOMPARE(TCheckResults::FieldWidth("TEXT"), 500);
    QCOMPARE(TCheckResults::FieldWidth("KOD"), 10);
    QCOMPARE(TCheckResults::FieldWidth("ROK"), 0);
}

void TestCheckRun::sortOrder() {
    CheckFixture f;
    f.item(1, "KS", "T1", "A", {"2.10", "", "", ""});
    f.item(2, "KS", "T2", "B", {"2.9", "", "", ""});
    f.item(3, "KS", "T3", "C", {"10.1", "", "", ""});
    f.check(1, 2, 1, 1, "T1");
    f.check(2, 2, 1, 2, "T2");
    f.check(3, 2, 2, 3, "T3"); // severity order 2: after the errors
    f.load();
    f.module().PrepareCheckResults();
    TCheckModule& m = f.module();
    // Added out of order; the list orders by year, union, employer, union organisation, ID.
    QCOMPARE(m.CheckAgreement(agreement("5", 2025, "Alfa", "Firma", "ZO"), 1), 3);
    QCOMPARE(m.CheckAgreement(agreement("4", 2024, "Dělníci", "Firma", "ZO"), 1), 3);
    QCOMPARE(m.CheckAgreement(agreement("3", 2024, "Čeští", "Zeta", "ZO"), 1), 3);
    QCOMPARE(m.CheckAgreement(agreement("2", 2024, "Čeští", "Alfa", "ZO 2"), 1), 3);
    QCOMPARE(m.CheckAgreement(agreement("1", 2024, "Čeští", "Alfa", "ZO 1"), 1), 3);
    QCOMPARE(m.CheckAgreement(agreement("0", 2024, "Cukráři", "Alfa", "ZO 1"), 1), 3);
    QCOMPARE(m.CheckAgreement(agreement("9", 2024, "Čeští", "alfa", "ZO 1"), 1), 3);
    const TCheckResults& r = *m.CheckResults();
    QCOMPARE(r.RecordCount(), 21);
    QStringList ids;
    for (const TCheckResult& row : r.Rows())
        if (ids.isEmpty() || ids.last() != row.ID)
            ids << row.ID;
    // Czech collation: C < Č < D; "alfa" and "Alfa" compare equal and fall back to the ID.
    QCOMPARE(ids, QStringList({"0", "1", "9", "2", "3", "4", "5"}));
    // Within an agreement: severity order, then the normalized code (2.9 before 2.10).
    QCOMPARE(column(r, "KOD").mid(0, 3), QStringList({"2.9", "2.10", "10.1"}));
}

void TestCheckRun::sortMatchesPlainSort() {
    // Rows appended in every kind of order (one agreement in several pieces, names that differ only in
    // case, the same agreement twice, rows equal in every sort field) come out as a plain stable sort
    // by the index fields puts them.
    const QStringList unions{"Alfa", "alfa", "Čeští", "Cukráři", ""};
    const QStringList names{"Firma", "firma", "Zeta", "Ďábel", "Dub"};
    const QStringList codes{"2.9", "2.10", "10.1", "1", "1.1.a"};
    quint32 seed = 12345;
    const auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % quint32(n));
    };
    TCheckResults list;
    std::vector<TCheckResult> added;
    for (int block = 0; block < 300; ++block) {
        TCheckResult head;
        head.ID = QString::number(next(4));
        head.SVAZ = unions[next(int(unions.size()))];
        head.SUBJEKT1 = names[next(int(names.size()))];
        head.SUBJEKT2 = names[next(int(names.size()))];
        head.ROK = 2024 + next(2);
        const int rows = 1 + next(6);
        for (int i = 0; i < rows; ++i) {
            TCheckResult row = head;
            row.PORADI_ZAVAZNOSTI = 1 + next(2);
            row.KODNORMALIZOVANY = TPolozka::NormalizeCode(codes[next(int(codes.size()))]);
            row.TEXT = QStringLiteral("%1/%2").arg(block).arg(i); // tells the rows apart
            added.push_back(row);
            list.Append(row);
        }
    }
    QCollator czech{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    czech.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<TCheckResult> expected = added;
    std::stable_sort(expected.begin(), expected.end(), [&](const TCheckResult& a, const TCheckResult& b) {
        if (a.ROK != b.ROK)
            return a.ROK < b.ROK;
        for (auto name : {&TCheckResult::SVAZ, &TCheckResult::SUBJEKT1, &TCheckResult::SUBJEKT2})
            if (const int c = czech.compare(a.*name, b.*name); c != 0)
                return c < 0;
        if (const int c = a.ID.compare(b.ID); c != 0)
            return c < 0;
        if (a.PORADI_ZAVAZNOSTI != b.PORADI_ZAVAZNOSTI)
            return a.PORADI_ZAVAZNOSTI < b.PORADI_ZAVAZNOSTI;
        return a.KODNORMALIZOVANY.compare(b.KODNORMALIZOVANY) < 0;
    });
    QStringList got, want;
    for (const TCheckResult& row : list.Rows())
        got << row.TEXT;
    for (const TCheckResult& row : expected)
        want << row.TEXT;
    QCOMPARE(got, want);
    // Appending after a read sorts again.
    TCheckResult first = expected.front();
    first.ROK = 2000;
    first.TEXT = QStringLiteral("first");
    list.Append(first);
    QCOMPARE(list.Row(0).TEXT, QStringLiteral("first"));
    QCOMPARE(list.RecordCount(), int(added.size()) + 1);
}

void TestCheckRun::prepareEmpties() {
    CheckFixture f;
    runCatalogue(f);
    f.load();
    QVERIFY(!f.module().CheckResults());
    f.module().PrepareCheckResults();
    TCheckResults* list = f.module().CheckResults();
    QVERIFY(list);
    QVERIFY(list->IsEmpty());
    QVERIFY(f.module().CheckAgreement(agreement("1", 2024, "S", "E", "Z"), 1) > 0);
    QVERIFY(f.module().CheckAgreement(agreement("2", 2024, "S", "E", "Z"), 1) > 0);
    QCOMPARE(list->RecordCount(), 4);
    f.module().PrepareCheckResults();
    QCOMPARE(f.module().CheckResults(), list); // the one list of the run, emptied
    QCOMPARE(list->RecordCount(), 0);
}

void TestCheckRun::locateAndCheck() {
    CheckFixture f;
    runCatalogue(f);
    for (const QString& t : CheckFixture::questionnaireTables()) {
        f.exec(QStringLiteral("INSERT INTO %1 (ID_KS, ID_INST_KS) VALUES (1, 99999)").arg(t));
        if (t != "SF")
            f.exec(QStringLiteral("INSERT INTO %1 (ID_KS, ID_INST_KS) VALUES (2, 99999)").arg(t));
    }
    f.exec("UPDATE KS SET T1 = 'první' WHERE ID_KS = 1");
    f.load();
    RecordingSink sink;
    f.module().PrepareCheckResults();
    // Agreement 2 has no SF row: skipped without a message, nothing added.
    QCOMPARE(f.module().LocateAndCheckAgreement(agreement("2", 2024, "S", "E", "Z"), 2, 99999, 1), 0);
    QCOMPARE(f.module().CheckResults()->RecordCount(), 0);
    QVERIFY(sink.messages.isEmpty());
    // Agreement 1 is positioned and checked with its own values: only T2 is empty.
    QCOMPARE(f.module().LocateAndCheckAgreement(agreement("1", 2024, "S", "E", "Z"), 1, 99999, 1), 1);
    QCOMPARE(f.get("KS", "ID_KS").toInt(), 1);
    QCOMPARE(f.module().CheckResults()->Row(0).KOD, QString("2.10"));
    // Unknown installation: skipped.
    QCOMPARE(f.module().LocateAndCheckAgreement(agreement("3", 2024, "S", "E", "Z"), 1, 12345, 1), 0);
    QCOMPARE(f.module().CheckResults()->RecordCount(), 1);
    QVERIFY(f.module().LocateAgreement(1, 99999));
    QVERIFY(!f.module().LocateAgreement(2, 99999));
}

void TestCheckRun::showAndHide() {
    CheckFixture f;
    runCatalogue(f);
    f.load();
    RecordingSink sink;
    RecordingPreview preview;
    f.module().PrepareCheckResults();
    f.module().ShowCheckResults(false);
    QCOMPARE(sink.texts("info"), QStringList({"Během kontroly nebyly nalezeny žádné chyby."}));
    QVERIFY(preview.shown.isEmpty());

    f.module().CheckAgreement(agreement("", 2024, "S", "E", "Z"), 1);
    f.module().ShowCheckResults(true);
    QCOMPARE(preview.shown.size(), 1);
    QCOMPARE(preview.modalFlags, QList<bool>({true}));
    QCOMPARE(preview.shown[0].title, QString("Sorvenal - chybový výstup"));
    QVERIFY(preview.shown[0].html.contains("není vyplněna"));
    QCOMPARE(sink.texts("info").size(), 1);
    f.module().HideCheckResults();
    QCOMPARE(preview.hidden, 1);
}

void TestCheckRun::protocol() {
    CheckFixture f;
    f.item(1, "KS", "T1", "Název", {"1.1", "", "", ""});
    f.item(2, "KS", "T2", "Poznámka", {"1.2", "", "", ""});
    f.item(3, "KS", "B1", "Otázka", {"2.1", "", "", ""});
    f.item(4, "KS", "B2", "Doplněk", {"2.1 a", "", "", ""});
    f.check(1, 2, 1, 1);
    f.check(2, 2, 2, 2, "Chybí <poznámka> & spol.");
    f.check(3, 1, 1, 3, QString(), {{"ID_TYPVAZBY", "2"}});
    f.related(3, {4});
    f.load();
    f.set("KS", "B1", true);
    f.module().PrepareCheckResults();
    f.module().CheckAgreement(agreement("7", 2024, "Svaz A", "Zaměstnavatel A", "ZO A"), 1);
    f.module().CheckAgreement(agreement("8", 2024, "Svaz A", "Zaměstnavatel B", "ZO B"), 1);
    f.module().CheckAgreement(agreement("9", 2025, "Svaz A", "Zaměstnavatel A", "ZO A"), 1);
    const TCheckResults& r = *f.module().CheckResults();
    QCOMPARE(r.RecordCount(), 9);

    const QString text = CheckProtocolText(r);
    const QStringList lines = text.split('\n');
    QCOMPARE(lines[0], QString("Sorvenal - chybový výstup"));
    QCOMPARE(text.count("Zaměstnavatel: Zaměstnavatel A, ZO OS: ZO A"), 2);
    QCOMPARE(text.count("Zaměstnavatel: Zaměstnavatel B, ZO OS: ZO B"), 1);
    QCOMPARE(text.count("Celkový počet chyb: 3"), 3);
    QCOMPARE(text.count("Počet chyb: 2"), 3); // two errors per agreement
    QCOMPARE(text.count("Počet chyb: 1"), 3); // one warning per agreement
    QVERIFY(text.contains("rok 2024"));
    QVERIFY(text.contains("rok 2025"));
    // Year 2024 and union: one header for both agreements of 2024.
    QCOMPARE(text.count("rok 2024"), 1);
    // Line order inside the first agreement: errors (1.1, 2.1), then the warning (1.2) with its value.
    const qsizetype a = text.indexOf("Zaměstnavatel: Zaměstnavatel A");
    const qsizetype e11 = text.indexOf("1.1", a);
    const qsizetype e21 = text.indexOf("2.1", a);
    const qsizetype w12 = text.indexOf("1.2", a);
    QVERIFY(a >= 0 && e11 > a && e21 > e11 && w12 > e21);
    QVERIFY(text.contains(QRegularExpression("2\\.1 +položka „Otázka“ je chybně zadána.*ANO")));

    const ReportDocument doc = CheckProtocolDocument(r);
    QCOMPARE(doc.title, QString("Sorvenal - chybový výstup"));
    QCOMPARE(doc.pageFooter, QString("Strana %1"));
    QVERIFY(doc.html.contains("Chybí &lt;poznámka&gt; &amp; spol."));
    QVERIFY(doc.html.contains("Zaměstnavatel: Zaměstnavatel B, ZO OS: ZO B"));
    QCOMPARE(doc.html.count("Celkový počet chyb: 3"), 3);
    QCOMPARE(doc.html.count("Počet chyb:"), 6); // severity groups (totals say "Celkový počet")

    // A sheet run: empty identifiers give one agreement group.
    f.module().PrepareCheckResults();
    f.module().CheckAgreement(agreement("", 2024, "---", "Firma", "---"), 1);
    const QString sheet = CheckProtocolText(*f.module().CheckResults());
    QCOMPARE(sheet.count("Zaměstnavatel: Firma, ZO OS: ---"), 1);
    QCOMPARE(sheet.count("Celkový počet chyb: 3"), 1);
}

QTEST_GUILESS_MAIN(TestCheckRun)
#include "test_check_run.moc"
