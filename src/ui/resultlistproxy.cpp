#include "ui/resultlistproxy.h"

#include "ui/qttext.h"
#include "ui/resultlistmodel.h"
#include "ui/resultmarks.h"

#include <QTimer>
#include <algorithm>
#include <numeric>

namespace jiujiu {
namespace {

// Merges sorted rows into a sorted list with a binary search for each (each after the equal
// ones already there): a page of rows costs its few comparisons and one pass of moves, not a
// comparison for every row of a long list.
template <class Before>
void InsertSorted(std::vector<int> &sorted, const std::vector<int> &added, Before before)
{
    std::vector<std::size_t> at(added.size());
    auto from = sorted.begin();
    for (std::size_t i = 0; i < added.size(); ++i) {
        from = std::upper_bound(from, sorted.end(), added[i], before);
        at[i] = static_cast<std::size_t>(from - sorted.begin());
    }
    std::size_t old = sorted.size();
    sorted.resize(old + added.size());
    // From the back: each old row moves up by the number of new rows placed before it.
    for (std::size_t i = added.size(); i-- > 0;) {
        const std::size_t shift = i + 1;
        std::move_backward(sorted.begin() + static_cast<std::ptrdiff_t>(at[i]),
                           sorted.begin() + static_cast<std::ptrdiff_t>(old),
                           sorted.begin() + static_cast<std::ptrdiff_t>(old + shift));
        sorted[at[i] + i] = added[i];
        old = at[i];
    }
}

} // namespace

ResultListProxy::ResultListProxy(ResultListModel *source, QObject *parent)
    : QAbstractProxyModel(parent), m_source(source), m_sliceTimer(new QTimer(this))
{
    m_sliceTimer->setSingleShot(true);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, &ResultListProxy::filterSlice);
    QAbstractProxyModel::setSourceModel(source);
    connect(source, &QAbstractItemModel::rowsInserted, this, &ResultListProxy::onRowsInserted);
    connect(source, &ResultListModel::rowsChanged, this, &ResultListProxy::onRowsChanged);
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(source, &QAbstractItemModel::modelReset, this, &ResultListProxy::onReset);
    // The model never removes or moves single rows; should it, everything is worked out again.
    const auto beginReset = [this] { beginResetModel(); };
    const auto endReset = [this] { onReset(); };
    connect(source, &QAbstractItemModel::rowsAboutToBeRemoved, this, beginReset);
    connect(source, &QAbstractItemModel::rowsRemoved, this, endReset);
    connect(source, &QAbstractItemModel::rowsAboutToBeMoved, this, beginReset);
    connect(source, &QAbstractItemModel::rowsMoved, this, endReset);
    connect(source, &QAbstractItemModel::layoutAboutToBeChanged, this, beginReset);
    connect(source, &QAbstractItemModel::layoutChanged, this, endReset);

    beginResetModel();
    onReset();
}

ResultListProxy::~ResultListProxy() = default;

void ResultListProxy::onReset()
{
    cancelFilter();
    m_arriving.clear();
    const int count = m_source->count();
    m_accepted.resize(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        m_accepted[static_cast<std::size_t>(row)] = accepts(row);
    resortAll();
    m_shown.clear();
    for (int row : m_order)
        if (m_accepted[static_cast<std::size_t>(row)])
            m_shown.push_back(row);
    m_positionsValid = false;
    endResetModel();
}

bool ResultListProxy::accepts(int sourceRow) const
{
    return m_source->list().accepts(static_cast<std::size_t>(sourceRow), m_filter, m_merge);
}

SortKey ResultListProxy::keyFor(int sourceRow) const
{
    return m_source->list().sortKey(static_cast<std::size_t>(sourceRow), m_sortColumn, m_merge);
}

bool ResultListProxy::before(int a, int b) const
{
    if (m_sortColumn < 0)
        return a < b;
    return SortsBefore(m_keys[static_cast<std::size_t>(a)], static_cast<std::size_t>(a),
                       m_keys[static_cast<std::size_t>(b)], static_cast<std::size_t>(b),
                       m_sortOrder == Qt::DescendingOrder);
}

void ResultListProxy::resortAll()
{
    const int count = m_source->count();
    m_order.resize(static_cast<std::size_t>(count));
    std::iota(m_order.begin(), m_order.end(), 0);
    m_arriving.clear(); // in the order now, and shown by the reshow() that follows
    m_keys.clear();
    if (m_sortColumn < 0)
        return;
    m_keys.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row)
        m_keys.push_back(keyFor(row));
    std::sort(m_order.begin(), m_order.end(), [this](int a, int b) { return before(a, b); });
}

