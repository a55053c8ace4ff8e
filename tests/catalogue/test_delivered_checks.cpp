// The check catalogue as the build delivers it in data.db3: every row is one the check model turns into
// a check, bindings tie yes/no questions to their own details, ranges and comparisons work on numbers,
// and the database holds exactly what the authored catalogue says.

#include "data/connection.h"
#include "questionnaire/check_catalogue.h"
#include "questionnaire/questionnaire_description.h"
#include "support/test_support.h"

#include <QFile>
#include <QHash>
#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace mero;

namespace {

struct ItemRow {
    QString table, field, name;
    QString codes[4];
};

struct CheckRow {
    qint64 id = 0;
    qint64 type = 0, severity = 0, item = 0;
    QVariant variant, bindingKind, comparisonKind, min, max;
    QString text;
    QList<qint64> related;
};

QString fullName(const ItemRow& item) {
    return item.table + QLatin1Char('.') + item.field;
}

// Every column bound in the node and the rows under it, special layouts included.
void collectColumns(const Node& node, QSet<QString>& out) {
    for (const ColumnRef& c : node.columns)
        out.insert(c.text());
    if (node.tariffTable) {
        out.insert(node.tariffTable->weeklyHours.column.text());
        for (const TariffGrade& g : node.tariffTable->grades)
            out << g.hourly.column.text() << g.converted.column.text() << g.monthly.column.text();
    }
    if (node.rewardGrid)
        for (const RewardSeries& s : node.rewardGrid->series) {
            out.insert(s.flag.column.text());
            for (const Cell& c : s.values)
                out.insert(c.column.text());
        }
    if (node.fundUses)
        for (const QList<Cell>& column : node.fundUses->columns)
            for (const Cell& c : column)
                out.insert(c.column.text());
    for (const Node& child : node.children)
        collectColumns(child, out);
}

// The answers that belong to the question of a yes/no column: the rows under it; for a detail row
// without rows of its own (an option such as "jinou formou"), the rows under its question; for the
// yes/no heading of a reward series, the amounts of that series. An exclusion is about alternatives:
// the rows of the question that the option belongs to. Returns false when the column is not found.
bool detailsOf(const std::vector<Node>& nodes, const Node* parent, const QString& column, bool alternatives,
               QSet<QString>& out) {
    for (const Node& node : nodes) {
        if (node.rewardGrid)
            for (const RewardSeries& s : node.rewardGrid->series)
                if (s.flag.column.text() == column) {
                    for (const Cell& c : s.values)
                        out.insert(c.column.text());
                    return true;
                }
        bool binds = false;
        for (const ColumnRef& c : node.columns)
            binds = binds || c.text() == column;
        if (binds) {
            const Node* scope = (alternatives || node.children.empty()) && parent ? parent : &node;
            collectColumns(*scope, out);
            out.remove(column);
            return true;
        }
        if (detailsOf(node.children, &node, column, alternatives, out))
            return true;
    }
    return false;
}

// Yes/no columns of the rows that have answers under them, and the yes/no headings of reward series.
void questionsWithDetails(const std::vector<Node>& nodes, QSet<QString>& out) {
    for (const Node& node : nodes) {
        if (node.rewardGrid)
            for (const RewardSeries& s : node.rewardGrid->series)
                if (!s.values.isEmpty())
                    out.insert(s.flag.column.text());
        if (node.control == ControlKind::YesNo && !node.columns.isEmpty()) {
            QSet<QString> under;
            for (const Node& child : node.children)
                collectColumns(child, under);
            if (!under.isEmpty())
                out.insert(node.columns.first().text());
        }
        questionsWithDetails(node.children, out);
    }
}

bool detailsOf(const Variant& variant, const QString& column, bool alternatives, QSet<QString>& out) {
    for (const Tab& tab : variant.tabs)
        for (const Section& section : tab.sections)
            if (detailsOf(section.nodes, nullptr, column, alternatives, out))
                return true;
    return false;
}

} // namespace

class TestDeliveredChecks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void checkTypesAndSeverities();
    void everyRowSelectsACheckClass();
    void bindingsTieYesNoQuestionsToDetails();
    void everyQuestionWithDetailsHasABinding();
    void rangesAndComparisonsAreNumeric();
    void variantChecksNameTheirVariant();
    void databaseMatchesAuthoredCatalogue();

private:
    QString declaredType(const QString& table, const QString& field);

    Connection m_db;
    QHash<qint64, ItemRow> m_items;
    QList<CheckRow> m_checks;
    QHash<QString, QHash<QString, QString>> m_columnTypes;
};

