#pragma once

// The toolbar above a grid: insert, edit, delete, search and copy to the clipboard; and the search
// dialog "Najít" that finds rows by the text of one column.

#include <QDialog>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QPushButton;

namespace mero {

class DataGrid;
class Dataset;

class TGridSearch : public QDialog {
    Q_OBJECT
public:
    explicit TGridSearch(QWidget* parent = nullptr);

    void Bind(DataGrid* grid);
    void Open();
    DataGrid* grid() const { return m_grid; }
    int lastFound() const { return m_lastFound; }
    QStringList history() const;

    // Whether a cell text matches the search text under the dialog's options.
    static bool Matches(const QString& cellText, const QString& searchText, bool caseSensitive, bool exact);

    // Event handlers.
    void FieldsListChange();
    void SearchTextChange();
    void BtnSearchFirstClick();
    void BtnSearchNextClick();
    void BtnCloseClick();

    QComboBox* FieldsList;
    QComboBox* SearchText;
    QCheckBox* cbCaseSensitive;
    QCheckBox* cbPartialSearch;
    QPushButton* BtnSearchFirst;
    QPushButton* BtnSearchNext;
    QPushButton* BtnClose;

private:
    void search();

    DataGrid* m_grid = nullptr;
    QList<int> m_columns;
    int m_lastFound = -1;
};

class TFrameGridToolBar : public QWidget {
    Q_OBJECT
public:
    using DatasetAction = std::function<void(Dataset&)>;

    explicit TFrameGridToolBar(QWidget* parent = nullptr);

    // The grid the toolbar works on; a double-click on one of its cells runs the edit action.
    void Bind(DataGrid* grid);
    void setDataset(Dataset* dataset) { m_dataset = dataset; }
    void setEditAction(DatasetAction action) { m_editAction = std::move(action); }
    void setInsertHook(DatasetAction hook) { m_insertHook = std::move(hook); }
    void setDeleteQuestion(const QString& question) { m_deleteQuestion = question; }
    // The owner's own buttons go after the five.
    void addButton(QPushButton* button);

    DataGrid* grid() const { return m_grid; }
    TGridSearch* searchDialog() const { return m_search; }
    // The grid's rows as the clipboard gets them.
    static QString GridText(const DataGrid& grid);

    void BtnInsertClick();
    void BtnEditClick();
    void BtnDeleteClick();
    void BtnSearchClick();
    void BtnClipboardClick();

    QPushButton* BtnInsert;
    QPushButton* BtnEdit;
    QPushButton* BtnDelete;
    QPushButton* BtnSearch;
    QPushButton* BtnClipboard;

private:
    QPushButton* makeButton(const QString& name, const QString& text);

    QHBoxLayout* m_layout;
    DataGrid* m_grid = nullptr;
    Dataset* m_dataset = nullptr;
    DatasetAction m_editAction;
    DatasetAction m_insertHook;
    QString m_deleteQuestion;
    TGridSearch* m_search = nullptr;
};

} // namespace mero
