#include "rowtable.h"

namespace pages {

RowTable::RowTable(std::function<int()> rowCount, QList<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), m_rowCount(std::move(rowCount)), m_columns(std::move(columns))
{
}

void RowTable::reset()
{
    beginResetModel();
    endResetModel();
}

int RowTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rowCount();
}

int RowTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RowTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= m_columns.size())
        return {};
    return m_columns[section].header;
}

QVariant RowTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Column &column = m_columns.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        return column.shown(index.row());
    case Qt::EditRole:
        return column.edited ? QVariant(column.edited(index.row())) : column.shown(index.row());
    case Qt::TextAlignmentRole:
        return column.rightAligned ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case Qt::ToolTipRole:
        return column.toolTip ? column.toolTip(index.row()) : QVariant();
    default:
        return {};
    }
}

Qt::ItemFlags RowTable::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_columns.at(index.column()).commit)
        f |= Qt::ItemIsEditable;
    return f;
}

bool RowTable::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    if (!m_columns.at(index.column()).commit(index.row(), value.toString()))
        return false;
    emit dataChanged(index, index);
    return true;
}

} // namespace pages
