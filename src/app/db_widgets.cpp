#include "app/db_widgets.h"

#include "app/core/messages.h"
#include "checks/change_tracking.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "data/text_codec.h"

#include <QCalendarWidget>
#include <QCollator>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTableView>
#include <QToolButton>

#include <algorithm>

namespace mero {

namespace {

// The sentinel below every real date that shows as an empty date box.
const QDate kNoDate(1800, 1, 1);

void report(const std::exception& e) {
    if (auto* mero = dynamic_cast<const MeroError*>(&e))
        TMessages::Error(mero->message());
    else if (!dynamic_cast<const SilentAbort*>(&e))
        TMessages::Error(QString::fromLocal8Bit(e.what()));
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (a.typeId() == b.typeId())
        return a == b;
    return a.toString() == b.toString();
}

QString keyPart(const QVariant& v) {
    return v.isNull() ? QString() : v.toString();
}

} // namespace

QVariant WriteTracked(Field* field, const QVariant& value, bool tracking, bool derive) {
    if (!field)
        return QVariant();
    const QVariant oldValue = field->value();
    field->setValue(value);
    const QVariant newValue = field->value();
    ChangeTracker* tracker = ChangeTracker::current();
    if (!tracking || !tracker)
        return newValue;
    tracker->ItemValueChanged(field->dataset(), field, newValue, oldValue);
    if (derive)
        tracker->DeriveValues(field->dataset(), field, newValue);
    return newValue;
}

// ------------------------------------------------------------------------------------------------

FieldLink::FieldLink(QObject* owner) : QObject(owner) {}

void FieldLink::bind(Dataset* dataset, const QString& fieldName) {
    for (const auto& c : m_connections)
        disconnect(c);
    m_connections.clear();
    m_dataset = dataset;
    m_fieldName = fieldName;
    if (dataset) {
        auto refresh = [this] {
            if (m_dataset && !m_dataset->controlsDisabled())
                Q_EMIT refreshNeeded();
        };
        m_connections << connect(dataset, &Dataset::currentRowChanged, this, refresh)
                      << connect(dataset, &Dataset::dataReset, this, refresh)
                      << connect(dataset, &Dataset::stateChanged, this, refresh)
                      << connect(dataset, &Dataset::rowChanged, this, refresh)
                      << connect(dataset, &Dataset::valueChanged, this, [this](Field* f) {
                             if (f && f->name().compare(m_fieldName, Qt::CaseInsensitive) == 0 && m_dataset &&
                                 !m_dataset->controlsDisabled())
                                 Q_EMIT refreshNeeded();
                         })
                      << connect(dataset, &QObject::destroyed, this, [this] { Q_EMIT refreshNeeded(); });
    }
    Q_EMIT refreshNeeded();
}

Field* FieldLink::field() const {
    if (!m_dataset || m_fieldName.isEmpty())
        return nullptr;
    return m_dataset->findField(m_fieldName);
}

bool FieldLink::canModify() const {
    Field* f = field();
    if (!f || !m_dataset->isActive() || m_dataset->isReadOnly())
        return false;
    if (f->kind() != FieldKind::Data || f->isReadOnly())
        return false;
    return m_dataset->isEditing() || !m_dataset->isEmpty();
}

bool FieldLink::ensureEditing() {
    if (!canModify())
        return false;
    if (m_dataset->isEditing())
        return true;
    try {
        m_dataset->edit();
    } catch (const std::exception& e) {
        report(e);
        return false;
    }
    return m_dataset->isEditing();
}

// ------------------------------------------------------------------------------------------------
// DbEdit

DbEdit::DbEdit(QWidget* parent) : QLineEdit(parent), m_link(this) {
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbEdit::refresh);
    connect(this, &QLineEdit::textEdited, this, &DbEdit::userEdited);
    auto remember = [this] {
        if (!m_refreshing && text() == m_acceptedText) {
            m_acceptedCursor = cursorPosition();
            m_acceptedSelStart = selectionStart();
            m_acceptedSelLength = selectedText().size();
        }
    };
    connect(this, &QLineEdit::cursorPositionChanged, this, remember);
    connect(this, &QLineEdit::selectionChanged, this, remember);
    refresh();
}

