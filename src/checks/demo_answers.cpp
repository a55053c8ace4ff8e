#include "checks/demo_answers.h"

#include "checks/check_module.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/math_utils.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace mero {

namespace {

const char* const kQuestionnaireTables[] = {"KS",       "SPOLUP", "ZAMEST", "PRDOBA",  "PREKAZKY",
                                            "MZN",      "MZT",    "PRIPLAT", "ODMENY", "SF"};

// The numbers that one range check allows, or the intersection of several.
struct Bounds {
    bool hasMin = false;
    bool minInclusive = true;
    double min = 0;
    bool hasMax = false;
    bool maxInclusive = true;
    double max = 0;
    bool needsValue = false; // a check tests an empty value as 0, and 0 lies outside

    static Bounds of(const TKontrolaRozsah& r) {
        Bounds b;
        b.hasMin = r.HasMin;
        b.min = r.Min;
        b.minInclusive = r.MinInclusive;
        b.hasMax = r.HasMax;
        b.max = r.Max;
        b.maxInclusive = r.MaxInclusive;
        return b;
    }

    // As the range check compares: both sides rounded to 6 decimal places.
    bool contains(double value) const {
        const double x = TMath::RoundTo(value, 6);
        if (hasMin) {
            const double m = TMath::RoundTo(min, 6);
            if (!(minInclusive ? x >= m : x > m))
                return false;
        }
        if (hasMax) {
            const double m = TMath::RoundTo(max, 6);
            if (!(maxInclusive ? x <= m : x < m))
                return false;
        }
        return true;
    }

    void intersect(const Bounds& o) {
        if (o.hasMin && (!hasMin || o.min > min || (o.min == min && !o.minInclusive))) {
            hasMin = true;
            min = o.min;
            minInclusive = o.minInclusive;
        }
        if (o.hasMax && (!hasMax || o.max < max || (o.max == max && !o.maxInclusive))) {
            hasMax = true;
            max = o.max;
            maxInclusive = o.maxInclusive;
        }
        needsValue = needsValue || o.needsValue;
    }

    bool isEmpty() const {
        if (!hasMin || !hasMax)
            return false;
        return min > max || (min == max && !(minInclusive && maxInclusive));
    }
};

enum class Kind { Strict, NonStrict, Combination, Exclusion, Required, Range, Comparison, Other };

Kind kindOf(const TKontrolaZaklad* c) {
    if (dynamic_cast<const TKontrolaVazbaStriktni*>(c))
        return Kind::Strict;
    if (dynamic_cast<const TKontrolaVazbaNestriktni*>(c))
        return Kind::NonStrict;
    if (dynamic_cast<const TKontrolaVazbaKombinacni*>(c))
        return Kind::Combination;
    if (dynamic_cast<const TKontrolaVazbaVylucovaci*>(c))
        return Kind::Exclusion;
    if (dynamic_cast<const TKontrolaZadani*>(c))
        return Kind::Required;
    if (dynamic_cast<const TKontrolaRozsah*>(c))
        return Kind::Range;
    if (dynamic_cast<const TKontrolaPorovnani*>(c))
        return Kind::Comparison;
    return Kind::Other;
}

bool isBinding(Kind k) {
    return k == Kind::Strict || k == Kind::NonStrict || k == Kind::Combination || k == Kind::Exclusion;
}

bool isNumber(const Field* f) {
    return f && (f->type() == FieldType::Integer || f->type() == FieldType::Decimal);
}

// x as a fixed-point number; the demo's numbers lie well within its range.
Currency fixedPoint(double x) {
    Currency c;
    Currency::fromDouble(x, &c);
    return c;
}

// The sum a comparison compares with: the related items that hold a value, as fixed-point numbers.
double relatedSum(const TKontrolaZaklad* c, int* filled) {
    Currency s;
    *filled = 0;
    for (const TPolozka* p : c->RelatedItems) {
        const Field* f = p->field();
        if (!f || f->isNull())
            continue;
        s.units += fixedPoint(f->asFloat()).units;
        ++*filled;
    }
    return s.toDouble();
}

} // namespace

class DemoAnswers::Impl {
public:
    explicit Impl(Connection* database);

    int shape(DemoData::Content& content, int errors);

