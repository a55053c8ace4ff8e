#include "forms/data_grid.h"

#include "app/core/messages.h"
#include "data/dataset.h"
#include "data/dataset_model.h"
#include "data/errors.h"

#include <QCollator>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSet>
#include <QSortFilterProxyModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace mero {

namespace {

QCollator czechCollator() {
    QCollator collator(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    collator.setNumericMode(true);
    return collator;
}

void report(const std::exception& e) {
    if (auto* mero = dynamic_cast<const MeroError*>(&e))
        TMessages::Error(mero->message());
    else if (!dynamic_cast<const SilentAbort*>(&e))
        TMessages::Error(QString::fromLocal8Bit(e.what()));
}

// The grid's columns over the dataset's fields.
class GridColumnsModel : public QAbstractTableModel {
public:
    GridColumnsModel(DataGrid* grid, QObject* parent) : QAbstractTableModel(parent), m_grid(grid) {}

    void setSource(DatasetModel* source) {
        beginResetModel();
        if (m_source)
            disconnect(m_source, nullptr, this, nullptr);
        m_source = source;
        if (source) {
            connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
            connect(source, &QAbstractItemModel::modelReset, this, [this] { endResetModel(); });
            connect(source, &QAbstractItemModel::rowsAboutToBeInserted, this,
                    [this](const QModelIndex&, int first, int last) { beginInsertRows({}, first, last); });
            connect(source, &QAbstractItemModel::rowsInserted, this, [this] { endInsertRows(); });
            connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this,
                    [this](const QModelIndex&, int first, int last) { beginRemoveRows({}, first, last); });
            connect(source, &QAbstractItemModel::rowsRemoved, this, [this] { endRemoveRows(); });
            connect(source, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex& tl, const QModelIndex& br) {
                        if (columnCount() > 0)
                            Q_EMIT dataChanged(index(tl.row(), 0), index(br.row(), columnCount() - 1));
                    });
            connect(source, &QAbstractItemModel::layoutChanged, this, [this] { Q_EMIT layoutChanged(); });
        }
        endResetModel();
    }
    void columnsChanged() {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !m_source ? 0 : m_source->rowCount();
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : m_grid->columnCount();
    }
    QModelIndex sourceIndex(const QModelIndex& index) const {
        if (!m_source || !index.isValid() || !m_source->dataset())
            return {};
        Field* f = m_source->dataset()->findField(m_grid->columnField(index.column()));
        return f ? m_source->index(index.row(), f->index()) : QModelIndex();
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const QModelIndex s = sourceIndex(index);
        return s.isValid() ? s.data(role) : QVariant();
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        const QModelIndex s = sourceIndex(index);
        if (!s.isValid())
            return false;
        const bool ok = m_source->setData(s, value, role);
        if (!ok && !m_source->lastError().isEmpty())
            TMessages::Error(m_source->lastError());
        return ok;
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        const QModelIndex s = sourceIndex(index);
        Qt::ItemFlags f = s.isValid() ? m_source->flags(s) : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (!m_grid->isEditable())
            f &= ~Qt::ItemIsEditable;
        return f;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_grid->columnHeaderText(section);
        if (orientation == Qt::Horizontal && role == Qt::ToolTipRole)
            return m_grid->columnCaption(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    DataGrid* m_grid;
    QPointer<DatasetModel> m_source;
};

class GridDelegate : public QStyledItemDelegate {
public:
    GridDelegate(DataGrid* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_grid->cellPainter())
            m_grid->cellPainter()(*m_grid, index.row(), index.column(), *option);
    }

private:
    DataGrid* m_grid;
};

} // namespace

// Filters and sorts by the displayed text, in Czech collation.
class GridProxyModel : public QSortFilterProxyModel {
public:
    explicit GridProxyModel(QObject* parent) : QSortFilterProxyModel(parent), m_collator(czechCollator()) {
        setDynamicSortFilter(true);
    }
    void setColumnFilter(int column, const QStringList& values) {
        if (values.isEmpty())
            m_filters.remove(column);
        else
            m_filters.insert(column, QSet<QString>(values.begin(), values.end()));
        invalidateFilter();
    }
    QStringList columnFilter(int column) const {
        const QSet<QString> set = m_filters.value(column);
        return QStringList(set.begin(), set.end());
    }
    void clearFilters() {
        m_filters.clear();
        invalidateFilter();
    }
    bool isFiltered() const { return !m_filters.isEmpty(); }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        for (auto it = m_filters.cbegin(); it != m_filters.cend(); ++it) {
            const QString text = sourceModel()->index(row, it.key(), parent).data(Qt::DisplayRole).toString();
            if (!it.value().contains(text))
                return false;
        }
        return true;
    }
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override {
        return m_collator.compare(left.data(Qt::DisplayRole).toString(), right.data(Qt::DisplayRole).toString()) < 0;
    }

