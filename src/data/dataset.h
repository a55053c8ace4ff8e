#pragma once

// The dataset layer: rows of a table or a query held in memory, a current row, the usual states and
// events, master-detail links, filters, and query datasets written back through their own insert,
// modify and delete statements. Data-aware widgets and grids follow its Qt signals.

#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

namespace mero {

class Connection;
class Dataset;

enum class FieldType { Text, Memo, Integer, Decimal, YesNo, Date, DateTime };
enum class FieldKind { Data, Calculated, Lookup };
enum class DatasetState { Inactive, Browse, Edit, Insert };

// The number a decimal field reads from a text ("12,5", "1 200.5"); false when it is none.
bool parseDecimalText(const QString& text, double* out);
// The text form of a decimal number (as Field::asString gives it): up to 15 significant digits, the
// point, an exponent as "E20" or "E-7".
QString formatDecimalText(double value);
// The date a date field reads from a text: "yyyy-mm-dd" with an optional time after a space or 'T',
// or "d.M.yyyy" with an optional time after a space; an invalid QDate when it is none.
QDate parseDateText(const QString& text);
// The moment a date-time field reads from a text ("yyyy-mm-dd hh:mm:ss", "d.M.yyyy H:mm", ISO 8601
// with milliseconds, ...); an invalid QDateTime when it is none.
QDateTime parseDateTimeText(const QString& text);

// One column of a dataset. Values of the current row:
//   Text, Memo -> QString; Integer -> qlonglong; Decimal -> double; YesNo -> bool ('Y'/'N' in the file);
//   Date -> QDate ('yyyy-mm-dd'); DateTime -> QDateTime; NULL -> a null QVariant.
// The type of a data field comes from the column's declared type:
//   INTEGER/INT... -> Integer; NUMERIC, DECIMAL, REAL, FLOAT, DOUBLE -> Decimal; BOOLEAN -> YesNo;
//   DATE -> Date; DATETIME, TIMESTAMP -> DateTime; VARCHAR(n)/CHAR(n) -> Text of size n;
//   TEXT, MEMO, CLOB or no type -> Memo (declared type "TEXT(n)" gives Text of size n).
class Field {
public:
    const QString& name() const { return m_name; }
    FieldType type() const { return m_type; }
    FieldKind kind() const { return m_kind; }
    int size() const { return m_size; } // width in characters for text fields, 0 otherwise/unlimited
    int index() const { return m_index; }
    Dataset* dataset() const { return m_dataset; }
    bool isText() const { return m_type == FieldType::Text || m_type == FieldType::Memo; }

    QVariant value() const;
    bool isNull() const;
    // Canonical text form: "" for NULL; integers in decimal; decimals in the general format with up to
    // 15 significant digits and the point; yes/no "Y"/"N"; dates "yyyy-mm-dd".
    QString asString() const;
    // Text as the user reads it (Czech locale: decimal comma, dates d.M.yyyy); "" for NULL.
    QString displayText() const;
    qlonglong asInteger() const; // 0 for NULL or text that is not a number
    double asFloat() const;
    bool asBoolean() const;
    QDate asDate() const;

    // Writes the current row's value; the dataset must be in edit or insert state, and the field must
    // not be read-only or calculated. The value is converted to the field's type; a value that cannot
    // be converted, a text longer than the field's size or a character outside Windows-1250 throws
    // FieldValueError / EncodingError and the field keeps its value. Emits Dataset::valueChanged.
    void setValue(const QVariant& value);
    // Parses text by the field's type ("" gives NULL for non-text fields; decimals take "," or ".";
    // dates "yyyy-mm-dd" or "d.M.yyyy"; yes/no "Y"/"N"). Throws like setValue.
    void setAsString(const QString& text);
    void clear() { setValue(QVariant()); }
    // Whether setValue would accept the value (no change is made). On false, *message says why.
    bool canAccept(const QVariant& value, QString* message = nullptr) const;

    // Presentation.
    QString displayLabel() const { return m_label.isEmpty() ? m_name : m_label; }
    void setDisplayLabel(const QString& label) { m_label = label; }
    int displayWidth() const { return m_displayWidth; }
    void setDisplayWidth(int width) { m_displayWidth = width; }
    bool isVisible() const { return m_visible; }
    void setVisible(bool visible) { m_visible = visible; }
    bool isReadOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }

    // Lookup definition (kind Lookup): the value is lookupResultField of the row of lookupDataset whose
    // lookupKeyFields equal this row's keyFields; NULL when none matches.
    Dataset* lookupDataset = nullptr;
    QStringList lookupKeyFields;
    QStringList keyFields;
    QString lookupResultField;

private:
    friend class Dataset;
    Field(Dataset* dataset, QString name, FieldType type, FieldKind kind, int size, int index)
        : m_dataset(dataset), m_name(std::move(name)), m_type(type), m_kind(kind), m_size(size), m_index(index) {}

    Dataset* m_dataset;
    QString m_name;
    FieldType m_type;
    FieldKind m_kind;
    int m_size;
    int m_index;
    QString m_label;
    int m_displayWidth = 0;
    bool m_visible = true;
    bool m_readOnly = false;
};