    struct CheckRef {
        TKontrolaZaklad* check;
        Kind kind;
    };
    struct Variant {
        std::vector<CheckRef> checks;                 // evaluated for the variant, in catalogue order
        std::vector<CheckRef> bindings;               // questions before the questions they contain
        std::vector<const TPolozka*> bounded;         // numeric items with range checks, catalogue order
        QHash<const TPolozka*, Bounds> bounds;        // ... and what those checks allow together
    };

    Connection m_memory;
    std::vector<std::unique_ptr<Dataset>> m_datasets;
    QHash<QString, Dataset*> m_byName;
    Dataset* m_epks = nullptr;
    Dataset* m_ks = nullptr;
    // The tables with derived values, in the order of their dirty bits.
    Dataset* m_mzt = nullptr;
    Dataset* m_mzn = nullptr;
    Dataset* m_sf = nullptr;
    Dataset* m_odmeny = nullptr;
    Field* m_tariffHours = nullptr;   // MZT.TTFH, when it is an item
    Field* m_minimumHours = nullptr;  // MZN.TFH
    Field* m_fundInput = nullptr;     // an SF column whose edit recomputes the balance
    Field* m_balance = nullptr;       // SF.UZ
    const TPolozka* m_balanceItem = nullptr;
    std::vector<std::pair<Field*, const TPolozka*>> m_uses; // fund uses that are items
    std::vector<Field*> m_seriesMembers; // bonus series members that are items, in order, each but the last
    std::unique_ptr<TCheckModule> m_module;
    Variant m_variants[5];
    QSet<const Field*> m_derived; // columns the derived-value rules write
    bool m_hasItems = false;
    int m_checkCount = 0;
    int m_unresolved = 0;

private:
    // The content being reworked.
    DemoData::Content* m_content = nullptr;
    int m_variant = 0;
    const Variant* m_v = nullptr;
    std::vector<std::vector<Field*>> m_columns; // per content table: the dataset's field of each column
    QHash<const Field*, QPair<int, int>> m_positions;
    unsigned m_dirty = 0; // datasets whose derived values are due (bits of dirtyBit)
    std::vector<QVariant> m_snapshot;

    int pick(int from, int to) { return std::uniform_int_distribution<int>(from, to)(*m_content->random); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(*m_content->random) < p; }
    double uniform(double from, double to) {
        return std::uniform_real_distribution<double>(from, to)(*m_content->random);
    }

    Dataset* table(const char* name) const { return m_byName.value(QString::fromLatin1(name)); }
    unsigned dirtyBit(const Dataset* ds) const;
    void bindColumns();
    void set(Field* f, const QVariant& value);
    bool applies(const TPolozka* p) const { return p->AppliesTo(m_variant); }
    bool derived(const TPolozka* p) const { return m_derived.contains(p->field()); }
    Bounds boundsOf(const TPolozka* p) const { return m_v->bounds.value(p); }

    QVariant draw(const TPolozka* p);
    QVariant numberWithin(const TPolozka* p, const Bounds& b);
    bool fill(const TPolozka* p);
    void clear(const TPolozka* p);
    void setFlag(const TPolozka* p, bool yes);

    void clean();
    void fitRanges();
    void topDown();
    bool settle(int passes);
    void repair(const CheckRef& c);
    void repairComparison(const TKontrolaPorovnani* c);
    void wipe(const CheckRef& c);
    void derive();
    void deriveFund();

    int failures() const;
    int plant(int errors);
    bool perturb(const CheckRef& c);
    bool perturbRange(const TKontrolaRozsah* r);
    bool perturbComparison(const TKontrolaPorovnani* c);
    void takeSnapshot();
    void restoreSnapshot();
};

