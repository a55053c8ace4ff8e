#include "forms/grid_toolbar.h"

#include "app/core/messages.h"
#include "data/dataset.h"
#include "data/errors.h"
#include "forms/data_grid.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace mero {

namespace {

void report(const std::exception& e) {
    if (auto* mero = dynamic_cast<const MeroError*>(&e))
        TMessages::Error(mero->message());
    else if (!dynamic_cast<const SilentAbort*>(&e))
        TMessages::Error(QString::fromLocal8Bit(e.what()));
}

// Upper case of the letters a to z only; accented letters keep their case.
QString asciiUpper(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return out;
}

// Repainting of the grid stays off while an action changes its rows.
class FrozenGrid {
public:
    explicit FrozenGrid(DataGrid* grid) : m_grid(grid) {
        if (m_grid)
            m_grid->view()->setUpdatesEnabled(false);
    }
    ~FrozenGrid() {
        if (m_grid)
            m_grid->view()->setUpdatesEnabled(true);
    }

private:
    DataGrid* m_grid;
};

} // namespace

// ------------------------------------------------------------------------------------------------
// TGridSearch

TGridSearch::TGridSearch(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("GridSearch"));
    setWindowTitle(QStringLiteral("Najít"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout();
    FieldsList = new QComboBox(this);
    FieldsList->setObjectName(QStringLiteral("FieldsList"));
    FieldsList->setEditable(false);
    SearchText = new QComboBox(this);
    SearchText->setObjectName(QStringLiteral("SearchText"));
    SearchText->setEditable(true);
    SearchText->setInsertPolicy(QComboBox::NoInsert);
    SearchText->setMinimumWidth(260);
    auto* fieldsLabel = new QLabel(QStringLiteral("&Pole:"), this);
    fieldsLabel->setBuddy(FieldsList);
    auto* textLabel = new QLabel(QStringLiteral("&Text:"), this);
    textLabel->setBuddy(SearchText);
    grid->addWidget(fieldsLabel, 0, 0);
    grid->addWidget(FieldsList, 0, 1);
    grid->addWidget(textLabel, 1, 0);
    grid->addWidget(SearchText, 1, 1);
    layout->addLayout(grid);
    cbCaseSensitive = new QCheckBox(QStringLiteral("&Rozlišovat velikost písmen"), this);
    cbCaseSensitive->setObjectName(QStringLiteral("cbCaseSensitive"));
    cbPartialSearch =
        new QCheckBox(QStringLiteral("Hl&edat pouze záznamy přesně se shodující se zadaným textem"), this);
    cbPartialSearch->setObjectName(QStringLiteral("cbPartialSearch"));
    layout->addWidget(cbCaseSensitive);
    layout->addWidget(cbPartialSearch);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    BtnSearchFirst = new QPushButton(QStringLiteral("&Najít"), this);
    BtnSearchFirst->setObjectName(QStringLiteral("BtnSearchFirst"));
    BtnSearchFirst->setDefault(true);
    BtnSearchNext = new QPushButton(QStringLiteral("Najít &další"), this);
    BtnSearchNext->setObjectName(QStringLiteral("BtnSearchNext"));
    BtnSearchNext->setEnabled(false);
    BtnClose = new QPushButton(QStringLiteral("&Zavřít"), this);
    BtnClose->setObjectName(QStringLiteral("BtnClose"));
    buttons->addWidget(BtnSearchFirst);
    buttons->addWidget(BtnSearchNext);
    buttons->addWidget(BtnClose);
    layout->addLayout(buttons);

    connect(FieldsList, &QComboBox::currentIndexChanged, this, &TGridSearch::FieldsListChange);
    connect(SearchText, &QComboBox::editTextChanged, this, &TGridSearch::SearchTextChange);
    connect(BtnSearchFirst, &QPushButton::clicked, this, &TGridSearch::BtnSearchFirstClick);
    connect(BtnSearchNext, &QPushButton::clicked, this, &TGridSearch::BtnSearchNextClick);
    connect(BtnClose, &QPushButton::clicked, this, &TGridSearch::BtnCloseClick);
}

void TGridSearch::Bind(DataGrid* grid) {
    m_grid = grid;
    m_columns.clear();
    const QSignalBlocker block(FieldsList);
    FieldsList->clear();
    if (grid) {
        for (int column : grid->visibleColumns()) {
            m_columns << column;
            FieldsList->addItem(grid->columnCaption(column));
        }
    }
    FieldsList->setCurrentIndex(FieldsList->count() > 0 ? 0 : -1);
    m_lastFound = -1;
}

void TGridSearch::Open() {
    m_lastFound = -1;
    SearchText->setEditText(QString());
    BtnSearchNext->setEnabled(false);
    SearchText->setFocus();
    exec();
}

QStringList TGridSearch::history() const {
    QStringList out;
    for (int i = 0; i < SearchText->count(); ++i)
        out << SearchText->itemText(i);
    return out;
}

bool TGridSearch::Matches(const QString& cellText, const QString& searchText, bool caseSensitive, bool exact) {
    const QString cell = caseSensitive ? cellText : asciiUpper(cellText);
    const QString text = caseSensitive ? searchText : asciiUpper(searchText);
    if (exact)
        return cell == text;
    return !text.isEmpty() && cell.contains(text, Qt::CaseSensitive);
}

void TGridSearch::FieldsListChange() {
    m_lastFound = -1;
    BtnSearchNext->setEnabled(false);
}

void TGridSearch::SearchTextChange() {
    m_lastFound = -1;
    BtnSearchNext->setEnabled(false);
}

void TGridSearch::BtnSearchFirstClick() {
    m_lastFound = -1;
    const QString text = SearchText->currentText();
    if (SearchText->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
        const QSignalBlocker block(SearchText);
        SearchText->insertItem(0, text);
        if (SearchText->count() > 10)
            SearchText->removeItem(10);
        SearchText->setCurrentIndex(0);
        SearchText->setEditText(text);
    }
    search();
}

void TGridSearch::BtnSearchNextClick() {
    search();
}

void TGridSearch::BtnCloseClick() {
    reject();
}

void TGridSearch::search() {
    const int column = m_columns.value(FieldsList->currentIndex(), -1);
    if (m_grid && column >= 0) {
        const QString text = SearchText->currentText();
        const bool caseSensitive = cbCaseSensitive->isChecked();
        const bool exact = cbPartialSearch->isChecked();
        for (int row = m_lastFound + 1; row < m_grid->rowCount(); ++row) {
            if (Matches(m_grid->displayText(row, column), text, caseSensitive, exact)) {
                m_lastFound = row;
                m_grid->setFocusedRow(row);
                BtnSearchNext->setEnabled(true);
                return;
            }
        }
    }
    BtnSearchNext->setEnabled(false);
    TMessages::Error(QStringLiteral("Hledaný text nebyl nalezen."));
}

// ------------------------------------------------------------------------------------------------
// TFrameGridToolBar

TFrameGridToolBar::TFrameGridToolBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FrameGridToolBar"));
    m_layout = new QHBoxLayout(this);
    m_layout->setContentsMargins(2, 2, 2, 2);
    m_layout->setSpacing(4);
    BtnInsert = makeButton(QStringLiteral("BtnInsert"), QStringLiteral("Vložit"));
    BtnEdit = makeButton(QStringLiteral("BtnEdit"), QStringLiteral("Upravit"));
    BtnDelete = makeButton(QStringLiteral("BtnDelete"), QStringLiteral("Smazat"));
    BtnSearch = makeButton(QStringLiteral("BtnSearch"), QStringLiteral("Hledat"));
    BtnClipboard = makeButton(QStringLiteral("BtnClipboard"), QStringLiteral("Do schránky"));
    m_layout->addStretch();
    connect(BtnInsert, &QPushButton::clicked, this, &TFrameGridToolBar::BtnInsertClick);
    connect(BtnEdit, &QPushButton::clicked, this, &TFrameGridToolBar::BtnEditClick);
    connect(BtnDelete, &QPushButton::clicked, this, &TFrameGridToolBar::BtnDeleteClick);
    connect(BtnSearch, &QPushButton::clicked, this, &TFrameGridToolBar::BtnSearchClick);
    connect(BtnClipboard, &QPushButton::clicked, this, &TFrameGridToolBar::BtnClipboardClick);
}

