#include "ui/resultlistmodel.h"

#include "results/clientmarker.h"
#include "results/collator.h"
#include "results/resultfilter.h"
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
    : QAbstractTableModel(parent), m_collator(collator)
{}

ResultListModel::~ResultListModel() = default;

void ResultListModel::deriveKeys(Row &row, int changedColumn) const
{
    const ResultRow &r = row.result;
    row.matchKey = ResultFilter::MatchKey(TextToUtf8(r[NameColumn]), TextToUtf8(r[LinkColumn]));
    if (changedColumn != LinkColumn)
        row.nameKey = SortKey::Collated(m_collator.sortKey(r[NameColumn]));
    if (changedColumn != NameColumn) {
        row.linkKey.reset();
        row.mark = m_marker ? m_marker->markOf(r.link()) : RowMark{};
    }
}

void ResultListModel::setMarker(const ClientMarker *marker)
{
    m_marker = marker;
    remark();
}

void ResultListModel::remark()
{
    for (int row = 0; row < count(); ++row) {
        Row &r = m_rows[static_cast<std::size_t>(row)];
        const RowMark mark = m_marker ? m_marker->markOf(r.result.link()) : RowMark{};
        if (mark != r.mark) {
            r.mark = mark;
            noteChanged(row);
        }
    }
}

int ResultListModel::insertItem(int row, const Item &item)
{
    if (m_rows.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return -1;
    if (row < 0 || row > count())
        row = count();
    Row added;
    added.result.setCell(SerialColumn, ToRuntimeText(item.caption));
    added.image = item.image;
    added.state = item.state;
    added.indent = item.indent;
    added.userValue = item.userValue;
    deriveKeys(added);

    beginInsertRows({}, row, row);
    const bool appended = row == count();
    if (appended)
        m_judge.append(added.result);
    m_rows.insert(m_rows.begin() + row, std::move(added));
    if (appended)
        m_duplicates.append({}, std::nullopt);
    else
        m_duplicates.insert(static_cast<std::size_t>(row), {}, std::nullopt);
    if (!appended)
        m_judge.rebuild(m_rows.size(), rowSource());
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
    if (rows.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()) - m_rows.size())
        return -1;
    const int first = count();
    std::vector<Row> added(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        added[i].result = std::move(rows[i]);
        deriveKeys(added[i]);
        m_judge.append(added[i].result);
    }
    // Judged before views hear of the rows, so the filter reads their verdicts; what the page
    // changed for earlier rows is noted below.
    m_judge.settle([&](std::size_t r) -> const ResultRow & {
        return r < m_rows.size() ? m_rows[r].result : added[r - m_rows.size()].result;
    });
    beginInsertRows({}, first, first + static_cast<int>(added.size()) - 1);
    std::vector<std::size_t> regrouped;
    for (Row &row : added) {
        const ResultRow &r = row.result;
        for (std::size_t changed : m_duplicates.append(r.link().file(), r.sources()))
            if (changed < static_cast<std::size_t>(first))
                regrouped.push_back(changed);
        m_rows.push_back(std::move(row));
    }
    endInsertRows();
    // A group's first row shows its copies: it looks different now.
    for (std::size_t row : regrouped)
        noteChanged(static_cast<int>(row));
    noteJudged();
    return first;
}

void ResultListModel::setCellText(int row, int column, const Text &text)
{
    if (row < 0 || row >= count() || column < 0 || column >= ColumnCount)
        return;
    ResultRow &r = m_rows[static_cast<std::size_t>(row)].result;
    if (r[column] == text)
        return;
    r.setCell(column, text);
    cellChanged(row, column);
    noteChanged(row);
}

void ResultListModel::cellChanged(int row, int column)
{
    Row &r = m_rows[static_cast<std::size_t>(row)];
    if (column != SerialColumn)
        m_judge.update(static_cast<std::size_t>(row), r.result);
    switch (column) {
    case NameColumn:
        // Made now, a row at a time during the search, so a click on 名称 only compares.
        deriveKeys(r, NameColumn);
        return;
    case LinkColumn:
        deriveKeys(r, LinkColumn);
        [[fallthrough]];
    case SourcesColumn:
        // Rows whose merged look changed (the group's first row) are repainted and re-filtered.
        for (std::size_t changed : m_duplicates.update(static_cast<std::size_t>(row),
                                                       r.result.link().file(), r.result.sources()))
            if (changed != static_cast<std::size_t>(row))
                noteChanged(static_cast<int>(changed));
        return;
    default:
        return;
    }
}

SortKey ResultListModel::sortKey(int row, int column) const
{
    const Row &r = m_rows[static_cast<std::size_t>(row)];
    switch (column) {
    case NameColumn:
        return r.nameKey;
    case LinkColumn:
        if (!r.linkKey)
            r.linkKey = SortKey::Collated(m_collator.sortKey(r.result[LinkColumn]));
        return *r.linkKey;
    default:
        return MakeSortKey(r.result, column, m_collator);
    }
}

const ResultJudge &ResultListModel::judge() const
{
    m_judge.settle(rowSource());
    return m_judge;
}

ResultJudge::RowSource ResultListModel::rowSource() const
{
    return [this](std::size_t r) -> const ResultRow & { return m_rows[r].result; };
}

void ResultListModel::noteJudged()
{
    // A merged row shows its copies' warnings together: its first row changes with them.
    for (std::size_t row : m_judge.takeChanged()) {
        noteChanged(static_cast<int>(row));
        noteChanged(static_cast<int>(m_duplicates.first(row)));
    }
}

void ResultListModel::noteChanged(int row)
{
    if (m_changed.empty())
        QMetaObject::invokeMethod(this, &ResultListModel::flushChanges, Qt::QueuedConnection);
    m_changed.push_back(row);
}

void ResultListModel::flushChanges()
{
    judge();
    noteJudged();
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
    return ToQString(m_rows[static_cast<std::size_t>(row)].result[column]);
}

std::optional<ResultListModel::Item> ResultListModel::item(int row) const
{
    if (row < 0 || row >= count())
        return std::nullopt;
    const Row &r = m_rows[static_cast<std::size_t>(row)];
    return Item{ToQString(r.result[SerialColumn]), r.image, r.state, r.indent, r.userValue};
}

void ResultListModel::deleteAllItems()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_changed.clear();
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_duplicates.clear();
    m_judge.clear();
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
