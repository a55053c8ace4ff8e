#include "checks/check_results.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <tuple>

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
    extendRuns();
    Cut(row);
    m_rows.push_back(std::move(row));
    m_sorted = false;
}

TCheckResult& TCheckResults::AppendCut(const TCheckResult& row) {
    extendRuns();
    m_sorted = false;
    return m_rows.emplace_back(row);
}

void TCheckResults::Cut(TCheckResult& row) {
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
}

void TCheckResults::Clear() {
    m_rows.clear();
    m_runs.clear();
    m_classified = 0;
    m_order.clear();
    m_sorted = true;
}

TCheckResultRows TCheckResults::Rows() const {
    if (!m_sorted)
        sort();
    return {m_rows, m_order};
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

namespace {

bool sameStorage(const QString& a, const QString& b) {
    return a.constData() == b.constData() && a.size() == b.size();
}

bool sameText(const QString& a, const QString& b) {
    return sameStorage(a, b) || a == b;
}

// Rows of the same agreement for certain: equal year and texts (the sort may still find other rows
// equal to them, names that differ only in case, say).
bool sameAgreement(const TCheckResult& a, const TCheckResult& b) {
    return a.ROK == b.ROK && sameText(a.ID, b.ID) && sameText(a.SVAZ, b.SVAZ) && sameText(a.SUBJEKT1, b.SUBJEKT1) &&
           sameText(a.SUBJEKT2, b.SUBJEKT2);
}

// The order of rows within an agreement: severity order, then the normalized code.
bool rowBefore(const TCheckResult& a, const TCheckResult& b) {
    if (a.PORADI_ZAVAZNOSTI != b.PORADI_ZAVAZNOSTI)
        return a.PORADI_ZAVAZNOSTI < b.PORADI_ZAVAZNOSTI;
    return a.KODNORMALIZOVANY.compare(b.KODNORMALIZOVANY) < 0;
}

// The rank of a text of each given row: equal texts share a rank and ranks follow the order of the
// texts. Each distinct text is ranked once (a few unions stand behind many agreements).
template <typename Less>
std::vector<int> rankTexts(const std::vector<TCheckResult>& rows, const std::vector<size_t>& which,
                           QString TCheckResult::*member, Less less) {
    QHash<QString, int> index;
    QStringList distinct;
    std::vector<int> rank(which.size());
    for (size_t i = 0; i < which.size(); ++i) {
        const QString& t = rows[which[i]].*member;
        auto it = index.constFind(t);
        if (it == index.cend()) {
            it = index.insert(t, int(distinct.size()));
            distinct.append(t);
        }
        rank[i] = it.value();
    }
    std::vector<int> order(size_t(distinct.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int x, int y) { return less(distinct[x], distinct[y]); });
    std::vector<int> rankOf(order.size());
    int r = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && less(distinct[order[i - 1]], distinct[order[i]]))
            ++r;
        rankOf[size_t(order[i])] = r;
    }
    for (int& t : rank)
        t = rankOf[size_t(t)];
    return rank;
}

} // namespace

void TCheckResults::extendRuns() const {
    for (size_t i = m_classified; i < m_rows.size(); ++i)
        if (i == 0 || !sameAgreement(m_rows[i], m_rows[i - 1]) || rowBefore(m_rows[i], m_rows[i - 1]))
            m_runs.push_back(i);
    m_classified = m_rows.size();
}

void TCheckResults::sort() const {
    // A check run appends the rows of one agreement sorted by severity and code, so the rows fall
    // into runs that are in order already: consecutive rows of one agreement in the order of the
    // list. Only the runs are sorted, and runs of one agreement are merged.
    extendRuns();
    struct Run {
        size_t begin, end;
    };
    std::vector<Run> runs(m_runs.size());
    for (size_t r = 0; r < m_runs.size(); ++r)
        runs[r] = {m_runs[r], r + 1 < m_runs.size() ? m_runs[r + 1] : m_rows.size()};
    std::vector<size_t> first(m_runs);

    // Names compare in Czech collation, the identifier by its characters.
    QCollator collator{QLocale(QLocale::Czech, QLocale::CzechRepublic)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto czech = [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; };
    const auto binary = [](const QString& a, const QString& b) { return a.compare(b) < 0; };
    const std::vector<int> svaz = rankTexts(m_rows, first, &TCheckResult::SVAZ, czech);
    const std::vector<int> id = rankTexts(m_rows, first, &TCheckResult::ID, binary);
    // Employer and union organisation names are mostly distinct: they are compared only where the
    // keys before them are equal.
    const auto names = [&](const QString& a, const QString& b) {
        return sameStorage(a, b) ? 0 : collator.compare(a, b);
    };
    const auto compareRuns = [&](size_t x, size_t y) {
        const TCheckResult& a = m_rows[first[x]];
        const TCheckResult& b = m_rows[first[y]];
        if (a.ROK != b.ROK)
            return a.ROK < b.ROK ? -1 : 1;
        if (svaz[x] != svaz[y])
            return svaz[x] < svaz[y] ? -1 : 1;
        if (const int c = names(a.SUBJEKT1, b.SUBJEKT1); c != 0)
            return c;
        if (const int c = names(a.SUBJEKT2, b.SUBJEKT2); c != 0)
            return c;
        return id[x] == id[y] ? 0 : (id[x] < id[y] ? -1 : 1);
    };

    // Runs in the order of their agreements; runs of one agreement keep the order they came in.
    std::vector<size_t> runOrder(runs.size());
    std::iota(runOrder.begin(), runOrder.end(), size_t(0));
    std::stable_sort(runOrder.begin(), runOrder.end(), [&](size_t x, size_t y) { return compareRuns(x, y) < 0; });

    m_order.clear();
    m_order.reserve(m_rows.size());
    for (size_t k = 0; k < runOrder.size();) {
        size_t last = k + 1;
        while (last < runOrder.size() && compareRuns(runOrder[last], runOrder[k]) == 0)
            ++last;
        const size_t start = m_order.size();
        for (size_t j = k; j < last; ++j)
            for (size_t i = runs[runOrder[j]].begin; i < runs[runOrder[j]].end; ++i)
                m_order.push_back(quint32(i));
        // The stable sort keeps rows that are equal in every sort field in the order they came.
        if (last - k > 1)
            std::stable_sort(m_order.begin() + qsizetype(start), m_order.end(),
                             [&](quint32 a, quint32 b) { return rowBefore(m_rows[a], m_rows[b]); });
        k = last;
    }
    m_sorted = true;
}

} // namespace mero
