#pragma once

#include "data/errors.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace mero {

// The declarative description of the four questionnaire variants (resources/questionnaire/*.json).
// The sheets are built from it, the printed forms are rendered from it and the item catalogue
// (POLOZKA) of the delivered database is generated from it.

// A malformed description. The message names the file and the place in it.
class DescriptionError : public MeroError {
public:
    using MeroError::MeroError;
};

// The kind of an answer control.
enum class ControlKind {
    None,   // a row without a control (a question whose answers are its options)
    YesNo,  // pair of check boxes "ano"/"ne" on a yes/no column
    Number, // one-line number field
    Memo,   // multi-line text
    Date,   // date picker
    Info,   // read-only information field showing a report value, bound to no column
    Flag,   // read-only check box showing a yes/no report value, bound to no column
    Lookup, // lookup of the first tab (employer, union organisation, higher-level agreement)
};

QString controlKindName(ControlKind kind);

// A column of a questionnaire table.
struct ColumnRef {
    QString table;
    QString column;

    bool isValid() const { return !table.isEmpty() && !column.isEmpty(); }
    QString text() const { return table + QLatin1Char('.') + column; }
    bool operator==(const ColumnRef& other) const = default;
};

// One answer control bound to a column, wherever it sits (a question row or a cell of a special
// layout). Every bound column of a variant appears exactly once among that variant's items.
struct Item {
    ColumnRef column;
    ControlKind control = ControlKind::None;
    QString code;    // question code shown in the variant ("2.1d"); a detail carries its question's
    QString caption; // the caption shown beside the control (may be empty)
    QString unit;
    QString name; // short name for check messages
    bool detail = false;
    QString tab; // component name of the tab
};

// A cell of a special layout.
struct Cell {
    QString caption;
    ColumnRef column;
    ControlKind control = ControlKind::Number;
    QString unit;
    QString name;
};

// The minimum tariff table: two framed groups side by side, one row per tariff grade.
struct TariffGrade {
    int grade = 0;
    QString caption; // "1. tarifní stupeň"
    Cell hourly;
    Cell converted;
    Cell monthly;
};

struct TariffTable {
    QString hourlyCaption;
    QString monthlyCaption;
    QString convertedCaption;
    Cell weeklyHours; // at the head of the hourly group
    QList<TariffGrade> grades;
};

// The reward grid: one column per series, one row per length of service.
struct RewardSeries {
    QString caption;
    Cell flag;          // the yes/no answer heading the column
    QList<Cell> values; // values[i] belongs to rowCaptions[i]; a short series has fewer values
};

struct RewardGrid {
    QStringList rowCaptions;
    QStringList rowSuffixes;
    QList<RewardSeries> series;
};

// The uses of the social fund, in two (or more) columns of number cells.
struct FundUses {
    QString unit;
    QList<QList<Cell>> columns;
};

// One row of a section: a subsection heading, a question (with its control, if any), a text line
// or a special layout. Children are the rows indented under it.
struct Node {
    enum class Kind { Subsection, Question, Text, TariffTable, RewardGrid, FundUses };

    Kind kind = Kind::Question;
    QString number;  // shown number of a subsection or a numbered question ("2.1", "7.4.1")
    QString letter;  // shown letter of a lettered question ("a")
    QString code;    // question code of the row and of the items under it
    QString caption; // heading of a subsection, caption of a question, text of a text line
    ControlKind control = ControlKind::None;
    QList<ColumnRef> columns; // one column; two key columns for the higher-level agreement lookup
    QString unit;
    QString name;
    bool detail = false;      // a detail printed under the question before it
    bool inlineRow = false;   // continues the row before it ("od ... do")
    bool instruction = false; // a text line that instructs the user
    // First tab only.
    QString component;   // component name of an information field or lookup
    QString reportValue; // name of the report value an information field shows
    QString lookup;      // SUBJ, ZOOS or EVKS
    QString flagCaption; // caption of a read-only check box
    bool disabled = false;
    bool readOnly = false;

    std::shared_ptr<TariffTable> tariffTable;
    std::shared_ptr<RewardGrid> rewardGrid;
    std::shared_ptr<FundUses> fundUses;

    std::vector<Node> children;

    // "4.1 ", "a) " or "" as printed before the caption.
    QString prefix() const;
};

struct Section {
    QString number;
    QString heading;
    bool continued = false; // the section began on an earlier tab; its heading is not repeated
    QString printHeading; // the heading as the printed form shows it, number included (not on a continuation)
    std::vector<Node> nodes;

    QString title() const { return number + QStringLiteral(". ") + heading; }
};

struct Tab {
    QString name;    // component name ("TsSmlouva")
    QString caption; // "Smlouva"
    std::vector<Section> sections;
};

struct Variant {
    int number = 0; // ID_TYPSUBJ 1 to 4
    QString sheetClass;
    QString document;    // "KS" or "VP"
    QString description; // kind of document
    QString sphere;      // "podnikatelská sféra", ...
    QString captionFormat;
    QStringList captionArguments;
    int width = 0;
    int height = 0;
    ColumnRef notes;
    std::vector<Tab> tabs;
    QList<Item> items; // every bound column in description order

    const Item* item(const QString& table, const QString& column) const;
    const Tab* tab(const QString& name) const;
    // "KS - Podnikatelská sféra (ZO - Firma, rok 2024)"; values in the order of captionArguments.
    QString windowCaption(const QStringList& values) const;
};

class QuestionnaireDescription {
public:
    // The four variants delivered with the program (Qt resources :/questionnaire/variant0N.json).
    static const QuestionnaireDescription& delivered();

    // Loads the files in the order given; each holds one variant. Throws DescriptionError.
    static QuestionnaireDescription load(const QStringList& paths);
    // One variant from JSON text; source names it in error messages.
    static Variant parseVariant(const QByteArray& json, const QString& source);

    const QList<Variant>& variants() const { return m_variants; }
    // Variant 1 to 4, or nullptr.
    const Variant* variant(int number) const;
    // The item of the column in the variant, or nullptr when the variant does not show the column.
    const Item* item(int variant, const QString& table, const QString& column) const;
    // Every column bound in any variant, each once, in order of first appearance (variant 1 first).
    const QList<ColumnRef>& columns() const { return m_columns; }
    // Short name of the column for check messages (empty for a column no variant shows).
    QString name(const ColumnRef& column) const;

private:
    QList<Variant> m_variants;
    QList<ColumnRef> m_columns;
    QList<QString> m_names; // parallel to m_columns
};

} // namespace mero
