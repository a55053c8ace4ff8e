#include "questionnaire/questionnaire_description.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QRegularExpression>
#include <QSet>

namespace mero {

namespace {

const QStringList& questionnaireTables() {
    static const QStringList tables = {QStringLiteral("KS"),       QStringLiteral("SPOLUP"),
                                       QStringLiteral("ZAMEST"),   QStringLiteral("PRDOBA"),
                                       QStringLiteral("PREKAZKY"), QStringLiteral("MZN"),
                                       QStringLiteral("MZT"),      QStringLiteral("PRIPLAT"),
                                       QStringLiteral("ODMENY"),   QStringLiteral("SF")};
    return tables;
}

// Name resolution runs over all variants: an explicit name given in any variant holds for the
// column everywhere; a detail without one is named after its question.
struct PendingName {
    int item = -1; // index into Variant::items
    QString explicitName;
    ColumnRef parent;    // the question the detail belongs to
    QString captionPart; // caption cleaned for a derived name
    QString layoutName;  // name made from the name of a special layout
    bool detail = false;
};

class Parser {
public:
    explicit Parser(QString source) : m_source(std::move(source)) {}

    Variant parse(const QByteArray& json);
    std::vector<PendingName> pending;

private:
    [[noreturn]] void fail(const QString& what) const {
        throw DescriptionError(
            QStringLiteral("Chybný popis dotazníku %1: %2 (místo: %3)")
                .arg(m_source, what,
                     m_path.isEmpty() ? QStringLiteral("kořen") : m_path.join(QStringLiteral(" / "))));
    }

    struct PathGuard {
        PathGuard(QStringList& path, const QString& part) : m_path(path) { m_path.append(part); }
        ~PathGuard() { m_path.removeLast(); }
        QStringList& m_path;
    };

    void allowKeys(const QJsonObject& object, const QStringList& keys) const {
        for (auto it = object.begin(); it != object.end(); ++it)
            if (!keys.contains(it.key()))
                fail(QStringLiteral("neznámý klíč „%1“").arg(it.key()));
    }

    QString text(const QJsonObject& object, const QString& key, bool required) const {
        const QJsonValue value = object.value(key);
        if (value.isUndefined()) {
            if (required)
                fail(QStringLiteral("chybí hodnota „%1“").arg(key));
            return QString();
        }
        if (!value.isString())
            fail(QStringLiteral("hodnota „%1“ musí být text").arg(key));
        return value.toString();
    }

    bool flag(const QJsonObject& object, const QString& key) const {
        const QJsonValue value = object.value(key);
        if (value.isUndefined())
            return false;
        if (!value.isBool())
            fail(QStringLiteral("hodnota „%1“ musí být true nebo false").arg(key));
        return value.toBool();
    }

    int integer(const QJsonObject& object, const QString& key) const {
        const QJsonValue value = object.value(key);
        if (!value.isDouble() || value.toDouble() != double(value.toInt()))
            fail(QStringLiteral("hodnota „%1“ musí být celé číslo").arg(key));
        return value.toInt();
    }

    QJsonObject object(const QJsonObject& parent, const QString& key) const {
        const QJsonValue value = parent.value(key);
        if (!value.isObject())
            fail(QStringLiteral("hodnota „%1“ musí být objekt").arg(key));
        return value.toObject();
    }

    QJsonArray array(const QJsonObject& parent, const QString& key, bool required) const {
        const QJsonValue value = parent.value(key);
        if (value.isUndefined() && !required)
            return QJsonArray();
        if (!value.isArray())
            fail(QStringLiteral("hodnota „%1“ musí být seznam").arg(key));
        return value.toArray();
    }

    QJsonObject element(const QJsonValue& value) const {
        if (!value.isObject())
            fail(QStringLiteral("prvek seznamu musí být objekt"));
        return value.toObject();
    }

    ColumnRef columnRef(const QString& text) const {
        static const QRegularExpression pattern(QStringLiteral("^([A-Z][A-Z0-9_]*)\\.([A-Z][A-Z0-9_]*)$"));
        const auto match = pattern.match(text);
        if (!match.hasMatch())
            fail(QStringLiteral("sloupec „%1“ není ve tvaru TABULKA.SLOUPEC").arg(text));
        ColumnRef ref{match.captured(1), match.captured(2)};
        if (!questionnaireTables().contains(ref.table))
            fail(QStringLiteral("tabulka „%1“ není tabulkou dotazníku").arg(ref.table));
        return ref;
    }