void TestDeliveredChecks::initTestCase() {
    QVERIFY2(QFile::exists(test::deliveredDatabase()), qPrintable(test::deliveredDatabase()));
    m_db.open(test::deliveredDatabase(), Connection::OpenMode::ReadOnly);

    Statement items = m_db.prepare(
        QStringLiteral("SELECT ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, SUBJ04 FROM POLOZKA"));
    while (items.step()) {
        ItemRow row{items.value(1).toString(), items.value(2).toString(), items.value(3).toString(), {}};
        for (int i = 0; i < 4; ++i)
            row.codes[i] = items.value(4 + i).toString();
        m_items.insert(items.value(0).toLongLong(), row);
    }
    QVERIFY(!m_items.isEmpty());

    Statement checks = m_db.prepare(QStringLiteral(
        "SELECT ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_POLOZKA, ID_TYPSUBJ, ID_TYPVAZBY, "
        "ID_TYPPOROVNANI, \"MIN\", \"MAX\", \"TEXT\" FROM KONTROLA ORDER BY ID_KONTROLA"));
    Statement related =
        m_db.prepare(QStringLiteral("SELECT ID_POLOZKA FROM POLOZKAKONTROLY WHERE ID_KONTROLA = ?"));
    while (checks.step()) {
        CheckRow row;
        row.id = checks.value(0).toLongLong();
        row.type = checks.value(1).toLongLong();
        row.severity = checks.value(2).toLongLong();
        row.item = checks.value(3).toLongLong();
        row.variant = checks.value(4);
        row.bindingKind = checks.value(5);
        row.comparisonKind = checks.value(6);
        row.min = checks.value(7);
        row.max = checks.value(8);
        row.text = checks.value(9).toString();
        related.bind(1, row.id);
        while (related.step())
            row.related.append(related.value(0).toLongLong());
        related.reset();
        m_checks.append(row);
    }
    QVERIFY(m_checks.size() > 100);
}

QString TestDeliveredChecks::declaredType(const QString& table, const QString& field) {
    if (!m_columnTypes.contains(table)) {
        Statement info = m_db.prepare(QStringLiteral("PRAGMA table_info(\"%1\")").arg(table));
        QHash<QString, QString> types;
        while (info.step())
            types.insert(info.value(1).toString(), info.value(2).toString().toUpper());
        m_columnTypes.insert(table, types);
    }
    return m_columnTypes.value(table).value(field);
}

void TestDeliveredChecks::checkTypesAndSeverities() {
    QMap<qint64, QString> types;
    Statement t = m_db.prepare(QStringLiteral("SELECT ID_TYPKONTROLY, NAZEV, PORADI FROM TYPKONTROLY"));
    while (t.step()) {
        QVERIFY(!t.value(1).toString().trimmed().isEmpty());
        QVERIFY(!t.isNull(2));
        types.insert(t.value(0).toLongLong(), t.value(1).toString());
    }
    QCOMPARE(types.keys(), (QList<qint64>{1, 2, 3, 4}));

    QStringList severities;
    QSet<qint64> orders;
    Statement s = m_db.prepare(QStringLiteral("SELECT NAZEV, PORADI FROM ZAVAZNOSTKONTROLY ORDER BY PORADI"));
    while (s.step()) {
        severities.append(s.value(0).toString());
        orders.insert(s.value(1).toLongLong());
    }
    QVERIFY(severities.size() >= 2);
    QCOMPARE(orders.size(), severities.size()); // results are sorted by the order: it must tell them apart
    QCOMPARE(severities.first(), QStringLiteral("Chyba"));
    QVERIFY(severities.contains(QStringLiteral("Nestandardní hodnota")));

    // Every type and every severity is used.
    QSet<qint64> usedTypes, usedSeverities;
    for (const CheckRow& c : std::as_const(m_checks)) {
        usedTypes.insert(c.type);
        usedSeverities.insert(c.severity);
    }
    QCOMPARE(usedTypes, (QSet<qint64>{1, 2, 3, 4}));
    QCOMPARE(int(usedSeverities.size()), int(severities.size()));
}