DemoAnswers::Impl::Impl(Connection* database) {
    m_memory.open(QStringLiteral(":memory:"), Connection::OpenMode::Create);
    if (!database || !database->isOpen())
        return;
    QStringList names;
    for (const char* t : kQuestionnaireTables)
        names.append(QString::fromLatin1(t));
    names.append(QStringLiteral("EPKS"));
    for (const QString& name : names) {
        QStringList columns;
        Statement info = database->prepare(QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(name));
        while (info.step())
            columns.append((QLatin1Char('"') + info.value(0).toString() + QStringLiteral("\" ") + info.value(1).toString())
                               .trimmed());
        if (columns.isEmpty())
            continue; // the generator reports the missing table
        m_memory.execute(QStringLiteral("CREATE TABLE \"%1\" (%2); INSERT INTO \"%1\" DEFAULT VALUES;")
                             .arg(name, columns.join(QStringLiteral(", "))));
        auto ds = std::make_unique<Dataset>(QStringLiteral("Tbl") + name);
        ds->setConnection(&m_memory);
        ds->setTableName(name);
        ds->open();
        ds->disableControls();
        ds->edit(); // the one row stays in edit state: the rules act only on rows being edited
        m_byName.insert(name, ds.get());
        m_datasets.push_back(std::move(ds));
    }
    m_epks = m_byName.value(QStringLiteral("EPKS"));
    m_ks = table("KS");
    m_mzt = table("MZT");
    m_mzn = table("MZN");
    m_sf = table("SF");
    m_odmeny = table("ODMENY");

    m_module = std::make_unique<TCheckModule>(
        database, [this](const QString& name) { return m_byName.value(name); }, TCheckModule::Locator());
    try {
        m_module->LoadItems();
        m_module->LoadChecks();
    } catch (const DbError&) {
        // No catalogue tables: nothing to follow.
    }
    m_hasItems = m_module->Items().Count() > 0;
    m_checkCount = m_module->Checks().Count();

    // The columns whose edits the derived-value rules follow (only those that are items).
    const TPolozkaList& items = m_module->Items();
    const auto itemField = [&](Dataset* ds, const QString& column) -> Field* {
        Field* f = ds ? ds->findField(column) : nullptr;
        return f && items.FindByTableField(ds->tableName(), f->name()) ? f : nullptr;
    };
    m_tariffHours = itemField(m_mzt, QStringLiteral("TTFH"));
    m_minimumHours = itemField(m_mzn, QStringLiteral("TFH"));
    for (const char* name : {"CT1", "CT2", "T1", "T2", "RFKSP"})
        if (!m_fundInput)
            m_fundInput = itemField(m_sf, QString::fromLatin1(name));
    m_balance = itemField(m_sf, QStringLiteral("UZ"));
    m_balanceItem = m_balance ? items.FindByTableField(m_sf->tableName(), m_balance->name()) : nullptr;
    for (const QString& use : TCheckModule::FundUses())
        if (Field* f = itemField(m_sf, use))
            m_uses.emplace_back(f, items.FindByTableField(m_sf->tableName(), f->name()));
    for (const QStringList& series : TCheckModule::BonusSeries())
        for (qsizetype i = 0; i + 1 < series.size(); ++i)
            if (Field* f = itemField(m_odmeny, series[i]))
                m_seriesMembers.push_back(f);

    if (Dataset* mzt = table("MZT"))
        for (int n = 1; n <= 20; ++n)
            if (const Field* f = mzt->findField(QStringLiteral("MMTH%1P").arg(n)))
                m_derived.insert(f);
    if (Dataset* mzn = table("MZN"))
        if (const Field* f = mzn->findField(QStringLiteral("MMHP")))
            m_derived.insert(f);
    if (Dataset* sf = table("SF"))
        if (const Field* f = sf->findField(QStringLiteral("UZ")))
            m_derived.insert(f);

    for (int v = 1; v <= 4; ++v) {
        Variant& variant = m_variants[v];
        for (TKontrolaZaklad* c : m_module->Checks()) {
            if (c->SubjectType && *c->SubjectType != v)
                continue;
            if (!c->MainItem->AppliesTo(v) || !c->MainItem->field())
                continue; // the check run skips it too
            const CheckRef ref{c, kindOf(c)};
            variant.checks.push_back(ref);
            if (isBinding(ref.kind))
                variant.bindings.push_back(ref);
            if (ref.kind == Kind::Range && isNumber(c->MainItem->field())) {
                const auto* r = static_cast<const TKontrolaRozsah*>(c);
                Bounds b = Bounds::of(*r);
                b.needsValue = r->NullAsZero && !b.contains(0.0);
                if (!variant.bounds.contains(c->MainItem)) {
                    variant.bounded.push_back(c->MainItem);
                    variant.bounds.insert(c->MainItem, b);
                } else {
                    variant.bounds[c->MainItem].intersect(b);
                }
            }
        }
        // A question comes before the questions it contains: depth grows along the bindings from a
        // question to its supplementary answers (exclusions link alternatives, not levels).
        QHash<const TPolozka*, int> depth;
        for (int round = 0; round < 16; ++round) {
            bool changed = false;
            for (const CheckRef& b : variant.bindings) {
                if (b.kind == Kind::Exclusion)
                    continue;
                const int d = depth.value(b.check->MainItem) + 1;
                for (const TPolozka* r : b.check->RelatedItems)
                    if (depth.value(r) < d) {
                        depth.insert(r, d);
                        changed = true;
                    }
            }
            if (!changed)
                break;
        }
        std::stable_sort(variant.bindings.begin(), variant.bindings.end(), [&](const CheckRef& a, const CheckRef& b) {
            return depth.value(a.check->MainItem) < depth.value(b.check->MainItem);
        });
    }
}