    ControlKind controlKind(const QString& text) const {
        static const QHash<QString, ControlKind> kinds = {
            {QStringLiteral("yesno"), ControlKind::YesNo},  {QStringLiteral("number"), ControlKind::Number},
            {QStringLiteral("memo"), ControlKind::Memo},    {QStringLiteral("date"), ControlKind::Date},
            {QStringLiteral("info"), ControlKind::Info},    {QStringLiteral("flag"), ControlKind::Flag},
            {QStringLiteral("lookup"), ControlKind::Lookup}};
        const auto it = kinds.find(text);
        if (it == kinds.end())
            fail(QStringLiteral("neznámý druh ovládacího prvku „%1“").arg(text));
        return it.value();
    }

    void checkNumber(const QString& number, const QString& context) const {
        static const QRegularExpression pattern(QStringLiteral("^[1-9][0-9]*(\\.[1-9][0-9]*)*$"));
        if (!pattern.match(number).hasMatch())
            fail(QStringLiteral("číslo „%1“ není ve tvaru 1.2.3").arg(number));
        if (!context.isEmpty() && !number.startsWith(context + QLatin1Char('.')))
            fail(QStringLiteral("číslo „%1“ nepatří pod „%2“").arg(number, context));
    }

    void claimNumber(const QString& shown) {
        if (m_shownNumbers.contains(shown))
            fail(QStringLiteral("číslo otázky „%1“ je uvedeno dvakrát").arg(shown));
        m_shownNumbers.insert(shown);
    }

    // Adds an item for a bound column and remembers how to name it.
    void addItem(const ColumnRef& column, ControlKind control, const QString& code, const QString& caption,
                 const QString& unit, const QString& name, bool detail, const ColumnRef& parent,
                 const QString& layoutName = QString()) {
        if (m_seenColumns.contains(column.text()))
            fail(QStringLiteral("sloupec %1 je ve variantě popsán vícekrát").arg(column.text()));
        m_seenColumns.insert(column.text());
        Item item;
        item.column = column;
        item.control = control;
        item.code = code;
        item.caption = caption;
        item.unit = unit;
        item.detail = detail;
        item.tab = m_tab;
        m_variant.items.append(item);
        PendingName p;
        p.item = m_variant.items.size() - 1;
        p.explicitName = name;
        p.layoutName = layoutName;
        p.parent = parent;
        p.detail = detail;
        QString part = caption.trimmed();
        if (part.startsWith(QStringLiteral("pokud ano, ")))
            part = part.mid(11);
        if (part.startsWith(QStringLiteral("- ")))
            part = part.mid(2);
        if (part.endsWith(QLatin1Char(':')))
            part.chop(1);
        p.captionPart = part.trimmed();
        pending.push_back(p);
    }

    Cell cell(const QJsonObject& o, const QString& code, const QString& columnText, const QString& name,
              ControlKind control, bool detail, const ColumnRef& parent,
              const QString& layoutName = QString()) {
        Cell c;
        c.caption = text(o, QStringLiteral("caption"), false);
        c.column = columnRef(columnText);
        c.control = control;
        c.unit = text(o, QStringLiteral("unit"), false);
        c.name = name;
        addItem(c.column, control, code, c.caption, c.unit, name, detail, parent, layoutName);
        return c;
    }

    std::vector<Node> nodes(const QJsonArray& content, const QString& context, const QString& numberContext,
                            const ColumnRef& parent);
    Node node(const QJsonObject& o, const QString& context, const QString& numberContext,
              const ColumnRef& parent);
    void tariffTable(Node& node, const QJsonObject& o, const QString& code);
    void rewardGrid(Node& node, const QJsonObject& o, const QString& code, const ColumnRef& parent);
    void fundUses(Node& node, const QJsonObject& o, const QString& code);

