#pragma once

// A grid over a dataset: columns bound to fields with their own captions, banded headers, hidden
// columns, sorting and filtering by the displayed text in Czech collation, the footer with the number
// of rows shown, the record navigator, the current row highlighted also without the focus, and a hook
// that adjusts how each cell is drawn.

#include <QStyleOptionViewItem>
#include <QWidget>

#include <functional>

class QLabel;
class QModelIndex;
class QTableView;
class QToolButton;

namespace mero {

class Dataset;
class DatasetModel;
class GridProxyModel;
class GridHeader;
class BandHeader;

class DataGrid : public QWidget {
    Q_OBJECT
public:
    // Navigator buttons by position.
    enum NavigatorButton {
        NavFirst, NavPriorPage, NavPrior, NavNext, NavNextPage, NavLast, NavInsert, NavDelete, NavEdit,
        NavPost, NavCancel, NavRefresh, NavSaveBookmark, NavGotoBookmark, NavFilter, NavButtonCount
    };

    explicit DataGrid(QWidget* parent = nullptr);
    ~DataGrid() override;

    void setDataset(Dataset* dataset);
    Dataset* dataset() const { return m_dataset; }

    // Columns, in display order. The caption names the column (search, clipboard); the header text is
    // what the header paints (the caption when empty).
    int addColumn(const QString& fieldName, const QString& caption, int width = 0, const QString& headerText = QString());
    int columnCount() const;
    QString columnField(int column) const;
    QString columnCaption(int column) const;
    QString columnHeaderText(int column) const;
    void setColumnVisible(int column, bool visible);
    bool isColumnVisible(int column) const;
    // Visible columns in display order.
    QList<int> visibleColumns() const;

    // Bands: a caption over a run of columns.
    int addBand(const QString& caption);
    void setColumnBand(int column, int band);
    QString bandCaption(int band) const;
    int columnBand(int column) const;

    // Rows as the grid shows them (after filter and sort).
    int rowCount() const;
    QString displayText(int row, int column) const;
    int focusedRow() const;
    void setFocusedRow(int row);
    // The dataset row (recNo) of a displayed row.
    int datasetRow(int row) const;

    // Sorting by the displayed text of a column; -1 restores the dataset's order.
    void sortByColumn(int column, Qt::SortOrder order = Qt::AscendingOrder);
    // Filter of one column: rows whose displayed text equals one of the values. Empty list: no filter.
    void setColumnFilter(int column, const QStringList& values);
    QStringList columnFilter(int column) const;
    void clearFilters();
    bool isFiltered() const;
    // The distinct displayed texts of a column over the dataset's rows, in Czech collation.
    QStringList columnValues(int column) const;

    // Configuration (see ConfigureReadOnlyList and ConfigureEditableList).
    void setNavigatorVisible(bool visible);
    void setNavigatorButtonVisible(int button, bool visible);
    bool isNavigatorButtonVisible(int button) const;
    QToolButton* navigatorButton(int button) const;
    void setConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    bool confirmDelete() const { return m_confirmDelete; }
    void setEditable(bool editable);
    bool isEditable() const { return m_editable; }
    void setRowSelect(bool rows);
    void setHeaderFilter(bool allowed);
    bool headerFilter() const { return m_headerFilter; }
    void setRefreshWholeList(bool whole) { m_refreshWholeList = whole; }
    bool refreshWholeList() const { return m_refreshWholeList; }
    void setFooterVisible(bool visible);
    QString footerText() const;

    // Adjusts a cell's drawing: receives the displayed row and column and the style option to change.
    using CellPainter = std::function<void(const DataGrid& grid, int row, int column, QStyleOptionViewItem& option)>;
    void setCellPainter(CellPainter painter);
    const CellPainter& cellPainter() const { return m_cellPainter; }

    QTableView* view() const { return m_view; }
    GridProxyModel* proxy() const { return m_proxy; }

    // The navigator's actions.
    void navigate(int button);

Q_SIGNALS:
    void cellDoubleClicked(int row, int column);

private:
    void syncFromDataset();
    void syncToDataset();
    void updateFooter();
    void arrangeNavigator();
    static int navigatorGroup(int button);
    static constexpr int kNavigatorGroups = 5;
    static constexpr int kNavigatorGroupGap = 6;
    void showFilterMenu(int column, const QPoint& globalPos);

    Dataset* m_dataset = nullptr;
    DatasetModel* m_model = nullptr;
    GridProxyModel* m_proxy = nullptr;
    QTableView* m_view = nullptr;
    GridHeader* m_header = nullptr;
    BandHeader* m_bands = nullptr;
    QWidget* m_navigator = nullptr;
    QToolButton* m_navButtons[NavButtonCount] = {};
    QWidget* m_navGaps[kNavigatorGroups] = {};
    QLabel* m_footer = nullptr;

    struct Column {
        QString field;
        QString caption;
        QString headerText;
        int width = 0;
        bool visible = true;
        int band = -1;
    };
    QList<Column> m_columns;
    QStringList m_bandCaptions;
    CellPainter m_cellPainter;
    bool m_confirmDelete = false;
    bool m_editable = false;
    bool m_headerFilter = false;
    bool m_refreshWholeList = true;
    bool m_syncing = false;
    int m_bookmark = -1;

    friend class GridHeader;
    friend class BandHeader;
};

// The two list configurations, applied when a grid's window is created; both do nothing without a grid.
void ConfigureReadOnlyList(DataGrid* grid);
void ConfigureEditableList(DataGrid* grid);

// Paints the rows of another installation in silver: the rows whose installation column differs from
// the local installation (GridViewZOOS, GridViewSUBJ).
void PaintOtherInstallationsSilver(DataGrid* grid, const QString& installationField, int localInstallation);

} // namespace mero