unsigned DemoAnswers::Impl::dirtyBit(const Dataset* ds) const {
    return ds == m_mzt ? 1u : ds == m_mzn ? 2u : ds == m_sf ? 4u : ds == m_odmeny ? 8u : 0u;
}

void DemoAnswers::Impl::bindColumns() {
    if (m_columns.size() == m_content->tables.size())
        return;
    m_columns.clear();
    m_positions.clear();
    for (size_t t = 0; t < m_content->tables.size(); ++t) {
        const DemoData::ContentTable& drawn = m_content->tables[t];
        Dataset* ds = m_byName.value(drawn.name);
        std::vector<Field*> fields;
        for (int c = 0; c < drawn.columns.size(); ++c) {
            Field* f = ds ? ds->findField(drawn.columns.at(c)) : nullptr;
            fields.push_back(f);
            if (f)
                m_positions.insert(f, {int(t), c});
        }
        m_columns.push_back(std::move(fields));
    }
}

void DemoAnswers::Impl::set(Field* f, const QVariant& value) {
    if (!f)
        return;
    f->setValue(value);
    m_dirty |= dirtyBit(f->dataset());
}

// A fresh answer for the item as the generator draws it, within the item's ranges.
QVariant DemoAnswers::Impl::draw(const TPolozka* p) {
    const Field* f = p->field();
    if (f->type() == FieldType::YesNo)
        return true;
    const auto at = m_positions.constFind(f);
    QVariant v;
    if (at != m_positions.constEnd() && m_content->draw)
        v = m_content->draw(at->first, at->second);
    if (!v.isValid() || v.isNull()) {
        switch (f->type()) {
        case FieldType::Date:
        case FieldType::DateTime:
            v = QDate(m_content->year, 1, 1);
            break;
        case FieldType::Integer:
        case FieldType::Decimal:
            v = 1;
            break;
        default:
            v = QStringLiteral("viz příloha");
        }
    }
    if (isNumber(f) && m_v->bounds.contains(p)) {
        const Bounds b = boundsOf(p);
        if (!b.contains(v.toDouble()))
            v = numberWithin(p, b);
    }
    return v;
}

// A round number that the bounds allow: the drawn answer when it fits, else a whole number inside,
// else a value with two decimals inside.
QVariant DemoAnswers::Impl::numberWithin(const TPolozka* p, const Bounds& b) {
    if (b.isEmpty())
        return QVariant();
    const Field* f = p->field();
    const auto at = m_positions.constFind(f);
    if (at != m_positions.constEnd() && m_content->draw) {
        const QVariant v = m_content->draw(at->first, at->second);
        if (v.isValid() && !v.isNull() && b.contains(v.toDouble()))
            return v;
    }
    const double lo = b.hasMin ? b.min : (b.hasMax ? std::min(0.0, b.max - 10.0) : 0.0);
    const double hi = b.hasMax ? b.max : lo + std::max(10.0, std::abs(lo) * 2.0);
    double first = std::ceil(lo), last = std::floor(hi);
    if (!b.contains(first))
        first += 1;
    if (!b.contains(last))
        last -= 1;
    if (first <= last && last - first < 1e9)
        return double(first + std::floor(uniform(0.0, last - first + 1.0 - 1e-9)));
    if (f->type() != FieldType::Integer) {
        for (int tries = 0; tries < 8; ++tries) {
            const double x = std::round(uniform(lo, hi) * 100.0) / 100.0;
            if (b.contains(x))
                return x;
        }
        const double mid = TMath::RoundTo((lo + hi) / 2.0, 6);
        if (b.contains(mid))
            return mid;
    }
    return QVariant();
}