    QString m_source;
    QStringList m_path;
    Variant m_variant;
    QString m_tab;
    QSet<QString> m_seenColumns;
    QSet<QString> m_shownNumbers;
};

Variant Parser::parse(const QByteArray& json) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        fail(QStringLiteral("neplatný JSON na pozici %1: %2").arg(error.offset).arg(error.errorString()));
    if (!document.isObject())
        fail(QStringLiteral("popis varianty musí být objekt"));
    const QJsonObject root = document.object();
    allowKeys(root, {QStringLiteral("variant"), QStringLiteral("sheetClass"), QStringLiteral("document"),
                     QStringLiteral("description"), QStringLiteral("sphere"), QStringLiteral("caption"),
                     QStringLiteral("size"), QStringLiteral("notes"), QStringLiteral("tabs")});
    m_variant.number = integer(root, QStringLiteral("variant"));
    if (m_variant.number < 1 || m_variant.number > 4)
        fail(QStringLiteral("varianta musí být 1 až 4"));
    m_variant.sheetClass = text(root, QStringLiteral("sheetClass"), true);
    m_variant.document = text(root, QStringLiteral("document"), true);
    if (m_variant.document != QStringLiteral("KS") && m_variant.document != QStringLiteral("VP"))
        fail(QStringLiteral("dokument musí být KS nebo VP"));
    m_variant.description = text(root, QStringLiteral("description"), true);
    m_variant.sphere = text(root, QStringLiteral("sphere"), true);
    {
        PathGuard g(m_path, QStringLiteral("caption"));
        const QJsonObject caption = object(root, QStringLiteral("caption"));
        allowKeys(caption, {QStringLiteral("format"), QStringLiteral("arguments")});
        m_variant.captionFormat = text(caption, QStringLiteral("format"), true);
        for (const QJsonValue& a : array(caption, QStringLiteral("arguments"), true)) {
            if (!a.isString())
                fail(QStringLiteral("argument titulku musí být text"));
            m_variant.captionArguments.append(a.toString());
        }
        if (m_variant.captionFormat.count(QStringLiteral("%s")) != m_variant.captionArguments.size())
            fail(QStringLiteral("počet argumentů neodpovídá formátu titulku"));
    }
    {
        PathGuard g(m_path, QStringLiteral("size"));
        const QJsonObject size = object(root, QStringLiteral("size"));
        allowKeys(size, {QStringLiteral("width"), QStringLiteral("height")});
        m_variant.width = integer(size, QStringLiteral("width"));
        m_variant.height = integer(size, QStringLiteral("height"));
    }
    m_variant.notes = columnRef(text(root, QStringLiteral("notes"), true));

