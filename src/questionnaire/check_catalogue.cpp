#include "questionnaire/check_catalogue.h"

#include "data/connection.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QList>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <optional>

namespace mero {

namespace {

constexpr int TypeBinding = 1;
constexpr int TypeRequired = 2;
constexpr int TypeRange = 3;
constexpr int TypeComparison = 4;

struct Item {
    qint64 id = 0;
    QString name;  // TABULKA.POLE
    QString nazev; // NAZEV
    QString codes[4];
    bool appliesTo(int variant) const {
        return variant >= 1 && variant <= 4 && !codes[variant - 1].isEmpty();
    }
};

struct Check {
    QString where; // for messages
    int type = 0;
    int kind = 0; // ID_TYPVAZBY or ID_TYPPOROVNANI
    int severity = 0;
    std::optional<int> variant;
    QString text;
    const Item* main = nullptr;
    QList<const Item*> related;
    std::optional<double> min, max;
    bool minInclusive = true, maxInclusive = true, nullAsZero = false;
};

struct CodeRow {
    int id = 0;
    QString code, name;
    int order = 0;
};

class Builder {
public:
    Builder(Connection& db, QString source) : m_db(db), m_source(std::move(source)) {}

    void loadItems();
    void parse(const QByteArray& data);
    int write();

private:
    [[noreturn]] void fail(const QString& where, const QString& what) const {
        throw CheckCatalogueError(QStringLiteral("Katalog kontrol %1, %2: %3").arg(m_source, where, what));
    }
    QList<CodeRow> parseCodes(const QJsonObject& root, const QString& key, const QString& label);
    void parseSection(const QJsonObject& section, int sectionIndex);
    void parseCheck(const QJsonObject& object, const QString& where, std::optional<int> sectionVariant);
    void addCheck(Check check, const QString& mainName, const QStringList& relatedNames);
    const Item* resolve(const QString& name, const QString& where) const;
    static QString expandText(const Check& check);

    Connection& m_db;
    QString m_source;
    QHash<QString, Item> m_items;
    QList<CodeRow> m_types;
    QList<CodeRow> m_severities;
    QList<Check> m_checks;
    QSet<QString> m_signatures;
};

void Builder::loadItems() {
    Statement query = m_db.prepare(QStringLiteral(
        "SELECT ID_POLOZKA, TABULKA, POLE, NAZEV, SUBJ01, SUBJ02, SUBJ03, SUBJ04 FROM POLOZKA"));
    while (query.step()) {
        Item item;
        item.id = query.value(0).toLongLong();
        item.name = query.value(1).toString() + QLatin1Char('.') + query.value(2).toString();
        item.nazev = query.value(3).toString();
        for (int i = 0; i < 4; ++i)
            item.codes[i] = query.value(4 + i).toString().trimmed();
        if (m_items.contains(item.name))
            throw CheckCatalogueError(
                QStringLiteral("Katalog položek obsahuje položku %1 vícekrát.").arg(item.name));
        m_items.insert(item.name, item);
    }
    if (m_items.isEmpty())
        throw CheckCatalogueError(
            QStringLiteral("Katalog položek (POLOZKA) je prázdný; katalog kontrol nelze vytvořit."));
}

QList<CodeRow> Builder::parseCodes(const QJsonObject& root, const QString& key, const QString& label) {
    const QJsonValue value = root.value(key);
    if (!value.isArray() || value.toArray().isEmpty())
        fail(label, QStringLiteral("chybí seznam \"%1\"").arg(key));
    QList<CodeRow> rows;
    QSet<int> ids;
    QSet<QString> codes;
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString where = QStringLiteral("%1 č. %2").arg(label).arg(i + 1);
        const QJsonObject o = array.at(i).toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            if (!QStringList{QStringLiteral("id"), QStringLiteral("code"), QStringLiteral("name"),
                             QStringLiteral("order")}
                     .contains(it.key()))
                fail(where, QStringLiteral("neznámý údaj \"%1\"").arg(it.key()));
        CodeRow row;
        row.id = o.value(QStringLiteral("id")).toInt(0);
        row.code = o.value(QStringLiteral("code")).toString();
        row.name = o.value(QStringLiteral("name")).toString();
        row.order = o.value(QStringLiteral("order")).toInt(0);
        if (row.id <= 0 || row.code.isEmpty() || row.name.trimmed().isEmpty() || row.order <= 0)
            fail(where, QStringLiteral("je třeba uvést id, code, name a order"));
        if (ids.contains(row.id) || codes.contains(row.code))
            fail(where, QStringLiteral("id nebo code se opakuje"));
        ids.insert(row.id);
        codes.insert(row.code);
        rows.append(row);
    }
    return rows;
}

void Builder::parse(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        const int line = int(data.left(error.offset).count('\n')) + 1;
        throw CheckCatalogueError(QStringLiteral("Katalog kontrol %1 nelze načíst (řádek %2): %3")
                                      .arg(m_source)
                                      .arg(line)
                                      .arg(error.errorString()));
    }
    if (!doc.isObject())
        fail(QStringLiteral("obsah"), QStringLiteral("soubor musí obsahovat objekt JSON"));
    const QJsonObject root = doc.object();
    for (auto it = root.begin(); it != root.end(); ++it)
        if (!QStringList{QStringLiteral("types"), QStringLiteral("severities"), QStringLiteral("sections"),
                         QStringLiteral("note")}
                 .contains(it.key()))
            fail(QStringLiteral("obsah"), QStringLiteral("neznámý údaj \"%1\"").arg(it.key()));

