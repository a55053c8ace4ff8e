#include "data/dataset_model.h"

#include "data/dataset.h"
#include "data/errors.h"

namespace mero {

DatasetModel::DatasetModel(Dataset* dataset, QObject* parent) : QAbstractTableModel(parent), m_dataset(dataset) {
    if (dataset) {
        m_rows = dataset->recordCount();
        m_columns = dataset->isActive() || dataset->hasExplicitFields() ? dataset->fieldCount() : 0;
        connect(dataset, &Dataset::dataReset, this, &DatasetModel::reset);
        connect(dataset, &Dataset::rowAboutToBeInserted, this, &DatasetModel::onRowAboutToBeInserted);
        connect(dataset, &Dataset::rowAboutToBeRemoved, this, &DatasetModel::onRowAboutToBeRemoved);
        connect(dataset, &Dataset::rowInserted, this, &DatasetModel::onRowInserted);
        connect(dataset, &Dataset::rowRemoved, this, &DatasetModel::onRowRemoved);
        connect(dataset, &Dataset::rowChanged, this, &DatasetModel::onRowChanged);
        connect(dataset, &Dataset::valueChanged, this, &DatasetModel::onValueChanged);
        connect(dataset, &QObject::destroyed, this, [this] {
            beginResetModel();
            m_rows = m_columns = 0;
            endResetModel();
        });
    }
}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!m_dataset || !index.isValid() || index.row() >= m_rows || index.column() >= m_columns)
        return QVariant();
    Field* f = m_dataset->field(index.column());
    if (!f)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_dataset->displayTextAt(index.row(), index.column());
    case Qt::EditRole:
    case ValueRole:
        return m_dataset->valueAt(index.row(), index.column());
    case Qt::TextAlignmentRole:
        if (f->type() == FieldType::Integer || f->type() == FieldType::Decimal)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    default:
        return QVariant();
    }
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!m_dataset || !index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    Field* f = m_dataset->field(index.column());
    try {
        if (m_dataset->recNo() != index.row())
            m_dataset->setRecNo(index.row());
        m_dataset->edit();
        if (value.typeId() == QMetaType::QString)
            f->setAsString(value.toString());
        else
            f->setValue(value);
        m_lastError.clear();
        return true;
    } catch (const MeroError& e) {
        m_lastError = e.message();
        return false;
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    if (!m_dataset || !index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    Field* f = m_dataset->field(index.column());
    if (f && f->kind() == FieldKind::Data && !f->isReadOnly() && !m_dataset->isReadOnly())
        fl |= Qt::ItemIsEditable;
    return fl;
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (!m_dataset || section < 0 || section >= m_columns)
            return QVariant();
        Field* f = m_dataset->field(section);
        return f ? f->displayLabel() : QVariant();
    }
    return section + 1;
}

void DatasetModel::reset() {
    beginResetModel();
    m_rows = m_dataset ? m_dataset->recordCount() : 0;
    m_columns = m_dataset && (m_dataset->isActive() || m_dataset->hasExplicitFields()) ? m_dataset->fieldCount() : 0;
    endResetModel();
}

void DatasetModel::onRowAboutToBeInserted(int row) {
    if (row < 0 || row > m_rows)
        return;
    beginInsertRows(QModelIndex(), row, row);
    m_inserting = true;
}

void DatasetModel::onRowInserted(int) {
    if (!m_inserting) {
        reset();
        return;
    }
    m_inserting = false;
    ++m_rows;
    endInsertRows();
}

void DatasetModel::onRowAboutToBeRemoved(int row) {
    if (row < 0 || row >= m_rows)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_removing = true;
}

void DatasetModel::onRowRemoved(int) {
    if (!m_removing) {
        reset();
        return;
    }
    m_removing = false;
    --m_rows;
    endRemoveRows();
}

void DatasetModel::onRowChanged(int row) {
    if (m_rows != (m_dataset ? m_dataset->recordCount() : 0)) {
        reset();
        return;
    }
    if (row < 0 || row >= m_rows || m_columns == 0)
        return;
    Q_EMIT dataChanged(index(row, 0), index(row, m_columns - 1));
}

void DatasetModel::onValueChanged() {
    if (!m_dataset)
        return;
    const int row = m_dataset->recNo();
    onRowChanged(row);
}

} // namespace mero
