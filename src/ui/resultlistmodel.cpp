#include "ui/resultlistmodel.h"

#include <algorithm>
#include <limits>

namespace jiujiu {

const std::array<ResultListModel::Column, ResultListModel::ColumnCount> &ResultListModel::Columns()
{
    static const std::array<Column, ColumnCount> columns = {{
        {QStringLiteral("序号"), 40, Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("名称"), 400, Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("大小"), 60, Qt::AlignLeft | Qt::AlignVCenter},
        {QStringLiteral("资源数"), 50, Qt::AlignHCenter | Qt::AlignVCenter},
        {QStringLiteral("下载链接[双击]"), 200, Qt::AlignLeft | Qt::AlignVCenter},
    }};
    return columns;
}

ResultListModel::ResultListModel(QObject *parent) : QAbstractTableModel(parent) {}

ResultListModel::~ResultListModel() = default;

int ResultListModel::insertItem(int row, const Item &item)
{
    if (m_rows.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return -1;
    if (row < 0 || row > count())
        row = count();
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, Row{item, {}});
    if (m_changedFirst >= 0 && row <= m_changedLast)
        ++m_changedLast; // the changed rows moved down
    endInsertRows();
    return row;
}

void ResultListModel::setCellText(int row, int column, const QString &text)
{
    if (row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return;
    Row &r = m_rows[static_cast<std::size_t>(row)];
    QString &cell = column == 0 ? r.item.caption : r.subItems[static_cast<std::size_t>(column - 1)];
    if (cell == text)
        return;
    cell = text;
    noteChanged(row);
}

void ResultListModel::noteChanged(int row)
{
    if (m_changedFirst < 0) {
        m_changedFirst = m_changedLast = row;
        QMetaObject::invokeMethod(this, &ResultListModel::flushChanges, Qt::QueuedConnection);
        return;
    }
    m_changedFirst = std::min(m_changedFirst, row);
    m_changedLast = std::max(m_changedLast, row);
}

void ResultListModel::flushChanges()
{
    const int first = m_changedFirst;
    const int last = std::min(m_changedLast, count() - 1);
    m_changedFirst = m_changedLast = -1;
    if (first < 0 || first > last)
        return;
    emit dataChanged(index(first, 0), index(last, ColumnCount - 1), {Qt::DisplayRole});
}

QString ResultListModel::cellText(int row, int column) const
{
    if (row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return {};
    const Row &r = m_rows[static_cast<std::size_t>(row)];
    return column == 0 ? r.item.caption : r.subItems[static_cast<std::size_t>(column - 1)];
}

const ResultListModel::Item *ResultListModel::item(int row) const
{
    if (row < 0 || row >= count())
        return nullptr;
    return &m_rows[static_cast<std::size_t>(row)].item;
}

void ResultListModel::deleteAllItems()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_changedFirst = m_changedLast = -1;
    m_rows.clear();
    m_rows.shrink_to_fit();
    endResetModel();
}

int ResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int ResultListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: // info tips: the whole cell text, however narrow the column
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return Columns()[static_cast<std::size_t>(index.column())].alignment.toInt();
    default:
        return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    const Column &column = Columns()[static_cast<std::size_t>(section)];
    switch (role) {
    case Qt::DisplayRole:
        return column.title;
    case Qt::TextAlignmentRole:
        return column.alignment.toInt();
    default:
        return {};
    }
}

Qt::ItemFlags ResultListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

} // namespace jiujiu
