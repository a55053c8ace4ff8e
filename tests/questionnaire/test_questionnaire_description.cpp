#include "data/connection.h"
#include "questionnaire/questionnaire_description.h"
#include "support/test_support.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace mero;

namespace {

// One line of the column list (tests/questionnaire/data/catalogue_columns.txt).
struct Expected {
    QString table;
    QString column;
    QString kind;
    QString codes[4]; // "-" where the variant does not show the column
    bool detail = false;
};

QList<Expected> expectedColumns() {
    QFile file(test::sourcePath(QStringLiteral("tests/questionnaire/data/catalogue_columns.txt")));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("column list missing");
    QList<Expected> out;
    static const QRegularExpression range(QStringLiteral("^(\\w*)\\{(\\d+)\\.\\.(\\d+)\\}(\\w*)$"));
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList p = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (p.size() < 7)
            qFatal("bad line in column list: %s", qPrintable(line));
        QStringList columns;
        const auto m = range.match(p.at(1));
        if (m.hasMatch()) {
            for (int i = m.captured(2).toInt(); i <= m.captured(3).toInt(); ++i)
                columns << m.captured(1) + QString::number(i) + m.captured(4);
        } else {
            columns << p.at(1);
        }
        for (const QString& c : columns) {
            Expected e;
            e.table = p.at(0);
            e.column = c;
            e.kind = p.at(2);
            for (int v = 0; v < 4; ++v)
                e.codes[v] = p.at(3 + v);
            e.detail = p.size() > 7 && p.at(7) == QStringLiteral("detail");
            out.append(e);
        }
    }
    return out;
}

QString kindOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::YesNo:
        return QStringLiteral("yesno");
    case ControlKind::Number:
        return QStringLiteral("number");
    case ControlKind::Memo:
        return QStringLiteral("memo");
    case ControlKind::Date:
        return QStringLiteral("date");
    case ControlKind::Lookup:
        return QStringLiteral("key");
    default:
        return controlKindName(kind);
    }
}

// Every node of a variant, depth first.
template <typename F> void walk(const std::vector<Node>& nodes, F&& f) {
    for (const Node& n : nodes) {
        f(n);
        walk(n.children, f);
    }
}

template <typename F> void walk(const Variant& v, F&& f) {
    for (const Tab& t : v.tabs)
        for (const Section& s : t.sections)
            walk(s.nodes, f);
}

// Tabs with the sections on them; a section split over several tabs lists the numbers of its
// parts on each tab.
QStringList tabOutline(const Variant& v) {
    QMap<QString, int> tabsOfSection;
    for (const Tab& t : v.tabs)
        for (const Section& s : t.sections)
            ++tabsOfSection[s.number];
    QStringList out;
    for (const Tab& t : v.tabs) {
        QStringList sections;
        for (const Section& s : t.sections) {
            QString entry = s.title();
            if (tabsOfSection.value(s.number) > 1) {
                QStringList parts;
                for (const Node& n : s.nodes)
                    if (!n.number.isEmpty())
                        parts << n.number;
                entry += QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
            }
            sections << entry;
        }
        out << t.name + QLatin1Char('|') + t.caption + QLatin1Char('|') + sections.join(QStringLiteral("; "));
    }
    return out;
}

// The controls of the first tab: code, caption and what each shows.
QStringList firstTabFields(const Variant& v) {
    QStringList out;
    walk(v.tabs.front().sections.front().nodes, [&](const Node& n) {
        if (n.kind != Node::Kind::Question)
            return;
        QString what;
        if (!n.columns.isEmpty()) {
            QStringList cs;
            for (const ColumnRef& c : n.columns)
                cs << c.text();
            what = cs.join(QLatin1Char('+'));
        }
        if (!n.component.isEmpty())
            what += (what.isEmpty() ? QString() : QStringLiteral(" ")) + n.component;
        if (!n.reportValue.isEmpty())
            what += QLatin1Char('=') + n.reportValue;
        if (n.disabled)
            what += QStringLiteral(" disabled");
        if (n.readOnly)
            what += QStringLiteral(" readonly");
        out << n.code + QLatin1Char(' ') + n.caption + QStringLiteral(": ") + what;
    });
    return out;
}