void ResultListProxy::reorder(const std::vector<int> &rows)
{
    if (rows.empty())
        return;
    std::vector<int> moved = rows;
    const auto cmp = [this](int a, int b) { return before(a, b); };
    std::sort(moved.begin(), moved.end(), cmp);
    std::vector<int> kept;
    kept.reserve(m_order.size());
    for (int row : m_order)
        if (!std::binary_search(rows.begin(), rows.end(), row))
            kept.push_back(row);
    m_order.clear();
    std::merge(kept.begin(), kept.end(), moved.begin(), moved.end(), std::back_inserter(m_order),
               cmp);
}

void ResultListProxy::reshow()
{
    takeArriving();
    std::vector<int> shown;
    shown.reserve(m_shown.size());
    for (int row : m_order)
        if (m_accepted[static_cast<std::size_t>(row)])
            shown.push_back(row);
    if (shown != m_shown)
        relayout(std::move(shown));
}

void ResultListProxy::relayout(std::vector<int> shown)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(from.size()));
    for (const QModelIndex &index : from)
        rows.push_back(index.row() >= 0 && static_cast<std::size_t>(index.row()) < m_shown.size()
                           ? m_shown[static_cast<std::size_t>(index.row())]
                           : -1);
    m_shown = std::move(shown);
    m_positionsValid = false;
    ensurePositions();
    QModelIndexList to;
    to.reserve(from.size());
    for (qsizetype i = 0; i < from.size(); ++i) {
        const int row = rows[static_cast<std::size_t>(i)];
        const int at = row >= 0 ? m_position[static_cast<std::size_t>(row)] : -1;
        to.append(at >= 0 ? createIndex(at, from[i].column()) : QModelIndex());
    }
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultListProxy::ensurePositions() const
{
    if (m_positionsValid && m_position.size() == m_accepted.size())
        return;
    m_position.assign(m_accepted.size(), -1);
    for (std::size_t at = 0; at < m_shown.size(); ++at)
        m_position[static_cast<std::size_t>(m_shown[at])] = static_cast<int>(at);
    m_positionsValid = true;
}

std::vector<int> ResultListProxy::takeArriving()
{
    std::vector<int> arriving = std::move(m_arriving);
    m_arriving.clear();
    if (arriving.empty())
        return arriving;
    const auto cmp = [this](int a, int b) { return before(a, b); };
    std::sort(arriving.begin(), arriving.end(), cmp);
    InsertSorted(m_order, arriving, cmp);
    std::erase_if(arriving, [this](int row) { return !m_accepted[static_cast<std::size_t>(row)]; });
    return arriving;
}

void ResultListProxy::showArriving()
{
    m_arrivingQueued = false;
    const std::vector<int> shownAdded = takeArriving();
    if (shownAdded.empty())
        return;
    if (!m_shown.empty() && !before(m_shown.back(), shownAdded.front())) {
        // Among the rows shown: one change of layout for every page listed since last time.
        std::vector<int> shown;
        shown.reserve(m_shown.size() + shownAdded.size());
        std::merge(m_shown.begin(), m_shown.end(), shownAdded.begin(), shownAdded.end(),
                   std::back_inserter(shown), [this](int a, int b) { return before(a, b); });
        relayout(std::move(shown));
        return;
    }
    const int at = static_cast<int>(m_shown.size());
    beginInsertRows({}, at, at + static_cast<int>(shownAdded.size()) - 1);
    m_shown.insert(m_shown.end(), shownAdded.begin(), shownAdded.end());
    if (m_positionsValid)
        for (std::size_t i = 0; i < shownAdded.size(); ++i)
            m_position[static_cast<std::size_t>(shownAdded[i])] = at + static_cast<int>(i);
    endInsertRows();
}