    QSet<QString> tabNames;
    int lastSection = 0;
    const QJsonArray tabs = array(root, QStringLiteral("tabs"), true);
    if (tabs.isEmpty())
        fail(QStringLiteral("varianta nemá žádnou záložku"));
    for (const QJsonValue& tv : tabs) {
        const QJsonObject to = element(tv);
        Tab tab;
        tab.name = text(to, QStringLiteral("name"), true);
        PathGuard g(m_path, tab.name);
        allowKeys(to, {QStringLiteral("name"), QStringLiteral("caption"), QStringLiteral("sections")});
        if (tabNames.contains(tab.name))
            fail(QStringLiteral("záložka je uvedena dvakrát"));
        tabNames.insert(tab.name);
        tab.caption = text(to, QStringLiteral("caption"), true);
        m_tab = tab.name;
        const QJsonArray sections = array(to, QStringLiteral("sections"), true);
        if (sections.isEmpty())
            fail(QStringLiteral("záložka nemá žádný oddíl"));
        for (const QJsonValue& sv : sections) {
            const QJsonObject so = element(sv);
            Section section;
            section.number = text(so, QStringLiteral("section"), true);
            PathGuard gs(m_path, QStringLiteral("oddíl ") + section.number);
            allowKeys(so, {QStringLiteral("section"), QStringLiteral("heading"), QStringLiteral("continued"),
                           QStringLiteral("printHeading"), QStringLiteral("content")});
            section.heading = text(so, QStringLiteral("heading"), true);
            section.continued = flag(so, QStringLiteral("continued"));
            section.printHeading = text(so, QStringLiteral("printHeading"), !section.continued);
            if (section.continued && !section.printHeading.isEmpty())
                fail(QStringLiteral("pokračující oddíl nemá vlastní tištěný nadpis"));
            if (!section.continued && !section.printHeading.startsWith(section.number + QStringLiteral(". ")))
                fail(QStringLiteral("tištěný nadpis musí začínat číslem oddílu"));
            bool ok = false;
            const int n = section.number.toInt(&ok);
            if (!ok || n < 1)
                fail(QStringLiteral("číslo oddílu musí být kladné celé číslo"));
            if (section.continued ? n != lastSection : n != lastSection + 1)
                fail(section.continued ? QStringLiteral("pokračující oddíl musí navazovat na předchozí oddíl")
                                       : QStringLiteral("oddíly musí být číslovány postupně od 1"));
            lastSection = n;
            section.nodes = nodes(array(so, QStringLiteral("content"), true), section.number, section.number,
                                  ColumnRef());
            tab.sections.push_back(std::move(section));
        }
        m_variant.tabs.push_back(std::move(tab));
    }
    return std::move(m_variant);
}

std::vector<Node> Parser::nodes(const QJsonArray& content, const QString& context,
                                const QString& numberContext, const ColumnRef& parent) {
    std::vector<Node> out;
    int index = 0;
    for (const QJsonValue& v : content) {
        PathGuard g(m_path, QString::number(++index));
        out.push_back(node(element(v), context, numberContext, parent));
    }
    return out;
}

Node Parser::node(const QJsonObject& o, const QString& context, const QString& numberContext,
                  const ColumnRef& parent) {
    Node n;
    if (o.contains(QStringLiteral("subsection"))) {
        n.kind = Node::Kind::Subsection;
        allowKeys(o, {QStringLiteral("subsection"), QStringLiteral("heading"), QStringLiteral("content")});
        n.number = text(o, QStringLiteral("subsection"), true);
        checkNumber(n.number, numberContext);
        claimNumber(n.number);
        n.code = n.number;
        n.caption = text(o, QStringLiteral("heading"), true);
        PathGuard g(m_path, n.number);
        n.children = nodes(array(o, QStringLiteral("content"), true), n.code, n.number, ColumnRef());
        return n;
    }
    if (o.contains(QStringLiteral("text"))) {
        n.kind = Node::Kind::Text;
        allowKeys(o, {QStringLiteral("text"), QStringLiteral("instruction")});
        n.caption = text(o, QStringLiteral("text"), true);
        n.instruction = flag(o, QStringLiteral("instruction"));
        n.code = context;
        return n;
    }
    if (o.contains(QStringLiteral("tariffTable"))) {
        n.kind = Node::Kind::TariffTable;
        allowKeys(o, {QStringLiteral("tariffTable")});
        n.code = context;
        PathGuard g(m_path, QStringLiteral("tariffTable"));
        tariffTable(n, object(o, QStringLiteral("tariffTable")), context);
        return n;
    }
    if (o.contains(QStringLiteral("rewardGrid"))) {
        n.kind = Node::Kind::RewardGrid;
        allowKeys(o, {QStringLiteral("rewardGrid")});
        n.code = context;
        PathGuard g(m_path, QStringLiteral("rewardGrid"));
        rewardGrid(n, object(o, QStringLiteral("rewardGrid")), context, parent);
        return n;
    }
    if (o.contains(QStringLiteral("fundUses"))) {
        n.kind = Node::Kind::FundUses;
        allowKeys(o, {QStringLiteral("fundUses")});
        n.code = context;
        PathGuard g(m_path, QStringLiteral("fundUses"));
        fundUses(n, object(o, QStringLiteral("fundUses")), context);
        return n;
    }

    n.kind = Node::Kind::Question;
    allowKeys(o, {QStringLiteral("number"), QStringLiteral("letter"), QStringLiteral("caption"),
                  QStringLiteral("control"), QStringLiteral("column"), QStringLiteral("columns"),
                  QStringLiteral("unit"), QStringLiteral("name"), QStringLiteral("detail"),
                  QStringLiteral("inline"), QStringLiteral("component"), QStringLiteral("value"),
                  QStringLiteral("lookup"), QStringLiteral("flagCaption"), QStringLiteral("disabled"),
                  QStringLiteral("readOnly"), QStringLiteral("content")});
    n.number = text(o, QStringLiteral("number"), false);
    n.letter = text(o, QStringLiteral("letter"), false);
    n.caption = text(o, QStringLiteral("caption"), true);
    n.unit = text(o, QStringLiteral("unit"), false);
    n.name = text(o, QStringLiteral("name"), false);
    n.detail = flag(o, QStringLiteral("detail"));
    n.inlineRow = flag(o, QStringLiteral("inline"));
    n.component = text(o, QStringLiteral("component"), false);
    n.reportValue = text(o, QStringLiteral("value"), false);
    n.lookup = text(o, QStringLiteral("lookup"), false);
    n.flagCaption = text(o, QStringLiteral("flagCaption"), false);
    n.disabled = flag(o, QStringLiteral("disabled"));
    n.readOnly = flag(o, QStringLiteral("readOnly"));
    const QString controlText = text(o, QStringLiteral("control"), false);
    n.control = controlText.isEmpty() ? ControlKind::None : controlKind(controlText);

    PathGuard g(m_path, n.caption.left(40));
    if (!n.number.isEmpty() && !n.letter.isEmpty())
        fail(QStringLiteral("otázka má číslo i písmeno"));
    if (n.detail && (!n.number.isEmpty() || !n.letter.isEmpty()))
        fail(QStringLiteral("podřízená položka nemá vlastní číslo ani písmeno"));
    if (!n.number.isEmpty()) {
        checkNumber(n.number, numberContext);
        claimNumber(n.number);
        n.code = n.number;
    } else if (!n.letter.isEmpty()) {
        static const QRegularExpression letter(QStringLiteral("^[a-z]$"));
        if (!letter.match(n.letter).hasMatch())
            fail(QStringLiteral("písmeno otázky „%1“ musí být jedno malé písmeno").arg(n.letter));
        n.code = context + n.letter;
        claimNumber(n.code);
    } else {
        n.code = context;
    }

    const bool hasColumn = o.contains(QStringLiteral("column"));
    const bool hasColumns = o.contains(QStringLiteral("columns"));
    switch (n.control) {
    case ControlKind::YesNo:
    case ControlKind::Number:
    case ControlKind::Memo:
    case ControlKind::Date:
        if (!hasColumn || hasColumns)
            fail(
                QStringLiteral("ovládací prvek %1 musí mít právě jeden sloupec („column“)").arg(controlText));
        n.columns.append(columnRef(text(o, QStringLiteral("column"), true)));
        if (n.control == ControlKind::Date && n.columns.first().table != QStringLiteral("KS"))
            fail(QStringLiteral("pole data patří jen do tabulky KS"));
        break;
    case ControlKind::Lookup:
        if (hasColumn)
            fail(QStringLiteral("výběr ze seznamu ukládá dvojici klíčových sloupců („columns“)"));
        for (const QJsonValue& c : array(o, QStringLiteral("columns"), false)) {
            if (!c.isString())
                fail(QStringLiteral("sloupec musí být text"));
            n.columns.append(columnRef(c.toString()));
        }
        if (!n.columns.isEmpty() && n.columns.size() != 2)
            fail(QStringLiteral("klíč tvoří právě dva sloupce"));
        if (n.component.isEmpty() || n.lookup.isEmpty())
            fail(QStringLiteral("výběr ze seznamu potřebuje „component“ a „lookup“"));
        break;
    case ControlKind::Info:
    case ControlKind::Flag:
        if (hasColumn || hasColumns)
            fail(QStringLiteral("informační pole není vázáno na sloupec"));
        if (n.component.isEmpty() || n.reportValue.isEmpty())
            fail(QStringLiteral("informační pole potřebuje „component“ a „value“"));
        break;
    case ControlKind::None:
        if (hasColumn || hasColumns)
            fail(QStringLiteral("sloupec bez druhu ovládacího prvku („control“)"));
        if (!o.contains(QStringLiteral("content")))
            fail(QStringLiteral("otázka bez ovládacího prvku musí mít podřízené položky"));
        break;
    }
    if (n.detail && n.columns.isEmpty())
        fail(QStringLiteral("podřízená položka musí být vázána na sloupec"));
    if (n.detail && !parent.isValid())
        fail(QStringLiteral("podřízená položka nenásleduje otázku se sloupcem"));

    // The second column of a key pair names the installation that created the referenced record.
    for (int i = 0; i < n.columns.size(); ++i)
        addItem(n.columns.at(i), n.control, n.code, n.caption, n.unit,
                i == 0 || n.name.isEmpty() ? n.name : n.name + QStringLiteral(" (instalace)"), n.detail,
                parent);

    const ColumnRef childParent = n.columns.isEmpty() ? parent : n.columns.first();
    n.children = nodes(array(o, QStringLiteral("content"), false), n.code,
                       n.number.isEmpty() ? numberContext : n.number, childParent);
    return n;
}

void Parser::tariffTable(Node& node, const QJsonObject& o, const QString& code) {
    allowKeys(o, {QStringLiteral("grades"), QStringLiteral("gradeCaption"), QStringLiteral("hourly"),
                  QStringLiteral("monthly")});
    auto table = std::make_shared<TariffTable>();
    const int grades = integer(o, QStringLiteral("grades"));
    if (grades < 1)
        fail(QStringLiteral("počet tarifních stupňů musí být kladný"));
    const QString gradeCaption = text(o, QStringLiteral("gradeCaption"), true);
    const QJsonObject hourly = object(o, QStringLiteral("hourly"));
    const QJsonObject monthly = object(o, QStringLiteral("monthly"));
    const QStringList groupKeys = {QStringLiteral("caption"), QStringLiteral("column"),
                                   QStringLiteral("unit"), QStringLiteral("name")};
    QStringList hourlyKeys = groupKeys;
    hourlyKeys << QStringLiteral("weeklyHours") << QStringLiteral("converted");
    allowKeys(hourly, hourlyKeys);
    allowKeys(monthly, groupKeys);
    const QJsonObject weekly = object(hourly, QStringLiteral("weeklyHours"));
    const QJsonObject converted = object(hourly, QStringLiteral("converted"));
    allowKeys(weekly, groupKeys);
    allowKeys(converted, groupKeys);
    table->hourlyCaption = text(hourly, QStringLiteral("caption"), true);
    table->monthlyCaption = text(monthly, QStringLiteral("caption"), true);
    table->convertedCaption = text(converted, QStringLiteral("caption"), true);
    table->weeklyHours =
        cell(weekly, code, text(weekly, QStringLiteral("column"), true),
             text(weekly, QStringLiteral("name"), false), ControlKind::Number, false, ColumnRef());
    auto pattern = [&](const QJsonObject& group, const QString& key) {
        const QString p = text(group, key, key == QStringLiteral("column"));
        if (key == QStringLiteral("column") && !p.contains(QStringLiteral("%1")))
            fail(QStringLiteral("sloupec tarifu musí obsahovat %1 pro číslo stupně"));
        return p;
    };
    for (int grade = 1; grade <= grades; ++grade) {
        TariffGrade g;
        g.grade = grade;
        g.caption = gradeCaption.arg(grade);
        auto gradeCell = [&](const QJsonObject& group) {
            const QString name = pattern(group, QStringLiteral("name"));
            QJsonObject plain;
            plain.insert(QStringLiteral("caption"), g.caption);
            plain.insert(QStringLiteral("unit"), group.value(QStringLiteral("unit")));
            return cell(plain, code, pattern(group, QStringLiteral("column")).arg(grade),
                        name.isEmpty() ? QString() : name.arg(grade), ControlKind::Number, false,
                        ColumnRef());
        };
        g.hourly = gradeCell(hourly);
        g.converted = gradeCell(converted);
        g.monthly = gradeCell(monthly);
        table->grades.append(g);
    }
    node.tariffTable = table;
}

void Parser::rewardGrid(Node& node, const QJsonObject& o, const QString& code, const ColumnRef& parent) {
    allowKeys(o, {QStringLiteral("rows"), QStringLiteral("series")});
    if (!parent.isValid())
        fail(QStringLiteral("mřížka odměn musí ležet pod otázkou se sloupcem"));
    auto grid = std::make_shared<RewardGrid>();
    for (const QJsonValue& rv : array(o, QStringLiteral("rows"), true)) {
        const QJsonObject row = element(rv);
        allowKeys(row, {QStringLiteral("suffix"), QStringLiteral("caption")});
        grid->rowSuffixes.append(text(row, QStringLiteral("suffix"), true));
        grid->rowCaptions.append(text(row, QStringLiteral("caption"), true));
    }
    if (grid->rowSuffixes.isEmpty())
        fail(QStringLiteral("mřížka odměn nemá řádky"));
    for (const QJsonValue& sv : array(o, QStringLiteral("series"), true)) {
        const QJsonObject so = element(sv);
        allowKeys(so, {QStringLiteral("caption"), QStringLiteral("column"), QStringLiteral("values"),
                       QStringLiteral("lastSuffix"), QStringLiteral("name")});
        RewardSeries series;
        series.caption = text(so, QStringLiteral("caption"), true);
        const QString name = text(so, QStringLiteral("name"), false);
        series.flag =
            cell(so, code, text(so, QStringLiteral("column"), true), name, ControlKind::YesNo, true, parent);
        const QString values = text(so, QStringLiteral("values"), true);
        if (!values.contains(QStringLiteral("%1")))
            fail(QStringLiteral("sloupce řady musí obsahovat %1 pro přípon"));
        const QString last = text(so, QStringLiteral("lastSuffix"), false);
        if (!last.isEmpty() && !grid->rowSuffixes.contains(last))
            fail(QStringLiteral("řada končí neznámým řádkem „%1“").arg(last));
        for (int i = 0; i < grid->rowSuffixes.size(); ++i) {
            QJsonObject plain;
            plain.insert(QStringLiteral("caption"), grid->rowCaptions.at(i));
            series.values.append(
                cell(plain, code, values.arg(grid->rowSuffixes.at(i)), QString(), ControlKind::Number, true,
                     series.flag.column,
                     name.isEmpty() ? QString() : name + QStringLiteral(": ") + grid->rowCaptions.at(i)));
            if (grid->rowSuffixes.at(i) == last)
                break;
        }
        grid->series.append(series);
    }
    node.rewardGrid = grid;
}

void Parser::fundUses(Node& node, const QJsonObject& o, const QString& code) {
    allowKeys(o, {QStringLiteral("unit"), QStringLiteral("name"), QStringLiteral("columns")});
    auto uses = std::make_shared<FundUses>();
    uses->unit = text(o, QStringLiteral("unit"), true);
    const QString name = text(o, QStringLiteral("name"), false);
    for (const QJsonValue& cv : array(o, QStringLiteral("columns"), true)) {
        if (!cv.isArray())
            fail(QStringLiteral("sloupec užití musí být seznam"));
        QList<Cell> column;
        for (const QJsonValue& uv : cv.toArray()) {
            const QJsonObject u = element(uv);
            allowKeys(u, {QStringLiteral("caption"), QStringLiteral("column"), QStringLiteral("name")});
            const QString cellName = text(u, QStringLiteral("name"), false);
            const QString caption = text(u, QStringLiteral("caption"), true);
            const QString layoutName = name.isEmpty() ? QString() : name + QStringLiteral(": ") + caption;
            QJsonObject plain = u;
            plain.remove(QStringLiteral("name"));
            plain.remove(QStringLiteral("column"));
            plain.insert(QStringLiteral("unit"), uses->unit);
            column.append(cell(plain, code, text(u, QStringLiteral("column"), true), cellName,
                               ControlKind::Number, false, ColumnRef(), layoutName));
        }
        uses->columns.append(column);
    }
    node.fundUses = uses;
}

void assignCells(std::vector<Node>& nodes, const QHash<QString, QString>& names);

QString cellName(const QHash<QString, QString>& names, const Cell& c) {
    return names.value(c.column.text());
}

void assignCells(std::vector<Node>& nodes, const QHash<QString, QString>& names) {
    for (Node& n : nodes) {
        if (n.columns.size() == 1)
            n.name = names.value(n.columns.first().text());
        if (n.tariffTable) {
            n.tariffTable->weeklyHours.name = cellName(names, n.tariffTable->weeklyHours);
            for (TariffGrade& g : n.tariffTable->grades) {
                g.hourly.name = cellName(names, g.hourly);
                g.converted.name = cellName(names, g.converted);
                g.monthly.name = cellName(names, g.monthly);
            }
        }
        if (n.rewardGrid)
            for (RewardSeries& s : n.rewardGrid->series) {
                s.flag.name = cellName(names, s.flag);
                for (Cell& c : s.values)
                    c.name = cellName(names, c);
            }
        if (n.fundUses)
            for (QList<Cell>& column : n.fundUses->columns)
                for (Cell& c : column)
                    c.name = cellName(names, c);
        assignCells(n.children, names);
    }
}

} // namespace