QByteArray minimalVariant(const QByteArray& content, int variant = 1) {
    return QByteArray(R"J({"variant": )J") + QByteArray::number(variant) +
           R"J(, "sheetClass": "TFormEPKS01Edit", "document": "KS",
        "description": "x", "sphere": "x", "caption": {"format": "KS (%s)", "arguments": ["SUBJ_NAZEV"]},
        "size": {"width": 800, "height": 700}, "notes": "KS.MEMO",
        "tabs": [ { "name": "TsSmlouva", "caption": "Smlouva", "sections": [
          { "section": "1", "heading": "Úvod", "printHeading": "1. ÚVOD", "content": [ )J" +
           content + R"J( ] } ] } ] })J";
}

} // namespace

class TestQuestionnaireDescription : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void columnsPerVariantAsCatalogued_data();
    void columnsPerVariantAsCatalogued();
    void notesWindowEditsMemo();
    void columnsExistInDeliveredSchema();
    void tabsAndSections_data();
    void tabsAndSections();
    void printedHeadings_data();
    void printedHeadings();
    void sheetProperties();
    void headerFields_data();
    void headerFields();
    void specialLayouts();
    void wordingOfTheDocument();
    void namesForCheckMessages();
    void lookups();
    void malformedDescription_data();
    void malformedDescription();
    void conflictingNamesAcrossVariants();
    void unreadableFile();
};

void TestQuestionnaireDescription::columnsPerVariantAsCatalogued_data() {
    QTest::addColumn<int>("variant");
    for (int v = 1; v <= 4; ++v)
        QTest::addRow("variant %d", v) << v;
}

// Per variant the described columns are exactly those the catalogue lists for it, each with the
// catalogued code, kind and detail mark.
void TestQuestionnaireDescription::columnsPerVariantAsCatalogued() {
    QFETCH(int, variant);
    const Variant* v = QuestionnaireDescription::delivered().variant(variant);
    QVERIFY(v);
    QStringList problems;
    QSet<QString> expected;
    for (const Expected& e : expectedColumns()) {
        const QString code = e.codes[variant - 1];
        const QString key = e.table + QLatin1Char('.') + e.column;
        const Item* item = v->item(e.table, e.column);
        if (code == QStringLiteral("-") || code == QStringLiteral("notes")) {
            if (item)
                problems << key + QStringLiteral(" is described but not catalogued for this variant");
            continue;
        }
        expected.insert(key);
        if (!item) {
            problems << key + QStringLiteral(" is missing");
            continue;
        }
        if (item->code != code)
            problems << key + QStringLiteral(": code %1, catalogued %2").arg(item->code, code);
        if (kindOf(item->control) != e.kind)
            problems << key + QStringLiteral(": kind %1, catalogued %2").arg(kindOf(item->control), e.kind);
        if (item->detail != e.detail)
            problems << key + QStringLiteral(": detail %1, catalogued %2").arg(item->detail).arg(e.detail);
    }
    for (const Item& item : v->items)
        if (!expected.contains(item.column.text()))
            problems << item.column.text() + QStringLiteral(" is not in the column list at all");
    QSet<QString> seen;
    for (const Item& item : v->items) {
        if (seen.contains(item.column.text()))
            problems << item.column.text() + QStringLiteral(" appears twice");
        seen.insert(item.column.text());
    }
    if (!problems.isEmpty())
        QFAIL(qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(v->items.size(), expected.size());
}

void TestQuestionnaireDescription::notesWindowEditsMemo() {
    for (const Variant& v : QuestionnaireDescription::delivered().variants()) {
        QCOMPARE(v.notes.text(), QStringLiteral("KS.MEMO"));
        QVERIFY(!v.item(QStringLiteral("KS"), QStringLiteral("MEMO")));
    }
}

// Every described column exists in the delivered database with a type that its control can hold.
void TestQuestionnaireDescription::columnsExistInDeliveredSchema() {
    const QString path = test::deliveredDatabase();
    if (!QFile::exists(path))
        QFAIL("the delivered database has not been built");
    Connection db;
    db.open(path, Connection::OpenMode::ReadOnly);
    QMap<QString, QMap<QString, QString>> types; // table -> column -> declared type
    auto declared = [&](const QString& table) -> const QMap<QString, QString>& {
        if (!types.contains(table)) {
            Statement s = db.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
            s.bind(1, table);
            QMap<QString, QString> columns;
            while (s.step())
                columns.insert(s.value(0).toString(), s.value(1).toString().toUpper());
            types.insert(table, columns);
        }
        return types[table];
    };
    const QMap<ControlKind, QRegularExpression> accepted = {
        {ControlKind::YesNo, QRegularExpression(QStringLiteral("^BOOLEAN$"))},
        {ControlKind::Date, QRegularExpression(QStringLiteral("^DATE$"))},
        {ControlKind::Number,
         QRegularExpression(QStringLiteral("^(INTEGER|NUMERIC|DECIMAL|REAL|DOUBLE|FLOAT)"))},
        {ControlKind::Memo, QRegularExpression(QStringLiteral("^(VARCHAR|TEXT|CHAR)"))},
        {ControlKind::Lookup, QRegularExpression(QStringLiteral("^INTEGER$"))}};
    QStringList problems;
    for (const Variant& v : QuestionnaireDescription::delivered().variants())
        for (const Item& item : v.items) {
            const auto& columns = declared(item.column.table);
            if (columns.isEmpty()) {
                problems << QStringLiteral("table %1 is missing").arg(item.column.table);
                continue;
            }
            if (!columns.contains(item.column.column)) {
                problems << QStringLiteral("%1 is missing").arg(item.column.text());
                continue;
            }
            const QString type = columns.value(item.column.column);
            if (!accepted.value(item.control).match(type).hasMatch())
                problems << QStringLiteral("%1: declared %2 for a %3 control (variant %4)")
                                .arg(item.column.text(), type, controlKindName(item.control))
                                .arg(v.number);
        }
    for (const Variant& v : QuestionnaireDescription::delivered().variants()) {
        const QString memo = declared(v.notes.table).value(v.notes.column);
        if (!accepted.value(ControlKind::Memo).match(memo).hasMatch())
            problems << QStringLiteral("notes column %1 has type %2").arg(v.notes.text(), memo);
    }
    problems.removeDuplicates();
    if (!problems.isEmpty())
        QFAIL(qPrintable(problems.join(QLatin1Char('\n'))));
}

void TestQuestionnaireDescription::tabsAndSections_data() {
    QTest::addColumn<int>("variant");
    QTest::addColumn<QStringList>("outline");
    const QString s1 = QStringLiteral("1. Identifikační údaje o KS a smluvních stranách");
    const QString odm = QStringLiteral("Odměňování zaměstnanců");
    const QString ben = QStringLiteral("Benefity a pracovní podmínky zaměstnanců");
    QTest::newRow("01")
        << 1
        << QStringList{QStringLiteral("TsSmlouva|Smlouva|") + s1,
                       QStringLiteral("TsSpoluprace|Spolupráce|2. Spolupráce smluvních stran"),
                       QStringLiteral("TsPracovniPomer|Prac. poměr|3. Pracovní poměr a jeho změny"),
                       QStringLiteral("TSPracovniDoba|Pracovní doba|4. Pracovní doba a dovolená"),
                       QStringLiteral("TsOdmenovani|Odměňování|5. ") + odm + QStringLiteral("[5.1,5.2,5.3]"),
                       QStringLiteral("TsTarify|Tarify|5. ") + odm + QStringLiteral("[5.4]"),
                       QStringLiteral("TsMzda|Mzda|5. ") + odm + QStringLiteral("[5.5,5.6]"),
                       QStringLiteral("TsDalsiSlozkyMzdy|Složky mzdy|5. ") + odm +
                           QStringLiteral("[5.7,5.8,5.9,5.10,5.11,5.12,5.13]"),
                       QStringLiteral("TsZamestnanost|Zaměstnanost|6. Zaměstnanost"),
                       QStringLiteral("TsBenefity|Benefity|7. ") + ben + QStringLiteral("[7.1,7.2,7.3]"),
                       QStringLiteral("TsVyhody|Výhody|7. ") + ben + QStringLiteral("[7.4,7.5,7.6]"),
                       QStringLiteral("TsPrekazky|Překážky|8. Překážky v práci"),
                       QStringLiteral("TsOstatni|Ostatní|9. Odborný rozvoj zaměstnanců; 10. Rovné zacházení; "
                                      "11. Bezpečnost práce; 12. Implementace rámcových dohod evropských "
                                      "sociálních partnerů; 13. Green Deal")};
    auto publicSector = [&](const QString& seven) {
        return QStringList{
            QStringLiteral("TsSmlouva|Smlouva|") + s1,
            QStringLiteral("TsSpoluprace|Spolupráce|2. Spolupráce smluvních stran"),
            QStringLiteral("TsOdmenovani|Odměňování|3. Platy zaměstnanců"),
            QStringLiteral("TsPrekazky|Překážky|4. Překážky v práci"),
            QStringLiteral("TsZamestnanost|Zaměstnanost|5. Odborný rozvoj zaměstnanců; 6. Zaměstnanost"),
            QStringLiteral("TsVyhody|Výhody|7. ") + seven,
            QStringLiteral(
                "TsOstatni|Ostatní|8. Rovné zacházení; 9. Bezpečnost práce; 10. Implementace rámcových "
                "dohod evropských sociálních partnerů")};
    };
    QTest::newRow("02") << 2 << publicSector(QStringLiteral("Péče o zaměstnance"));
    QTest::newRow("03") << 3 << publicSector(QStringLiteral("Zaměstnanecké výhody a pracovní podmínky"));
    QTest::newRow("04")
        << 4
        << QStringList{
               QStringLiteral("TsSmlouva|Smlouva|") + s1,
               QStringLiteral("TsPracovniPomer|Prac. poměr|2. Pracovní poměr a jeho změny"),
               QStringLiteral("TSPracovniDoba|Pracovní doba|3. Pracovní doba a dovolená"),
               QStringLiteral("TsOdmenovani|Odměňování|4. ") + odm + QStringLiteral("[4.1,4.2]"),
               QStringLiteral("TsTarify|Tarify|4. ") + odm + QStringLiteral("[4.3]"),
               QStringLiteral("TsMzda|Mzda|4. ") + odm + QStringLiteral("[4.4]"),
               QStringLiteral("TsDalsiSlozkyMzdy|Složky mzdy|4. ") + odm +
                   QStringLiteral("[4.5,4.6,4.7,4.8,4.9,4.10,4.11]"),
               QStringLiteral("TsZamestnanost|Zaměstnanost|5. Zaměstnanost"),
               QStringLiteral("TsBenefity|Benefity|6. ") + ben + QStringLiteral("[6.1,6.2,6.3]"),
               QStringLiteral("TsVyhody|Výhody|6. ") + ben + QStringLiteral("[6.4]"),
               QStringLiteral("TsPrekazky|Překážky|7. Překážky v práci"),
               QStringLiteral("TsOstatni|Ostatní|8. Odborný rozvoj zaměstnanců; 9. Bezpečnost práce")};
}

void TestQuestionnaireDescription::tabsAndSections() {
    QFETCH(int, variant);
    QFETCH(QStringList, outline);
    QCOMPARE(tabOutline(*QuestionnaireDescription::delivered().variant(variant)), outline);
}

void TestQuestionnaireDescription::printedHeadings_data() {
    QTest::addColumn<int>("variant");
    QTest::addColumn<QStringList>("headings");
    const QStringList common = {QStringLiteral("1. IDENTIFIKAČNÍ ÚDAJE O KS A SMLUVNÍCH STRANÁCH"),
                                QStringLiteral("2. SPOLUPRÁCE SMLUVNÍCH STRAN")};
    QTest::newRow("01") << 1
                        << common +
                               QStringList{QStringLiteral("3. PRACOVNÍ POMĚR A JEHO ZMĚNY"),
                                           QStringLiteral("4. PRACOVNÍ DOBA A DOVOLENÁ"),
                                           QStringLiteral("5. ODMĚŇOVÁNÍ ZAMĚSTNANCŮ"),
                                           QStringLiteral("6. ZAMĚSTNANOST"),
                                           QStringLiteral("7. BENEFITY A PRACOVNÍ  PODMÍNKY ZAMĚSTNANCŮ"),
                                           QStringLiteral("8. PŘEKÁŽKY V PRÁCI"),
                                           QStringLiteral("9. ODBORNÝ ROZVOJ ZAMĚSTNANCŮ"),
                                           QStringLiteral("10. ROVNÉ ZACHÁZENÍ"),
                                           QStringLiteral("11. BEZPEČNOST PRÁCE (§101-§108 ZP)"),
                                           QStringLiteral("12. IMPLEMENTACE RÁMCOVÝCH DOHOD EVROPSKÝCH "
                                                          "SOCIÁLNÍCH PARTNERŮ"),
                                           QStringLiteral("13. GREEN DEAL")};
    auto publicSector = [&](const QString& seven) {
        return common +
               QStringList{QStringLiteral("3. PLATY ZAMĚSTNANCŮ"),
                           QStringLiteral("4. PŘEKÁŽKY V PRÁCI"),
                           QStringLiteral("5. ODBORNÝ ROZVOJ ZAMĚSTNANCŮ"),
                           QStringLiteral("6. ZAMĚSTNANOST"),
                           seven,
                           QStringLiteral("8. ROVNÉ ZACHÁZENÍ"),
                           QStringLiteral("9. BEZPEČNOST PRÁCE (§101-§108 ZP)"),
                           QStringLiteral("10. IMPLEMENTACE RÁMCOVÝCH DOHOD EVROPSKÝCH SOCIÁLNÍCH PARTNERŮ")};
    };
    QTest::newRow("02") << 2 << publicSector(QStringLiteral("7. PÉČE O ZAMĚSTNANCE"));
    QTest::newRow("03") << 3
                        << publicSector(
                               QStringLiteral("7. ZAMĚSTNANECKÉ VÝHODY A PRACOVNÍ PODMÍNKY ZAMĚSTNANCŮ"));
    QTest::newRow("04") << 4
                        << QStringList{QStringLiteral("1. IDENTIFIKAČNÍ ÚDAJE O VP"),
                                       QStringLiteral("2. PRACOVNÍ POMĚR A JEHO ZMĚNY"),
                                       QStringLiteral("3. PRACOVNÍ DOBA A DOVOLENÁ"),
                                       QStringLiteral("4. ODMĚŇOVÁNÍ ZAMĚSTNANCŮ"),
                                       QStringLiteral("5. ZAMĚSTNANOST"),
                                       QStringLiteral("6. BENEFITY A PRACOVNÍ  PODMÍNKY ZAMĚSTNANCŮ"),
                                       QStringLiteral("7. PŘEKÁŽKY V PRÁCI"),
                                       QStringLiteral("8. ODBORNÝ ROZVOJ ZAMĚSTNANCŮ"),
                                       QStringLiteral("9. BEZPEČNOST PRÁCE  (101-108 ZP)")};
}

void TestQuestionnaireDescription::printedHeadings() {
    QFETCH(int, variant);
    QFETCH(QStringList, headings);
    QStringList actual;
    for (const Tab& t : QuestionnaireDescription::delivered().variant(variant)->tabs)
        for (const Section& s : t.sections)
            if (!s.continued)
                actual << s.printHeading;
    QCOMPARE(actual, headings);
}

void TestQuestionnaireDescription::sheetProperties() {
    const auto& d = QuestionnaireDescription::delivered();
    QCOMPARE(d.variants().size(), 4);
    QVERIFY(!d.variant(0));
    QVERIFY(!d.variant(5));
    const Variant* v1 = d.variant(1);
    QCOMPARE(v1->sheetClass, QStringLiteral("TFormEPKS01Edit"));
    QCOMPARE(v1->width, 800);
    QCOMPARE(v1->height, 920);
    QCOMPARE(
        v1->windowCaption({QStringLiteral("ZO Tatra"), QStringLiteral("Tatra a.s."), QStringLiteral("2024")}),
        QStringLiteral("KS - Podnikatelská sféra (ZO Tatra - Tatra a.s., rok 2024)"));
    QCOMPARE(v1->captionArguments, (QStringList{QStringLiteral("ZOOS_NAZEV"), QStringLiteral("SUBJ_NAZEV"),
                                                QStringLiteral("ROK")}));
    QCOMPARE(d.variant(2)->windowCaption({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("2023")}),
             QStringLiteral("KS - Veřejná služba a správa (a - b, rok 2023)"));
    QCOMPARE(d.variant(3)->windowCaption({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("2023")}),
             QStringLiteral("KS - Obce a kraje (a - b, rok 2023)"));
    const Variant* v4 = d.variant(4);
    QCOMPARE(v4->captionArguments, (QStringList{QStringLiteral("SUBJ_NAZEV"), QStringLiteral("ROK")}));
    QCOMPARE(v4->windowCaption({QStringLiteral("Firma"), QStringLiteral("2022")}),
             QStringLiteral("VP - Podnikatelská sféra (Firma, rok 2022)"));
    QCOMPARE(v4->document, QStringLiteral("VP"));
    for (int n = 2; n <= 4; ++n) {
        QCOMPARE(d.variant(n)->sheetClass, QStringLiteral("TFormEPKS0%1Edit").arg(n));
        QCOMPARE(d.variant(n)->width, 800);
        QCOMPARE(d.variant(n)->height, 700);
    }
    QCOMPARE(d.variant(1)->sphere, QStringLiteral("podnikatelská sféra"));
    QCOMPARE(d.variant(2)->sphere, QStringLiteral("veřejná služba a správa"));
    QCOMPARE(d.variant(3)->sphere, QStringLiteral("obce a kraje"));
    QCOMPARE(d.variant(4)->sphere, QStringLiteral("podnikatelská sféra"));
}

void TestQuestionnaireDescription::headerFields_data() {
    QTest::addColumn<int>("variant");
    QTest::addColumn<QStringList>("fields");
    const QStringList evks = {
        QStringLiteral(
            "1.1c Vyšší kolektivní smlouva: KS.ID_KS_VKS+KS.ID_INST_KS_VKS DBEditKS_EVKS disabled"),
        QStringLiteral("1.1c platnost od: EditKS_EVKS_DATPLOD=KS_EVKS_DATPLOD disabled"),
        QStringLiteral("1.1c do: EditKS_EVKS_DATPL=KS_EVKS_DATPL disabled")};
    const QStringList ks = {QStringLiteral("1.1a Datum uzavření kolektivní smlouvy: KS.DATUZ"),
                            QStringLiteral("1.1b Datum účinnosti kolektivní smlouvy od: KS.DATPLOD"),
                            QStringLiteral("1.1b do: KS.DATPL")};
    const QStringList employer = {
        QStringLiteral("1.2a Název a sídlo zaměstnavatele: EditSUBJ_NAZEV readonly"),
        QStringLiteral("1.2a : EditSUBJ_SIDLO=SUBJ_SIDLO"),
        QStringLiteral("1.2b IČO: EditSUBJ_ICO=SUBJ_ICO")};
    const QStringList membership = {
        QStringLiteral("1.2c Členství ve svazu zaměstnavatelů: EditSUBJ_CLEN_SVAZPOD=SUBJ_CLEN_SVAZPOD"),
        QStringLiteral("1.2c : EditSUBJ_SVAZPOD=SUBJ_SVAZPOD")};
    auto rest = [](QChar first) {
        const QChar second = QChar(first.unicode() + 1), third = QChar(first.unicode() + 2);
        return QStringList{
            QStringLiteral("1.2%1 Počet zaměstnanců ve fyzických osobách k 31.12. předchozího roku: "
                           "EditSUBJ_POCPF=SUBJ_POCPF disabled")
                .arg(first),
            QStringLiteral(
                "1.2%1 Odvětvová klasifikace ekonomických činností (NACE): EditSUBJ_NACE=SUBJ_NACE disabled")
                .arg(second),
            QStringLiteral("1.2%1 Kraj (NUTS 3): EditSUBJ_NUTS3=SUBJ_NUTS3").arg(third)};
    };
    const QStringList unions = {
        QStringLiteral("1.3a Název a sídlo odborového svazu: EditZOOS_SVAZ=ZOOS_SVAZ"),
        QStringLiteral("1.3b Pododvětví odborového svazu: EditZOOS_ODVINTER1=ZOOS_ODVINTER1"),
        QStringLiteral("1.3c Název ZO OS: EditZOOS_NAZEV readonly"),
        QStringLiteral("1.3d Číslo ZO OS: EditZOOS_KOD=ZOOS_KOD"),
        QStringLiteral("1.3e IČO: EditZOOS_ICO=ZOOS_ICO"),
        QStringLiteral("1.3f Kraj (NUTS 3): EditZOOS_NUTS3=ZOOS_NUTS3")};
    QTest::newRow("01") << 1 << ks + evks + employer + membership + rest(QLatin1Char('d')) + unions;
    QTest::newRow("02") << 2 << ks + evks + employer + rest(QLatin1Char('c')) + unions;
    QTest::newRow("03") << 3 << ks + evks + employer + rest(QLatin1Char('c')) + unions;
    QTest::newRow("04")
        << 4
        << QStringList{QStringLiteral("1.1a Datum vzniku vnitřních předpisů: KS.DATUZ"),
                       QStringLiteral("1.1b Datum účinnosti vnitřních předpisů od: KS.DATPLOD"),
                       QStringLiteral("1.1b do: KS.DATPL")} +
               employer + membership +
               QStringList{QStringLiteral("1.2d Počet zaměstnanců ve fyzických osobách k 31.12. "
                                          "předchozího roku: EditSUBJ_POCPF=SUBJ_POCPF disabled"),
                           QStringLiteral("1.2e Odvětvová klasifikace ekonomických činností (OKEČ): "
                                          "EditSUBJ_OKEC=SUBJ_OKEC disabled"),
                           QStringLiteral("1.2f Kraj: EditSUBJ_NUTS3=SUBJ_NUTS3")};
}

void TestQuestionnaireDescription::headerFields() {
    QFETCH(int, variant);
    QFETCH(QStringList, fields);
    const Variant* v = QuestionnaireDescription::delivered().variant(variant);
    QCOMPARE(firstTabFields(*v), fields);
    const Section& header = v->tabs.front().sections.front();
    QStringList subsections;
    for (const Node& n : header.nodes)
        subsections << n.number + QLatin1Char(' ') + n.caption;
    QStringList expected = {variant == 4 ? QStringLiteral("1.1 Údaje o VP")
                                         : QStringLiteral("1.1 Údaje o KS"),
                            QStringLiteral("1.2 Údaje o zaměstnavateli")};
    if (variant != 4)
        expected << QStringLiteral("1.3 Údaje o odborovém svazu a ZO OS");
    QCOMPARE(subsections, expected);
}

void TestQuestionnaireDescription::specialLayouts() {
    const auto& d = QuestionnaireDescription::delivered();
    for (int variant : {1, 4}) {
        const TariffTable* table = nullptr;
        const RewardGrid* grid = nullptr;
        walk(*d.variant(variant), [&](const Node& n) {
            if (n.tariffTable)
                table = n.tariffTable.get();
            if (n.rewardGrid)
                grid = n.rewardGrid.get();
        });
        QVERIFY(table);
        QCOMPARE(table->hourlyCaption, QStringLiteral("Minimální mzdové tarify - hodinové"));
        QCOMPARE(table->monthlyCaption, QStringLiteral("Minimální mzdové tarify - měsíční"));
        QCOMPARE(table->convertedCaption,
                 QStringLiteral("Přepočet na 37,5 hod/týdně pro jinou než 40hod. prac. dobu"));
        QCOMPARE(table->weeklyHours.column.text(), QStringLiteral("MZT.TTFH"));
        QCOMPARE(table->weeklyHours.caption, QStringLiteral("Týdenní pracovní doba"));
        QCOMPARE(table->grades.size(), 20);
        QCOMPARE(table->grades.at(0).caption, QStringLiteral("1. tarifní stupeň"));
        QCOMPARE(table->grades.at(19).caption, QStringLiteral("20. tarifní stupeň"));
        QCOMPARE(table->grades.at(6).hourly.column.text(), QStringLiteral("MZT.MMTH7"));
        QCOMPARE(table->grades.at(6).converted.column.text(), QStringLiteral("MZT.MMTH7P"));
        QCOMPARE(table->grades.at(6).monthly.column.text(), QStringLiteral("MZT.MMTM7"));
        QCOMPARE(table->grades.at(6).hourly.unit, QStringLiteral("Kč/hod"));
        QCOMPARE(table->grades.at(6).monthly.unit, QStringLiteral("Kč/měs"));

        QVERIFY(grid);
        QCOMPARE(grid->rowCaptions.size(), 9);
        QCOMPARE(grid->rowCaptions.first(), QStringLiteral("do 5 let práce v org."));
        QCOMPARE(grid->rowCaptions.last(), QStringLiteral("nad 40 let"));
        QCOMPARE(grid->series.size(), 3);
        QCOMPARE(grid->series.at(0).flag.column.text(), QStringLiteral("ODMENY.D50"));
        QCOMPARE(grid->series.at(0).values.size(), 6);
        QCOMPARE(grid->series.at(0).values.last().column.text(), QStringLiteral("ODMENY.D50F25"));
        QCOMPARE(grid->series.at(1).values.size(), 9);
        QCOMPARE(grid->series.at(1).values.at(2).column.text(), QStringLiteral("ODMENY.DF10"));
        QCOMPARE(grid->series.at(2).values.last().column.text(), QStringLiteral("ODMENY.V40"));
        QCOMPARE(grid->series.at(2).caption, QStringLiteral("pracovním výročí"));
    }
    // Variant 02 shows two series only.
    const RewardGrid* grid02 = nullptr;
    walk(*d.variant(2), [&](const Node& n) {
        if (n.rewardGrid)
            grid02 = n.rewardGrid.get();
    });
    QVERIFY(grid02);
    QCOMPARE(grid02->series.size(), 2);
    // Fund uses: two columns of amounts in thousands, the balance last.
    for (int variant : {1, 2, 3}) {
        const FundUses* uses = nullptr;
        walk(*d.variant(variant), [&](const Node& n) {
            if (n.fundUses)
                uses = n.fundUses.get();
        });
        QVERIFY(uses);
        QCOMPARE(uses->columns.size(), 2);
        QCOMPARE(uses->unit, QStringLiteral("tis. Kč"));
        QCOMPARE(uses->columns.last().last().column.text(), QStringLiteral("SF.UZ"));
        QVERIFY(qAbs(uses->columns.first().size() - uses->columns.last().size()) <= 1);
    }
}

// Variant 04 speaks of internal regulations ("VP"), the others of the collective agreement ("KS").
void TestQuestionnaireDescription::wordingOfTheDocument() {
    static const QRegularExpression ks(QStringLiteral("\\bKS\\b"));
    static const QRegularExpression vp(QStringLiteral("\\bVP\\b"));
    for (const Variant& v : QuestionnaireDescription::delivered().variants()) {
        QStringList wrong;
        const QRegularExpression& foreign = v.document == QStringLiteral("VP") ? ks : vp;
        walk(v, [&](const Node& n) {
            if (foreign.match(n.caption).hasMatch())
                wrong << n.caption;
        });
        if (!wrong.isEmpty())
            QFAIL(
                qPrintable(QStringLiteral("variant %1: ").arg(v.number) + wrong.join(QStringLiteral(" | "))));
    }
}

void TestQuestionnaireDescription::namesForCheckMessages() {
    const auto& d = QuestionnaireDescription::delivered();
    QSet<QString> names;
    QStringList problems;
    for (const ColumnRef& c : d.columns()) {
        const QString name = d.name(c);
        if (name.trimmed().isEmpty())
            problems << c.text() + QStringLiteral(" has no name");
        if (names.contains(name))
            problems << c.text() + QStringLiteral(" shares its name ") + name;
        names.insert(name);
        for (const Variant& v : d.variants())
            if (const Item* i = v.item(c.table, c.column); i && i->name != name)
                problems << c.text() + QStringLiteral(" is named differently in variant %1").arg(v.number);
    }
    if (!problems.isEmpty())
        QFAIL(qPrintable(problems.join(QLatin1Char('\n'))));
    QCOMPARE(d.name({QStringLiteral("PREKAZKY"), QStringLiteral("ZO1MIN")}),
             QStringLiteral("Odstupné nad jednonásobek (méně než 1 rok): min. násobek"));
    QVERIFY(d.name({QStringLiteral("KS"), QStringLiteral("MEMO")}).isEmpty());
}

void TestQuestionnaireDescription::lookups() {
    const auto& d = QuestionnaireDescription::delivered();
    const Item* i = d.item(2, QStringLiteral("SPOLUP"), QStringLiteral("CZOJ"));
    QVERIFY(i);
    QCOMPARE(i->code, QStringLiteral("2.1d"));
    QCOMPARE(i->control, ControlKind::Memo);
    QCOMPARE(i->tab, QStringLiteral("TsSpoluprace"));
    QVERIFY(i->detail);
    QVERIFY(!d.item(4, QStringLiteral("SPOLUP"), QStringLiteral("CZOJ")));
    QVERIFY(!d.item(9, QStringLiteral("SPOLUP"), QStringLiteral("CZOJ")));
    QCOMPARE(d.item(1, QStringLiteral("PRDOBA"), QStringLiteral("KPD"))->tab,
             QStringLiteral("TsDalsiSlozkyMzdy"));
    QCOMPARE(d.item(4, QStringLiteral("PRDOBA"), QStringLiteral("KPD"))->tab,
             QStringLiteral("TSPracovniDoba"));
    QCOMPARE(d.item(1, QStringLiteral("PRDOBA"), QStringLiteral("PDOHT"))->unit,
             QStringLiteral("hod./týdně"));
    // The first columns in order of appearance, variant 01 first.
    QCOMPARE(d.columns().first().text(), QStringLiteral("KS.DATUZ"));
    QVERIFY(d.columns().indexOf({QStringLiteral("ZAMEST"), QStringLiteral("ZM")}) >
            d.columns().indexOf({QStringLiteral("SF"), QStringLiteral("PJZOPKC")}));
}

void TestQuestionnaireDescription::malformedDescription_data() {
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("message");
    const QByteArray yes =
        R"({ "letter": "a", "caption": "Otázka", "control": "yesno", "column": "SPOLUP.VPSM", "name": "N" })";
    QTest::newRow("not json") << QByteArray("{ \"variant\": 1, ") << QStringLiteral("neplatný JSON");
    QTest::newRow("not an object") << QByteArray("[1, 2]") << QStringLiteral("musí být objekt");
    QTest::newRow("variant out of range")
        << minimalVariant(yes, 7) << QStringLiteral("varianta musí být 1 až 4");
    QTest::newRow("typo in a key") << minimalVariant(
                                          R"({ "letter": "a", "caption": "Otázka", "contrl": "yesno" })")
                                   << QStringLiteral("neznámý klíč „contrl“");
    QTest::newRow("unknown control")
        << minimalVariant(R"({ "caption": "Otázka", "control": "slider", "column": "SPOLUP.VPSM" })")
        << QStringLiteral("neznámý druh ovládacího prvku „slider“");
    QTest::newRow("column without table")
        << minimalVariant(R"({ "caption": "Otázka", "control": "yesno", "column": "VPSM" })")
        << QStringLiteral("není ve tvaru TABULKA.SLOUPEC");
    QTest::newRow("not a questionnaire table")
        << minimalVariant(R"({ "caption": "Otázka", "control": "yesno", "column": "EPKS.ROK" })")
        << QStringLiteral("tabulka „EPKS“ není tabulkou dotazníku");
    QTest::newRow("control without column")
        << minimalVariant(R"({ "caption": "Otázka", "control": "number" })")
        << QStringLiteral("právě jeden sloupec");
    QTest::newRow("column twice") << minimalVariant(yes + ", " + QByteArray(yes).replace("\"a\"", "\"b\""))
                                  << QStringLiteral("sloupec SPOLUP.VPSM je ve variantě popsán vícekrát");
    QTest::newRow("number twice")
        << minimalVariant(
               R"({ "number": "1.1", "caption": "A", "control": "yesno", "column": "SPOLUP.VPSM", "name": "A" },
                             { "number": "1.1", "caption": "B", "control": "yesno", "column": "SPOLUP.CRUF", "name": "B" })")
        << QStringLiteral("číslo otázky „1.1“ je uvedeno dvakrát");
    QTest::newRow("number outside its section")
        << minimalVariant(
               R"({ "number": "2.1", "caption": "A", "control": "yesno", "column": "SPOLUP.VPSM", "name": "A" })")
        << QStringLiteral("číslo „2.1“ nepatří pod „1“");
    QTest::newRow("detail without question")
        << minimalVariant(
               R"({ "caption": "A", "control": "yesno", "column": "SPOLUP.VPSM", "detail": true })")
        << QStringLiteral("podřízená položka nenásleduje otázku se sloupcem");
    QTest::newRow("date outside KS")
        << minimalVariant(R"({ "caption": "A", "control": "date", "column": "SF.UP", "name": "A" })")
        << QStringLiteral("pole data patří jen do tabulky KS");
    QTest::newRow("info bound to a column")
        << minimalVariant(
               R"({ "caption": "A", "control": "info", "component": "E", "value": "V", "column": "SF.UP" })")
        << QStringLiteral("informační pole není vázáno na sloupec");
    QTest::newRow("question without a name")
        << minimalVariant(R"({ "caption": "A", "control": "yesno", "column": "SF.UP" })")
        << QStringLiteral("sloupec SF.UP nemá název");
    QByteArray skipped = minimalVariant(yes);
    skipped.replace(R"("section": "1")", R"("section": "2")").replace("1. ÚVOD", "2. ÚVOD");
    QTest::newRow("sections out of order")
        << skipped << QStringLiteral("oddíly musí být číslovány postupně od 1");
    QByteArray printed = minimalVariant(yes);
    printed.replace("1. ÚVOD", "ÚVOD");
    QTest::newRow("printed heading without number")
        << printed << QStringLiteral("tištěný nadpis musí začínat číslem oddílu");
    QByteArray tariff = minimalVariant(R"({ "tariffTable": { "grades": 2, "gradeCaption": "%1.",
        "hourly": { "caption": "h", "column": "MZT.MMTH", "weeklyHours": { "caption": "t", "column": "MZT.TTFH", "name": "T" },
                    "converted": { "caption": "c", "column": "MZT.MMTH%1P" } },
        "monthly": { "caption": "m", "column": "MZT.MMTM%1" } } })");
    QTest::newRow("tariff column without grade")
        << tariff << QStringLiteral("musí obsahovat %1 pro číslo stupně");
}

void TestQuestionnaireDescription::malformedDescription() {
    QFETCH(QByteArray, json);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("variant01.json"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(json);
    f.close();
    try {
        QuestionnaireDescription::load({path});
        QFAIL("a malformed description was accepted");
    } catch (const DescriptionError& e) {
        QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        QVERIFY2(e.message().startsWith(QStringLiteral("Chybný popis dotazníku ") + path),
                 qPrintable(e.message()));
    }
}

void TestQuestionnaireDescription::conflictingNamesAcrossVariants() {
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& json) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write fixture");
        f.write(json);
        return f.fileName();
    };
    const QString a =
        write(QStringLiteral("a.json"),
              minimalVariant(
                  R"({ "caption": "A", "control": "yesno", "column": "SF.UP", "name": "Ubytování" })", 1));
    const QString b = write(
        QStringLiteral("b.json"),
        minimalVariant(R"({ "caption": "A", "control": "yesno", "column": "SF.UP", "name": "Doprava" })", 2));
    const QString c =
        write(QStringLiteral("c.json"),
              minimalVariant(R"({ "caption": "A", "control": "yesno", "column": "SF.UP" })", 1));
    try {
        QuestionnaireDescription::load({a, b});
        QFAIL("conflicting names were accepted");
    } catch (const DescriptionError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("sloupec SF.UP má různé názvy „Ubytování“ a „Doprava“")),
                 qPrintable(e.message()));
    }
    // A name given in one variant holds for the column in the other.
    const QuestionnaireDescription d = QuestionnaireDescription::load({c, b});
    QCOMPARE(d.variant(1)->item(QStringLiteral("SF"), QStringLiteral("UP"))->name, QStringLiteral("Doprava"));
    QCOMPARE(d.name({QStringLiteral("SF"), QStringLiteral("UP")}), QStringLiteral("Doprava"));
    try {
        QuestionnaireDescription::load({a, a});
        QFAIL("a variant described twice was accepted");
    } catch (const DescriptionError& e) {
        QVERIFY2(e.message().contains(QStringLiteral("varianta 1 je popsána dvakrát")),
                 qPrintable(e.message()));
    }
}

void TestQuestionnaireDescription::unreadableFile() {
    try {
        QuestionnaireDescription::load({QStringLiteral("/nonexistent/variant01.json")});
        QFAIL("a missing file was accepted");
    } catch (const DescriptionError& e) {
        QVERIFY2(e.message().startsWith(
                     QStringLiteral("Popis dotazníku /nonexistent/variant01.json nelze přečíst")),
                 qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestQuestionnaireDescription)
#include "test_questionnaire_description.moc"
