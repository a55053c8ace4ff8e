#include "checks/check_results.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace mero {

namespace {

struct FieldDef {
    const char* name;
    int width;
};

constexpr FieldDef kFields[] = {
    {"ID", 41},        {"ID_SVAZ", 20},           {"SVAZ", 100},          {"ID_SUBJEKT1", 41},
    {"SUBJEKT1", 100}, {"ID_SUBJEKT2", 41},       {"SUBJEKT2", 100},      {"ROK", 0},
    {"PORADI_TYPKONTROLY", 0}, {"TYP_KONTROLY", 100}, {"PORADI_ZAVAZNOSTI", 0}, {"ZAVAZNOST", 100},
    {"KODNORMALIZOVANY", 100}, {"KOD", 10},       {"TEXT", 500},          {"HODNOTA", 100},
};

void cut(QString& text, int width) {
    if (text.size() > width)
        text.truncate(width);
}

} // namespace

const QStringList& TCheckResults::FieldNames() {
    static const QStringList names = [] {
        QStringList out;
        for (const FieldDef& f : kFields)
            out.append(QString::fromLatin1(f.name));
        return out;
    }();
    return names;
}

int TCheckResults::FieldWidth(const QString& field) {
    for (const FieldDef& f : kFields)
        if (field == QLatin1String(f.name))
            return f.width;
    return 0;
}

void TCheckResults::Append(TCheckResult row) {
    cut(row.ID, 41);
    cut(row.ID_SVAZ, 20);
    cut(row.SVAZ, 100);
    cut(row.ID_SUBJEKT1, 41);
    cut(row.SUBJEKT1, 100);
    cut(row.ID_SUBJEKT2, 41);
    cut(row.SUBJEKT2, 100);
    cut(row.TYP_KONTROLY, 100);
    cut(row.ZAVAZNOST, 100);
    cut(row.KODNORMALIZOVANY, 100);
    cut(row.KOD, 10);
    cut(row.TEXT, 500);
    cut(row.HODNOTA, 100);
    m_rows.push_back(std::move(row));
    m_sorted = false;
}

void TCheckResults::Clear() {
    m_rows.clear();
    m_sorted = true;
}

const std::vector<TCheckResult>& TCheckResults::Rows() const {
    if (!m_sorted)
        sort();
    return m_rows;
}

QString TCheckResults::FieldText(const TCheckResult& r, int fieldIndex) {
    switch (fieldIndex) {
    case 0: return r.ID;
    case 1: return r.ID_SVAZ;
    case 2: return r.SVAZ;
    case 3: return r.ID_SUBJEKT1;
    case 4: return r.SUBJEKT1;
    case 5: return r.ID_SUBJEKT2;
    case 6: return r.SUBJEKT2;
    case 7: return QString::number(r.ROK);
    case 8: return QString::number(r.PORADI_TYPKONTROLY);
    case 9: return r.TYP_KONTROLY;
    case 10: return QString::number(r.PORADI_ZAVAZNOSTI);
    case 11: return r.ZAVAZNOST;
    case 12: return r.KODNORMALIZOVANY;
    case 13: return r.KOD;
    case 14: return r.TEXT;
    case 15: return r.HODNOTA;
    default: return QString();
    }
}

void TCheckResults::sort() const {
    // Names compare in Czech collation. Many rows share one agreement's names, so each distinct name
    // is ranked once and the rows are sorted by the ranks.
    QCollator collator{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto rankTexts = [&](auto member) {
        QHash<QString, int> rank;
        QStringList distinct;
        for (const TCheckResult& r : m_rows) {
            const QString& t = r.*member;
            if (!rank.contains(t)) {
                rank.insert(t, 0);
                distinct.append(t);
            }
        }
        std::sort(distinct.begin(), distinct.end(),
                  [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
        int r = 0;
        for (qsizetype i = 0; i < distinct.size(); ++i) {
            if (i > 0 && collator.compare(distinct[i - 1], distinct[i]) != 0)
                ++r;
            rank[distinct[i]] = r;
        }
        return rank;
    };
    const QHash<QString, int> svaz = rankTexts(&TCheckResult::SVAZ);
    const QHash<QString, int> subjekt1 = rankTexts(&TCheckResult::SUBJEKT1);
    const QHash<QString, int> subjekt2 = rankTexts(&TCheckResult::SUBJEKT2);

    struct Key {
        int rok, svaz, subjekt1, subjekt2;
        const QString* id;
        int poradi;
        const QString* kod;
        size_t index;
    };
    std::vector<Key> keys;
    keys.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i) {
        const TCheckResult& r = m_rows[i];
        keys.push_back({r.ROK, svaz.value(r.SVAZ), subjekt1.value(r.SUBJEKT1), subjekt2.value(r.SUBJEKT2), &r.ID,
                        r.PORADI_ZAVAZNOSTI, &r.KODNORMALIZOVANY, i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.rok != b.rok)
            return a.rok < b.rok;
        if (a.svaz != b.svaz)
            return a.svaz < b.svaz;
        if (a.subjekt1 != b.subjekt1)
            return a.subjekt1 < b.subjekt1;
        if (a.subjekt2 != b.subjekt2)
            return a.subjekt2 < b.subjekt2;
        if (const int c = a.id->compare(*b.id); c != 0)
            return c < 0;
        if (a.poradi != b.poradi)
            return a.poradi < b.poradi;
        return a.kod->compare(*b.kod) < 0;
    });
    std::vector<TCheckResult> sorted;
    sorted.reserve(m_rows.size());
    for (const Key& k : keys)
        sorted.push_back(std::move(m_rows[k.index]));
    m_rows = std::move(sorted);
    m_sorted = true;
}

} // namespace mero