bool DemoAnswers::Impl::fill(const TPolozka* p) {
    Field* f = p->field();
    if (!f || !applies(p) || derived(p))
        return false;
    const QVariant v = draw(p);
    if (!v.isValid() || v.isNull())
        return false;
    set(f, v);
    return p->IsFilled();
}

// Unfilled: a yes/no question of the variant is answered no, anything else is emptied.
void DemoAnswers::Impl::clear(const TPolozka* p) {
    Field* f = p->field();
    if (!f)
        return;
    if (f->type() == FieldType::YesNo && applies(p))
        set(f, false);
    else if (!f->isNull())
        set(f, QVariant());
}

void DemoAnswers::Impl::setFlag(const TPolozka* p, bool yes) {
    Field* f = p->field();
    if (!f)
        return;
    if (f->type() == FieldType::YesNo) {
        if (applies(p))
            set(f, yes);
        else if (!f->isNull())
            set(f, QVariant());
    } else if (!yes) {
        clear(p);
    } else if (!p->IsFilled()) {
        fill(p);
    }
}

int DemoAnswers::Impl::shape(DemoData::Content& content, int errors) {
    if (!m_hasItems || content.variant < 1 || content.variant > 4 || !content.random)
        return 0;
    m_content = &content;
    m_variant = content.variant;
    m_v = &m_variants[m_variant];
    bindColumns();

    for (size_t t = 0; t < content.tables.size(); ++t) {
        const QVariantList& values = content.tables[t].values;
        const std::vector<Field*>& fields = m_columns[t];
        for (size_t c = 0; c < fields.size() && c < size_t(values.size()); ++c)
            if (fields[c])
                fields[c]->setValue(values.at(qsizetype(c)));
    }
    // The registration the fund balance takes the variant from.
    if (m_epks) {
        if (m_ks) {
            for (const char* key : {"ID_KS", "ID_INST_KS"}) {
                Field* target = m_epks->findField(QString::fromLatin1(key));
                const Field* source = m_ks->findField(QString::fromLatin1(key));
                if (target && source)
                    target->setValue(source->value());
            }
        }
        if (Field* type = m_epks->findField(QStringLiteral("ID_TYPSUBJ")))
            type->setValue(m_variant);
    }
    m_dirty = ~0u;

    clean();
    const int clean = failures();
    int made = 0;
    if (clean == 0 && errors > 0)
        made = plant(errors);
    const int failed = failures();
    if (failed != made)
        ++m_unresolved;

    for (size_t t = 0; t < content.tables.size(); ++t) {
        QVariantList& values = content.tables[t].values;
        const std::vector<Field*>& fields = m_columns[t];
        for (size_t c = 0; c < fields.size() && c < size_t(values.size()); ++c)
            if (fields[c])
                values[qsizetype(c)] = fields[c]->value();
    }
    return failed;
}

// ---------------------------------------------------------------------------------------------------
// Passing every check

void DemoAnswers::Impl::clean() {
    fitRanges();
    topDown();
    derive();
    if (settle(16))
        return;
    // What the repairs could not reconcile is left unanswered, as a hesitant user would.
    for (int round = 0; round < 3; ++round) {
        bool any = false;
        for (const CheckRef& c : m_v->checks)
            if (!c.check->IsValid()) {
                any = true;
                wipe(c);
            }
        derive();
        if (!any || settle(8))
            return;
    }
}

// Numbers outside what their range checks allow are drawn again within.
void DemoAnswers::Impl::fitRanges() {
    for (const TPolozka* p : m_v->bounded) {
        Field* f = p->field();
        if (!f || derived(p))
            continue;
        const Bounds b = boundsOf(p);
        if (f->isNull()) {
            if (b.needsValue && applies(p))
                set(f, numberWithin(p, b));
        } else if (!b.contains(f->asFloat())) {
            set(f, numberWithin(p, b));
        }
    }
}