void DbEdit::bind(Dataset* dataset, const QString& fieldName) {
    m_link.bind(dataset, fieldName);
}

void DbEdit::refresh() {
    if (m_writing)
        return; // the text being typed is the value
    Field* f = m_link.field();
    QString shown;
    bool editable = false;
    if (f && f->dataset()->isActive() && (f->dataset()->recNo() >= 0 || f->dataset()->isEditing())) {
        shown = f->isText() ? f->asString() : f->displayText();
        editable = f->kind() == FieldKind::Data && !f->isReadOnly() && !f->dataset()->isReadOnly();
    }
    if (f && f->type() == FieldType::Text && f->size() > 0)
        setMaxLength(f->size());
    else
        setMaxLength(32767);
    setReadOnly(!editable);
    if (shown != text()) {
        m_refreshing = true;
        setText(shown);
        m_refreshing = false;
    }
    m_acceptedText = text();
    m_acceptedCursor = cursorPosition();
    m_acceptedSelStart = selectionStart();
    m_acceptedSelLength = selectedText().size();
}

void DbEdit::revert() {
    m_refreshing = true;
    setText(m_acceptedText);
    if (m_acceptedSelStart >= 0 && m_acceptedSelLength > 0)
        setSelection(m_acceptedSelStart, m_acceptedSelLength);
    else
        setCursorPosition(m_acceptedCursor);
    m_refreshing = false;
}

void DbEdit::userEdited(const QString& edited) {
    if (m_refreshing)
        return;
    Field* f = m_link.field();
    if (!f) {
        revert();
        return;
    }
    if (!TextCodec::canEncode(edited)) {
        revert();
        TMessages::Error(TextCodec::unencodableMessage(edited));
        return;
    }
    if (!f->isText()) {
        // A number still being typed ("-", "12,") is kept on screen without storing it.
        static const QRegularExpression partial(QStringLiteral("^\\s*[+-]?\\d*([,.]\\d*)?\\s*$"));
        const QString trimmed = edited.trimmed();
        const QVariant candidate = trimmed.isEmpty() ? QVariant() : QVariant(trimmed);
        if (!f->canAccept(candidate) && partial.match(edited).hasMatch() &&
            f->type() != FieldType::Date && f->type() != FieldType::DateTime && f->type() != FieldType::YesNo)
            return;
    }
    const QString trimmed = edited.trimmed();
    const QVariant value = f->isText() ? QVariant(edited) : (trimmed.isEmpty() ? QVariant() : QVariant(trimmed));
    if (!f->canAccept(value)) {
        revert();
        return;
    }
    m_writing = true;
    const bool editing = m_link.ensureEditing();
    if (!editing) {
        m_writing = false;
        refresh();
        return;
    }
    const QVariant before = f->value();
    try {
        const QVariant stored = WriteTracked(f, value, m_tracking, true);
        m_writing = false;
        m_acceptedText = edited;
        m_acceptedCursor = cursorPosition();
        m_acceptedSelStart = -1;
        m_acceptedSelLength = 0;
        // A reaction changed the field itself: show what it holds now.
        if (!sameValue(f->value(), stored))
            refresh();
    } catch (const std::exception& e) {
        m_writing = false;
        // The guarded path: caret and selection go back, nothing is shown. When the field took the
        // text before a reaction failed, the text stays, as the field holds it.
        if (m_tracking && !sameValue(f->value(), before)) {
            m_acceptedText = edited;
            if (m_acceptedSelStart >= 0 && m_acceptedSelLength > 0)
                setSelection(m_acceptedSelStart, m_acceptedSelLength);
            else
                setCursorPosition(m_acceptedCursor);
        } else {
            revert();
        }
        if (!m_tracking)
            report(e);
    }
}

void DbEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    Field* f = m_link.field();
    if (!f)
        return;
    // A number left half-typed goes back to what the field holds.
    if (!f->isText()) {
        const QString stored = f->displayText();
        const QVariant typed = text().trimmed().isEmpty() ? QVariant() : QVariant(text().trimmed());
        if (!f->canAccept(typed) || (typed.isNull() != f->isNull()))
            refresh();
        else if (stored != text() && f->canAccept(typed))
            refresh();
    }
    if (m_tracking && !isReadOnly()) {
        if (ChangeTracker* tracker = ChangeTracker::current()) {
            try {
                tracker->ItemExited(f->dataset(), f, f->value());
            } catch (const std::exception& e) {
                report(e);
            }
        }
    }
}

// ------------------------------------------------------------------------------------------------
// DbMemo

DbMemo::DbMemo(QWidget* parent) : QPlainTextEdit(parent), m_link(this) {
    setTabChangesFocus(true);
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbMemo::refresh);
    connect(this, &QPlainTextEdit::textChanged, this, &DbMemo::userEdited);
    refresh();
}

void DbMemo::bind(Dataset* dataset, const QString& fieldName) {
    m_link.bind(dataset, fieldName);
}

void DbMemo::refresh() {
    if (m_writing)
        return;
    Field* f = m_link.field();
    QString shown;
    bool editable = false;
    if (f && f->dataset()->isActive() && (f->dataset()->recNo() >= 0 || f->dataset()->isEditing())) {
        shown = f->asString();
        editable = f->kind() == FieldKind::Data && !f->isReadOnly() && !f->dataset()->isReadOnly();
    }
    setReadOnly(!editable);
    if (shown != toPlainText()) {
        m_refreshing = true;
        setPlainText(shown);
        m_refreshing = false;
    }
    m_acceptedText = shown;
}

void DbMemo::userEdited() {
    if (m_refreshing)
        return;
    Field* f = m_link.field();
    const QString edited = toPlainText();
    if (edited == m_acceptedText)
        return;
    auto revert = [this] {
        const int position = qMax(0, textCursor().position() - (toPlainText().size() - m_acceptedText.size()));
        m_refreshing = true;
        setPlainText(m_acceptedText);
        QTextCursor cursor = textCursor();
        cursor.setPosition(qMin(position, int(m_acceptedText.size())));
        setTextCursor(cursor);
        m_refreshing = false;
    };
    if (!f) {
        revert();
        return;
    }
    if (!TextCodec::canEncode(edited)) {
        revert();
        TMessages::Error(TextCodec::unencodableMessage(edited));
        return;
    }
    m_writing = true;
    if (!m_link.ensureEditing()) {
        m_writing = false;
        revert();
        return;
    }
    try {
        WriteTracked(f, edited, m_tracking, false);
        m_writing = false;
        m_acceptedText = edited;
    } catch (const std::exception& e) {
        m_writing = false;
        // A reaction that failed after the field took the text leaves it there: the memo keeps
        // showing what the field holds.
        if (f->asString() == edited)
            m_acceptedText = edited;
        else
            revert();
        report(e);
    }
}

// ------------------------------------------------------------------------------------------------
// DbDateEdit

DbDateEdit::DbDateEdit(QWidget* parent) : QDateEdit(parent), m_link(this) {
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("d.M.yyyy"));
    setMinimumDate(kNoDate);
    setSpecialValueText(QStringLiteral(" "));
    setDate(kNoDate);
    if (QCalendarWidget* calendar = calendarWidget())
        calendar->installEventFilter(this);
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbDateEdit::refresh);
    connect(this, &QDateEdit::dateChanged, this, &DbDateEdit::userChanged);
    refresh();
}

void DbDateEdit::bind(Dataset* dataset, const QString& fieldName) {
    m_link.bind(dataset, fieldName);
}

QDate DbDateEdit::value() const {
    return date() == kNoDate ? QDate() : date();
}

