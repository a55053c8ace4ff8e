#pragma once

// The check catalogue: questionnaire items (POLOZKA), check types (TYPKONTROLY), severities
// (ZAVAZNOSTKONTROLY) and checks (KONTROLA with their related items from POLOZKAKONTROLY), loaded from
// the database into objects. Checks evaluate the records on which the questionnaire tables are
// positioned; the model never moves a dataset.

#include <QString>
#include <QVariant>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace mero {

class Connection;
class Dataset;
class Field;
class TKontrolaZaklad;

// Maps a questionnaire table name ("KS", "SF", ...) to the dataset positioned on the agreement; nullptr
// for any other name. The data module gives QuestionnaireTable.
using TableResolver = std::function<Dataset*(const QString& table)>;

// A list of checks. The catalogue list owns its checks; every other list only refers to them.
class TKontrolaList {
public:
    explicit TKontrolaList(bool ownsObjects = false) : m_owns(ownsObjects) {}
    ~TKontrolaList();
    TKontrolaList(const TKontrolaList&) = delete;
    TKontrolaList& operator=(const TKontrolaList&) = delete;

    void Add(TKontrolaZaklad* check) { m_items.push_back(check); }
    int Count() const { return static_cast<int>(m_items.size()); }
    TKontrolaZaklad* operator[](int index) const { return m_items[static_cast<size_t>(index)]; }
    TKontrolaZaklad* FindById(int id) const;
    bool OwnsObjects() const { return m_owns; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<TKontrolaZaklad*> m_items;
    bool m_owns;
};

// One questionnaire item: a column of a questionnaire table with its name and its question code in
// each of the four questionnaire variants.
class TPolozka {
public:
    TPolozka(int id, QString tabulka, QString pole, QString typ, QString nazev, QString subj01, QString subj02,
             QString subj03, QString subj04, QString plneniTabulky, QString plneniAno, QString plneniNe);

    int ID;
    QString TABULKA;
    QString POLE;
    QString TYP;
    QString NAZEV;
    QString SUBJ01;
    QString SUBJ02;
    QString SUBJ03;
    QString SUBJ04;
    QString PLNENI_TABULKY;
    QString PLNENI_ANO;
    QString PLNENI_NE;
    // Every check in which the item takes part (main or related), in load order. Not owning.
    TKontrolaList Checks;

    // Question code in variant 1 to 4; "" for any other variant.
    const QString& CodeFor(int SubjectType) const;
    bool AppliesTo(int SubjectType) const { return !CodeFor(SubjectType).isEmpty(); }
    // The code in a form that sorts by its numbers: each run of digits zero-filled to 8 characters.
    QString NormalizedCodeFor(int SubjectType) const;
    static QString NormalizeCode(const QString& code);

    // Writes the value into the item's column: empty text or null clears it; a value equal to the one
    // held changes nothing. Nothing happens when the column cannot be resolved.
    void SetValue(const QVariant& Value);
    // Runs the binding reactions of the item's checks (which may replace New), then SetValue(New).
    void ValueChanged(const QVariant& Old, QVariant New);

    // The column of the current record; nullptr when the table or the column does not exist.
    Field* field() const {
        Dataset* ds = dataset();
        if (ds && (!m_fieldResolved || m_fieldsVersion != fieldsVersionOf(ds)))
            resolveField(ds);
        return ds ? m_field : nullptr;
    }
    Dataset* dataset() const {
        if (!m_datasetResolved)
            resolveDataset();
        return m_dataset;
    }
    // The column's value (null when it cannot be resolved).
    QVariant value() const;
    // Filled: the column exists and holds yes (yes/no column) or a non-empty text form (other columns).
    bool IsFilled() const;
    // The column read as Boolean; unanswered and unresolved read as no.
    bool AsBoolean() const;

    void setResolver(const TableResolver* resolver) { m_resolver = resolver; }

private:
    void resolveDataset() const;
    void resolveField(Dataset* ds) const;
    static quint64 fieldsVersionOf(const Dataset* ds);

    const TableResolver* m_resolver = nullptr;
    // Resolution cache: the dataset once found, and the field found in it with the dataset's fields
    // version then (a dataset whose fields were rebuilt is resolved again).
    mutable Dataset* m_dataset = nullptr;
    mutable bool m_datasetResolved = false;
    mutable Field* m_field = nullptr;
    mutable quint64 m_fieldsVersion = 0;
    mutable bool m_fieldResolved = false;
    mutable std::array<QString, 5> m_normalized;
    mutable std::array<bool, 5> m_normalizedDone{};
};

// A list of items. The catalogue list owns its items; the related-item list of a check does not.
class TPolozkaList {
public:
    explicit TPolozkaList(bool ownsObjects = false) : m_owns(ownsObjects) {}
    ~TPolozkaList();
    TPolozkaList(const TPolozkaList&) = delete;
    TPolozkaList& operator=(const TPolozkaList&) = delete;
    TPolozkaList(TPolozkaList&& other) noexcept : m_items(std::move(other.m_items)), m_owns(other.m_owns) {
        other.m_items.clear();
    }