// From each question down to its supplementary answers: a question answered yes gets an answer where
// its binding asks for one, a question answered no (or not at all) loses its answers.
void DemoAnswers::Impl::topDown() {
    std::vector<const TPolozka*> open;
    for (const CheckRef& b : m_v->bindings) {
        const TKontrolaZaklad* c = b.check;
        if (b.kind == Kind::Combination)
            continue; // a computed flag: settled from its answers afterwards
        const bool yes = c->MainItem->AsBoolean();
        if (b.kind == Kind::Exclusion) {
            if (yes) {
                for (const TPolozka* r : c->RelatedItems)
                    if (r->IsFilled())
                        clear(r);
            } else {
                std::vector<const TPolozka*> filled;
                for (const TPolozka* r : c->RelatedItems)
                    if (r->IsFilled())
                        filled.push_back(r);
                while (filled.size() > 1) {
                    const size_t i = size_t(pick(0, int(filled.size()) - 1));
                    clear(filled[i]);
                    filled.erase(filled.begin() + qsizetype(i));
                }
            }
            continue;
        }
        if (!yes) {
            for (const TPolozka* r : c->RelatedItems)
                if (r->IsFilled())
                    clear(r);
            continue;
        }
        if (c->CountFilled() > 0)
            continue;
        open.clear();
        for (const TPolozka* r : c->RelatedItems)
            if (r->field() && applies(r) && !derived(r))
                open.push_back(r);
        if (open.empty()) {
            if (b.kind == Kind::Strict)
                setFlag(c->MainItem, false);
            continue;
        }
        if (b.kind == Kind::Strict || chance(0.6)) {
            const size_t i = size_t(pick(0, int(open.size()) - 1));
            fill(open[i]);
            if (open.size() > 1 && chance(0.3))
                fill(open[(i + 1) % open.size()]);
        }
    }
}

// Repairs from the answers up until every check holds; false when passes run out first.
bool DemoAnswers::Impl::settle(int passes) {
    for (int pass = 0; pass < passes; ++pass) {
        bool any = false;
        for (const CheckRef& c : m_v->checks)
            if (!c.check->IsValid()) {
                any = true;
                repair(c);
            }
        if (!any)
            return true;
        derive();
    }
    return failures() == 0;
}

void DemoAnswers::Impl::repair(const CheckRef& ref) {
    TKontrolaZaklad* c = ref.check;
    if (c->IsValid())
        return; // an earlier repair of this pass mended it
    const TPolozka* main = c->MainItem;
    switch (ref.kind) {
    case Kind::Strict:
        setFlag(main, c->CountFilled() >= 1);
        break;
    case Kind::NonStrict:
        setFlag(main, true);
        break;
    case Kind::Combination:
        setFlag(main, c->CountFilled() >= 2);
        break;
    case Kind::Exclusion:
        if (main->AsBoolean()) {
            setFlag(main, false);
        } else {
            int n = c->CountFilled();
            for (const TPolozka* r : c->RelatedItems)
                if (n > 1 && r->IsFilled()) {
                    clear(r);
                    --n;
                }
        }
        break;
    case Kind::Required:
        fill(main);
        break;
    case Kind::Range:
        if (!derived(main)) {
            const Bounds b = boundsOf(main);
            set(main->field(), numberWithin(main, b));
        }
        break;
    case Kind::Comparison:
        repairComparison(static_cast<const TKontrolaPorovnani*>(c));
        break;
    case Kind::Other:
        break;
    }
}

// The main value moved next to the sum it is compared with, within its own ranges; emptied when no
// such value exists (an empty main value passes).
void DemoAnswers::Impl::repairComparison(const TKontrolaPorovnani* c) {
    const TPolozka* main = c->MainItem;
    Field* f = main->field();
    if (!f || derived(main))
        return;
    int filled = 0;
    const double s = relatedSum(c, &filled);
    const Bounds b = boundsOf(main);
    const double step = std::max(1.0, std::round(std::abs(s) * uniform(0.02, 0.1)));
    double candidates[] = {s, s + step, s - step};
    if (chance(0.5))
        std::swap(candidates[0], candidates[1]);
    for (double x : candidates) {
        if (f->type() == FieldType::Integer)
            x = std::round(x);
        if (b.contains(x) && c->Compare(fixedPoint(x).toDouble(), s)) {
            set(f, x);
            return;
        }
    }
    clear(main);
}