void TestDeliveredChecks::everyRowSelectsACheckClass() {
    QSet<qint64> severityIds;
    Statement s = m_db.prepare(QStringLiteral("SELECT ID_ZAVAZNOSTKONTROLY FROM ZAVAZNOSTKONTROLY"));
    while (s.step())
        severityIds.insert(s.value(0).toLongLong());

    for (const CheckRow& c : std::as_const(m_checks)) {
        const QByteArray where = QByteArray("KONTROLA ") + QByteArray::number(c.id);
        QVERIFY2(c.type >= 1 && c.type <= 4, where.constData());
        QVERIFY2(severityIds.contains(c.severity), where.constData());
        QVERIFY2(m_items.contains(c.item), where.constData());
        for (qint64 r : c.related)
            QVERIFY2(m_items.contains(r), where.constData());
        switch (c.type) {
        case 1: // TKontrolaVazbaNestriktni, -Striktni, -Kombinacni, -Vylucovaci
            QVERIFY2(c.bindingKind.toLongLong() >= 1 && c.bindingKind.toLongLong() <= 4, where.constData());
            QVERIFY2(!c.related.isEmpty(), where.constData());
            break;
        case 2: // TKontrolaZadani
            QVERIFY2(c.related.isEmpty(), where.constData());
            break;
        case 3: // TKontrolaRozsah
            QVERIFY2(!c.min.isNull() || !c.max.isNull(), where.constData());
            QVERIFY2(!c.text.trimmed().isEmpty(), where.constData()); // shown as stored
            break;
        case 4: // TKontrolaPorovnaniMensi ... TKontrolaPorovnaniNerovno
            QVERIFY2(c.comparisonKind.toLongLong() >= 1 && c.comparisonKind.toLongLong() <= 6, where.constData());
            QVERIFY2(!c.related.isEmpty(), where.constData());
            QVERIFY2(!c.text.trimmed().isEmpty(), where.constData());
            break;
        }
        // The check runs only where its main item has a question code.
        const ItemRow& main = m_items.value(c.item);
        bool runs = false;
        for (int v = 1; v <= 4; ++v)
            runs = runs || ((c.variant.isNull() || c.variant.toInt() == v) && !main.codes[v - 1].isEmpty());
        QVERIFY2(runs, where.constData());
    }
}

void TestDeliveredChecks::bindingsTieYesNoQuestionsToDetails() {
    int bindings = 0;
    for (const CheckRow& c : std::as_const(m_checks)) {
        if (c.type != 1)
            continue;
        ++bindings;
        const ItemRow& main = m_items.value(c.item);
        const QByteArray where = QByteArray("KONTROLA ") + QByteArray::number(c.id) + ' ' + fullName(main).toUtf8();
        QVERIFY2(declaredType(main.table, main.field) == QLatin1String("BOOLEAN"), where.constData());
        // In every variant that shows the question, the details it shows are answers under it.
        const QuestionnaireDescription& description = QuestionnaireDescription::delivered();
        for (int v = 1; v <= 4; ++v) {
            if (main.codes[v - 1].isEmpty() || (!c.variant.isNull() && c.variant.toInt() != v))
                continue;
            const Variant* variant = description.variant(v);
            QVERIFY(variant);
            QVERIFY2(variant->item(main.table, main.field), where.constData());
            QVERIFY2(variant->item(main.table, main.field)->control == ControlKind::YesNo, where.constData());
            QSet<QString> details;
            QVERIFY2(detailsOf(*variant, fullName(main), c.bindingKind.toInt() == 4, details), where.constData());
            for (qint64 r : c.related) {
                const ItemRow& detail = m_items.value(r);
                if (detail.codes[v - 1].isEmpty())
                    continue; // a detail of another variant
                QVERIFY2(details.contains(fullName(detail)),
                         qPrintable(QStringLiteral("%1, variant %2: %3 is not among its details")
                                        .arg(QString::fromUtf8(where))
                                        .arg(v)
                                        .arg(fullName(detail))));
            }
        }
        for (qint64 r : c.related) {
            const ItemRow& detail = m_items.value(r);
            // A binding works within one questionnaire row.
            QVERIFY2(detail.table == main.table, where.constData());
            QVERIFY2(!declaredType(detail.table, detail.field).isEmpty(), where.constData());
            // An exclusion answers its alternatives "ne": they must be yes/no questions.
            if (c.bindingKind.toInt() == 4)
                QVERIFY2(declaredType(detail.table, detail.field) == QLatin1String("BOOLEAN"), where.constData());
            // A detail is shown in a variant in which its question is shown.
            bool shared = false;
            for (int v = 1; v <= 4; ++v)
                shared = shared || ((c.variant.isNull() || c.variant.toInt() == v) && !main.codes[v - 1].isEmpty() &&
                                    !detail.codes[v - 1].isEmpty());
            QVERIFY2(shared, (where + " / " + fullName(detail).toUtf8()).constData());
        }
    }
    QVERIFY(bindings > 50);
}

