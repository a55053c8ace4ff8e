#include "checks/check_model.h"

#include "data/connection.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/math_utils.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace mero {

namespace {

const QString kEmpty;

// Whether a variant holds yes: a Boolean true, the text "Y", or a non-zero number.
bool variantIsYes(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return false;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool();
    case QMetaType::QString: {
        const QString s = v.toString().trimmed();
        return s.compare(QLatin1String("Y"), Qt::CaseInsensitive) == 0 ||
               s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    default:
        return v.toDouble() != 0.0;
    }
}

bool textFormEmpty(const QVariant& v) {
    if (!v.isValid() || v.isNull())
        return true;
    if (v.typeId() == QMetaType::QString)
        return v.toString().isEmpty();
    return v.toString().isEmpty() && v.typeId() != QMetaType::Bool;
}

// Whether the field holds a value equal to v (v not empty).
bool holdsValue(const Field* f, const QVariant& v) {
    if (f->isNull())
        return false;
    const QVariant cur = f->value();
    switch (f->type()) {
    case FieldType::YesNo:
        return cur.toBool() == variantIsYes(v);
    case FieldType::Integer:
    case FieldType::Decimal: {
        // A text is read as the field would read it ("12,5", "1 200.5").
        double d = 0;
        bool ok = false;
        if (v.typeId() == QMetaType::QString)
            ok = parseDecimalText(v.toString(), &d);
        else
            d = v.toDouble(&ok);
        return ok && d == f->asFloat();
    }
    case FieldType::Date:
        if (v.typeId() == QMetaType::QDate)
            return v.toDate() == f->asDate();
        return v.toString() == f->asString();
    default:
        return cur.toString() == v.toString();
    }
}

// Whether the text form of a column's value is empty (or, with blankIsEmpty, holds only white space).
// Numbers and yes/no values always have a text, so only texts and dates are formatted.
bool fieldTextEmpty(const Field* f, bool blankIsEmpty) {
    if (!f || f->isNull())
        return true;
    const QVariant v = f->value();
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
        return false;
    case QMetaType::QString: {
        const QString s = v.toString();
        if (!blankIsEmpty)
            return s.isEmpty();
        return std::all_of(s.begin(), s.end(), [](QChar c) { return c.isSpace(); });
    }
    default: {
        const QString s = f->asString();
        return blankIsEmpty ? s.trimmed().isEmpty() : s.isEmpty();
    }
    }
}

} // namespace

bool Currency::fromDouble(double value, Currency* out) {
    const double scaled = value * 10000.0;
    // 2^63: every double below it converts to a 64-bit integer (NaN fails the test too).
    if (!(std::abs(scaled) < 9223372036854775808.0))
        return false;
    // Round to nearest with exact halves to even, as the conversion of a floating-point number to a
    // fixed-point one does in the arithmetic unit.
    out->units = static_cast<qint64>(std::nearbyint(scaled));
    return true;
}

// ---------------------------------------------------------------------------------------------------
// Lists

TKontrolaList::~TKontrolaList() {
    if (m_owns)
        for (TKontrolaZaklad* k : m_items)
            delete k;
}

TKontrolaZaklad* TKontrolaList::FindById(int id) const {
    for (TKontrolaZaklad* k : m_items)
        if (k->ID == id)
            return k;
    return nullptr;
}

TPolozkaList::~TPolozkaList() {
    if (m_owns)
        for (TPolozka* p : m_items)
            delete p;
}

TPolozka* TPolozkaList::FindById(int ID) const {
    for (TPolozka* p : m_items)
        if (p->ID == ID)
            return p;
    return nullptr;
}

TPolozka* TPolozkaList::FindByTableField(const QString& Table, const QString& Field) const {
    for (TPolozka* p : m_items)
        if (p->TABULKA == Table && p->POLE == Field)
            return p;
    return nullptr;
}

TTypKontroly* TTypKontrolyList::FindById(int ID) const {
    for (const auto& t : m_items)
        if (t->ID == ID)
            return t.get();
    return nullptr;
}