void DbDateEdit::refresh() {
    Field* f = m_link.field();
    QDate shown;
    bool editable = false;
    if (f && f->dataset()->isActive() && (f->dataset()->recNo() >= 0 || f->dataset()->isEditing())) {
        shown = f->asDate();
        editable = f->kind() == FieldKind::Data && !f->isReadOnly() && !f->dataset()->isReadOnly();
    }
    setReadOnly(!editable);
    m_refreshing = true;
    setDate(shown.isValid() ? shown : kNoDate);
    m_refreshing = false;
}

void DbDateEdit::userChanged(const QDate& date) {
    if (m_refreshing)
        return;
    Field* f = m_link.field();
    if (!f || !m_link.ensureEditing()) {
        refresh();
        return;
    }
    const QVariant value = date == kNoDate ? QVariant() : QVariant(date);
    try {
        m_refreshing = true;
        f->setValue(value);
        m_refreshing = false;
    } catch (const std::exception& e) {
        m_refreshing = false;
        refresh();
        report(e);
    }
}

void DbDateEdit::clearValue() {
    if (isReadOnly())
        return;
    if (date() != kNoDate)
        setDate(kNoDate); // through userChanged
}

void DbDateEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        clearValue();
        event->accept();
        return;
    }
    QDateEdit::keyPressEvent(event);
}

bool DbDateEdit::eventFilter(QObject* watched, QEvent* event) {
    // An empty box opens its calendar on today, not on the sentinel.
    if (watched == calendarWidget() && event->type() == QEvent::Show && date() == kNoDate) {
        const QDate today = QDate::currentDate();
        calendarWidget()->setCurrentPage(today.year(), today.month());
    }
    return QDateEdit::eventFilter(watched, event);
}

// ------------------------------------------------------------------------------------------------
// DbCheckBox

DbCheckBox::DbCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent), m_link(this) {
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbCheckBox::refresh);
    refresh();
}

void DbCheckBox::bind(Dataset* dataset, const QString& fieldName) {
    m_link.bind(dataset, fieldName);
}

void DbCheckBox::setValues(const QVariant& checkedValue, const QVariant& uncheckedValue) {
    m_checkedValue = checkedValue;
    m_uncheckedValue = uncheckedValue;
    refresh();
}

void DbCheckBox::refresh() {
    Field* f = m_link.field();
    bool checked = false;
    bool editable = false;
    if (f && f->dataset()->isActive() && (f->dataset()->recNo() >= 0 || f->dataset()->isEditing())) {
        checked = !m_checkedValue.isNull() && sameValue(f->value(), m_checkedValue);
        editable = m_link.canModify();
    }
    const QSignalBlocker block(this);
    setChecked(checked);
    setEnabled(editable);
}

void DbCheckBox::nextCheckState() {
    store(isChecked() ? m_uncheckedValue : m_checkedValue);
}

void DbCheckBox::store(const QVariant& value) {
    Field* f = m_link.field();
    if (!f || !m_link.ensureEditing()) {
        refresh();
        return;
    }
    try {
        WriteTracked(f, value, m_tracking, true);
    } catch (const std::exception& e) {
        report(e);
    }
    refresh();
    Q_EMIT clicked(isChecked());
}

void DbCheckBox::clearValue() {
    Field* f = m_link.field();
    if (f && !f->isNull())
        store(QVariant());
}

// ------------------------------------------------------------------------------------------------
// DbLookupComboBox

DbLookupComboBox::DbLookupComboBox(QWidget* parent) : QComboBox(parent), m_link(this) {
    m_model = new QStandardItemModel(this);
    setModel(m_model);
    m_view = new QTableView(this);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->horizontalHeader()->setHighlightSections(false);
    m_view->setShowGrid(false);
    m_view->setWordWrap(false);
    m_view->setAlternatingRowColors(true);
    setView(m_view);
    setMaxVisibleItems(12);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(12);
    connect(&m_link, &FieldLink::refreshNeeded, this, &DbLookupComboBox::refresh);
    connect(this, &QComboBox::activated, this, &DbLookupComboBox::userChose);
}

