#include "ui/resultlistmodel.h"

#include "results/collator.h"
#include "runtime/codepage.h"
#include "ui/qttext.h"
#include "ui/resultmarks.h"
#include "ui/rowstatusstyle.h"

#include <QBrush>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <limits>

namespace jiujiu {

const std::array<ResultListModel::Column, ResultListModel::ColumnCount> &ResultListModel::Columns()
{
    static const std::array<Column, ColumnCount> columns = {{
        {QCoreApplication::translate("jiujiu", "序号"), 40, Qt::AlignLeft | Qt::AlignVCenter},
        {QCoreApplication::translate("jiujiu", "名称"), 400, Qt::AlignLeft | Qt::AlignVCenter},
        {QCoreApplication::translate("jiujiu", "大小"), 60, Qt::AlignLeft | Qt::AlignVCenter},
        {QCoreApplication::translate("jiujiu", "资源数"), 50, Qt::AlignHCenter | Qt::AlignVCenter},
        {QCoreApplication::translate("jiujiu", "下载链接[双击]"), 200,
         Qt::AlignLeft | Qt::AlignVCenter},
    }};
    return columns;
}

ResultListModel::ResultListModel(QObject *parent)
    : ResultListModel(Collator::ForEnvironment(), parent)
{}

ResultListModel::ResultListModel(const Collator &collator, QObject *parent)
    : QAbstractTableModel(parent), m_list(collator)
{}

ResultListModel::~ResultListModel() = default;

void ResultListModel::setMarker(const ClientMarker *marker)
{
    m_list.setMarker(marker);
    remark();
}

void ResultListModel::remark()
{
    noteChanged(m_list.remark());
}

int ResultListModel::insertItem(int row, const Item &item)
{
    if (m_list.count() >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return -1;
    if (row < 0 || row > count())
        row = count();
    ResultRow added;
    added.setCell(SerialColumn, ToRuntimeText(item.caption));
    beginInsertRows({}, row, row);
    m_list.insert(static_cast<std::size_t>(row), std::move(added));
    m_items.insert(m_items.begin() + row,
                   ItemValues{item.image, item.state, item.indent, item.userValue});
    // Rows noted as changed below the new one moved down.
    for (int &changed : m_changed)
        if (changed >= row)
            ++changed;
    endInsertRows();
    return row;
}

int ResultListModel::appendRows(std::vector<ResultRow> rows)
{
    if (rows.empty())
        return count();
    if (rows.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) - m_list.count())
        return -1;
    const int first = count();
    const int added = static_cast<int>(rows.size());
    beginInsertRows({}, first, first + added - 1);
    const std::vector<std::size_t> regrouped = m_list.append(std::move(rows));
    m_items.resize(m_items.size() + static_cast<std::size_t>(added));
    endInsertRows();
    noteChanged(regrouped);
    noteChanged(m_list.takeJudged());
    return first;
}

void ResultListModel::setCellText(int row, int column, const Text &text)
{
    if (row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return;
    if (this->row(row)[column] == text)
        return;
    // Rows whose merged look changed (the group's first row) are repainted and re-filtered.
    noteChanged(m_list.setCell(static_cast<std::size_t>(row), column, text));
    noteChanged(row);
}

void ResultListModel::noteChanged(const std::vector<std::size_t> &rows)
{
    for (std::size_t row : rows)
        noteChanged(static_cast<int>(row));
}

void ResultListModel::noteChanged(int row)
{
    if (m_changed.empty())
        QMetaObject::invokeMethod(this, &ResultListModel::flushChanges, Qt::QueuedConnection);
    m_changed.push_back(row);
}

void ResultListModel::flushChanges()
{
    // The verdicts that the cells written since changed, noted like changed cells.
    for (std::size_t row : m_list.takeJudged())
        m_changed.push_back(static_cast<int>(row));
    std::vector<int> rows = std::move(m_changed);
    m_changed.clear();
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::erase_if(rows, [this](int row) { return row < 0 || row >= count(); });
    if (rows.empty())
        return;
    emit rowsChanged(rows);
    emit dataChanged(index(rows.front(), 0), index(rows.back(), ViewColumnCount - 1),
                     {Qt::DisplayRole});
}

QString ResultListModel::cellText(int row, int column) const
{
    if (row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return {};
    return ToQString(this->row(row)[column]);
}

std::optional<ResultListModel::Item> ResultListModel::item(int row) const
{
    if (row < 0 || row >= count())
        return std::nullopt;
    const ItemValues &r = m_items[static_cast<std::size_t>(row)];
    return Item{cellText(row, SerialColumn), r.image, r.state, r.indent, r.userValue};
}

void ResultListModel::deleteAllItems()
{
    if (m_list.count() == 0)
        return;
    beginResetModel();
    m_changed.clear();
    m_list.clear();
    m_items.clear();
    m_items.shrink_to_fit();
    endResetModel();
}

int ResultListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int ResultListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ViewColumnCount;
}

QVariant ResultListModel::withStatus(int row, int column, int role, QVariant judged) const
{
    // The status from the ed2k client: the row's colour (a broken link's grey wins), and a line
    // in the name's tool tip.
    if (role == Qt::AccessibleTextRole && column == NameColumn && judged.isValid())
        return judged.toString() + QCoreApplication::translate("jiujiu", "，状态：") +
               UiWord(RowStatusWord(mark(row).status));
    if (role == StatusTagRole)
        return column == NameColumn ? RowStatusTag(mark(row)) : QString();
    if (column == StatusColumn && role == Qt::DisplayRole)
        return RowStatusTag(mark(row));
    if (column == StatusColumn && role == Qt::ToolTipRole)
        return RowStatusToolTip(mark(row));
    if (const RowMark &rowMark = mark(row); rowMark.status != RowStatus::New) {
        if (role == Qt::ForegroundRole && !judged.isValid())
            return QBrush(
                RowStatusColour(rowMark.status, QGuiApplication::palette().color(QPalette::Base)));
        if (role == Qt::ToolTipRole && column == NameColumn)
            return (judged.isValid() ? judged.toString() : cellText(row, NameColumn)) +
                   QLatin1Char('\n') + RowStatusToolTip(rowMark);
    }
    return judged;
}

QVariant ResultListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const QVariant shown =
        withStatus(index.row(), index.column(), role,
                   ResultMarkData(*this, index.row(), index.column(), role, false));
    if (shown.isValid() || index.column() >= ColumnCount)
        return shown;
    switch (role) {
    case Qt::DisplayRole:
        return cellText(index.row(), index.column());
    case Qt::ToolTipRole: // info tips: the whole cell text, however narrow the column
        if (index.column() == NameColumn || index.column() == LinkColumn)
            return Isolated(cellText(index.row(), index.column()));
        return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole:
        return Columns()[static_cast<std::size_t>(index.column())].alignment.toInt();
    default:
        return {};
    }
}

QVariant ResultListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section >= ColumnCount && section < ViewColumnCount &&
        (role == Qt::DisplayRole || role == Qt::TextAlignmentRole))
        return role == Qt::DisplayRole
                   ? QVariant(section == TypeColumn ? QCoreApplication::translate("jiujiu", "类型")
                              : section == HintColumn
                                  ? QCoreApplication::translate("jiujiu", "提示")
                                  : QCoreApplication::translate("jiujiu", "状态"))
                   : QVariant(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter).toInt());
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