private:
    QCollator m_collator;
    QHash<int, QSet<QString>> m_filters;
};

// The column header: the header texts, and a filter button on each section where filtering is allowed.
class GridHeader : public QHeaderView {
public:
    explicit GridHeader(DataGrid* grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid) {
        setSectionsClickable(true);
        setHighlightSections(false);
        setSortIndicatorShown(true);
        setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    QRect filterRect(int logical) const {
        const int x = sectionViewportPosition(logical) + sectionSize(logical) - 16;
        return QRect(x, (height() - 12) / 2, 12, 12);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logical) const override {
        painter->save();
        QHeaderView::paintSection(painter, rect, logical);
        painter->restore();
        if (!m_grid->headerFilter())
            return;
        const bool active = !m_grid->columnFilter(logical).isEmpty();
        const QRect r(rect.right() - 15, rect.center().y() - 5, 10, 10);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        QPainterPath funnel;
        funnel.moveTo(r.left(), r.top());
        funnel.lineTo(r.right(), r.top());
        funnel.lineTo(r.center().x() + 1, r.center().y());
        funnel.lineTo(r.center().x() + 1, r.bottom());
        funnel.lineTo(r.center().x() - 1, r.bottom() - 1);
        funnel.lineTo(r.center().x() - 1, r.center().y());
        funnel.closeSubpath();
        painter->setPen(QPen(QColor(16, 98, 154), 1));
        painter->setBrush(active ? QColor(16, 98, 154) : QColor(255, 255, 255, 0));
        painter->drawPath(funnel);
        painter->restore();
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (m_grid->headerFilter() && event->button() == Qt::LeftButton) {
            const int logical = logicalIndexAt(event->position().toPoint());
            if (logical >= 0 && filterRect(logical).adjusted(-3, -3, 3, 3).contains(event->position().toPoint())) {
                m_grid->showFilterMenu(logical, mapToGlobal(filterRect(logical).bottomLeft()));
                event->accept();
                return;
            }
        }
        QHeaderView::mousePressEvent(event);
    }

private:
    DataGrid* m_grid;
};

// The band row above the column header.
class BandHeader : public QWidget {
public:
    explicit BandHeader(DataGrid* grid) : QWidget(grid), m_grid(grid) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QHeaderView* header = m_grid->m_view->horizontalHeader();
        const int offset = header->mapTo(m_grid, QPoint(0, 0)).x() - x();
        QStyleOptionHeader opt;
        opt.initFrom(this);
        opt.state |= QStyle::State_Raised;
        opt.orientation = Qt::Horizontal;
        opt.textAlignment = Qt::AlignCenter;
        const int count = header->count();
        int visual = 0;
        while (visual < count) {
            const int logical = header->logicalIndex(visual);
            if (header->isSectionHidden(logical)) {
                ++visual;
                continue;
            }
            const int band = m_grid->columnBand(logical);
            int left = header->sectionViewportPosition(logical);
            int right = left + header->sectionSize(logical);
            int next = visual + 1;
            while (band >= 0 && next < count) {
                const int l = header->logicalIndex(next);
                if (header->isSectionHidden(l)) {
                    ++next;
                    continue;
                }
                if (m_grid->columnBand(l) != band)
                    break;
                right = header->sectionViewportPosition(l) + header->sectionSize(l);
                ++next;
            }
            opt.rect = QRect(offset + left, 0, right - left, height());
            opt.text = band >= 0 ? m_grid->bandCaption(band) : QString();
            style()->drawControl(QStyle::CE_Header, &opt, &p, this);
            visual = next;
        }
    }

private:
    DataGrid* m_grid;
};

