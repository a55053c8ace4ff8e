#include "data/demo_data.h"

#include "data/connection.h"
#include "data/errors.h"
#include "data/sql_utils.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QStringList>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

namespace mero {

namespace {

constexpr int kLocalInstallation = 99999;

enum class ColumnKind { Integer, Decimal, YesNo, Date, Text };

struct Column {
    QString name;
    QString upper; // the name in capitals
    ColumnKind kind = ColumnKind::Text;
    int size = 0; // characters of a VARCHAR(n)/CHAR(n), 0 = unlimited
};

ColumnKind kindOf(const QString& declared, int* size) {
    QString base = declared.trimmed().toUpper();
    *size = 0;
    const qsizetype paren = base.indexOf(QLatin1Char('('));
    if (paren >= 0) {
        const qsizetype close = base.indexOf(QLatin1Char(')'), paren);
        *size = base.mid(paren + 1, close - paren - 1).section(QLatin1Char(','), 0, 0).trimmed().toInt();
        base = base.left(paren).trimmed();
    }
    if (base.contains(QLatin1String("INT")))
        return ColumnKind::Integer;
    if (base.startsWith(QLatin1String("NUMERIC")) || base.startsWith(QLatin1String("DECIMAL")) ||
        base.startsWith(QLatin1String("REAL")) || base.startsWith(QLatin1String("FLOAT")) ||
        base.startsWith(QLatin1String("DOUBLE")))
        return ColumnKind::Decimal;
    if (base == QLatin1String("BOOLEAN") || base == QLatin1String("BOOL"))
        return ColumnKind::YesNo;
    if (base.startsWith(QLatin1String("DATE")) || base == QLatin1String("TIMESTAMP"))
        return ColumnKind::Date;
    if (!base.startsWith(QLatin1String("VARCHAR")) && !base.startsWith(QLatin1String("CHAR")))
        *size = 0;
    return ColumnKind::Text;
}

QList<Column> columnsOf(Connection& db, const QString& table) {
    QList<Column> out;
    Statement s = db.prepare(QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(table));
    while (s.step()) {
        Column c;
        c.name = s.value(0).toString();
        c.upper = c.name.toUpper();
        c.kind = kindOf(s.value(1).toString(), &c.size);
        out.append(c);
    }
    if (out.isEmpty())
        throw MeroError(QStringLiteral("Databáze neobsahuje tabulku %1.").arg(table));
    return out;
}

QString quotedName(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

// One prepared INSERT over the columns of a table, values given by column name.
class TableWriter {
public:
    TableWriter(Connection& db, const QString& table, const QStringList& skip = {}) {
        for (const Column& c : columnsOf(db, table))
            if (!skip.contains(c.name, Qt::CaseInsensitive))
                m_columns.append(c);
        QStringList names, marks;
        for (const Column& c : m_columns) {
            names.append(quotedName(c.name));
            marks.append(QStringLiteral("?"));
        }
        m_insert = std::make_unique<Statement>(db.prepare(
            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))));
    }
    const QList<Column>& columns() const { return m_columns; }
    // Per questionnaire variant 1 to 4, per column: whether the variant asks it (content tables).
    std::array<std::vector<char>, 5> asked;
    int indexOf(const QString& name) const {
        for (int i = 0; i < m_columns.size(); ++i)
            if (m_columns.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
    void write(const QVariantList& values) {
        m_insert->bindAll(values);
        m_insert->step();
        m_insert->reset();
        m_insert->clearBindings();
    }

private:
    QList<Column> m_columns;
    std::unique_ptr<Statement> m_insert;
};

class Generator {
public:
    Generator(Connection& db, const DemoData::Options& options) : m_db(db), m_options(options), m_random(options.seed) {}

    DemoData::Summary run();

private:
    struct Employer {
        int id = 0;
        int inst = kLocalInstallation;
        int type = 1;
        QString name;
        QList<int> unions; // ZOOS ids (same installation)
    };

    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(m_random); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < p; }
    template <typename T> const T& choose(const QList<T>& list) { return list.at(pick(0, int(list.size()) - 1)); }
    QVariant chooseOrNull(const QList<int>& list) {
        return list.isEmpty() ? QVariant() : QVariant(qlonglong(choose(list)));
    }

    QList<int> ids(const QString& sql) {
        QList<int> out;
        Statement s = m_db.prepare(sql);
        while (s.step())
            out.append(s.value(0).toInt());
        return out;
    }
    int counter(const QString& name) {
        return TDB::QueryValue(&m_db, QStringLiteral("SELECT HODNOTA FROM AUTOINC WHERE TABULKA = '%1'").arg(name)).toInt();
    }

    static QString fit(const QString& text, int size) { return size > 0 ? text.left(size) : text; }
    static QString ico(int seed);

    void loadCodeLists();
    void loadVariantItems();
    Employer addEmployer(int inst, int id);
    int addUnion(int inst, int id, const QString& employerName);
    void addContent(int ks, int inst, int type, int year);
    QVariant contentValue(const QString& table, const Column& column, int index, int type, int year,
                          const QVariantList& row, const TableWriter& writer);
    // A non-empty answer of the column's type, plausible for its name.
    QVariant plausibleValue(const QString& table, const Column& column, int year);
    QVariant plausibleNumber(const QString& table, const QString& upperName);
    // What one agreement's answers share: tariff levels and the number of grades, bonus amounts.
    void drawContentTraits();

    Connection& m_db;
    DemoData::Options m_options;
    std::mt19937 m_random;
    DemoData::Summary m_summary;

    QList<int> m_svaz, m_svazpod, m_nace, m_forma, m_drvlst, m_nuts4, m_katp, m_types;
    QHash<int, QStringList> m_odvinter1, m_reginter, m_cininter; // by ID_SVAZ
    QHash<QString, QStringList> m_odvinter2;                      // by "svaz/odvinter1"
    QList<QPair<int, int>> m_higherContents;                      // KS of EVKS rows
    // Columns that are part of each variant, by table; a table without catalogue rows uses them all.
    QHash<QString, QSet<QString>> m_variantItems[5];
    QSet<QString> m_catalogued;

    std::unique_ptr<TableWriter> m_subj, m_zoos, m_epks;
    QHash<QString, std::shared_ptr<TableWriter>> m_content;
    DemoData::Content m_drawn; // the content being made
    int m_hourlyBase = 0, m_monthlyBase = 0, m_grades = 0;
    int m_seriesBase[3] = {};
};

const char* const kTowns[] = {"Praha", "Brno", "Ostrava", "Plzeň", "Liberec", "Olomouc", "České Budějovice",
                              "Hradec Králové", "Ústí nad Labem", "Pardubice", "Zlín", "Havířov", "Kladno",
                              "Most", "Opava", "Frýdek-Místek", "Karviná", "Jihlava", "Teplice", "Děčín",
                              "Karlovy Vary", "Chomutov", "Jablonec nad Nisou", "Mladá Boleslav", "Prostějov",
                              "Přerov", "Třebíč", "Česká Lípa", "Třinec", "Tábor", "Znojmo", "Kolín",
                              "Příbram", "Cheb", "Písek", "Trutnov", "Orlová", "Kroměříž", "Vsetín",
                              "Šumperk", "Uherské Hradiště", "Břeclav", "Hodonín", "Český Těšín",
                              "Litoměřice", "Havlíčkův Brod", "Nový Jičín", "Chrudim", "Krnov",
                              "Žďár nad Sázavou"};
const char* const kStreets[] = {"Husova", "Masarykova", "Nádražní", "Palackého", "Riegrova", "Tyršova",
                                "Komenského", "Havlíčkova", "Jiráskova", "Smetanova", "Žižkova", "Průmyslová",
                                "Dělnická", "Školní", "Za Tratí", "Třída Míru", "Nábřeží Svobody",
                                "U Pivovaru", "Štefánikova", "Čs. armády"};
const char* const kBusiness[] = {"Strojírny", "Slévárna", "Textilní závody", "Pivovar", "Sklárny", "Papírny",
                                 "Cukrovar", "Elektrárny", "Chemické závody", "Stavební podnik", "Dopravní podnik",
                                 "Mlékárna", "Pekárny", "Hutě", "Kovárna", "Tiskárny", "Autodíly", "Nábytek",
                                 "Obuv", "Železárny"};
const char* const kPublic[] = {"Nemocnice", "Základní škola", "Gymnázium", "Domov pro seniory",
                               "Krajská knihovna", "Správa silnic", "Divadlo", "Muzeum", "Úřad práce",
                               "Zdravotnická záchranná služba"};
const char* const kNotes[] = {"Smlouva uzavřena na dobu určitou, dodatek k odměňování bude sjednán zvlášť.",
                              "Příplatky nad rámec zákoníku práce platí jen pro zaměstnance v nepřetržitém provozu.",
                              "Výše mzdových tarifů se valorizuje k 1. lednu podle růstu spotřebitelských cen.",
                              "Sociální fond je tvořen ve výši 2 % z objemu vyplacených mezd.",
                              "Závodní stravování zajišťuje smluvní dodavatel, příspěvek zaměstnavatele 55 %.",
                              "Zaměstnancům s pracovní dobou kratší než 30 hodin týdně náleží poměrná část."};
const char* const kOther[] = {"jiné podle vnitřního předpisu", "po dohodě s odborovou organizací",
                              "viz příloha č. 2", "stanoví ředitel po projednání", "dle mzdového výměru",
                              "jen pro směnový provoz", "u vybraných profesí", "v rozsahu zákoníku práce"};

template <typename T, size_t N> constexpr int count(const T (&)[N]) {
    return int(N);
}

QString Generator::ico(int seed) {
    // Seven digits and the modulo-11 check digit.
    QString digits = QStringLiteral("%1").arg(seed % 10000000, 7, 10, QLatin1Char('0'));
    int sum = 0;
    for (int i = 0; i < 7; ++i)
        sum += (digits.at(i).digitValue()) * (8 - i);
    const int check = (11 - sum % 11) % 10;
    return digits + QString::number(check);
}

void Generator::loadCodeLists() {
    auto optionalIds = [&](const QString& sql) {
        try {
            return ids(sql);
        } catch (const DbError&) {
            return QList<int>();
        }
    };
    m_svaz = optionalIds(QStringLiteral("SELECT ID_SVAZ FROM SVAZ"));
    m_svazpod = optionalIds(QStringLiteral("SELECT ID_SVAZPOD FROM SVAZPOD"));
    m_nace = optionalIds(QStringLiteral("SELECT ID_NACE FROM NACE"));
    m_forma = optionalIds(QStringLiteral("SELECT ID_FORMA FROM FORMA"));
    m_drvlst = optionalIds(QStringLiteral("SELECT ID_DRVLST FROM DRVLST"));
    m_nuts4 = optionalIds(QStringLiteral("SELECT ID_NUTS4 FROM NUTS4"));
    m_katp = optionalIds(QStringLiteral("SELECT ID_KATP FROM KATP"));
    m_types = optionalIds(QStringLiteral("SELECT ID_TYPSUBJ FROM TYPSUBJ WHERE ID_TYPSUBJ BETWEEN 1 AND 4"));
    if (m_types.isEmpty())
        m_types = {1, 2, 3, 4};
    auto codes = [&](const QString& sql, QHash<int, QStringList>& into) {
        try {
            Statement s = m_db.prepare(sql);
            while (s.step())
                into[s.value(0).toInt()].append(s.value(1).toString());
        } catch (const DbError&) {
        }
    };
    codes(QStringLiteral("SELECT ID_SVAZ, KOD_ODVINTER1 FROM ODVINTER1"), m_odvinter1);
    codes(QStringLiteral("SELECT ID_SVAZ, KOD_REGINTER FROM REGINTER"), m_reginter);
    codes(QStringLiteral("SELECT ID_SVAZ, KOD_CININTER FROM CININTER"), m_cininter);
    try {
        Statement s = m_db.prepare(QStringLiteral("SELECT ID_SVAZ, KOD_ODVINTER1, KOD_ODVINTER2 FROM ODVINTER2"));
        while (s.step())
            m_odvinter2[s.value(0).toString() + QLatin1Char('/') + s.value(1).toString()].append(s.value(2).toString());
        Statement e = m_db.prepare(QStringLiteral("SELECT DISTINCT ID_KS, ID_INST_KS FROM EVKS WHERE ID_KS IS NOT NULL"));
        while (e.step())
            m_higherContents.append({e.value(0).toInt(), e.value(1).toInt()});
    } catch (const DbError&) {
    }
}

void Generator::loadVariantItems() {
    try {
        Statement s = m_db.prepare(QStringLiteral("SELECT TABULKA, POLE, SUBJ01, SUBJ02, SUBJ03, SUBJ04 FROM POLOZKA"));
        while (s.step()) {
            const QString table = s.value(0).toString().toUpper();
            const QString column = s.value(1).toString().toUpper();
            m_catalogued.insert(table);
            for (int v = 1; v <= 4; ++v)
                if (!s.value(1 + v).toString().trimmed().isEmpty())
                    m_variantItems[v][table].insert(column);
        }
    } catch (const DbError&) {
        // No catalogue: every column is answered.
    }
}

Generator::Employer Generator::addEmployer(int inst, int id) {
    Employer e;
    e.id = id;
    e.inst = inst;
    const int roll = pick(1, 100);
    e.type = roll <= 60 ? 1 : roll <= 75 ? 2 : roll <= 85 ? 3 : 4;
    if (!m_types.contains(e.type))
        e.type = choose(m_types);
    const QString town = QString::fromUtf8(kTowns[pick(0, count(kTowns) - 1)]);
    QString name;
    switch (e.type) {
    case 2:
        name = QStringLiteral("%1 %2, příspěvková organizace").arg(QString::fromUtf8(kPublic[pick(0, count(kPublic) - 1)]), town);
        break;
    case 3:
        name = (chance(0.3) ? QStringLiteral("Obec ") : QStringLiteral("Město ")) + town;
        break;
    default:
        name = QStringLiteral("%1 %2 %3").arg(QString::fromUtf8(kBusiness[pick(0, count(kBusiness) - 1)]), town,
                                               chance(0.5) ? QStringLiteral("a.s.") : QStringLiteral("s.r.o."));
        break;
    }
    const int employees = e.type == 3 ? pick(5, 400) : pick(20, 6000);
    const QVariant svaz = chooseOrNull(m_svaz);
    const bool member = e.type == 1 && chance(0.4);
    QVariantList row;
    for (const Column& c : m_subj->columns()) {
        const QString n = c.name.toUpper();
        QVariant v;
        if (n == QLatin1String("ID_SUBJ"))
            v = id;
        else if (n == QLatin1String("ID_INST_SUBJ"))
            v = inst;
        else if (n == QLatin1String("ID_SVAZ"))
            v = svaz;
        else if (n == QLatin1String("ICO"))
            v = ico(1000000 + (inst == kLocalInstallation ? 0 : 5000000) + id * 7);
        else if (n == QLatin1String("NAZEV"))
            v = fit(name, c.size);
        else if (n == QLatin1String("ULICE"))
            v = fit(QStringLiteral("%1 %2").arg(QString::fromUtf8(kStreets[pick(0, count(kStreets) - 1)])).arg(pick(1, 2500)), c.size);
        else if (n == QLatin1String("OBEC"))
            v = fit(town, c.size);
        else if (n == QLatin1String("PSC"))
            v = fit(QStringLiteral("%1 %2").arg(pick(100, 799)).arg(pick(0, 9) * 10, 2, 10, QLatin1Char('0')), c.size);
        else if (n == QLatin1String("CLEN_SVAZPOD"))
            v = e.type == 1 ? QVariant(member) : QVariant();
        else if (n == QLatin1String("ID_SVAZPOD"))
            v = member ? chooseOrNull(m_svazpod) : QVariant();
        else if (n == QLatin1String("ID_TYPSUBJ"))
            v = e.type;
        else if (n == QLatin1String("ID_NACE"))
            v = chooseOrNull(m_nace);
        else if (n == QLatin1String("ID_FORMA"))
            v = chooseOrNull(m_forma);
        else if (n == QLatin1String("ID_DRVLST"))
            v = chooseOrNull(m_drvlst);
        else if (n == QLatin1String("ID_NUTS4"))
            v = chooseOrNull(m_nuts4);
        else if (n == QLatin1String("ID_KATP"))
            v = chooseOrNull(m_katp);
        else if (n == QLatin1String("POCPF"))
            v = employees;
        else if (n == QLatin1String("POCP"))
            v = double(qRound(employees * (0.85 + 0.1 * pick(0, 10) / 10.0) * 10)) / 10.0;
        else if (n == QLatin1String("POCPDU"))
            v = employees / pick(20, 60);
        else if (n == QLatin1String("POCPCPU"))
            v = employees / pick(8, 30);
        row.append(v);
    }
    m_subj->write(row);
    e.name = name;
    ++m_summary.employers;
    return e;
}

int Generator::addUnion(int inst, int id, const QString& employerName) {
    const int svaz = m_svaz.isEmpty() ? 0 : choose(m_svaz);
    const QStringList odv1 = m_odvinter1.value(svaz);
    const QString k1 = odv1.isEmpty() ? QString() : choose(odv1);
    const QStringList odv2 = m_odvinter2.value(QString::number(svaz) + QLatin1Char('/') + k1);
    const QStringList reg = m_reginter.value(svaz);
    const QStringList cin = m_cininter.value(svaz);
    const QString town = QString::fromUtf8(kTowns[pick(0, count(kTowns) - 1)]);
    QVariantList row;
    for (const Column& c : m_zoos->columns()) {
        const QString n = c.name.toUpper();
        QVariant v;
        if (n == QLatin1String("ID_ZOOS"))
            v = id;
        else if (n == QLatin1String("ID_INST_ZOOS"))
            v = inst;
        else if (n == QLatin1String("ID_SVAZ"))
            v = svaz ? QVariant(svaz) : QVariant();
        else if (n == QLatin1String("KOD"))
            v = fit(QStringLiteral("ZO-%1").arg(id, 5, 10, QLatin1Char('0')), c.size);
        else if (n == QLatin1String("NAZEV"))
            v = fit(QStringLiteral("Základní organizace odborového svazu při %1").arg(employerName), c.size);
        else if (n == QLatin1String("ULICE"))
            v = fit(QStringLiteral("%1 %2").arg(QString::fromUtf8(kStreets[pick(0, count(kStreets) - 1)])).arg(pick(1, 900)), c.size);
        else if (n == QLatin1String("OBEC"))
            v = fit(town, c.size);
        else if (n == QLatin1String("PSC"))
            v = fit(QStringLiteral("%1 %2").arg(pick(100, 799)).arg(pick(0, 9) * 10, 2, 10, QLatin1Char('0')), c.size);
        else if (n == QLatin1String("ICO"))
            v = chance(0.8) ? QVariant(ico(3000000 + (inst == kLocalInstallation ? 0 : 5000000) + id * 3)) : QVariant();
        else if (n == QLatin1String("ID_NUTS4"))
            v = chooseOrNull(m_nuts4);
        else if (n == QLatin1String("KOD_ODVINTER1"))
            v = k1.isEmpty() ? QVariant() : QVariant(k1);
        else if (n == QLatin1String("KOD_ODVINTER2"))
            v = odv2.isEmpty() ? QVariant() : QVariant(choose(odv2));
        else if (n == QLatin1String("KOD_REGINTER"))
            v = reg.isEmpty() ? QVariant() : QVariant(choose(reg));
        else if (n == QLatin1String("KOD_CININTER"))
            v = cin.isEmpty() || chance(0.5) ? QVariant() : QVariant(choose(cin));
        row.append(v);
    }
    m_zoos->write(row);
    ++m_summary.unions;
    return id;
}

// The grade of a tariff column MMTH<n> or MMTM<n>, 0 for any other column.
int tariffGrade(const QString& n, QChar* unit) {
    if (!n.startsWith(QLatin1String("MMT")) || n.size() < 5)
        return 0;
    bool ok = false;
    const int grade = QStringView(n).mid(4).toInt(&ok);
    if (!ok || grade < 1)
        return 0;
    *unit = n.at(3);
    return (*unit == QLatin1Char('H') || *unit == QLatin1Char('M')) ? grade : 0;
}

// The bonus series of ODMENY (D50F<years>, DF<years>, V<years>): series 0 to 2 and the years, or -1.
int bonusSeries(const QString& n, int* years) {
    for (int s = 0; s < 3; ++s) {
        const QLatin1String prefix = s == 0 ? QLatin1String("D50F") : s == 1 ? QLatin1String("DF") : QLatin1String("V");
        if (!n.startsWith(prefix) || n.size() == prefix.size())
            continue;
        bool ok = false;
        *years = QStringView(n).mid(prefix.size()).toInt(&ok);
        if (ok)
            return s;
    }
    return -1;
}

void Generator::drawContentTraits() {
    m_hourlyBase = pick(110, 185);
    m_monthlyBase = pick(190, 320) * 100;
    m_grades = chance(0.6) ? pick(5, 12) : pick(13, 20);
    for (int s = 0; s < 3; ++s)
        m_seriesBase[s] = pick(2, 10) * 500;
}

QVariant Generator::plausibleNumber(const QString& table, const QString& n) {
    QChar unit;
    if (const int grade = tariffGrade(n, &unit)) {
        // Tariffs rise with the grade.
        const double factor = 1.0 + 0.07 * (grade - 1);
        return unit == QLatin1Char('H') ? double(qRound(m_hourlyBase * factor))
                                        : double(qRound(m_monthlyBase * factor / 10.0) * 10);
    }
    int years = 0;
    if (table == QLatin1String("ODMENY")) {
        if (const int s = bonusSeries(n, &years); s >= 0)
            return double(qRound(m_seriesBase[s] * (1.0 + years / 10.0) / 100.0) * 100);
    }
    if (table == QLatin1String("MZN") && n == QLatin1String("MMH"))
        return double(pick(112, 140));
    if (table == QLatin1String("MZN") && n == QLatin1String("MMM"))
        return double(pick(189, 250) * 100);
    if (table == QLatin1String("SF")) {
        if (n.startsWith(QLatin1String("CT")))
            return double(pick(20, 300) * 10000);
        if (n.startsWith(QLatin1Char('U')) && !n.contains(QLatin1String("KC")) && !n.contains(QLatin1String("PR")))
            return double(pick(4, 120) * 500);
    }
    if (n.contains(QLatin1String("HT")) || n.endsWith(QLatin1Char('H')))
        return QList<double>({37.5, 38.75, 40.0, 36.0, 30.0}).at(pick(0, 4));
    if (n.endsWith(QLatin1String("KCH")))
        return double(pick(1, 20) * 5);
    if (n.endsWith(QLatin1String("KCS")))
        return double(pick(2, 50) * 10);
    if (n.endsWith(QLatin1String("KCM")))
        return double(pick(3, 50) * 100);
    if (n.contains(QLatin1String("KC")) || n.contains(QLatin1String("CAST")))
        return double(pick(5, 400) * 50);
    if (n.contains(QLatin1String("PR")) || n.endsWith(QLatin1Char('P')))
        return double(pick(1, 10) * 5);
    return chance(0.5) ? double(pick(1, 30)) : pick(2, 60) / 2.0;
}

QVariant Generator::plausibleValue(const QString& table, const Column& column, int year) {
    const QString& n = column.upper;
    switch (column.kind) {
    case ColumnKind::YesNo:
        return true;
    case ColumnKind::Decimal:
        return plausibleNumber(table, n);
    case ColumnKind::Integer:
        return pick(1, 20);
    case ColumnKind::Date:
        return QDate(year, pick(1, 12), pick(1, 28));
    case ColumnKind::Text:
        return fit(QString::fromUtf8(kOther[pick(0, count(kOther) - 1)]), column.size);
    }
    return QVariant();
}

QVariant Generator::contentValue(const QString& table, const Column& column, int index, int type, int year,
                                 const QVariantList& row, const TableWriter& writer) {
    const QString& n = column.upper;
    if (!writer.asked[size_t(type)][size_t(index)])
        return QVariant(); // not a question of this variant
    switch (column.kind) {
    case ColumnKind::YesNo: {
        const int roll = pick(1, 100);
        return roll <= 55 ? QVariant(true) : roll <= 92 ? QVariant(false) : QVariant();
    }
    case ColumnKind::Decimal: {
        QChar unit;
        if (tariffGrade(n, &unit) > m_grades)
            return QVariant(); // the agreement has fewer grades
        if (chance(0.2))
            return QVariant();
        return plausibleNumber(table, n);
    }
    case ColumnKind::Integer:
    case ColumnKind::Date:
        if (chance(column.kind == ColumnKind::Date ? 0.3 : 0.2))
            return QVariant();
        return plausibleValue(table, column, year);
    case ColumnKind::Text: {
        // "...J" columns specify an answer of their yes/no question: filled only after a yes.
        if (n.endsWith(QLatin1Char('J')) && n.size() > 1) {
            const int parent = writer.indexOf(n.left(n.size() - 1));
            if (parent >= 0 && parent < row.size() && !(row.at(parent).typeId() == QMetaType::Bool && row.at(parent).toBool()))
                return QVariant();
            if (!chance(0.5))
                return QVariant();
        } else if (!chance(0.15)) {
            return QVariant();
        }
        return plausibleValue(table, column, year);
    }
    }
    return QVariant();
}

void Generator::addContent(int ks, int inst, int type, int year) {
    drawContentTraits();
    m_drawn.variant = type;
    m_drawn.year = year;
    for (size_t t = 0; t < m_drawn.tables.size(); ++t) {
        DemoData::ContentTable& drawn = m_drawn.tables[t];
        const QString& table = drawn.name;
        const TableWriter& writer = *m_content.value(table);
        QVariantList& row = drawn.values;
        row.clear();
        const bool followsHigher = table == QLatin1String("KS") && type == 1 && !m_higherContents.isEmpty() && chance(0.1);
        const QPair<int, int> higher = followsHigher ? choose(m_higherContents) : QPair<int, int>();
        const QList<Column>& columns = writer.columns();
        for (int i = 0; i < columns.size(); ++i) {
            const Column& c = columns.at(i);
            const QString& n = c.upper;
            QVariant v;
            if (n == QLatin1String("ID_KS"))
                v = ks;
            else if (n == QLatin1String("ID_INST_KS"))
                v = inst;
            else if (table == QLatin1String("KS")) {
                if (n == QLatin1String("ID_KS_VKS"))
                    v = followsHigher ? QVariant(higher.first) : QVariant();
                else if (n == QLatin1String("ID_INST_KS_VKS"))
                    v = followsHigher ? QVariant(higher.second) : QVariant();
                else if (n == QLatin1String("DATUZ"))
                    v = QDate(year - 1, 12, pick(1, 20));
                else if (n == QLatin1String("DATPLOD"))
                    v = QDate(year, 1, 1);
                else if (n == QLatin1String("DATPL"))
                    v = QDate(year + (chance(0.7) ? 0 : pick(1, 2)), 12, 31);
                else if (n == QLatin1String("MEMO"))
                    v = chance(0.25) ? QVariant(QString::fromUtf8(kNotes[pick(0, count(kNotes) - 1)])) : QVariant();
                else
                    v = contentValue(table, c, i, type, year, row, writer);
            } else {
                v = contentValue(table, c, i, type, year, row, writer);
            }
            row.append(v);
        }
    }
    if (m_options.answers) {
        const bool withErrors = m_options.errorShare > 0 && chance(m_options.errorShare);
        const int roll = pick(1, 10);
        const int made = m_options.answers->Shape(m_drawn, withErrors ? (roll <= 5 ? 1 : roll <= 8 ? 2 : 3) : 0);
        if (made > 0) {
            ++m_summary.withErrors;
            m_summary.errors += made;
        }
    }
    for (const DemoData::ContentTable& drawn : m_drawn.tables)
        m_content.value(drawn.name)->write(drawn.values);
    ++m_summary.contents;
}

DemoData::Summary Generator::run() {
    const int currentYear = QDate::currentDate().year();
    int from = m_options.yearFrom > 0 ? m_options.yearFrom : currentYear - 2;
    int to = m_options.yearTo > 0 ? m_options.yearTo : (m_options.yearFrom > 0 ? from : currentYear);
    if (to < from)
        std::swap(from, to);
    m_summary.yearFrom = from;
    m_summary.yearTo = to;
    const int years = to - from + 1;

    loadCodeLists();
    loadVariantItems();
    m_subj = std::make_unique<TableWriter>(m_db, QStringLiteral("SUBJ"));
    m_zoos = std::make_unique<TableWriter>(m_db, QStringLiteral("ZOOS"));
    m_epks = std::make_unique<TableWriter>(m_db, QStringLiteral("EPKS"), QStringList{QStringLiteral("ID_EPKS")});
    for (const QString& t : {QStringLiteral("KS"), QStringLiteral("SPOLUP"), QStringLiteral("ZAMEST"), QStringLiteral("PRDOBA"),
                             QStringLiteral("PREKAZKY"), QStringLiteral("MZN"), QStringLiteral("MZT"),
                             QStringLiteral("PRIPLAT"), QStringLiteral("ODMENY"), QStringLiteral("SF")}) {
        auto writer = std::make_shared<TableWriter>(m_db, t);
        for (int v = 1; v <= 4; ++v)
            for (const Column& c : writer->columns())
                writer->asked[size_t(v)].push_back(!m_catalogued.contains(t) || m_variantItems[v].value(t).contains(c.upper));
        m_content.insert(t, writer);
        DemoData::ContentTable drawn;
        drawn.name = t;
        for (const Column& c : writer->columns())
            drawn.columns.append(c.name);
        m_drawn.tables.push_back(drawn);
    }
    m_drawn.random = &m_random;
    m_drawn.draw = [this](int table, int column) {
        const DemoData::ContentTable& drawn = m_drawn.tables.at(size_t(table));
        return plausibleValue(drawn.name, m_content.value(drawn.name)->columns().at(column), m_drawn.year);
    };

    // The local installation is activated as the program does at its first start.
    m_db.execute(QStringLiteral("INSERT OR IGNORE INTO INST (ID_INST) VALUES (%1);"
                                "INSERT OR IGNORE INTO INST (ID_INST) VALUES (%2);"
                                "INSERT OR REPLACE INTO AUTOINC (TABULKA, HODNOTA) VALUES ('ID_INST', %1);")
                     .arg(kLocalInstallation)
                     .arg(DemoData::kForeignInstallation));

    int nextSubj = counter(QStringLiteral("SUBJ")), nextZoos = counter(QStringLiteral("ZOOS")),
        nextKs = counter(QStringLiteral("KS"));
    // Keys of the other installation: its own counters, above anything already in the database.
    int foreignSubj = int(TDB::QueryValue(&m_db, QStringLiteral("SELECT max(ID_SUBJ) FROM SUBJ WHERE ID_INST_SUBJ = %1")
                                                     .arg(DemoData::kForeignInstallation)).toLongLong());
    int foreignZoos = int(TDB::QueryValue(&m_db, QStringLiteral("SELECT max(ID_ZOOS) FROM ZOOS WHERE ID_INST_ZOOS = %1")
                                                     .arg(DemoData::kForeignInstallation)).toLongLong());
    int foreignKs = int(TDB::QueryValue(&m_db, QStringLiteral("SELECT max(ID_KS) FROM KS WHERE ID_INST_KS = %1")
                                                   .arg(DemoData::kForeignInstallation)).toLongLong());

    auto addRegistration = [&](int ks, int inst, int zoos, const Employer& e, int year) {
        const bool valid = chance(m_options.validShare);
        QVariant platnost = valid ? QVariant(true) : (chance(0.67) ? QVariant(false) : QVariant());
        QVariantList row;
        for (const Column& c : m_epks->columns()) {
            const QString n = c.name.toUpper();
            QVariant v;
            if (n == QLatin1String("ID_INST_EPKS"))
                v = inst;
            else if (n == QLatin1String("ID_KS"))
                v = ks;
            else if (n == QLatin1String("ID_INST_KS"))
                v = inst;
            else if (n == QLatin1String("ID_ZOOS"))
                v = zoos;
            else if (n == QLatin1String("ID_INST_ZOOS"))
                v = e.inst;
            else if (n == QLatin1String("ID_SUBJ"))
                v = e.id;
            else if (n == QLatin1String("ID_INST_SUBJ"))
                v = e.inst;
            else if (n == QLatin1String("ID_TYPSUBJ"))
                v = e.type;
            else if (n == QLatin1String("ROK"))
                v = year;
            else if (n == QLatin1String("PLATNOST"))
                v = platnost;
            row.append(v);
        }
        m_epks->write(row);
        ++m_summary.agreements;
        if (valid)
            ++m_summary.valid;
        if (inst != kLocalInstallation)
            ++m_summary.foreign;
    };

    int made = 0;
    while (made < m_options.agreements) {
        const bool foreign = chance(m_options.foreignShare);
        const int inst = foreign ? DemoData::kForeignInstallation : kLocalInstallation;
        Employer e = addEmployer(inst, foreign ? ++foreignSubj : ++nextSubj);
        const QString& employerName = e.name;
        e.unions.append(addUnion(inst, foreign ? ++foreignZoos : ++nextZoos, employerName));
        // One agreement per year, as long as agreements are wanted.
        for (int y = 0; y < years && made < m_options.agreements; ++y) {
            const int year = from + y;
            const int ks = foreign ? ++foreignKs : ++nextKs;
            addContent(ks, inst, e.type, year);
            addRegistration(ks, inst, e.unions.first(), e, year);
            ++made;
            // A second union organisation at the employer signing the same agreement: one content, two
            // registrations.
            if (made < m_options.agreements && chance(m_options.sharedShare)) {
                if (e.unions.size() < 2)
                    e.unions.append(addUnion(inst, foreign ? ++foreignZoos : ++nextZoos, employerName));
                addRegistration(ks, inst, e.unions.at(1), e, year);
                ++m_summary.shared;
                ++made;
            }
        }
    }

    m_db.execute(QStringLiteral("UPDATE AUTOINC SET HODNOTA = %1 WHERE TABULKA = 'SUBJ';"
                                "UPDATE AUTOINC SET HODNOTA = %2 WHERE TABULKA = 'ZOOS';"
                                "UPDATE AUTOINC SET HODNOTA = %3 WHERE TABULKA = 'KS';")
                     .arg(nextSubj)
                     .arg(nextZoos)
                     .arg(nextKs));
    return m_summary;
}

} // namespace

DemoData::Summary DemoData::Fill(Connection* db, const Options& options) {
    if (!db || !db->isOpen())
        throw DbError(QStringLiteral("Databáze není připojena."));
    if (options.agreements < 0)
        throw MeroError(QStringLiteral("Počet smluv nesmí být záporný."));
    TDB::StartTransaction(db, IsolationLevel::ReadCommitted);
    try {
        Summary summary = Generator(*db, options).run();
        TDB::Commit(db);
        return summary;
    } catch (...) {
        try {
            TDB::Rollback(db);
        } catch (const MeroError&) {
        }
        throw;
    }
}

} // namespace mero