TZavaznost* TZavaznostList::FindById(int ID) const {
    for (const auto& z : m_items)
        if (z->ID == ID)
            return z.get();
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------
// TPolozka

TPolozka::TPolozka(int id, QString tabulka, QString pole, QString typ, QString nazev, QString subj01,
                   QString subj02, QString subj03, QString subj04, QString plneniTabulky, QString plneniAno,
                   QString plneniNe)
    : ID(id), TABULKA(std::move(tabulka)), POLE(std::move(pole)), TYP(std::move(typ)), NAZEV(std::move(nazev)),
      SUBJ01(std::move(subj01)), SUBJ02(std::move(subj02)), SUBJ03(std::move(subj03)), SUBJ04(std::move(subj04)),
      PLNENI_TABULKY(std::move(plneniTabulky)), PLNENI_ANO(std::move(plneniAno)), PLNENI_NE(std::move(plneniNe)) {}

const QString& TPolozka::CodeFor(int SubjectType) const {
    switch (SubjectType) {
    case 1:
        return SUBJ01;
    case 2:
        return SUBJ02;
    case 3:
        return SUBJ03;
    case 4:
        return SUBJ04;
    default:
        return kEmpty;
    }
}

QString TPolozka::NormalizeCode(const QString& code) {
    static const QString zeros = QStringLiteral("00000000");
    auto zeroFill = [](const QString& text) { return (zeros + text).right(8); };
    QString out;
    QString buffer;
    for (QChar c : code) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            buffer += c;
        } else if (c == QLatin1Char('.')) {
            out += zeroFill(buffer);
            buffer.clear();
        } else {
            if (!buffer.isEmpty()) {
                out += zeroFill(buffer);
                buffer.clear();
            }
            out += zeroFill(QString(c));
        }
    }
    if (!buffer.isEmpty())
        out += zeroFill(buffer);
    return out;
}

QString TPolozka::NormalizedCodeFor(int SubjectType) const {
    if (SubjectType < 1 || SubjectType > 4)
        return QString();
    const auto i = static_cast<size_t>(SubjectType);
    if (!m_normalizedDone[i]) {
        m_normalized[i] = NormalizeCode(CodeFor(SubjectType));
        m_normalizedDone[i] = true;
    }
    return m_normalized[i];
}

void TPolozka::resolveDataset() const {
    m_dataset = (m_resolver && *m_resolver) ? (*m_resolver)(TABULKA) : nullptr;
    m_datasetResolved = true;
}

void TPolozka::resolveField(Dataset* ds) const {
    m_field = POLE.isEmpty() ? nullptr : ds->findField(POLE);
    m_fieldsVersion = ds->fieldsVersion();
    m_fieldResolved = true;
}

quint64 TPolozka::fieldsVersionOf(const Dataset* ds) {
    return ds->fieldsVersion();
}

QVariant TPolozka::value() const {
    const Field* f = field();
    return f ? f->value() : QVariant();
}

bool TPolozka::IsFilled() const {
    const Field* f = field();
    if (!f || f->isNull())
        return false;
    if (f->type() == FieldType::YesNo)
        return f->asBoolean();
    return !fieldTextEmpty(f, false);
}

bool TPolozka::AsBoolean() const {
    const Field* f = field();
    return f && !f->isNull() && f->asBoolean();
}

void TPolozka::SetValue(const QVariant& Value) {
    Field* f = field();
    if (!f)
        return;
    if (textFormEmpty(Value)) {
        if (f->isNull())
            return; // already empty: leave the record untouched
        if (!f->dataset()->isEditing())
            f->dataset()->edit();
        f->clear();
        return;
    }
    if (holdsValue(f, Value))
        return;
    if (!f->dataset()->isEditing())
        f->dataset()->edit();
    f->setValue(Value);
}

void TPolozka::ValueChanged(const QVariant& Old, QVariant New) {
    for (int i = 0; i < Checks.Count(); ++i)
        if (auto* binding = dynamic_cast<TKontrolaVazba*>(Checks[i]))
            binding->ValueChanged(this, Old, New);
    SetValue(New);
}

// ---------------------------------------------------------------------------------------------------
// Checks

TKontrolaZaklad::TKontrolaZaklad(int ID_, TTypKontroly* CheckType_, TZavaznost* Severity_,
                                 std::optional<int> SubjectType_, QString Text_, TPolozka* MainItem_,
                                 TPolozkaList RelatedItems_)
    : ID(ID_), CheckType(CheckType_), Severity(Severity_), SubjectType(SubjectType_), Text(std::move(Text_)),
      MainItem(MainItem_), RelatedItems(std::move(RelatedItems_)) {
    if (MainItem)
        MainItem->Checks.Add(this);
    for (TPolozka* p : RelatedItems)
        p->Checks.Add(this);
}

QString TKontrolaZaklad::GetText(int) const {
    return Text;
}