    m_types = parseCodes(root, QStringLiteral("types"), QStringLiteral("typ kontroly"));
    QSet<int> typeIds;
    for (const CodeRow& t : m_types)
        typeIds.insert(t.id);
    if (typeIds != QSet<int>{TypeBinding, TypeRequired, TypeRange, TypeComparison})
        fail(QStringLiteral("typy kontrol"), QStringLiteral("musí být uvedeny právě typy 1 až 4"));
    m_severities = parseCodes(root, QStringLiteral("severities"), QStringLiteral("závažnost"));

    const QJsonValue sections = root.value(QStringLiteral("sections"));
    if (!sections.isArray())
        fail(QStringLiteral("obsah"), QStringLiteral("chybí seznam \"sections\""));
    const QJsonArray array = sections.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        if (!array.at(i).isObject())
            fail(QStringLiteral("oddíl č. %1").arg(i + 1), QStringLiteral("oddíl musí být objekt"));
        parseSection(array.at(i).toObject(), int(i + 1));
    }
}

std::optional<int> readVariant(const QJsonValue& value, bool* ok) {
    *ok = true;
    if (value.isUndefined() || value.isNull())
        return std::nullopt;
    const double v = value.toDouble(-1);
    if (!value.isDouble() || v != int(v) || v < 1 || v > 4) {
        *ok = false;
        return std::nullopt;
    }
    return int(v);
}

void Builder::parseSection(const QJsonObject& section, int sectionIndex) {
    const QString title = section.value(QStringLiteral("section")).toString();
    const QString label = title.isEmpty() ? QStringLiteral("oddíl č. %1").arg(sectionIndex)
                                          : QStringLiteral("oddíl „%1“").arg(title);
    for (auto it = section.begin(); it != section.end(); ++it)
        if (!QStringList{QStringLiteral("section"), QStringLiteral("variant"), QStringLiteral("checks"),
                         QStringLiteral("note")}
                 .contains(it.key()))
            fail(label, QStringLiteral("neznámý údaj \"%1\"").arg(it.key()));
    bool ok = true;
    const std::optional<int> variant = readVariant(section.value(QStringLiteral("variant")), &ok);
    if (!ok)
        fail(label, QStringLiteral("varianta musí být číslo 1 až 4"));
    const QJsonValue checks = section.value(QStringLiteral("checks"));
    if (!checks.isArray())
        fail(label, QStringLiteral("chybí seznam \"checks\""));
    const QJsonArray array = checks.toArray();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QString where = QStringLiteral("%1, kontrola č. %2").arg(label).arg(i + 1);
        if (!array.at(i).isObject())
            fail(where, QStringLiteral("kontrola musí být objekt"));
        parseCheck(array.at(i).toObject(), where, variant);
    }
}