    void Add(TPolozka* item) { m_items.push_back(item); }
    int Count() const { return static_cast<int>(m_items.size()); }
    TPolozka* operator[](int index) const { return m_items[static_cast<size_t>(index)]; }
    // First item with the ID, or nullptr.
    TPolozka* FindById(int ID) const;
    // First item whose TABULKA and POLE equal the texts exactly (case-sensitive), or nullptr.
    TPolozka* FindByTableField(const QString& Table, const QString& Field) const;
    bool OwnsObjects() const { return m_owns; }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<TPolozka*> m_items;
    bool m_owns;
};

// A check type (TYPKONTROLY).
struct TTypKontroly {
    int ID = 0;
    QString KOD;
    QString NAZEV;
    int PORADI = 0;
};

// A severity (ZAVAZNOSTKONTROLY).
struct TZavaznost {
    int ID = 0;
    QString KOD;
    QString NAZEV;
    int PORADI = 0;
};

class TTypKontrolyList {
public:
    void Add(std::unique_ptr<TTypKontroly> type) { m_items.push_back(std::move(type)); }
    int Count() const { return static_cast<int>(m_items.size()); }
    TTypKontroly* operator[](int index) const { return m_items[static_cast<size_t>(index)].get(); }
    TTypKontroly* FindById(int ID) const;

private:
    std::vector<std::unique_ptr<TTypKontroly>> m_items;
};

class TZavaznostList {
public:
    void Add(std::unique_ptr<TZavaznost> severity) { m_items.push_back(std::move(severity)); }
    int Count() const { return static_cast<int>(m_items.size()); }
    TZavaznost* operator[](int index) const { return m_items[static_cast<size_t>(index)].get(); }
    TZavaznost* FindById(int ID) const;

private:
    std::vector<std::unique_ptr<TZavaznost>> m_items;
};

// Base of every check.
class TKontrolaZaklad {
public:
    // Registers the new check first with the main item, then with each related item in list order.
    TKontrolaZaklad(int ID, TTypKontroly* CheckType, TZavaznost* Severity, std::optional<int> SubjectType,
                    QString Text, TPolozka* MainItem, TPolozkaList RelatedItems);
    virtual ~TKontrolaZaklad() = default;
    TKontrolaZaklad(const TKontrolaZaklad&) = delete;
    TKontrolaZaklad& operator=(const TKontrolaZaklad&) = delete;

    int ID;
    TTypKontroly* CheckType;
    TZavaznost* Severity;
    std::optional<int> SubjectType;
    QString Text;
    TPolozka* MainItem;
    TPolozkaList RelatedItems; // not owning

    virtual bool IsValid() const = 0;
    virtual QString GetText(int SubjectType) const;

    // Number of related items that are filled.
    int CountFilled() const;

protected:
    // Text when it holds a non-blank character, otherwise the given default message.
    QString TextOr(const QString& defaultMessage) const;
};

// Binding between a yes/no question (main item) and its supplementary answers (related items).
class TKontrolaVazba : public TKontrolaZaklad {
public:
    using TKontrolaZaklad::TKontrolaZaklad;
    // Reaction to an edit of Item (main or related); the changed column already holds the new value.
    virtual void ValueChanged(TPolozka* Item, const QVariant& Old, QVariant& New) = 0;
};

// The question is yes exactly when a supplementary answer is given.
class TKontrolaVazbaStriktni : public TKontrolaVazba {
public:
    using TKontrolaVazba::TKontrolaVazba;
    bool IsValid() const override;
    QString GetText(int SubjectType) const override;
    void ValueChanged(TPolozka* Item, const QVariant& Old, QVariant& New) override;
};

// A supplementary answer requires the question to be yes.
class TKontrolaVazbaNestriktni : public TKontrolaVazba {
public:
    using TKontrolaVazba::TKontrolaVazba;
    bool IsValid() const override;
    QString GetText(int SubjectType) const override;
    void ValueChanged(TPolozka* Item, const QVariant& Old, QVariant& New) override;
};

// The question is yes exactly when at least two supplementary answers are given.
class TKontrolaVazbaKombinacni : public TKontrolaVazba {
public:
    using TKontrolaVazba::TKontrolaVazba;
    bool IsValid() const override;
    QString GetText(int SubjectType) const override;
    void ValueChanged(TPolozka* Item, const QVariant& Old, QVariant& New) override;
};

// Only one of the question and its alternatives may be answered.
class TKontrolaVazbaVylucovaci : public TKontrolaVazba {
public:
    using TKontrolaVazba::TKontrolaVazba;
    bool IsValid() const override;
    QString GetText(int SubjectType) const override;
    void ValueChanged(TPolozka* Item, const QVariant& Old, QVariant& New) override;
};

// The main item must be filled.
class TKontrolaZadani : public TKontrolaZaklad {
public:
    using TKontrolaZaklad::TKontrolaZaklad;
    bool IsValid() const override;
    QString GetText(int SubjectType) const override;
};

// The main item's number must lie within the bounds.
class TKontrolaRozsah : public TKontrolaZaklad {
public:
    TKontrolaRozsah(int ID, TTypKontroly* CheckType, TZavaznost* Severity, std::optional<int> SubjectType,
                    QString Text, TPolozka* MainItem, TPolozkaList RelatedItems, bool HasMin, double Min,
                    bool MinInclusive, bool HasMax, double Max, bool MaxInclusive, bool NullAsZero);