int TKontrolaZaklad::CountFilled() const {
    int n = 0;
    for (const TPolozka* p : RelatedItems)
        if (p->IsFilled())
            ++n;
    return n;
}

QString TKontrolaZaklad::TextOr(const QString& defaultMessage) const {
    return Text.trimmed().isEmpty() ? defaultMessage : Text;
}

static QString quoted(const QString& text) {
    return QStringLiteral("„") + text + QStringLiteral("“");
}

// Strict binding.

bool TKontrolaVazbaStriktni::IsValid() const {
    const bool M = MainItem->AsBoolean();
    const int n = CountFilled();
    return (M && n >= 1) || (!M && n == 0);
}

QString TKontrolaVazbaStriktni::GetText(int) const {
    return TextOr(QStringLiteral("položka %1 je chybně zadána vzhledem k doplňující otázce (otázkám)")
                      .arg(quoted(MainItem->NAZEV)));
}

void TKontrolaVazbaStriktni::ValueChanged(TPolozka* Item, const QVariant& Old, QVariant& New) {
    const int n = CountFilled();
    if (Item == MainItem) {
        const bool M = MainItem->AsBoolean();
        if ((M && n == 0) || (!M && n >= 1)) {
            New = Old;
            MainItem->SetValue(Old);
        }
    } else {
        MainItem->SetValue(n >= 1);
    }
}

// Non-strict binding.

bool TKontrolaVazbaNestriktni::IsValid() const {
    return MainItem->AsBoolean() || CountFilled() == 0;
}

QString TKontrolaVazbaNestriktni::GetText(int) const {
    return TextOr(QStringLiteral("položka %1 je chybně zadána vzhledem k doplňující otázce (otázkám)")
                      .arg(quoted(MainItem->NAZEV)));
}

void TKontrolaVazbaNestriktni::ValueChanged(TPolozka* Item, const QVariant& Old, QVariant& New) {
    const int n = CountFilled();
    if (Item == MainItem) {
        if (!MainItem->AsBoolean() && n >= 1) {
            New = Old;
            MainItem->SetValue(Old);
        }
    } else if (n >= 1) {
        MainItem->SetValue(true);
    }
}

// Combination binding.

bool TKontrolaVazbaKombinacni::IsValid() const {
    const bool M = MainItem->AsBoolean();
    const int n = CountFilled();
    return (M && n >= 2) || (!M && n <= 1);
}

QString TKontrolaVazbaKombinacni::GetText(int) const {
    return TextOr(QStringLiteral("společně s položkou %1 musí být vyplněny alespoň dvě možnosti")
                      .arg(quoted(MainItem->NAZEV)));
}

void TKontrolaVazbaKombinacni::ValueChanged(TPolozka* Item, const QVariant&, QVariant& New) {
    const bool computed = CountFilled() >= 2;
    MainItem->SetValue(computed);
    if (Item == MainItem)
        New = computed;
}

// Exclusion binding.

bool TKontrolaVazbaVylucovaci::IsValid() const {
    const bool M = MainItem->AsBoolean();
    const int n = CountFilled();
    return (M && n == 0) || (!M && n <= 1);
}

QString TKontrolaVazbaVylucovaci::GetText(int SubjectType) const {
    QString message = QStringLiteral("může být vyplněna pouze jedna z položek ") +
                      quoted(MainItem->CodeFor(SubjectType) + QLatin1Char(' ') + MainItem->NAZEV);
    for (const TPolozka* p : RelatedItems)
        message += QStringLiteral(" nebo ") + quoted(p->CodeFor(SubjectType) + QLatin1Char(' ') + p->NAZEV);
    return TextOr(message);
}

void TKontrolaVazbaVylucovaci::ValueChanged(TPolozka* Item, const QVariant&, QVariant& New) {
    if (Item != MainItem || !variantIsYes(New))
        return;
    for (TPolozka* p : RelatedItems)
        if (p != Item)
            p->SetValue(false);
}

// Entry required.

bool TKontrolaZadani::IsValid() const {
    return !fieldTextEmpty(MainItem->field(), true);
}

QString TKontrolaZadani::GetText(int) const {
    return TextOr(QStringLiteral("položka %1 není vyplněna").arg(quoted(MainItem->NAZEV)));
}

// Range.