QStringList readNames(const QJsonValue& value, bool* ok) {
    *ok = value.isArray();
    QStringList names;
    for (const QJsonValue& v : value.toArray()) {
        if (!v.isString() || v.toString().isEmpty())
            *ok = false;
        names.append(v.toString());
    }
    return names;
}

const Item* Builder::resolve(const QString& name, const QString& where) const {
    auto it = m_items.constFind(name);
    if (it == m_items.constEnd())
        fail(where, QStringLiteral("položka %1 není v katalogu položek (POLOZKA)").arg(name));
    return &it.value();
}

void Builder::parseCheck(const QJsonObject& o, const QString& where, std::optional<int> sectionVariant) {
    static const QStringList known{
        QStringLiteral("type"),         QStringLiteral("kind"),       QStringLiteral("item"),
        QStringLiteral("items"),        QStringLiteral("pairs"),      QStringLiteral("related"),
        QStringLiteral("severity"),     QStringLiteral("variant"),    QStringLiteral("text"),
        QStringLiteral("min"),          QStringLiteral("max"),        QStringLiteral("minInclusive"),
        QStringLiteral("maxInclusive"), QStringLiteral("nullAsZero"), QStringLiteral("note")};
    for (auto it = o.begin(); it != o.end(); ++it)
        if (!known.contains(it.key()))
            fail(where, QStringLiteral("neznámý údaj \"%1\"").arg(it.key()));

    Check check;
    const QString type = o.value(QStringLiteral("type")).toString();
    static const QMap<QString, int> types{{QStringLiteral("binding"), TypeBinding},
                                          {QStringLiteral("required"), TypeRequired},
                                          {QStringLiteral("range"), TypeRange},
                                          {QStringLiteral("comparison"), TypeComparison}};
    if (!types.contains(type))
        fail(where, QStringLiteral("neznámý typ kontroly \"%1\"").arg(type));
    check.type = types.value(type);

    const QString kind = o.value(QStringLiteral("kind")).toString();
    if (check.type == TypeBinding) {
        static const QMap<QString, int> kinds{{QStringLiteral("nonstrict"), 1},
                                              {QStringLiteral("strict"), 2},
                                              {QStringLiteral("combination"), 3},
                                              {QStringLiteral("exclusion"), 4}};
        if (!kinds.contains(kind))
            fail(where, QStringLiteral("neznámý druh vazby \"%1\"").arg(kind));
        check.kind = kinds.value(kind);
    } else if (check.type == TypeComparison) {
        static const QMap<QString, int> kinds{{QStringLiteral("<"), 1}, {QStringLiteral("<="), 2},
                                              {QStringLiteral(">"), 3}, {QStringLiteral(">="), 4},
                                              {QStringLiteral("="), 5}, {QStringLiteral("<>"), 6}};
        if (!kinds.contains(kind))
            fail(where, QStringLiteral("neznámý druh porovnání \"%1\"").arg(kind));
        check.kind = kinds.value(kind);
    } else if (o.contains(QStringLiteral("kind"))) {
        fail(where, QStringLiteral("druh (\"kind\") se uvádí jen u vazby a porovnání"));
    }

    const QString severity = o.value(QStringLiteral("severity")).toString();
    if (severity.isEmpty()) {
        const CodeRow* first = nullptr;
        for (const CodeRow& s : m_severities)
            if (!first || s.order < first->order)
                first = &s;
        check.severity = first->id;
    } else {
        for (const CodeRow& s : m_severities)
            if (s.code == severity)
                check.severity = s.id;
        if (check.severity == 0)
            fail(where, QStringLiteral("neznámá závažnost \"%1\"").arg(severity));
    }

    bool ok = true;
    check.variant = readVariant(o.value(QStringLiteral("variant")), &ok);
    if (!ok)
        fail(where, QStringLiteral("varianta musí být číslo 1 až 4"));
    if (!check.variant)
        check.variant = sectionVariant;

    check.text = o.value(QStringLiteral("text")).toString();
    if (o.contains(QStringLiteral("text")) && !o.value(QStringLiteral("text")).isString())
        fail(where, QStringLiteral("text musí být řetězec"));

    for (const QString& key : {QStringLiteral("min"), QStringLiteral("max")})
        if (o.contains(key) && !o.value(key).isDouble())
            fail(where, QStringLiteral("\"%1\" musí být číslo").arg(key));
    for (const QString& key :
         {QStringLiteral("minInclusive"), QStringLiteral("maxInclusive"), QStringLiteral("nullAsZero")})
        if (o.contains(key) && !o.value(key).isBool())
            fail(where, QStringLiteral("\"%1\" musí být true nebo false").arg(key));
    if (check.type == TypeRange) {
        if (o.contains(QStringLiteral("min")))
            check.min = o.value(QStringLiteral("min")).toDouble();
        if (o.contains(QStringLiteral("max")))
            check.max = o.value(QStringLiteral("max")).toDouble();
        check.minInclusive = o.value(QStringLiteral("minInclusive")).toBool(true);
        check.maxInclusive = o.value(QStringLiteral("maxInclusive")).toBool(true);
        check.nullAsZero = o.value(QStringLiteral("nullAsZero")).toBool(false);
        if (!check.min && !check.max)
            fail(where, QStringLiteral("rozsah musí mít alespoň jednu mez"));
        if (check.min && check.max && *check.min > *check.max)
            fail(where, QStringLiteral("dolní mez je větší než horní"));
    } else {
        for (const QString& key :
             {QStringLiteral("min"), QStringLiteral("max"), QStringLiteral("minInclusive"),
              QStringLiteral("maxInclusive"), QStringLiteral("nullAsZero")})
            if (o.contains(key))
                fail(where, QStringLiteral("\"%1\" se uvádí jen u rozsahu").arg(key));
    }

    QStringList related;
    if (o.contains(QStringLiteral("related"))) {
        related = readNames(o.value(QStringLiteral("related")), &ok);
        if (!ok)
            fail(where, QStringLiteral("\"related\" musí být seznam názvů položek"));
    }

    const int forms = int(o.contains(QStringLiteral("item"))) + int(o.contains(QStringLiteral("items"))) +
                      int(o.contains(QStringLiteral("pairs")));
    if (forms != 1)
        fail(where, QStringLiteral("uveďte právě jedno z \"item\", \"items\" a \"pairs\""));
    if (o.contains(QStringLiteral("item"))) {
        const QString item = o.value(QStringLiteral("item")).toString();
        if (item.isEmpty())
            fail(where, QStringLiteral("\"item\" musí být název položky"));
        check.where = where;
        addCheck(check, item, related);
    } else if (o.contains(QStringLiteral("items"))) {
        const QStringList items = readNames(o.value(QStringLiteral("items")), &ok);
        if (!ok || items.isEmpty())
            fail(where, QStringLiteral("\"items\" musí být neprázdný seznam názvů položek"));
        for (const QString& item : items) {
            check.where = QStringLiteral("%1 (%2)").arg(where, item);
            addCheck(check, item, related);
        }
    } else {
        if (check.type != TypeComparison || !related.isEmpty())
            fail(where, QStringLiteral("\"pairs\" se uvádí jen u porovnání, bez \"related\""));
        const QJsonArray pairs = o.value(QStringLiteral("pairs")).toArray();
        if (pairs.isEmpty())
            fail(where, QStringLiteral("\"pairs\" musí být neprázdný seznam"));
        for (const QJsonValue& pair : pairs) {
            QStringList names = readNames(pair, &ok);
            if (!ok || names.size() < 2)
                fail(where,
                     QStringLiteral("každý prvek \"pairs\" musí uvést hlavní a alespoň jednu další položku"));
            const QString item = names.takeFirst();
            check.where = QStringLiteral("%1 (%2)").arg(where, item);
            addCheck(check, item, names);
        }
    }
}

