#include "PartTableModel.h"

#include "Cutter.h"

PartTableModel::PartTableModel(Cutter &cutter, QObject *parent)
    : QAbstractTableModel(parent), m_cutter(cutter)
{
    connect(&cutter, &Cutter::partsChanged, this, &PartTableModel::follow);
    m_rows = int(cutter.state().parts.parts.size());
}

void PartTableModel::follow()
{
    const int rows = int(m_cutter.state().parts.parts.size());
    // Same rows: the cells change in place, so the view keeps its selection and its editor.
    if (rows == m_rows) {
        if (rows > 0)
            emit dataChanged(index(0, 0), index(rows - 1, ColumnCount - 1));
        return;
    }
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

int PartTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int PartTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PartTableModel::data(const QModelIndex &index, int role) const
{
    const auto &parts = m_cutter.state().parts.parts;
    if (!index.isValid() || index.row() >= int(parts.size()))
        return {};
    const engine::Part &part = parts[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && index.column() != Title)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    switch (index.column()) {
    case Number:
        return index.row() + 1;
    case Begin:
        return m_cutter.positionTextOf(part.begin);
    case End:
        return m_cutter.positionTextOf(part.end);
    case Length:
        return part.end > part.begin ? m_cutter.positionTextOf(part.end - part.begin) : QString();
    case Title:
        return part.title;
    default:
        return {};
    }
}

QVariant PartTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Number:
        return tr("#");
    case Begin:
        return tr("Begin");
    case End:
        return tr("End");
    case Length:
        return tr("Length");
    case Title:
        return tr("Title");
    default:
        return {};
    }
}

Qt::ItemFlags PartTableModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == Title && !m_cutter.isBusy())
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool PartTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != Title)
        return false;
    m_cutter.setPartTitle(index.row(), value.toString());
    return true;
}