void DbLookupComboBox::bind(Dataset* dataset, const QString& keyFields) {
    m_keyFields = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    m_link.bind(dataset, m_keyFields.value(0));
    // Every key field moves the box.
    if (dataset && m_keyFields.size() > 1)
        connect(dataset, &Dataset::valueChanged, this, [this](Field* f) {
            if (f && m_keyFields.contains(f->name(), Qt::CaseInsensitive))
                refresh();
        });
}

void DbLookupComboBox::setList(Dataset* list, const QString& listKeyFields, const QString& displayField,
                               const QStringList& listColumns) {
    for (const auto& c : m_listConnections)
        disconnect(c);
    m_listConnections.clear();
    m_list = list;
    m_listKeyFields = listKeyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    m_displayField = displayField;
    m_listColumns = listColumns.isEmpty() ? QStringList{displayField} : listColumns;
    if (!m_listColumns.contains(displayField, Qt::CaseInsensitive))
        m_listColumns.prepend(displayField);
    if (list) {
        m_listConnections << connect(list, &Dataset::dataReset, this, &DbLookupComboBox::rebuildList)
                          << connect(list, &Dataset::rowChanged, this, &DbLookupComboBox::rebuildList)
                          << connect(list, &Dataset::rowInserted, this, &DbLookupComboBox::rebuildList)
                          << connect(list, &Dataset::rowRemoved, this, &DbLookupComboBox::rebuildList);
    }
    rebuildList();
}

void DbLookupComboBox::rebuildList() {
    m_refreshing = true;
    m_model->clear();
    if (m_list && m_list->isActive()) {
        QList<int> columns;
        QStringList captions;
        for (const QString& name : m_listColumns) {
            Field* f = m_list->findField(name);
            columns << (f ? f->index() : -1);
            captions << (f ? f->displayLabel() : name);
        }
        QList<int> keyColumns;
        for (const QString& name : m_listKeyFields) {
            Field* f = m_list->findField(name);
            keyColumns << (f ? f->index() : -1);
        }
        struct Row {
            QStringList texts;
            QVariantList key;
        };
        std::vector<Row> rows;
        const int count = m_list->recordCount();
        rows.reserve(size_t(count));
        for (int r = 0; r < count; ++r) {
            Row row;
            for (int c : columns) {
                const QVariant v = c >= 0 ? m_list->valueAt(r, c) : QVariant();
                row.texts << (v.isNull() ? QString() : v.toString());
            }
            for (int c : keyColumns)
                row.key << (c >= 0 ? m_list->valueAt(r, c) : QVariant());
            rows.push_back(std::move(row));
        }
        const int displayColumn = int(m_listColumns.indexOf(m_displayField));
        QCollator collator(QLocale(QLocale::Czech, QLocale::CzechRepublic));
        std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
            return collator.compare(a.texts.value(displayColumn), b.texts.value(displayColumn)) < 0;
        });
        m_model->setColumnCount(int(columns.size()));
        m_model->setHorizontalHeaderLabels(captions);
        for (const Row& row : rows) {
            QList<QStandardItem*> items;
            for (const QString& text : row.texts)
                items << new QStandardItem(text);
            items.first()->setData(row.key, Qt::UserRole);
            m_model->appendRow(items);
        }
        setModelColumn(qMax(0, displayColumn));
        m_view->resizeColumnsToContents();
        int width = 0;
        for (int c = 0; c < m_model->columnCount(); ++c)
            width += m_view->columnWidth(c);
        m_view->setMinimumWidth(width + 24);
    }
    m_refreshing = false;
    refresh();
}

QVariantList DbLookupComboBox::keyValue() const {
    const int row = currentIndex();
    if (row < 0)
        return {};
    return m_model->item(row, 0)->data(Qt::UserRole).toList();
}