void DemoAnswers::Impl::wipe(const CheckRef& ref) {
    const TKontrolaZaklad* c = ref.check;
    if (ref.kind == Kind::Required) {
        fill(c->MainItem);
        return;
    }
    if (!derived(c->MainItem))
        clear(c->MainItem);
    for (const TPolozka* r : c->RelatedItems)
        if (!derived(r))
            clear(r);
}

// The derived values as the program computes them while the answers are typed.
void DemoAnswers::Impl::derive() {
    if ((m_dirty & 1u) && m_tariffHours)
        m_module->DeriveValues(m_mzt, m_tariffHours, m_tariffHours->value()); // every converted tariff
    if ((m_dirty & 2u) && m_minimumHours)
        m_module->DeriveValues(m_mzn, m_minimumHours, m_minimumHours->value());
    if (m_dirty & 4u)
        deriveFund();
    if (m_dirty & 8u) {
        // Each amount typed in order raises the later amounts of its series that are lower.
        for (Field* f : m_seriesMembers)
            if (!f->isNull())
                m_module->DeriveValues(m_odmeny, f, f->value());
    }
    m_dirty = 0;
}

void DemoAnswers::Impl::deriveFund() {
    if (!m_fundInput)
        return;
    m_module->DeriveValues(m_sf, m_fundInput, m_fundInput->value());
    // Uses above what the fund holds: the user would not have entered them all.
    if (!m_balanceItem || !applies(m_balanceItem) || m_balance->isNull() || m_balance->asFloat() >= 0)
        return;
    std::vector<Field*> uses;
    for (const auto& [f, p] : m_uses)
        if (applies(p) && !f->isNull())
            uses.push_back(f);
    std::shuffle(uses.begin(), uses.end(), *m_content->random);
    // Each use left out adds its amount back, as the rule's fixed-point sum does.
    Currency left = fixedPoint(m_balance->asFloat());
    for (Field* f : uses) {
        left.units += fixedPoint(f->asFloat()).units;
        f->setValue(QVariant());
        if (left.units >= 0)
            break;
    }
    m_module->DeriveValues(m_sf, m_fundInput, m_fundInput->value());
}

int DemoAnswers::Impl::failures() const {
    int n = 0;
    for (const CheckRef& c : m_v->checks)
        if (!c.check->IsValid())
            ++n;
    return n;
}

// ---------------------------------------------------------------------------------------------------
// Deliberate errors

// Each error is one change that makes exactly one more check fail, with the derived values computed
// again as the program would; a change that breaks more is taken back.
int DemoAnswers::Impl::plant(int errors) {
    if (m_v->checks.empty())
        return 0;
    int planted = 0;
    for (int attempt = 0; attempt < 400 && planted < errors; ++attempt) {
        const CheckRef& c = m_v->checks[size_t(pick(0, int(m_v->checks.size()) - 1))];
        if (!c.check->IsValid())
            continue; // already one of the errors
        m_snapshot.clear();
        if (!perturb(c)) {
            if (!m_snapshot.empty())
                restoreSnapshot();
            continue;
        }
        derive();
        if (!c.check->IsValid() && failures() == planted + 1)
            ++planted;
        else
            restoreSnapshot();
    }
    return planted;
}

void DemoAnswers::Impl::takeSnapshot() {
    m_snapshot.clear();
    for (const auto& ds : m_datasets)
        for (int i = 0; i < ds->fieldCount(); ++i)
            m_snapshot.push_back(ds->field(i)->value());
}

void DemoAnswers::Impl::restoreSnapshot() {
    size_t k = 0;
    for (const auto& ds : m_datasets)
        for (int i = 0; i < ds->fieldCount() && k < m_snapshot.size(); ++i)
            ds->field(i)->setValue(m_snapshot[k++]);
    m_dirty = 0;
}