TKontrolaRozsah::TKontrolaRozsah(int ID_, TTypKontroly* CheckType_, TZavaznost* Severity_,
                                 std::optional<int> SubjectType_, QString Text_, TPolozka* MainItem_,
                                 TPolozkaList RelatedItems_, bool HasMin_, double Min_, bool MinInclusive_,
                                 bool HasMax_, double Max_, bool MaxInclusive_, bool NullAsZero_)
    : TKontrolaZaklad(ID_, CheckType_, Severity_, SubjectType_, std::move(Text_), MainItem_,
                      std::move(RelatedItems_)),
      HasMin(HasMin_), Min(Min_), MinInclusive(MinInclusive_), HasMax(HasMax_), Max(Max_),
      MaxInclusive(MaxInclusive_), NullAsZero(NullAsZero_) {}

bool TKontrolaRozsah::IsValid() const {
    const Field* f = MainItem->field();
    const bool isNull = !f || f->isNull();
    if (isNull && !NullAsZero)
        return true;
    const double x = TMath::RoundTo(isNull ? 0.0 : f->asFloat(), 6);
    if (HasMin) {
        const double m = TMath::RoundTo(Min, 6);
        if (!(MinInclusive ? x >= m : x > m))
            return false;
    }
    if (HasMax) {
        const double M = TMath::RoundTo(Max, 6);
        return MaxInclusive ? x <= M : x < M;
    }
    return true;
}

// Comparison.

bool TKontrolaPorovnani::IsValid() const {
    const Field* f = MainItem->field();
    if (!f || f->isNull())
        return true;
    const double value = f->asFloat();
    Currency v;
    Currency s;
    bool fixed = Currency::fromDouble(value, &v);
    double sum = 0;
    int k = 0;
    for (const TPolozka* p : RelatedItems) {
        const Field* r = p->field();
        if (!r || r->isNull())
            continue;
        const double x = r->asFloat();
        Currency c;
        fixed = fixed && Currency::fromDouble(x, &c) && s.add(c);
        sum += x;
        ++k;
    }
    if (k == 0 && RelatedItems.Count() <= 1)
        return true;
    // Numbers beyond the fixed-point range are compared as they are.
    return fixed ? Compare(v.toDouble(), s.toDouble()) : Compare(value, sum);
}

// ---------------------------------------------------------------------------------------------------
// Loading

namespace {

// Column positions of a statement's result by name (case-insensitive).
class Columns {
public:
    explicit Columns(const Statement& stmt) {
        for (int i = 0; i < stmt.columnCount(); ++i)
            m_index.insert(stmt.columnName(i).toUpper(), i);
    }
    int operator()(const char* name) const { return m_index.value(QString::fromLatin1(name), -1); }

private:
    QHash<QString, int> m_index;
};

QVariant valueAt(const Statement& stmt, int column) {
    return column < 0 ? QVariant() : stmt.value(column);
}

QString textAt(const Statement& stmt, int column) {
    const QVariant v = valueAt(stmt, column);
    return v.isNull() ? QString() : v.toString();
}

std::optional<qlonglong> integerAt(const Statement& stmt, int column) {
    const QVariant v = valueAt(stmt, column);
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    bool ok = false;
    const qlonglong i = v.toLongLong(&ok);
    if (ok)
        return i;
    const double d = v.toDouble(&ok);
    if (ok && d == std::floor(d))
        return static_cast<qlonglong>(d);
    return std::nullopt;
}

std::optional<double> numberAt(const Statement& stmt, int column) {
    const QVariant v = valueAt(stmt, column);
    if (!v.isValid() || v.isNull())
        return std::nullopt;
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.isEmpty())
            return std::nullopt;
        bool ok = false;
        const double d = QString(s).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        return ok ? std::optional<double>(d) : std::nullopt;
    }
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? std::optional<double>(d) : std::nullopt;
}

bool yesNoAt(const Statement& stmt, int column) {
    return variantIsYes(valueAt(stmt, column));
}

[[noreturn]] void failLoading(const QString& table, const std::exception& e) {
    const QString detail = dynamic_cast<const MeroError*>(&e) ? static_cast<const MeroError&>(e).message()
                                                               : QString::fromUtf8(e.what());
    throw DbError(QStringLiteral("Nelze načíst katalog kontrol (tabulka %1).\n[%2]").arg(table, detail));
}

} // namespace

TCheckCatalogue::TCheckCatalogue(TableResolver resolver) : m_resolver(std::move(resolver)) {}

TCheckCatalogue::~TCheckCatalogue() = default;