QPushButton* TFrameGridToolBar::makeButton(const QString& name, const QString& text) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setFixedSize(75, 22);
    button->setAutoDefault(false);
    m_layout->addWidget(button);
    return button;
}

void TFrameGridToolBar::addButton(QPushButton* button) {
    button->setParent(this);
    button->setFixedHeight(22);
    button->setMinimumWidth(75);
    button->setAutoDefault(false);
    m_layout->insertWidget(m_layout->count() - 1, button);
}

void TFrameGridToolBar::Bind(DataGrid* grid) {
    if (m_grid)
        disconnect(m_grid, nullptr, this, nullptr);
    m_grid = grid;
    if (grid)
        connect(grid, &DataGrid::cellDoubleClicked, this, [this] { BtnEditClick(); });
    if (m_search)
        m_search->Bind(grid);
}

void TFrameGridToolBar::BtnInsertClick() {
    if (!m_dataset)
        return;
    {
        FrozenGrid frozen(m_grid);
        try {
            m_dataset->append();
            if (m_insertHook)
                m_insertHook(*m_dataset);
        } catch (const std::exception& e) {
            report(e);
        }
    }
    if (m_grid)
        m_grid->view()->setFocus();
}

void TFrameGridToolBar::BtnEditClick() {
    if (!m_grid || m_grid->focusedRow() < 0 || !m_editAction || !m_dataset)
        return;
    {
        FrozenGrid frozen(m_grid);
        try {
            m_editAction(*m_dataset);
        } catch (const std::exception& e) {
            report(e);
        }
    }
    m_grid->view()->setFocus();
}