void ResultListProxy::setFilter(const ResultFilter &filter)
{
    if (filter == m_filter)
        return;
    // A narrowing filter reads the rows shown: those listed meanwhile among them.
    showArriving();
    // Typing on: only rows now shown can drop out. Not while another filter is half done:
    // the rows shown then are not yet what that one accepts.
    const bool narrower = !m_filtering && filter.narrows(m_filter);
    cancelFilter();
    m_filter = filter;
    if (narrower) {
        // In list order: rows are held a page a block, read best one after the other.
        m_pending = m_shown;
        std::sort(m_pending.begin(), m_pending.end());
    } else {
        m_pending.resize(m_accepted.size());
        std::iota(m_pending.begin(), m_pending.end(), 0);
    }
    m_pendingNext = 0;
    m_filtering = true;
    filterSlice();
}

void ResultListProxy::filterSlice()
{
    if (!m_filtering)
        return;
    const std::size_t end =
        std::min(m_pending.size(), m_pendingNext + static_cast<std::size_t>(m_sliceRows));
    for (; m_pendingNext < end; ++m_pendingNext) {
        const int row = m_pending[m_pendingNext];
        // Rows listed meanwhile were judged as they came, by this filter already.
        if (static_cast<std::size_t>(row) < m_accepted.size())
            m_accepted[static_cast<std::size_t>(row)] = accepts(row);
    }
    if (m_pendingNext < m_pending.size()) {
        m_sliceTimer->start();
        return;
    }
    m_filtering = false;
    m_pending.clear();
    m_pending.shrink_to_fit();
    reshow();
    emit filterApplied();
}

void ResultListProxy::cancelFilter()
{
    m_sliceTimer->stop();
    m_filtering = false;
    m_pending.clear();
    m_pendingNext = 0;
}

void ResultListProxy::setMergeDuplicates(bool merge)
{
    if (merge == m_merge)
        return;
    showArriving();
    // Every row is judged again below, for the filter too.
    const bool wasFiltering = m_filtering;
    cancelFilter();
    m_merge = merge;
    for (std::size_t row = 0; row < m_accepted.size(); ++row)
        m_accepted[row] = accepts(static_cast<int>(row));
    if (m_sortColumn == SourcesColumn || m_sortColumn >= ResultListModel::ColumnCount)
        resortAll(); // shown sources and warnings change with merging
    reshow();
    // Names lose or gain their mark, sources their group's count.
    if (!m_shown.empty())
        emit dataChanged(index(0, NameColumn), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DisplayRole});
    if (wasFiltering)
        emit filterApplied();
}

void ResultListProxy::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ResultListModel::ViewColumnCount)
        column = -1;
    if (column == m_sortColumn && order == m_sortOrder)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    resortAll();
    reshow();
}

void ResultListProxy::onRowsInserted(const QModelIndex &parent, int first, int last)
{
    if (parent.isValid())
        return;
    if (static_cast<std::size_t>(first) < m_accepted.size()) {
        // Inserted among the rows: later model rows move down by the number added.
        showArriving();
        const int added = last - first + 1;
        for (int &row : m_shown)
            if (row >= first)
                row += added; // same shown rows, new model numbers
        const bool wasFiltering = m_filtering;
        cancelFilter();
        m_accepted.insert(m_accepted.begin() + first, static_cast<std::size_t>(added), 0);
        // Merging may have picked another first row for a group: judge every row again.
        for (std::size_t row = 0; row < m_accepted.size(); ++row)
            m_accepted[row] = accepts(static_cast<int>(row));
        resortAll();
        m_positionsValid = false;
        reshow();
        if (wasFiltering)
            emit filterApplied();
        return;
    }

    // Appended, a page at a time during a search.
    for (int row = first; row <= last; ++row) {
        if (m_sortColumn >= 0)
            m_keys.push_back(keyFor(row));
        m_accepted.push_back(accepts(row));
        m_arriving.push_back(row);
    }
    if (m_positionsValid)
        m_position.resize(m_accepted.size(), -1);
    if (m_sortColumn < 0) {
        showArriving(); // after every row shown: at once
        return;
    }
    // Sorted: shown at the next turn, with the pages listed meanwhile.
    if (!m_arrivingQueued) {
        m_arrivingQueued = true;
        QMetaObject::invokeMethod(this, &ResultListProxy::showArriving, Qt::QueuedConnection);
    }
}