    bool HasMin;
    double Min;
    bool MinInclusive;
    bool HasMax;
    double Max;
    bool MaxInclusive;
    bool NullAsZero;

    bool IsValid() const override;
};

// The main item's number compared with the sum of the related items' numbers.
class TKontrolaPorovnani : public TKontrolaZaklad {
public:
    using TKontrolaZaklad::TKontrolaZaklad;
    bool IsValid() const override;
    // Value and Sum are fixed-point numbers with 4 decimal places (beyond the fixed-point range, the
    // numbers as they are).
    virtual bool Compare(double Value, double Sum) const = 0;
};

class TKontrolaPorovnaniMensi : public TKontrolaPorovnani {
public:
    using TKontrolaPorovnani::TKontrolaPorovnani;
    bool Compare(double Value, double Sum) const override { return Value < Sum; }
};

class TKontrolaPorovnaniMensiRovno : public TKontrolaPorovnani {
public:
    using TKontrolaPorovnani::TKontrolaPorovnani;
    bool Compare(double Value, double Sum) const override { return Value <= Sum; }
};

class TKontrolaPorovnaniVetsi : public TKontrolaPorovnani {
public:
    using TKontrolaPorovnani::TKontrolaPorovnani;
    bool Compare(double Value, double Sum) const override { return Value > Sum; }
};

class TKontrolaPorovnaniVetsiRovno : public TKontrolaPorovnani {
public:
    using TKontrolaPorovnani::TKontrolaPorovnani;
    bool Compare(double Value, double Sum) const override { return Value >= Sum; }
};

class TKontrolaPorovnaniRovno : public TKontrolaPorovnani {
public:
    using TKontrolaPorovnani::TKontrolaPorovnani;
    bool Compare(double Value, double Sum) const override { return Value == Sum; }
};

class TKontrolaPorovnaniNerovno : public TKontrolaPorovnani {
public:
    using TKontrolaPorovnani::TKontrolaPorovnani;
    bool Compare(double Value, double Sum) const override { return Value != Sum; }
};

// Fixed-point numbers with 4 decimal places (the catalogue's and the questionnaire's money and hours),
// within about ±9.2E14.
struct Currency {
    qint64 units = 0; // value × 10 000

    // The value rounded to 4 decimal places, exact halves to even. False, and *out unchanged, for a
    // value outside the range or no number at all.
    static bool fromDouble(double value, Currency* out);
    // Adds b; false, and this value unchanged, when the sum leaves the range.
    bool add(Currency b) {
        qint64 sum;
        if (__builtin_add_overflow(units, b.units, &sum))
            return false;
        units = sum;
        return true;
    }
    double toDouble() const { return static_cast<double>(units) / 10000.0; }
    friend bool operator==(Currency a, Currency b) { return a.units == b.units; }
    friend auto operator<=>(Currency a, Currency b) { return a.units <=> b.units; }
};

// The four catalogue lists with their loading.
class TCheckCatalogue {
public:
    explicit TCheckCatalogue(TableResolver resolver);
    ~TCheckCatalogue();
    TCheckCatalogue(const TCheckCatalogue&) = delete;
    TCheckCatalogue& operator=(const TCheckCatalogue&) = delete;

    // Loads POLOZKA into the item catalogue (once). A table that cannot be read raises DbError.
    void LoadItems(Connection* connection);
    // Loads TYPKONTROLY, ZAVAZNOSTKONTROLY, KONTROLA and POLOZKAKONTROLY. Rows that name an unknown
    // type, kind, severity or main item create no check; unknown related items are left out.
    void LoadChecks(Connection* connection);

    TPolozkaList& Items() { return m_items; }
    const TPolozkaList& Items() const { return m_items; }
    TTypKontrolyList& CheckTypes() { return m_types; }
    TZavaznostList& Severities() { return m_severities; }
    TKontrolaList& Checks() { return m_checks; }
    const TKontrolaList& Checks() const { return m_checks; }
    const TableResolver& resolver() const { return m_resolver; }

    // Rows of KONTROLA that created no check at the last LoadChecks (diagnostics for the admin tool).
    int RejectedChecks() const { return m_rejectedChecks; }
    int RejectedRelations() const { return m_rejectedRelations; }

private:
    TableResolver m_resolver;
    TPolozkaList m_items{true};
    TTypKontrolyList m_types;
    TZavaznostList m_severities;
    TKontrolaList m_checks{true};
    bool m_itemsLoaded = false;
    bool m_checksLoaded = false;
    int m_rejectedChecks = 0;
    int m_rejectedRelations = 0;
};

} // namespace mero