// A dataset over a table ("SELECT * FROM table", written back by rowid) or over a query (read-only
// unless insert/modify/delete statements are set). Statements name parameters ":FIELD" for the row's
// value and ":OLD_FIELD" for the value as it was read; values are bound, never pasted.
class Dataset : public QObject {
    Q_OBJECT
public:
    using Event = std::function<void(Dataset&)>;
    using RowFilter = std::function<bool(const Dataset&, int row)>;

    explicit Dataset(QString name, QObject* parent = nullptr);
    ~Dataset() override;

    const QString& name() const { return m_name; }

    // Source.
    void setConnection(Connection* connection);
    Connection* connection() const;
    void setTableName(const QString& table);
    const QString& tableName() const;
    void setSql(const QString& sql);
    const QString& sql() const;
    void setInsertSql(const QString& sql);
    void setModifySql(const QString& sql);
    void setDeleteSql(const QString& sql);
    void setReadOnly(bool readOnly);
    bool isReadOnly() const;
    // Fields that identify a record of a query dataset (names joined by ';'); refresh keeps the
    // current row on the record with the same values. Table datasets use the row id.
    void setKeyFields(const QString& fields);
    // The field of a query dataset that receives the database's row id after its insert statement
    // ran (a key the database assigns).
    void setInsertRowIdField(const QString& field);

    // Opening. Without explicit fields, open() creates one data field per source column.
    void open();
    void close();
    bool isActive() const;
    // Re-reads the rows; the current row stays on the same record where it still exists.
    void refresh();

    // Fields.
    int fieldCount() const;
    // Changes whenever fields are added or removed: a Field* kept from the same version is valid.
    quint64 fieldsVersion() const;
    Field* field(int index) const;
    Field* findField(const QString& name) const; // case-insensitive; nullptr when absent
    Field* fieldByName(const QString& name) const; // throws DbError when absent
    bool hasExplicitFields() const;
    // Adds an explicit field; only while the dataset is closed.
    Field* addField(const QString& name, FieldType type, FieldKind kind = FieldKind::Data, int size = 0);
    // Creates explicit data fields for every source column (reads the source's columns).
    void createSourceFields();

    // Navigation over the visible (filtered, detail-linked) rows.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const; // 0-based current row, -1 when empty
    void setRecNo(int row);
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;
    bool bof() const;
    // Moves to the first row whose fields (names joined by ';') equal the values; false leaves the
    // current row where it was. Text compares exactly unless caseInsensitive.
    bool locate(const QString& fields, const QVariantList& values, bool caseInsensitive = false);
    // The value of resultField in the first row matching, without moving; null QVariant when none.
    QVariant lookup(const QString& fields, const QVariantList& values, const QString& resultField) const;
    // The first visible row whose fields equal the values (exact), without moving; -1 when none.
    int indexOf(const QString& fields, const QVariantList& values) const;
    // Value of any visible row without moving the current row.
    QVariant valueAt(int row, int fieldIndex) const;
    // Display text (as Field::displayText) of any visible row.
    QString displayTextAt(int row, int fieldIndex) const;

    // Editing.
    DatasetState state() const;
    bool isEditing() const { return state() == DatasetState::Edit || state() == DatasetState::Insert; }
    void append(); // new row at the end, state Insert, AfterInsert runs
    void edit();
    void post();   // BeforePost, write, AfterPost; throws on failure and keeps the state
    void cancel();
    void deleteRecord(); // BeforeDelete, delete, AfterDelete
    bool isModified() const;

    // Calculated fields are computed by OnCalcFields whenever row values are computed (scrolling,
    // after post, after refresh), and after each value change while autoCalcFields is on.
    bool autoCalcFields() const;
    void setAutoCalcFields(bool on);

    // Filter over rows; recordCount and navigation see only accepted rows. While the filter runs,
    // Field::value() and valueAt(row, ...) read the candidate row given to it.
    void setFilter(RowFilter filter);
    void clearFilter();
    bool isFiltered() const;

    // Master-detail: show only rows whose detailFields equal masterFields of the master's current
    // row, following the master. nullptr master removes the link.
    void setMasterLink(Dataset* master, const QStringList& detailFields, const QStringList& masterFields);
    Dataset* master() const;

    // Sorting of the rows held (text with Czech collation); empty list = source order.
    void setSortFields(const QStringList& fields);
    // The detail datasets linked to this one.
    QList<Dataset*> details() const;

    // Events, each a single handler as in the forms that set them.
    Event BeforePost, AfterPost, AfterInsert, BeforeEdit, AfterEdit, BeforeDelete, AfterDelete,
        AfterRefresh, AfterOpen, AfterScroll, AfterCancel, OnCalcFields;

    // Disables signals to data-aware controls while a batch of changes runs.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

Q_SIGNALS:
    void currentRowChanged(int row);
    void valueChanged(mero::Field* field);
    void stateChanged(mero::DatasetState state);
    void dataReset(); // rows replaced: open, close, refresh, filter, sort, master move
    void rowChanged(int row);
    void rowInserted(int row);
    void rowRemoved(int row);
    // Emitted just before a row is inserted or removed (always followed by rowInserted / rowRemoved),
    // for models that must announce the change before it happens.
    void rowAboutToBeInserted(int row);
    void rowAboutToBeRemoved(int row);

private:
    friend class Field;
    struct Impl;
    std::unique_ptr<Impl> d;
    QString m_name;
};

} // namespace mero