void TFrameGridToolBar::BtnDeleteClick() {
    if (!m_grid || m_grid->focusedRow() < 0)
        return;
    const QString question =
        m_deleteQuestion.isEmpty() ? QStringLiteral("Opravdu chcete smazat vybraný záznam?") : m_deleteQuestion;
    if (TMessages::Confirm(question) == ConfirmResult::Yes) {
        Dataset* dataset = m_dataset ? m_dataset : m_grid->dataset();
        FrozenGrid frozen(m_grid);
        try {
            if (dataset)
                dataset->deleteRecord();
        } catch (const std::exception& e) {
            report(e);
        }
    }
    m_grid->view()->setFocus();
}

void TFrameGridToolBar::BtnSearchClick() {
    if (!m_search) {
        m_search = new TGridSearch(window());
        m_search->Bind(m_grid);
    }
    m_search->Open();
}

QString TFrameGridToolBar::GridText(const DataGrid& grid) {
    const QList<int> columns = grid.visibleColumns();
    QString text;
    QStringList cells;
    for (int c : columns)
        cells << grid.columnCaption(c);
    text += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    for (int row = 0; row < grid.rowCount(); ++row) {
        cells.clear();
        for (int c : columns)
            cells << grid.displayText(row, c);
        text += cells.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    }
    return text;
}

void TFrameGridToolBar::BtnClipboardClick() {
    if (!m_grid)
        return;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        QGuiApplication::clipboard()->setText(GridText(*m_grid));
    } catch (...) {
        QGuiApplication::restoreOverrideCursor();
        throw;
    }
    QGuiApplication::restoreOverrideCursor();
}

} // namespace mero