bool DemoAnswers::Impl::perturb(const CheckRef& ref) {
    TKontrolaZaklad* c = ref.check;
    const TPolozka* main = c->MainItem;
    const bool yes = main->AsBoolean();
    const int n = isBinding(ref.kind) ? c->CountFilled() : 0;
    switch (ref.kind) {
    case Kind::Strict:
        // The question left unticked although answered, or ticked without its answer.
        if (yes != (n >= 1))
            return false;
        takeSnapshot();
        setFlag(main, !yes);
        return true;
    case Kind::NonStrict:
        if (!yes || n == 0)
            return false;
        takeSnapshot();
        setFlag(main, false);
        return true;
    case Kind::Combination:
        takeSnapshot();
        setFlag(main, !yes);
        return true;
    case Kind::Exclusion:
        if (yes || n != 1)
            return false;
        takeSnapshot();
        setFlag(main, true); // both alternatives ticked
        return true;
    case Kind::Range:
        return !derived(main) && perturbRange(static_cast<const TKontrolaRozsah*>(c));
    case Kind::Comparison:
        return !derived(main) && perturbComparison(static_cast<const TKontrolaPorovnani*>(c));
    case Kind::Required: // the agreement's dates stay: the program asks for them when it is made
    case Kind::Other:
        return false;
    }
    return false;
}

// A value a little beyond one bound of the check, as a slip of the keyboard or of the law would give:
// above a maximum, below a minimum (never below zero), or the very bound an exclusive one leaves out.
bool DemoAnswers::Impl::perturbRange(const TKontrolaRozsah* r) {
    Field* f = r->MainItem->field();
    if (!isNumber(f) || f->isNull())
        return false;
    const bool canLow = r->HasMin && r->Min > 0;
    const bool canHigh = r->HasMax;
    if (!canLow && !canHigh)
        return false;
    const bool high = canHigh && (!canLow || chance(0.5));
    const double bound = high ? r->Max : r->Min;
    const bool inclusive = high ? r->MaxInclusive : r->MinInclusive;
    double x = bound;
    if (inclusive || chance(0.5)) {
        double step = std::abs(bound) >= 10 ? std::max(1.0, std::round(std::abs(bound) * uniform(0.05, 0.25)))
                                             : std::max(0.5, std::round(std::abs(bound) * uniform(0.1, 0.5) * 2.0) / 2.0);
        // Whole numbers stay whole (a count, days, a multiple).
        const double held = f->asFloat();
        if (f->type() == FieldType::Integer || (held == std::floor(held) && bound == std::floor(bound)))
            step = std::max(1.0, std::round(step));
        x = high ? bound + step : std::max(0.0, bound - step);
    }
    if (Bounds::of(*r).contains(x))
        return false;
    takeSnapshot();
    set(f, x);
    return true;
}

// The main value moved to the wrong side of the sum it is compared with.
bool DemoAnswers::Impl::perturbComparison(const TKontrolaPorovnani* c) {
    Field* f = c->MainItem->field();
    if (!isNumber(f) || f->isNull())
        return false;
    int filled = 0;
    const double s = relatedSum(c, &filled);
    if (filled == 0)
        return false;
    const double step = std::max(1.0, std::round(std::abs(s) * uniform(0.03, 0.2)));
    for (double x : {s - step, s + step, s}) {
        if (!c->Compare(fixedPoint(x).toDouble(), s) && boundsOf(c->MainItem).contains(x)) {
            takeSnapshot();
            set(f, x);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------------

DemoAnswers::DemoAnswers(Connection* database) : d(std::make_unique<Impl>(database)) {}

DemoAnswers::~DemoAnswers() = default;

int DemoAnswers::Shape(DemoData::Content& content, int errors) {
    return d->shape(content, errors);
}

int DemoAnswers::CheckCount() const {
    return d->m_checkCount;
}

int DemoAnswers::Unresolved() const {
    return d->m_unresolved;
}

DemoData::Summary DemoAnswers::Fill(Connection* database, DemoData::Options options) {
    if (!database || !database->isOpen())
        throw DbError(QStringLiteral("Databáze není připojena."));
    DemoAnswers answers(database);
    options.answers = &answers;
    return DemoData::Fill(database, options);
}

} // namespace mero