QString controlKindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::None:
        return QStringLiteral("none");
    case ControlKind::YesNo:
        return QStringLiteral("yesno");
    case ControlKind::Number:
        return QStringLiteral("number");
    case ControlKind::Memo:
        return QStringLiteral("memo");
    case ControlKind::Date:
        return QStringLiteral("date");
    case ControlKind::Info:
        return QStringLiteral("info");
    case ControlKind::Flag:
        return QStringLiteral("flag");
    case ControlKind::Lookup:
        return QStringLiteral("lookup");
    }
    return QString();
}

QString Node::prefix() const {
    if (!number.isEmpty())
        return number + QLatin1Char(' ');
    if (!letter.isEmpty())
        return letter + QStringLiteral(") ");
    return QString();
}

const Item* Variant::item(const QString& table, const QString& column) const {
    for (const Item& i : items)
        if (i.column.table == table && i.column.column == column)
            return &i;
    return nullptr;
}

const Tab* Variant::tab(const QString& name) const {
    for (const Tab& t : tabs)
        if (t.name == name)
            return &t;
    return nullptr;
}

QString Variant::windowCaption(const QStringList& values) const {
    QString out;
    int next = 0;
    for (int i = 0; i < captionFormat.size(); ++i) {
        if (captionFormat.at(i) == QLatin1Char('%') && i + 1 < captionFormat.size() &&
            captionFormat.at(i + 1) == QLatin1Char('s')) {
            out += next < values.size() ? values.at(next) : QString();
            ++next;
            ++i;
        } else {
            out += captionFormat.at(i);
        }
    }
    return out;
}