void TestDeliveredChecks::everyQuestionWithDetailsHasABinding() {
    QSet<QString> bound[4];
    for (const CheckRow& c : std::as_const(m_checks))
        if (c.type == 1)
            for (int v = 1; v <= 4; ++v)
                if (c.variant.isNull() || c.variant.toInt() == v)
                    bound[v - 1].insert(fullName(m_items.value(c.item)));
    for (const Variant& variant : QuestionnaireDescription::delivered().variants()) {
        QSet<QString> questions;
        for (const Tab& tab : variant.tabs)
            for (const Section& section : tab.sections)
                questionsWithDetails(section.nodes, questions);
        QVERIFY(!questions.isEmpty());
        for (const QString& question : std::as_const(questions))
            QVERIFY2(bound[variant.number - 1].contains(question),
                     qPrintable(QStringLiteral("variant %1: %2 has details but no binding").arg(variant.number).arg(question)));
    }
}

void TestDeliveredChecks::rangesAndComparisonsAreNumeric() {
    static const QSet<QString> numeric{QStringLiteral("NUMERIC"), QStringLiteral("INTEGER"),
                                       QStringLiteral("REAL"), QStringLiteral("DECIMAL"), QStringLiteral("FLOAT"),
                                       QStringLiteral("DOUBLE")};
    for (const CheckRow& c : std::as_const(m_checks)) {
        if (c.type != 3 && c.type != 4)
            continue;
        QList<qint64> items{c.item};
        if (c.type == 4)
            items += c.related;
        for (qint64 id : items) {
            const ItemRow& item = m_items.value(id);
            const QString type = declaredType(item.table, item.field).section(QLatin1Char('('), 0, 0).trimmed();
            QVERIFY2(numeric.contains(type),
                     qPrintable(QStringLiteral("KONTROLA %1: %2 is %3").arg(c.id).arg(fullName(item), type)));
        }
    }
}

void TestDeliveredChecks::variantChecksNameTheirVariant() {
    // A check that names a variant is there because its main item is in more than one variant and the
    // check holds in that one only; a check for an item of a single variant needs no variant.
    for (const CheckRow& c : std::as_const(m_checks)) {
        if (c.variant.isNull())
            continue;
        const ItemRow& main = m_items.value(c.item);
        const int v = c.variant.toInt();
        QVERIFY2(v >= 1 && v <= 4, qPrintable(QString::number(c.id)));
        QVERIFY2(!main.codes[v - 1].isEmpty(), qPrintable(QString::number(c.id)));
        int variants = 0;
        for (const QString& code : main.codes)
            variants += code.isEmpty() ? 0 : 1;
        QVERIFY2(variants > 1, qPrintable(QStringLiteral("KONTROLA %1 %2").arg(c.id).arg(fullName(main))));
    }
}

void TestDeliveredChecks::databaseMatchesAuthoredCatalogue() {
    // Generating the authored catalogue again gives the delivered rows, one for one.
    QTemporaryDir dir;
    const QString copy = test::copyInto(dir, test::deliveredDatabase());
    Connection db;
    db.open(copy);
    db.execute(QStringLiteral(
        "DELETE FROM POLOZKAKONTROLY; DELETE FROM KONTROLA; DELETE FROM TYPKONTROLY; DELETE FROM ZAVAZNOSTKONTROLY;"));
    const int written = CheckCatalogue::Generate(db, test::sourcePath(QStringLiteral("resources/checks/checks.json")));
    QCOMPARE(written, int(m_checks.size()));
    db.execute(QStringLiteral("ATTACH DATABASE '%1' AS delivered").arg(test::deliveredDatabase()));
    for (const char* table : {"KONTROLA", "POLOZKAKONTROLY", "TYPKONTROLY", "ZAVAZNOSTKONTROLY"}) {
        Statement diff = db.prepare(QStringLiteral("SELECT count(*) FROM (SELECT * FROM main.%1 EXCEPT SELECT * FROM "
                                                   "delivered.%1)")
                                        .arg(QLatin1String(table)));
        QVERIFY(diff.step());
        QVERIFY2(diff.value(0).toLongLong() == 0, table);
    }
}

QTEST_GUILESS_MAIN(TestDeliveredChecks)
#include "test_delivered_checks.moc"