void TCheckCatalogue::LoadItems(Connection* connection) {
    if (!connection || !connection->isOpen())
        throw DbError(QStringLiteral("Nelze načíst katalog kontrol (tabulka POLOZKA).\n[Databáze není připojena.]"));
    if (m_itemsLoaded)
        return;
    try {
        Statement stmt = connection->prepare(QStringLiteral("SELECT * FROM POLOZKA"));
        const Columns c(stmt);
        const int cId = c("ID_POLOZKA"), cTab = c("TABULKA"), cPole = c("POLE"), cTyp = c("TYP"),
                  cNazev = c("NAZEV"), c1 = c("SUBJ01"), c2 = c("SUBJ02"), c3 = c("SUBJ03"), c4 = c("SUBJ04"),
                  cPt = c("PLNENI_TABULKY"), cPa = c("PLNENI_ANO"), cPn = c("PLNENI_NE");
        if (cId < 0 || cTab < 0 || cPole < 0)
            throw DbError(QStringLiteral("chybí sloupec ID_POLOZKA, TABULKA nebo POLE"));
        while (stmt.step()) {
            auto* p = new TPolozka(static_cast<int>(integerAt(stmt, cId).value_or(0)), textAt(stmt, cTab),
                                   textAt(stmt, cPole), textAt(stmt, cTyp), textAt(stmt, cNazev), textAt(stmt, c1),
                                   textAt(stmt, c2), textAt(stmt, c3), textAt(stmt, c4), textAt(stmt, cPt),
                                   textAt(stmt, cPa), textAt(stmt, cPn));
            p->setResolver(&m_resolver);
            m_items.Add(p);
        }
        m_itemsLoaded = true;
    } catch (const std::exception& e) {
        failLoading(QStringLiteral("POLOZKA"), e);
    }
}

