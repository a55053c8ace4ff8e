#pragma once

// The data-aware widget kit: editors bound to one field of a dataset. Each shows the field's value in
// the dataset's current row, follows the dataset's signals, and writes what the user enters into the
// field at once (putting the dataset into edit state when it browses). A value the field cannot take
// is refused where it is typed; a character outside Windows-1250 is refused with a message.

#include "app/editor_conventions.h"
#include "data/dataset.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QStringList>
#include <QVariant>

class QStandardItemModel;
class QTableView;
class QToolButton;

namespace mero {

class Dataset;
class Field;

// The link of one editor to one field: re-reads on the dataset's signals, writes through the field.
class FieldLink : public QObject {
    Q_OBJECT
public:
    explicit FieldLink(QObject* owner);
    void bind(Dataset* dataset, const QString& fieldName);
    Dataset* dataset() const { return m_dataset; }
    const QString& fieldName() const { return m_fieldName; }
    Field* field() const;
    // True when the field can be written now (active dataset with a row, not read-only, data field).
    bool canModify() const;
    // Puts the dataset into edit state when it browses; false when it cannot be edited.
    bool ensureEditing();

Q_SIGNALS:
    // The value to show may have changed.
    void refreshNeeded();

private:
    QPointer<Dataset> m_dataset;
    QString m_fieldName;
    QList<QMetaObject::Connection> m_connections;
};

// A one-line editor of a text or number field. Numbers are a plain line without a mask: text the
// column cannot take is not stored, the caret and selection go back and no reaction runs.
class DbEdit : public QLineEdit, public DataBoundEditor {
    Q_OBJECT
public:
    explicit DbEdit(QWidget* parent = nullptr);
    void bind(Dataset* dataset, const QString& fieldName);
    Field* field() const { return m_link.field(); }
    FieldLink* link() { return &m_link; }

    void setChangeTracking(bool on) override { m_tracking = on; }
    bool changeTracking() const override { return m_tracking; }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void refresh();
    void userEdited(const QString& text);
    void revert();

    FieldLink m_link;
    bool m_tracking = false;
    bool m_refreshing = false;
    bool m_writing = false;
    // The last text the field took, with its caret and selection.
    QString m_acceptedText;
    int m_acceptedCursor = 0;
    int m_acceptedSelStart = -1;
    int m_acceptedSelLength = 0;
};

// A multi-line memo editor.
class DbMemo : public QPlainTextEdit, public DataBoundEditor {
    Q_OBJECT
public:
    explicit DbMemo(QWidget* parent = nullptr);
    void bind(Dataset* dataset, const QString& fieldName);
    Field* field() const { return m_link.field(); }

    void setChangeTracking(bool on) override { m_tracking = on; }
    bool changeTracking() const override { return m_tracking; }
    bool isMemo() const override { return true; }

private:
    void refresh();
    void userEdited();

    FieldLink m_link;
    bool m_tracking = false;
    bool m_refreshing = false;
    bool m_writing = false;
    QString m_acceptedText;
};

// A date picker that can hold no date: NULL shows an empty box; Delete clears the date.
class DbDateEdit : public QDateEdit, public DataBoundEditor {
    Q_OBJECT
public:
    explicit DbDateEdit(QWidget* parent = nullptr);
    void bind(Dataset* dataset, const QString& fieldName);
    Field* field() const { return m_link.field(); }
    // The date shown, null when none.
    QDate value() const;

    // Not among the tracked editors: a date written here never reaches the check model.
    void setChangeTracking(bool) override {}
    bool changeTracking() const override { return false; }
    bool clearsOnDelete() const override { return true; }
    void clearValue() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void userChanged(const QDate& date);

    FieldLink m_link;
    bool m_refreshing = false;
};

// A check box with its own checked and unchecked values, so that two boxes "ano" and "ne" show one
// yes/no column: "ano" stores yes when checked, "ne" stores no, and unchecking either stores NULL.
class DbCheckBox : public QCheckBox, public DataBoundEditor {
    Q_OBJECT
public:
    explicit DbCheckBox(const QString& text = QString(), QWidget* parent = nullptr);
    void bind(Dataset* dataset, const QString& fieldName);
    Field* field() const { return m_link.field(); }
    void setValues(const QVariant& checkedValue, const QVariant& uncheckedValue);
    const QVariant& valueChecked() const { return m_checkedValue; }
    const QVariant& valueUnchecked() const { return m_uncheckedValue; }

    void setChangeTracking(bool on) override { m_tracking = on; }
    bool changeTracking() const override { return m_tracking; }
    bool clearsOnDelete() const override { return true; }
    void clearValue() override;

protected:
    void nextCheckState() override;

private:
    void refresh();
    void store(const QVariant& value);

    FieldLink m_link;
    bool m_tracking = false;
    QVariant m_checkedValue = true;
    QVariant m_uncheckedValue = false;
};

// A lookup combo box: the bound dataset's key fields hold the key of a row of the list dataset; the
// box shows that row's display field and drops down a grid of the list's columns, sorted by the
// display text in Czech collation. Delete clears the key to NULL.
class DbLookupComboBox : public QComboBox, public DataBoundEditor {
    Q_OBJECT
public:
    explicit DbLookupComboBox(QWidget* parent = nullptr);
    // keyFields and listKeyFields are ';'-separated lists of equal length (a composite key, or one
    // key-text field).
    void bind(Dataset* dataset, const QString& keyFields);
    void setList(Dataset* list, const QString& listKeyFields, const QString& displayField,
                 const QStringList& listColumns = {});
    Dataset* listDataset() const { return m_list; }
    // The key values of the chosen list row (empty when none).
    QVariantList keyValue() const;

    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return m_readOnly; }
    // Without the drop-down button (the list still opens with Alt+Down or F4).
    void setButtonVisible(bool visible);
    // An extra "..." button at the right; pressing it emits ellipsisClicked.
    void setEllipsisButton(bool shown);
    QToolButton* ellipsisButton() const { return m_ellipsis; }

    // Not among the tracked editors: a key chosen here never reaches the check model.
    void setChangeTracking(bool) override {}
    bool changeTracking() const override { return false; }
    bool clearsOnDelete() const override { return !m_readOnly; }
    void clearValue() override;

    void showPopup() override;

Q_SIGNALS:
    void ellipsisClicked();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildList();
    void refresh();
    void userChose(int index);
    void placeEllipsis();

    FieldLink m_link;
    QStringList m_keyFields;
    QPointer<Dataset> m_list;
    QStringList m_listKeyFields;
    QString m_displayField;
    QStringList m_listColumns;
    QList<QMetaObject::Connection> m_listConnections;
    QStandardItemModel* m_model = nullptr;
    QTableView* m_view = nullptr;
    QToolButton* m_ellipsis = nullptr;
    bool m_refreshing = false;
    bool m_readOnly = false;
    bool m_buttonVisible = true;
};

// Writes a value into a bound field the way the editors do, with the check model's reactions when the
// editor tracks changes: ItemValueChanged, and DeriveValues unless it is a memo. Throws what the field
// throws; nothing is called when the field refuses the value. Returns the value as the field took it.
QVariant WriteTracked(Field* field, const QVariant& value, bool tracking, bool derive);

} // namespace mero