void Builder::addCheck(Check check, const QString& mainName, const QStringList& relatedNames) {
    const QString& where = check.where;
    check.main = resolve(mainName, where);
    for (const QString& name : relatedNames) {
        const Item* item = resolve(name, where);
        if (item == check.main || check.related.contains(item))
            fail(where, QStringLiteral("položka %1 je v kontrole uvedena vícekrát").arg(name));
        check.related.append(item);
    }

    // The variants in which the check runs: the one it names, or every variant that has the main item.
    QList<int> scope;
    if (check.variant) {
        if (!check.main->appliesTo(*check.variant))
            fail(where, QStringLiteral("položka %1 není součástí varianty %2, kontrola by se neprovedla")
                            .arg(mainName)
                            .arg(*check.variant));
        scope.append(*check.variant);
    } else {
        for (int v = 1; v <= 4; ++v)
            if (check.main->appliesTo(v))
                scope.append(v);
        if (scope.isEmpty())
            fail(where, QStringLiteral("položka %1 není součástí žádné varianty, kontrola by se neprovedla")
                            .arg(mainName));
    }
    for (const Item* item : std::as_const(check.related)) {
        bool inScope = false;
        for (int v : scope)
            inScope = inScope || item->appliesTo(v);
        if (!inScope)
            fail(where,
                 QStringLiteral("položka %1 není součástí žádné varianty, ve které se kontrola provádí")
                     .arg(item->name));
    }

    switch (check.type) {
    case TypeBinding:
        if (check.related.isEmpty())
            fail(where, QStringLiteral("vazba musí mít alespoň jednu doplňující položku"));
        if (check.kind == 3 && check.related.size() < 2)
            fail(where, QStringLiteral("kombinační vazba musí mít alespoň dvě doplňující položky"));
        // A binding reacts to edits in every variant, whatever variant its check names. A strict
        // binding answers "ano" only while a detail is given, a combination only with two of them: in
        // a variant that shows too few of the details the question could never be answered "ano".
        if (check.kind == 2 || check.kind == 3) {
            const int needed = check.kind == 2 ? 1 : 2;
            for (int v = 1; v <= 4; ++v) {
                if (!check.main->appliesTo(v))
                    continue;
                int shown = 0;
                for (const Item* item : std::as_const(check.related))
                    shown += item->appliesTo(v) ? 1 : 0;
                if (shown < needed)
                    fail(where, QStringLiteral("ve variantě %1 nemá otázka %2 dost doplňujících položek, "
                                               "odpověď „ano“ by nešla zadat")
                                    .arg(v)
                                    .arg(mainName));
            }
        }
        break;
    case TypeComparison:
        if (check.related.isEmpty())
            fail(where, QStringLiteral("porovnání musí mít alespoň jednu položku, se kterou se porovnává"));
        break;
    default:
        if (!check.related.isEmpty())
            fail(where, QStringLiteral("tento typ kontroly nemá další položky (\"related\")"));
        break;
    }

    // Bindings and entry-required checks fill placeholders into their text when it is shown, so a stray
    // per cent sign would be taken for one; range and comparison messages are shown as stored and must
    // say something.
    if (check.type == TypeBinding || check.type == TypeRequired) {
        if (check.text.contains(QLatin1Char('%')))
            fail(where, QStringLiteral("text vazby a povinného zadání nesmí obsahovat znak %"));
    } else if (check.text.trimmed().isEmpty()) {
        fail(where, QStringLiteral("kontrola rozsahu a porovnání musí mít text"));
    }
    check.text = expandText(check);
    if (check.text.contains(QLatin1Char('{')) || check.text.contains(QLatin1Char('}')))
        fail(where, QStringLiteral("text obsahuje neznámou značku: %1").arg(check.text));

    QStringList signature{QString::number(check.type), QString::number(check.kind),
                          check.variant ? QString::number(*check.variant) : QString(), check.main->name};
    for (const Item* item : std::as_const(check.related))
        signature.append(item->name);
    if (check.min)
        signature.append(QStringLiteral("min") + QString::number(*check.min));
    if (check.max)
        signature.append(QStringLiteral("max") + QString::number(*check.max));
    const QString key = signature.join(QLatin1Char('|'));
    if (m_signatures.contains(key))
        fail(where, QStringLiteral("stejná kontrola je v katalogu již uvedena"));
    m_signatures.insert(key);

    m_checks.append(check);
}