DataGrid::DataGrid(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_bands = new BandHeader(this);
    m_bands->setObjectName(QStringLiteral("BandHeader"));
    m_bands->hide();
    layout->addWidget(m_bands);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("GridView"));
    m_header = new GridHeader(this);
    m_view->setHorizontalHeader(m_header);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->setItemDelegate(new GridDelegate(this));
    m_view->setSortingEnabled(false);
    m_view->setWordWrap(false);
    m_view->setTabKeyNavigation(false);
    m_view->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_view, 1);

    auto* columnsModel = new GridColumnsModel(this, this);
    m_proxy = new GridProxyModel(this);
    m_proxy->setSourceModel(columnsModel);
    m_view->setModel(m_proxy);
    connect(m_header, &QHeaderView::sortIndicatorChanged, this,
            [this](int column, Qt::SortOrder order) { m_proxy->sort(column, order); });
    m_header->setSortIndicator(-1, Qt::AscendingOrder);

    // The current row is painted highlighted also when the grid has no focus.
    QPalette pal = m_view->palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    m_view->setPalette(pal);

    m_footer = new QLabel(this);
    m_footer->setObjectName(QStringLiteral("GridFooter"));
    m_footer->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_footer->setContentsMargins(6, 2, 6, 2);
    m_footer->setAutoFillBackground(true);
    QPalette fp = m_footer->palette();
    fp.setColor(QPalette::Window, pal.color(QPalette::Button));
    m_footer->setPalette(fp);
    layout->addWidget(m_footer);

    m_navigator = new QWidget(this);
    m_navigator->setObjectName(QStringLiteral("Navigator"));
    auto* nav = new QHBoxLayout(m_navigator);
    nav->setContentsMargins(2, 2, 2, 2);
    nav->setSpacing(1);
    static const char* const glyphs[NavButtonCount] = {"|◀", "◀◀", "◀", "▶", "▶▶", "▶|", "+", "−", "✎",
                                                       "✔", "✘", "⟳", "☆", "★", "⚲"};
    static const char* const hints[NavButtonCount] = {"První záznam",      "Předchozí stránka",
                                                      "Předchozí záznam",  "Další záznam",
                                                      "Další stránka",     "Poslední záznam",
                                                      "Vložit nový záznam", "Smazat záznam",
                                                      "Upravit záznam",    "Uložit změny",
                                                      "Zrušit změny",      "Aktualizovat záznamy",
                                                      nullptr,             nullptr,
                                                      "Filtrovat záznamy"};
    for (int i = 0; i < NavButtonCount; ++i) {
        if (i > 0 && navigatorGroup(i) != navigatorGroup(i - 1)) {
            // The gap in front of a group of buttons.
            auto* gap = new QWidget(m_navigator);
            gap->setObjectName(QStringLiteral("NavGap%1").arg(navigatorGroup(i)));
            gap->setFixedSize(kNavigatorGroupGap, 1);
            nav->addWidget(gap);
            m_navGaps[navigatorGroup(i)] = gap;
        }
        auto* button = new QToolButton(m_navigator);
        button->setObjectName(QStringLiteral("NavButton%1").arg(i));
        button->setText(QString::fromUtf8(glyphs[i]));
        if (hints[i])
            button->setToolTip(QString::fromUtf8(hints[i]));
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(26, 22);
        connect(button, &QToolButton::clicked, this, [this, i] { navigate(i); });
        nav->addWidget(button);
        m_navButtons[i] = button;
    }
    nav->addStretch();
    layout->addWidget(m_navigator);
    arrangeNavigator();

    connect(m_proxy, &QAbstractItemModel::rowsInserted, this, &DataGrid::updateFooter);
    connect(m_proxy, &QAbstractItemModel::rowsRemoved, this, &DataGrid::updateFooter);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &DataGrid::updateFooter);
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, &DataGrid::updateFooter);
    connect(m_view, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { Q_EMIT cellDoubleClicked(index.row(), index.column()); });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &DataGrid::syncToDataset);

    auto bandUpdate = [this] { m_bands->update(); };
    connect(m_header, &QHeaderView::sectionResized, this, bandUpdate);
    connect(m_header, &QHeaderView::sectionMoved, this, bandUpdate);
    connect(m_header, &QHeaderView::geometriesChanged, this, bandUpdate);
    connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, this, bandUpdate);
    updateFooter();
}

DataGrid::~DataGrid() = default;

void DataGrid::setDataset(Dataset* dataset) {
    if (m_dataset)
        disconnect(m_dataset, nullptr, this, nullptr);
    m_dataset = dataset;
    auto* columns = static_cast<GridColumnsModel*>(m_proxy->sourceModel());
    delete m_model;
    m_model = dataset ? new DatasetModel(dataset, this) : nullptr;
    columns->setSource(m_model);
    if (dataset) {
        connect(dataset, &Dataset::currentRowChanged, this, &DataGrid::syncFromDataset);
        connect(dataset, &Dataset::dataReset, this, &DataGrid::syncFromDataset);
    }
    syncFromDataset();
    updateFooter();
}

