// Values derived from other answers while a questionnaire sheet is edited: converted tariffs and
// minimum wage, the social fund balance, and the non-decreasing bonus series.

#include "checks/check_module.h"

#include "data/dataset.h"

#include <array>
#include <cmath>
#include <cstdlib>

namespace mero {

namespace {

const std::array<QStringList, 3>& bonusSeries() {
    static const std::array<QStringList, 3> series = {
        QStringList{"D50F0", "D50F5", "D50F10", "D50F15", "D50F20", "D50F25"},
        QStringList{"DF0", "DF5", "DF10", "DF15", "DF20", "DF25", "DF30", "DF35", "DF40"},
        QStringList{"V0", "V5", "V10", "V15", "V20", "V25", "V30", "V35", "V40"},
    };
    return series;
}

const QStringList& fundUses() {
    static const QStringList uses = {"UR",  "UL",  "UB", "US", "USV", "UO",  "UPENZP", "UURAZP", "UDOPZAM", "UOO",
                                     "UX",  "UK",  "UPP", "UTV", "UTA", "UJO", "UHM",    "UZIVP",  "UOS"};
    return uses;
}

int indexIn(const QStringList& series, const QString& name) {
    for (qsizetype i = 0; i < series.size(); ++i)
        if (series[i].compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

double numberOf(const Field* f) {
    return (!f || f->isNull()) ? 0.0 : f->asFloat();
}

// Assigns a number unless the field already holds it (a write that changes nothing is left out, so
// that editors reporting writes back end their cascade).
void assignNumber(Field* f, double value) {
    if (!f)
        return;
    if (!f->isNull() && f->asFloat() == value)
        return;
    f->setValue(value);
}

void clearField(Field* f) {
    if (f && !f->isNull())
        f->clear();
}

// Gives target the source's value (empty when the source is empty).
void copyNumber(Field* target, const Field* source) {
    if (!source || source->isNull())
        clearField(target);
    else
        assignNumber(target, source->asFloat());
}

// n / d rounded to the nearest integer, exact halves to the even integer (d > 0, |n| < 2^126).
__int128 divideHalfEven(__int128 n, __int128 d) {
    const bool negative = n < 0;
    if (negative)
        n = -n;
    __int128 q = n / d;
    const __int128 r = n % d;
    if (2 * r > d || (2 * r == d && (q % 2) != 0))
        ++q;
    return negative ? -q : q;
}

// R(100 × h / 37.5 × t) / 100 with R rounding to the nearest integer, exact halves to even. Computed
// in fixed point with 4 decimals; amounts beyond its range in floating point. NaN when the result is
// no finite number.
double convertedAmount(double h, double t) {
    Currency H;
    Currency T;
    if (Currency::fromDouble(h, &H) && Currency::fromDouble(t, &T)) {
        // 100 × (H/10⁴) / (B/10⁴) × (T/10⁴) = 100·H·T / (B·10⁴), B = 37.5 × 10⁴
        __int128 n;
        if (!__builtin_mul_overflow(static_cast<__int128>(H.units) * 100, static_cast<__int128>(T.units), &n)) {
            const __int128 hundredths = divideHalfEven(n, static_cast<__int128>(375000) * 10000);
            if (hundredths > -(static_cast<__int128>(1) << 53) && hundredths < (static_cast<__int128>(1) << 53))
                return static_cast<double>(static_cast<qint64>(hundredths)) / 100.0;
        }
    }
    const double hundredths = std::nearbyint(100.0 * h / 37.5 * t);
    return std::isfinite(hundredths) ? hundredths / 100.0 : std::nan("");
}

} // namespace

void TCheckModule::DeriveValues(Dataset* dataset, Field* field, const QVariant&) {
    if (!dataset || !field || !dataset->isEditing())
        return;
    const TPolozka* item = m_catalogue->Items().FindByTableField(dataset->tableName(), field->name());
    if (!item)
        return;
    const QString pole = item->POLE.toUpper();
    if (item->TABULKA == QLatin1String("MZT")) {
        for (int n = 1; n <= 20; ++n) {
            const QString source = QStringLiteral("MMTH%1").arg(n);
            deriveTariff(dataset, pole, source, QStringLiteral("TTFH"), source + QLatin1Char('P'));
        }
    } else if (item->TABULKA == QLatin1String("MZN")) {
        deriveTariff(dataset, pole, QStringLiteral("MMH"), QStringLiteral("TFH"), QStringLiteral("MMHP"));
    } else if (item->TABULKA == QLatin1String("SF")) {
        static const QStringList inputs = {"T1", "T2", "RFKSP", "CT1", "CT2"};
        if (inputs.contains(pole) || fundUses().contains(pole))
            deriveFundBalance(dataset);
    } else if (item->TABULKA == QLatin1String("ODMENY")) {
        for (const QStringList& series : bonusSeries()) {
            const int i = indexIn(series, item->POLE);
            if (i < 0)
                continue;
            const Field* edited = dataset->findField(series[i]);
            const double value = numberOf(edited);
            for (qsizetype j = i + 1; j < series.size(); ++j) {
                Field* member = dataset->findField(series[j]);
                if (member && value > numberOf(member))
                    copyNumber(member, edited);
            }
        }
    }
}

// target := R(100 × h / 37.5 × t) / 100 with t the weekly hours and h the amount; empty when either is
// empty or the hours are 40.
void TCheckModule::deriveTariff(Dataset* ds, const QString& pole, const QString& sourceField,
                                const QString& hoursField, const QString& targetField) {
    if (pole != sourceField && pole != hoursField)
        return;
    const Field* hours = ds->findField(hoursField);
    const Field* amount = ds->findField(sourceField);
    Field* target = ds->findField(targetField);
    if (!target)
        return;
    const bool hasHours = hours && !hours->isNull();
    const bool hasAmount = amount && !amount->isNull();
    // The hours as they are: only 40 itself leaves the amount unconverted.
    if (hasHours && hours->asFloat() != 40.0 && hasAmount) {
        const double converted = convertedAmount(amount->asFloat(), hours->asFloat());
        if (std::isnan(converted))
            clearField(target);
        else
            assignNumber(target, converted);
    } else {
        clearField(target);
    }
}

int TCheckModule::fundVariant(Dataset* sf) const {
    Dataset* epks = table(QStringLiteral("EPKS"));
    Dataset* evks = table(QStringLiteral("EVKS"));
    const auto typeOf = [](Dataset* ds) -> int {
        const Field* f = ds ? ds->findField(QStringLiteral("ID_TYPSUBJ")) : nullptr;
        return (f && !f->isNull()) ? static_cast<int>(f->asInteger()) : 0;
    };
    const Field* idKs = sf->findField(QStringLiteral("ID_KS"));
    if (!idKs || idKs->isNull()) {
        if (epks && epks->isModified())
            return typeOf(epks);
        if (evks && evks->isModified())
            return typeOf(evks);
        return 0;
    }
    const Field* idInstKs = sf->findField(QStringLiteral("ID_INST_KS"));
    const auto sameAgreement = [&](Dataset* ds) {
        if (!ds || ds->isEmpty())
            return false;
        const Field* a = ds->findField(QStringLiteral("ID_KS"));
        const Field* b = ds->findField(QStringLiteral("ID_INST_KS"));
        if (!a || !b || a->isNull() || b->isNull() || !idInstKs || idInstKs->isNull())
            return false;
        return a->asInteger() == idKs->asInteger() && b->asInteger() == idInstKs->asInteger();
    };
    if (sameAgreement(epks))
        return typeOf(epks);
    if (sameAgreement(evks))
        return typeOf(evks);
    return 0;
}

void TCheckModule::deriveFundBalance(Dataset* sf) {
    const int v = fundVariant(sf);
    const TPolozkaList& items = m_catalogue->Items();
    const auto applies = [&](const char* pole) {
        const TPolozka* p = items.FindByTableField(QStringLiteral("SF"), QString::fromLatin1(pole));
        return p && p->AppliesTo(v);
    };
    const auto yes = [&](const char* name) {
        const Field* f = sf->findField(QString::fromLatin1(name));
        return f && !f->isNull() && f->asBoolean();
    };
    // The balance in fixed point; amounts beyond its range make it a floating-point one.
    Currency sum;
    double plain = 0;
    bool fixed = true;
    const auto add = [&](const QString& name, double sign) {
        const Field* f = sf->findField(name);
        if (!f || f->isNull())
            return;
        const double x = sign * f->asFloat();
        Currency c;
        fixed = fixed && Currency::fromDouble(x, &c) && sum.add(c);
        plain += x;
    };
    if (applies("T2") && yes("T2"))
        add(QStringLiteral("CT2"), 1);
    else if ((applies("T1") && yes("T1")) || (applies("RFKSP") && yes("RFKSP")))
        add(QStringLiteral("CT1"), 1);
    for (const QString& use : fundUses()) {
        const TPolozka* p = items.FindByTableField(QStringLiteral("SF"), use);
        if (p && p->AppliesTo(v))
            add(use, -1);
    }
    if (!applies("UZ"))
        return;
    Field* uz = sf->findField(QStringLiteral("UZ"));
    if (fixed)
        assignNumber(uz, sum.toDouble());
    else if (std::isfinite(plain))
        assignNumber(uz, plain);
    else
        clearField(uz); // no number holds the balance
}

void TCheckModule::ItemExited(Dataset* dataset, Field* field, const QVariant&) {
    if (!dataset || !field || !dataset->isEditing())
        return;
    const TPolozka* item = m_catalogue->Items().FindByTableField(dataset->tableName(), field->name());
    if (!item || item->TABULKA != QLatin1String("ODMENY"))
        return;
    for (const QStringList& series : bonusSeries()) {
        const int i = indexIn(series, item->POLE);
        if (i <= 0)
            continue;
        Field* member = dataset->findField(series[i]);
        const Field* predecessor = dataset->findField(series[i - 1]);
        if (!member || !predecessor)
            continue;
        if (!(numberOf(member) >= numberOf(predecessor)))
            copyNumber(member, predecessor);
    }
}

} // namespace mero