QString Builder::expandText(const Check& check) {
    QString text = check.text;
    text.replace(QStringLiteral("{item}"), check.main->nazev);
    QStringList names;
    for (const Item* item : check.related)
        names.append(check.related.size() > 1 ? QStringLiteral("„%1“").arg(item->nazev) : item->nazev);
    text.replace(QStringLiteral("{related}"), names.join(QStringLiteral(" + ")));
    return text;
}

int Builder::write() {
    for (const QString& table : {QStringLiteral("TYPKONTROLY"), QStringLiteral("ZAVAZNOSTKONTROLY"),
                                 QStringLiteral("KONTROLA"), QStringLiteral("POLOZKAKONTROLY")}) {
        Statement count = m_db.prepare(QStringLiteral("SELECT count(*) FROM %1").arg(table));
        if (count.step() && count.value(0).toLongLong() != 0)
            throw CheckCatalogueError(
                QStringLiteral("Tabulka %1 již obsahuje řádky; katalog kontrol ji plní celou.").arg(table));
    }

    m_db.execute(QStringLiteral("SAVEPOINT check_catalogue"));
    try {
        Statement type = m_db.prepare(QStringLiteral(
            "INSERT INTO TYPKONTROLY (ID_TYPKONTROLY, KOD, NAZEV, PORADI) VALUES (?, ?, ?, ?)"));
        for (const CodeRow& row : std::as_const(m_types)) {
            type.bindAll({row.id, row.code, row.name, row.order});
            type.step();
            type.reset();
        }
        Statement severity = m_db.prepare(QStringLiteral(
            "INSERT INTO ZAVAZNOSTKONTROLY (ID_ZAVAZNOSTKONTROLY, KOD, NAZEV, PORADI) VALUES (?, ?, ?, ?)"));
        for (const CodeRow& row : std::as_const(m_severities)) {
            severity.bindAll({row.id, row.code, row.name, row.order});
            severity.step();
            severity.reset();
        }
        Statement kontrola = m_db.prepare(QStringLiteral(
            "INSERT INTO KONTROLA (ID_KONTROLA, ID_TYPKONTROLY, ID_ZAVAZNOSTKONTROLY, ID_TYPSUBJ, \"TEXT\", "
            "ID_POLOZKA, ID_TYPVAZBY, ID_TYPPOROVNANI, \"MIN\", MIN_VCETNE, \"MAX\", MAX_VCETNE, "
            "NEVYPLNENO_NULA) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        Statement related = m_db.prepare(
            QStringLiteral("INSERT INTO POLOZKAKONTROLY (ID_KONTROLA, ID_POLOZKA) VALUES (?, ?)"));
        int id = 0;
        for (const Check& check : std::as_const(m_checks)) {
            ++id;
            const bool range = check.type == TypeRange;
            kontrola.bindAll({
                id,
                check.type,
                check.severity,
                check.variant ? QVariant(*check.variant) : QVariant(),
                check.text,
                check.main->id,
                check.type == TypeBinding ? QVariant(check.kind) : QVariant(),
                check.type == TypeComparison ? QVariant(check.kind) : QVariant(),
                range && check.min ? QVariant(*check.min) : QVariant(),
                range && check.min ? check.minInclusive : false,
                range && check.max ? QVariant(*check.max) : QVariant(),
                range && check.max ? check.maxInclusive : false,
                range && check.nullAsZero,
            });
            kontrola.step();
            kontrola.reset();
            for (const Item* item : check.related) {
                related.bindAll({id, item->id});
                related.step();
                related.reset();
            }
        }
    } catch (...) {
        m_db.execute(QStringLiteral("ROLLBACK TO check_catalogue; RELEASE check_catalogue"));
        throw;
    }
    m_db.execute(QStringLiteral("RELEASE check_catalogue"));
    return int(m_checks.size());
}

} // namespace

QString CheckCatalogue::deliveredPath() {
    return QStringLiteral(":/checks/checks.json");
}

int CheckCatalogue::Write(Connection& db) {
    return Generate(db, deliveredPath());
}

int CheckCatalogue::Generate(Connection& db, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CheckCatalogueError(
            QStringLiteral("Katalog kontrol %1 nelze otevřít: %2").arg(path, file.errorString()));
    return GenerateFromData(db, file.readAll(), path);
}

int CheckCatalogue::GenerateFromData(Connection& db, const QByteArray& data, const QString& source) {
    Builder builder(db, source);
    builder.loadItems();
    builder.parse(data);
    return builder.write();
}

} // namespace mero