int DataGrid::addColumn(const QString& fieldName, const QString& caption, int width, const QString& headerText) {
    Column c;
    c.field = fieldName;
    c.caption = caption;
    c.headerText = headerText;
    c.width = width;
    m_columns.append(c);
    static_cast<GridColumnsModel*>(m_proxy->sourceModel())->columnsChanged();
    for (int i = 0; i < m_columns.size(); ++i) {
        m_view->setColumnHidden(i, !m_columns[i].visible);
        if (m_columns[i].width > 0)
            m_view->setColumnWidth(i, m_columns[i].width);
    }
    syncFromDataset();
    return int(m_columns.size()) - 1;
}

int DataGrid::columnCount() const {
    return int(m_columns.size());
}

QString DataGrid::columnField(int column) const {
    return m_columns.value(column).field;
}

QString DataGrid::columnCaption(int column) const {
    return m_columns.value(column).caption;
}

QString DataGrid::columnHeaderText(int column) const {
    const Column c = m_columns.value(column);
    return c.headerText.isEmpty() ? c.caption : c.headerText;
}

void DataGrid::setColumnVisible(int column, bool visible) {
    if (column < 0 || column >= m_columns.size())
        return;
    m_columns[column].visible = visible;
    m_view->setColumnHidden(column, !visible);
    m_bands->update();
}

bool DataGrid::isColumnVisible(int column) const {
    return column >= 0 && column < m_columns.size() && m_columns[column].visible;
}

QList<int> DataGrid::visibleColumns() const {
    QList<int> out;
    QHeaderView* header = m_view->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (isColumnVisible(logical))
            out << logical;
    }
    return out;
}

int DataGrid::addBand(const QString& caption) {
    m_bandCaptions << caption;
    m_bands->setFixedHeight(m_header->sizeHint().height());
    m_bands->show();
    return int(m_bandCaptions.size()) - 1;
}

void DataGrid::setColumnBand(int column, int band) {
    if (column >= 0 && column < m_columns.size())
        m_columns[column].band = band;
    m_bands->update();
}

QString DataGrid::bandCaption(int band) const {
    return m_bandCaptions.value(band);
}

int DataGrid::columnBand(int column) const {
    return m_columns.value(column).band;
}

int DataGrid::rowCount() const {
    return m_proxy->rowCount();
}

QString DataGrid::displayText(int row, int column) const {
    return m_proxy->index(row, column).data(Qt::DisplayRole).toString();
}

int DataGrid::focusedRow() const {
    const QModelIndex current = m_view->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void DataGrid::setFocusedRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    int column = m_view->currentIndex().isValid() ? m_view->currentIndex().column() : -1;
    if (column < 0 || !isColumnVisible(column))
        column = visibleColumns().value(0, 0);
    const QModelIndex index = m_proxy->index(row, column);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
}

int DataGrid::datasetRow(int row) const {
    const QModelIndex source = m_proxy->mapToSource(m_proxy->index(row, 0));
    return source.isValid() ? source.row() : -1;
}

void DataGrid::sortByColumn(int column, Qt::SortOrder order) {
    m_header->setSortIndicator(column, order);
    m_proxy->sort(column, order);
}

void DataGrid::setColumnFilter(int column, const QStringList& values) {
    m_proxy->setColumnFilter(column, values);
    m_header->viewport()->update();
    updateFooter();
}

QStringList DataGrid::columnFilter(int column) const {
    return m_proxy->columnFilter(column);
}

void DataGrid::clearFilters() {
    m_proxy->clearFilters();
    m_header->viewport()->update();
    updateFooter();
}

bool DataGrid::isFiltered() const {
    return m_proxy->isFiltered();
}

