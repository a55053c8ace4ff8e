#pragma once

#include <QAbstractTableModel>
#include <QPointer>

namespace mero {

class Dataset;

// A dataset as a table model for grids: one row per visible row, one column per field. Display text is
// the field's display text; edits go through Field::setValue on the dataset's row (the dataset moves
// to that row and goes into edit state; a value the field refuses is not taken and the edit reports
// false). The model follows the dataset's signals row by row.
class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Role of the field's value as stored (QVariant of the field's type).
    static constexpr int ValueRole = Qt::UserRole + 1;

    explicit DatasetModel(Dataset* dataset, QObject* parent = nullptr);
    Dataset* dataset() const { return m_dataset; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The message of the last refused edit ("" after a successful one).
    const QString& lastError() const { return m_lastError; }

private:
    void reset();
    void onRowAboutToBeInserted(int row);
    void onRowAboutToBeRemoved(int row);
    void onRowInserted(int row);
    void onRowRemoved(int row);
    void onRowChanged(int row);
    void onValueChanged();

    QPointer<Dataset> m_dataset;
    int m_rows = 0;
    int m_columns = 0;
    bool m_inserting = false;
    bool m_removing = false;
    QString m_lastError;
};

} // namespace mero