Variant QuestionnaireDescription::parseVariant(const QByteArray& json, const QString& source) {
    Parser parser(source);
    return parser.parse(json);
}

QuestionnaireDescription QuestionnaireDescription::load(const QStringList& paths) {
    QuestionnaireDescription d;
    std::vector<std::vector<PendingName>> pending;
    QStringList sources;
    for (const QString& path : paths) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw DescriptionError(
                QStringLiteral("Popis dotazníku %1 nelze přečíst: %2").arg(path, file.errorString()));
        Parser parser(path);
        Variant v = parser.parse(file.readAll());
        for (const Variant& other : d.m_variants)
            if (other.number == v.number)
                throw DescriptionError(
                    QStringLiteral("Chybný popis dotazníku %1: varianta %2 je popsána dvakrát")
                        .arg(path)
                        .arg(v.number));
        d.m_variants.append(std::move(v));
        pending.push_back(std::move(parser.pending));
        sources.append(path);
    }

    // Explicit names: one per column, the same wherever they are given.
    QHash<QString, QString> names;
    for (size_t vi = 0; vi < pending.size(); ++vi)
        for (const PendingName& p : pending[vi]) {
            const Item& item = d.m_variants[int(vi)].items.at(p.item);
            const QString key = item.column.text();
            if (!d.m_columns.contains(item.column))
                d.m_columns.append(item.column);
            if (p.explicitName.isEmpty())
                continue;
            const auto it = names.constFind(key);
            if (it != names.constEnd() && it.value() != p.explicitName)
                throw DescriptionError(
                    QStringLiteral("Chybný popis dotazníku %1: sloupec %2 má různé názvy „%3“ a „%4“")
                        .arg(sources.at(int(vi)), key, it.value(), p.explicitName));
            names.insert(key, p.explicitName);
        }
    // Derived names: a detail is named after its question, at its first appearance.
    for (size_t vi = 0; vi < pending.size(); ++vi)
        for (const PendingName& p : pending[vi]) {
            const Item& item = d.m_variants[int(vi)].items.at(p.item);
            const QString key = item.column.text();
            if (names.contains(key))
                continue;
            if (!p.layoutName.isEmpty()) {
                names.insert(key, p.layoutName);
                continue;
            }
            const QString parentName = p.parent.isValid() ? names.value(p.parent.text()) : QString();
            if (!p.detail || parentName.isEmpty() || p.captionPart.isEmpty())
                throw DescriptionError(
                    QStringLiteral("Chybný popis dotazníku %1: sloupec %2 nemá název („name“)")
                        .arg(sources.at(int(vi)), key));
            names.insert(key, parentName + QStringLiteral(": ") + p.captionPart);
        }
    for (Variant& v : d.m_variants) {
        for (Item& item : v.items)
            item.name = names.value(item.column.text());
        for (Tab& t : v.tabs)
            for (Section& s : t.sections)
                assignCells(s.nodes, names);
    }
    for (const ColumnRef& c : d.m_columns)
        d.m_names.append(names.value(c.text()));
    return d;
}

const QuestionnaireDescription& QuestionnaireDescription::delivered() {
    static const QuestionnaireDescription description = load(
        {QStringLiteral(":/questionnaire/variant01.json"), QStringLiteral(":/questionnaire/variant02.json"),
         QStringLiteral(":/questionnaire/variant03.json"), QStringLiteral(":/questionnaire/variant04.json")});
    return description;
}

const Variant* QuestionnaireDescription::variant(int number) const {
    for (const Variant& v : m_variants)
        if (v.number == number)
            return &v;
    return nullptr;
}

const Item* QuestionnaireDescription::item(int variant, const QString& table, const QString& column) const {
    const Variant* v = this->variant(variant);
    return v ? v->item(table, column) : nullptr;
}

QString QuestionnaireDescription::name(const ColumnRef& column) const {
    const int i = m_columns.indexOf(column);
    return i < 0 ? QString() : m_names.at(i);
}

} // namespace mero