QStringList DataGrid::columnValues(int column) const {
    QSet<QString> seen;
    QAbstractItemModel* source = m_proxy->sourceModel();
    for (int r = 0; r < source->rowCount(); ++r)
        seen.insert(source->index(r, column).data(Qt::DisplayRole).toString());
    QStringList values(seen.begin(), seen.end());
    QCollator collator = czechCollator();
    std::sort(values.begin(), values.end(),
              [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return values;
}

void DataGrid::showFilterMenu(int column, const QPoint& globalPos) {
    if (column < 0)
        return;
    QMenu menu(this);
    QAction* all = menu.addAction(QStringLiteral("(Vše)"));
    menu.addSeparator();
    const QStringList current = columnFilter(column);
    QList<QAction*> valueActions;
    for (const QString& value : columnValues(column)) {
        QAction* a = menu.addAction(value.isEmpty() ? QStringLiteral("(Prázdné)") : value);
        a->setCheckable(true);
        a->setChecked(current.contains(value));
        a->setData(value);
        valueActions << a;
    }
    QAction* chosen = menu.exec(globalPos);
    if (!chosen)
        return;
    if (chosen == all)
        setColumnFilter(column, {});
    else
        setColumnFilter(column, {chosen->data().toString()});
}

void DataGrid::setNavigatorVisible(bool visible) {
    m_navigator->setVisible(visible);
    arrangeNavigator();
}

void DataGrid::setNavigatorButtonVisible(int button, bool visible) {
    if (button < 0 || button >= NavButtonCount)
        return;
    m_navButtons[button]->setVisible(visible);
    arrangeNavigator();
}

int DataGrid::navigatorGroup(int button) {
    // First to last, insert to cancel, refresh, the two bookmarks, filter.
    if (button <= NavLast)
        return 0;
    if (button <= NavCancel)
        return 1;
    if (button == NavRefresh)
        return 2;
    if (button <= NavGotoBookmark)
        return 3;
    return 4;
}

void DataGrid::arrangeNavigator() {
    // One gap between two groups that show buttons, none in front of the first or for an empty group.
    bool groupShown[kNavigatorGroups] = {};
    for (int b = 0; b < NavButtonCount; ++b)
        if (!m_navButtons[b]->isHidden())
            groupShown[navigatorGroup(b)] = true;
    bool anyBefore = false;
    for (int g = 0; g < kNavigatorGroups; ++g) {
        if (m_navGaps[g])
            m_navGaps[g]->setVisible(anyBefore && groupShown[g]);
        anyBefore = anyBefore || groupShown[g];
    }
    // The buttons take their places now, not at the next layout pass.
    if (QLayout* nav = m_navigator->layout()) {
        nav->invalidate();
        nav->activate();
        if (m_navigator->isVisible())
            nav->setGeometry(m_navigator->rect());
    }
}

bool DataGrid::isNavigatorButtonVisible(int button) const {
    return button >= 0 && button < NavButtonCount && !m_navButtons[button]->isHidden();
}

QToolButton* DataGrid::navigatorButton(int button) const {
    return button >= 0 && button < NavButtonCount ? m_navButtons[button] : nullptr;
}

void DataGrid::setEditable(bool editable) {
    m_editable = editable;
    m_view->setEditTriggers(editable ? QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                                           QAbstractItemView::SelectedClicked
                                     : QAbstractItemView::NoEditTriggers);
}

void DataGrid::setRowSelect(bool rows) {
    m_view->setSelectionBehavior(rows ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid())
        m_view->selectionModel()->setCurrentIndex(
            current, QItemSelectionModel::ClearAndSelect | (rows ? QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate));
}

void DataGrid::setHeaderFilter(bool allowed) {
    m_headerFilter = allowed;
    m_header->viewport()->update();
}

void DataGrid::setFooterVisible(bool visible) {
    m_footer->setVisible(visible);
}

QString DataGrid::footerText() const {
    return m_footer->text();
}

void DataGrid::updateFooter() {
    m_footer->setText(QStringLiteral("Počet položek: %1").arg(rowCount()));
}

void DataGrid::setCellPainter(CellPainter painter) {
    m_cellPainter = std::move(painter);
    m_view->viewport()->update();
}

void DataGrid::syncFromDataset() {
    if (m_syncing || !m_dataset)
        return;
    const int rec = m_dataset->recNo();
    if (rec < 0 || !m_model || rec >= m_model->rowCount())
        return;
    auto* columns = static_cast<GridColumnsModel*>(m_proxy->sourceModel());
    const QModelIndex proxyIndex = m_proxy->mapFromSource(columns->index(rec, 0));
    if (!proxyIndex.isValid() || proxyIndex.row() == focusedRow())
        return;
    m_syncing = true;
    setFocusedRow(proxyIndex.row());
    m_syncing = false;
}

void DataGrid::syncToDataset() {
    if (m_syncing || !m_dataset)
        return;
    const int row = datasetRow(focusedRow());
    if (row < 0 || row == m_dataset->recNo())
        return;
    m_syncing = true;
    try {
        if (m_dataset->isEditing())
            m_dataset->post();
        m_dataset->setRecNo(row);
    } catch (const std::exception& e) {
        report(e);
    }
    m_syncing = false;
}

void DataGrid::navigate(int button) {
    if (!m_dataset)
        return;
    const int page = qMax(1, m_view->viewport()->height() / qMax(1, m_view->verticalHeader()->defaultSectionSize()));
    const int row = focusedRow();
    try {
        switch (button) {
        case NavFirst:
            setFocusedRow(0);
            break;
        case NavPriorPage:
            setFocusedRow(qMax(0, row - page));
            break;
        case NavPrior:
            setFocusedRow(qMax(0, row - 1));
            break;
        case NavNext:
            setFocusedRow(qMin(rowCount() - 1, row + 1));
            break;
        case NavNextPage:
            setFocusedRow(qMin(rowCount() - 1, row + page));
            break;
        case NavLast:
            setFocusedRow(rowCount() - 1);
            break;
        case NavInsert:
            m_dataset->append();
            break;
        case NavDelete:
            if (m_dataset->isEmpty())
                break;
            if (m_confirmDelete &&
                TMessages::Confirm(QStringLiteral("Opravdu chcete smazat vybraný záznam?")) != ConfirmResult::Yes)
                break;
            m_dataset->deleteRecord();
            break;
        case NavEdit:
            m_dataset->edit();
            break;
        case NavPost:
            if (m_dataset->isEditing())
                m_dataset->post();
            break;
        case NavCancel:
            if (m_dataset->isEditing())
                m_dataset->cancel();
            break;
        case NavRefresh:
            m_dataset->refresh();
            break;
        case NavSaveBookmark:
            m_bookmark = m_dataset->recNo();
            break;
        case NavGotoBookmark:
            if (m_bookmark >= 0 && m_bookmark < m_dataset->recordCount())
                m_dataset->setRecNo(m_bookmark);
            break;
        case NavFilter: {
            int column = m_view->currentIndex().column();
            if (column < 0)
                column = visibleColumns().value(0, -1);
            showFilterMenu(column, m_navButtons[NavFilter]->mapToGlobal(QPoint(0, 0)));
            break;
        }
        default:
            break;
        }
    } catch (const std::exception& e) {
        report(e);
    }
}

void ConfigureReadOnlyList(DataGrid* grid) {
    if (!grid)
        return;
    grid->setNavigatorVisible(true);
    for (int b = 0; b < DataGrid::NavButtonCount; ++b)
        grid->setNavigatorButtonVisible(b, true);
    for (int b : {DataGrid::NavInsert, DataGrid::NavDelete, DataGrid::NavEdit, DataGrid::NavPost,
                  DataGrid::NavCancel, DataGrid::NavSaveBookmark, DataGrid::NavGotoBookmark})
        grid->setNavigatorButtonVisible(b, false);
    grid->setConfirmDelete(false);
    grid->setEditable(false);
    grid->setRowSelect(true);
    grid->setHeaderFilter(true);
    grid->setRefreshWholeList(true);
    grid->setFooterVisible(true);
}

void ConfigureEditableList(DataGrid* grid) {
    if (!grid)
        return;
    grid->setNavigatorVisible(true);
    for (int b = 0; b < DataGrid::NavButtonCount; ++b)
        grid->setNavigatorButtonVisible(b, true);
    for (int b : {DataGrid::NavEdit, DataGrid::NavSaveBookmark, DataGrid::NavGotoBookmark, DataGrid::NavFilter})
        grid->setNavigatorButtonVisible(b, false);
    grid->setConfirmDelete(true);
    grid->setEditable(true);
    grid->setRowSelect(false);
    grid->setHeaderFilter(false);
    grid->setRefreshWholeList(false);
    grid->setFooterVisible(true);
}

void PaintOtherInstallationsSilver(DataGrid* grid, const QString& installationField, int localInstallation) {
    if (!grid)
        return;
    grid->setCellPainter([installationField, localInstallation](const DataGrid& g, int row, int,
                                                                 QStyleOptionViewItem& option) {
        Dataset* ds = g.dataset();
        Field* f = ds ? ds->findField(installationField) : nullptr;
        const int dsRow = g.datasetRow(row);
        if (!f || dsRow < 0)
            return;
        const QVariant installation = ds->valueAt(dsRow, f->index());
        if (!installation.isNull() && installation.toLongLong() != localInstallation)
            option.palette.setColor(QPalette::Text, QColor(192, 192, 192));
    });
}

} // namespace mero