void ResultListProxy::onRowsChanged(const std::vector<int> &rows)
{
    // Their places and verdicts are compared with the rows shown.
    showArriving();
    bool verdictChanged = false;
    std::vector<int> moved;
    for (int row : rows) {
        if (row < 0 || static_cast<std::size_t>(row) >= m_accepted.size())
            continue;
        const bool accepted = accepts(row);
        if (accepted != static_cast<bool>(m_accepted[static_cast<std::size_t>(row)])) {
            m_accepted[static_cast<std::size_t>(row)] = accepted;
            verdictChanged = true;
        }
        if (m_sortColumn >= 0) {
            SortKey key = keyFor(row);
            if (!(key == m_keys[static_cast<std::size_t>(row)])) {
                m_keys[static_cast<std::size_t>(row)] = std::move(key);
                moved.push_back(row);
            }
        }
    }
    reorder(moved);
    if (verdictChanged || !moved.empty())
        reshow();

    ensurePositions();
    int low = -1;
    int high = -1;
    for (int row : rows) {
        if (row < 0 || static_cast<std::size_t>(row) >= m_position.size())
            continue;
        const int at = m_position[static_cast<std::size_t>(row)];
        if (at < 0)
            continue;
        low = low < 0 ? at : std::min(low, at);
        high = std::max(high, at);
    }
    if (low >= 0)
        emit dataChanged(index(low, 0), index(high, columnCount() - 1), {Qt::DisplayRole});
}

int ResultListProxy::unfilteredCount() const
{
    return m_merge ? static_cast<int>(m_source->duplicates().groupCount()) : m_source->count();
}

int ResultListProxy::sourceRow(int shownRow) const
{
    if (shownRow < 0 || static_cast<std::size_t>(shownRow) >= m_shown.size())
        return -1;
    return m_shown[static_cast<std::size_t>(shownRow)];
}

int ResultListProxy::shownRow(int sourceRow) const
{
    if (sourceRow < 0 || static_cast<std::size_t>(sourceRow) >= m_accepted.size())
        return -1;
    ensurePositions();
    return m_position[static_cast<std::size_t>(sourceRow)];
}

QModelIndex ResultListProxy::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex ResultListProxy::parent(const QModelIndex &) const
{
    return {};
}

int ResultListProxy::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int ResultListProxy::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ResultListModel::ViewColumnCount;
}

bool ResultListProxy::hasChildren(const QModelIndex &parent) const
{
    return !parent.isValid() && !m_shown.empty();
}

QModelIndex ResultListProxy::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || proxyIndex.model() != this)
        return {};
    const int row = sourceRow(proxyIndex.row());
    return row < 0 ? QModelIndex() : m_source->index(row, proxyIndex.column());
}

QModelIndex ResultListProxy::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid() || sourceIndex.model() != m_source)
        return {};
    const int at = shownRow(sourceIndex.row());
    return at < 0 ? QModelIndex() : createIndex(at, sourceIndex.column());
}

QVariant ResultListProxy::data(const QModelIndex &index, int role) const
{
    const int row = index.isValid() ? sourceRow(index.row()) : -1;
    if (row < 0)
        return {};
    const int column = index.column();
    // A merged row's marks speak for every copy of its file.
    if (m_merge)
        if (QVariant mark = m_source->withStatus(
                row, column, role, ResultMarkData(*m_source, row, column, role, true));
            mark.isValid())
            return mark;
    if (m_merge && role == Qt::DisplayRole && (column == NameColumn || column == SourcesColumn)) {
        const DuplicateGroups &groups = m_source->duplicates();
        if (column == SourcesColumn)
            return m_source->cellText(
                static_cast<int>(groups.sourcesRow(static_cast<std::size_t>(row))), SourcesColumn);
        const std::size_t copies = m_source->list().copies(static_cast<std::size_t>(row), true);
        if (copies > 1)
            return QStringLiteral("%1  \u00D7%2")
                .arg(Isolated(m_source->cellText(row, NameColumn)))
                .arg(copies);
    }
    return m_source->data(m_source->index(row, column), role);
}

} // namespace jiujiu