void DbLookupComboBox::refresh() {
    if (m_refreshing)
        return;
    Dataset* ds = m_link.dataset();
    int found = -1;
    bool editable = false;
    if (ds && ds->isActive() && (ds->recNo() >= 0 || ds->isEditing()) && !m_keyFields.isEmpty()) {
        QStringList key;
        bool allNull = true;
        for (const QString& name : m_keyFields) {
            Field* f = ds->findField(name);
            const QVariant v = f ? f->value() : QVariant();
            allNull = allNull && v.isNull();
            key << keyPart(v);
        }
        if (!allNull) {
            for (int r = 0; r < m_model->rowCount() && found < 0; ++r) {
                const QVariantList rowKey = m_model->item(r, 0)->data(Qt::UserRole).toList();
                bool equal = rowKey.size() == key.size();
                for (qsizetype i = 0; equal && i < key.size(); ++i)
                    equal = keyPart(rowKey.at(i)) == key.at(i);
                if (equal)
                    found = r;
            }
        }
        editable = m_link.canModify();
    }
    m_refreshing = true;
    setCurrentIndex(found);
    m_refreshing = false;
    setEnabled(editable || m_readOnly);
}

void DbLookupComboBox::userChose(int index) {
    if (m_refreshing || m_readOnly)
        return;
    Dataset* ds = m_link.dataset();
    if (!ds || !m_link.ensureEditing()) {
        refresh();
        return;
    }
    const QVariantList key = index >= 0 ? m_model->item(index, 0)->data(Qt::UserRole).toList() : QVariantList();
    try {
        m_refreshing = true;
        for (qsizetype i = 0; i < m_keyFields.size(); ++i) {
            Field* f = ds->fieldByName(m_keyFields.at(i));
            f->setValue(key.value(i));
        }
        m_refreshing = false;
    } catch (const std::exception& e) {
        m_refreshing = false;
        report(e);
    }
    refresh();
}

void DbLookupComboBox::clearValue() {
    if (m_readOnly)
        return;
    userChose(-1);
}

void DbLookupComboBox::setReadOnly(bool readOnly) {
    m_readOnly = readOnly;
    if (m_ellipsis)
        m_ellipsis->setEnabled(!readOnly);
}

void DbLookupComboBox::setButtonVisible(bool visible) {
    m_buttonVisible = visible;
    update();
    placeEllipsis();
}

void DbLookupComboBox::setEllipsisButton(bool shown) {
    if (shown && !m_ellipsis) {
        m_ellipsis = new QToolButton(this);
        m_ellipsis->setObjectName(QStringLiteral("EllipsisButton"));
        m_ellipsis->setText(QStringLiteral("..."));
        m_ellipsis->setFocusPolicy(Qt::NoFocus);
        m_ellipsis->setCursor(Qt::ArrowCursor);
        m_ellipsis->setEnabled(!m_readOnly);
        connect(m_ellipsis, &QToolButton::clicked, this, &DbLookupComboBox::ellipsisClicked);
    }
    if (m_ellipsis)
        m_ellipsis->setVisible(shown);
    placeEllipsis();
}

void DbLookupComboBox::placeEllipsis() {
    if (!m_ellipsis || !m_ellipsis->isVisibleTo(this))
        return;
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    const QRect arrow = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this);
    const int side = height() - 4;
    const int right = m_buttonVisible ? arrow.left() - 1 : width() - 2;
    m_ellipsis->setGeometry(right - side, 2, side, side);
}

void DbLookupComboBox::resizeEvent(QResizeEvent* event) {
    QComboBox::resizeEvent(event);
    placeEllipsis();
}

void DbLookupComboBox::paintEvent(QPaintEvent* event) {
    if (m_buttonVisible) {
        QComboBox::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.subControls &= ~QStyle::SC_ComboBoxArrow;
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

void DbLookupComboBox::showPopup() {
    if (m_readOnly)
        return;
    QComboBox::showPopup();
}

void DbLookupComboBox::keyPressEvent(QKeyEvent* event) {
    if (m_readOnly) {
        switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            QComboBox::keyPressEvent(event);
            return;
        default:
            event->ignore();
            return;
        }
    }
    if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        clearValue();
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void DbLookupComboBox::wheelEvent(QWheelEvent* event) {
    // The wheel scrolls the form, never the chosen value.
    event->ignore();
}

} // namespace mero