void TCheckCatalogue::LoadChecks(Connection* connection) {
    if (!connection || !connection->isOpen())
        throw DbError(QStringLiteral("Nelze načíst katalog kontrol (tabulka KONTROLA).\n[Databáze není připojena.]"));
    if (m_types.Count() == 0) {
        try {
            Statement stmt = connection->prepare(QStringLiteral("SELECT * FROM TYPKONTROLY"));
            const Columns c(stmt);
            const int cId = c("ID_TYPKONTROLY"), cKod = c("KOD"), cNazev = c("NAZEV"), cPoradi = c("PORADI");
            while (stmt.step()) {
                auto t = std::make_unique<TTypKontroly>();
                t->ID = static_cast<int>(integerAt(stmt, cId).value_or(0));
                t->KOD = textAt(stmt, cKod);
                t->NAZEV = textAt(stmt, cNazev);
                t->PORADI = static_cast<int>(integerAt(stmt, cPoradi).value_or(0));
                m_types.Add(std::move(t));
            }
        } catch (const std::exception& e) {
            failLoading(QStringLiteral("TYPKONTROLY"), e);
        }
    }
    if (m_severities.Count() == 0) {
        try {
            Statement stmt = connection->prepare(QStringLiteral("SELECT * FROM ZAVAZNOSTKONTROLY"));
            const Columns c(stmt);
            const int cId = c("ID_ZAVAZNOSTKONTROLY"), cKod = c("KOD"), cNazev = c("NAZEV"),
                      cPoradi = c("PORADI");
            while (stmt.step()) {
                auto z = std::make_unique<TZavaznost>();
                z->ID = static_cast<int>(integerAt(stmt, cId).value_or(0));
                z->KOD = textAt(stmt, cKod);
                z->NAZEV = textAt(stmt, cNazev);
                z->PORADI = static_cast<int>(integerAt(stmt, cPoradi).value_or(0));
                m_severities.Add(std::move(z));
            }
        } catch (const std::exception& e) {
            failLoading(QStringLiteral("ZAVAZNOSTKONTROLY"), e);
        }
    }
    if (m_checksLoaded)
        return;
    m_checksLoaded = true;
    m_rejectedChecks = 0;
    m_rejectedRelations = 0;

    // Both statements are prepared before the first row is read, so that a missing table is reported
    // under its own name and before any check exists.
    std::optional<Statement> checks;
    std::optional<Statement> relations;
    try {
        checks.emplace(connection->prepare(QStringLiteral("SELECT * FROM KONTROLA")));
    } catch (const std::exception& e) {
        failLoading(QStringLiteral("KONTROLA"), e);
    }
    try {
        relations.emplace(
            connection->prepare(QStringLiteral("SELECT ID_POLOZKA FROM POLOZKAKONTROLY WHERE ID_KONTROLA = ?")));
    } catch (const std::exception& e) {
        failLoading(QStringLiteral("POLOZKAKONTROLY"), e);
    }

    const Columns c(*checks);
    const int cId = c("ID_KONTROLA"), cTyp = c("ID_TYPKONTROLY"), cZav = c("ID_ZAVAZNOSTKONTROLY"),
              cSubj = c("ID_TYPSUBJ"), cText = c("TEXT"), cPol = c("ID_POLOZKA"), cVazba = c("ID_TYPVAZBY"),
              cPorovnani = c("ID_TYPPOROVNANI"), cMin = c("MIN"), cMinV = c("MIN_VCETNE"), cMax = c("MAX"),
              cMaxV = c("MAX_VCETNE"), cNula = c("NEVYPLNENO_NULA");
    bool more = false;
    try {
        more = checks->step();
    } catch (const std::exception& e) {
        failLoading(QStringLiteral("KONTROLA"), e);
    }
    while (more) {
        const int id = static_cast<int>(integerAt(*checks, cId).value_or(0));
        const std::optional<qlonglong> typeId = integerAt(*checks, cTyp);
        const std::optional<qlonglong> severityId = integerAt(*checks, cZav);
        const std::optional<qlonglong> itemId = integerAt(*checks, cPol);
        TTypKontroly* type = typeId ? m_types.FindById(static_cast<int>(*typeId)) : nullptr;
        TZavaznost* severity = severityId ? m_severities.FindById(static_cast<int>(*severityId)) : nullptr;
        TPolozka* main = itemId ? m_items.FindById(static_cast<int>(*itemId)) : nullptr;
        std::optional<int> subjectType;
        if (const auto s = integerAt(*checks, cSubj))
            subjectType = static_cast<int>(*s);
        const QString text = textAt(*checks, cText);

        TPolozkaList related;
        try {
            relations->reset();
            relations->bind(1, id);
            while (relations->step()) {
                const std::optional<qlonglong> rid = integerAt(*relations, 0);
                if (TPolozka* p = rid ? m_items.FindById(static_cast<int>(*rid)) : nullptr)
                    related.Add(p);
                else
                    ++m_rejectedRelations;
            }
        } catch (const std::exception& e) {
            failLoading(QStringLiteral("POLOZKAKONTROLY"), e);
        }

        TKontrolaZaklad* check = nullptr;
        if (type && severity && main) {
            const qlonglong kind = type->ID;
            if (kind == 1) {
                switch (integerAt(*checks, cVazba).value_or(0)) {
                case 1:
                    check = new TKontrolaVazbaNestriktni(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                case 2:
                    check = new TKontrolaVazbaStriktni(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                case 3:
                    check = new TKontrolaVazbaKombinacni(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                case 4:
                    check = new TKontrolaVazbaVylucovaci(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                default:
                    break;
                }
            } else if (kind == 2) {
                check = new TKontrolaZadani(id, type, severity, subjectType, text, main, std::move(related));
            } else if (kind == 3) {
                const std::optional<double> min = numberAt(*checks, cMin);
                const std::optional<double> max = numberAt(*checks, cMax);
                check = new TKontrolaRozsah(id, type, severity, subjectType, text, main, std::move(related),
                                            min.has_value(), min.value_or(0.0), min && yesNoAt(*checks, cMinV),
                                            max.has_value(), max.value_or(0.0), max && yesNoAt(*checks, cMaxV),
                                            yesNoAt(*checks, cNula));
            } else if (kind == 4) {
                switch (integerAt(*checks, cPorovnani).value_or(0)) {
                case 1:
                    check = new TKontrolaPorovnaniMensi(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                case 2:
                    check = new TKontrolaPorovnaniMensiRovno(id, type, severity, subjectType, text, main,
                                                             std::move(related));
                    break;
                case 3:
                    check = new TKontrolaPorovnaniVetsi(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                case 4:
                    check = new TKontrolaPorovnaniVetsiRovno(id, type, severity, subjectType, text, main,
                                                             std::move(related));
                    break;
                case 5:
                    check = new TKontrolaPorovnaniRovno(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                case 6:
                    check = new TKontrolaPorovnaniNerovno(id, type, severity, subjectType, text, main, std::move(related));
                    break;
                default:
                    break;
                }
            }
        }
        if (check)
            m_checks.Add(check);
        else
            ++m_rejectedChecks;

        try {
            more = checks->step();
        } catch (const std::exception& e) {
            failLoading(QStringLiteral("KONTROLA"), e);
        }
    }
}

} // namespace mero
