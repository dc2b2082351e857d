#include "ui/resultlistproxy.h"

#include "search/resultorder.h"
#include "ui/resultlistmodel.h"

#include <QTimer>
#include <algorithm>
#include <numeric>

namespace jiujiu {

ResultListProxy::ResultListProxy(ResultListModel *source, QObject *parent)
    : QAbstractProxyModel(parent), m_source(source), m_sliceTimer(new QTimer(this))
{
    m_sliceTimer->setSingleShot(true);
    m_sliceTimer->setInterval(0);
    connect(m_sliceTimer, &QTimer::timeout, this, &ResultListProxy::filterSlice);
    QAbstractProxyModel::setSourceModel(source);
    connect(source, &QAbstractItemModel::rowsInserted, this, &ResultListProxy::onRowsInserted);
    connect(source, &QAbstractItemModel::dataChanged, this, &ResultListProxy::onDataChanged);
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
    const auto row = static_cast<std::size_t>(sourceRow);
    const DuplicateGroups &groups = m_source->duplicates();
    if (m_merge && !groups.isFirst(row))
        return false;
    if (m_filter.isEmpty())
        return true;
    const auto &keys = m_source->keys(sourceRow);
    return m_filter.accepts(m_source->matchKey(sourceRow), keys.bytes,
                            m_merge ? groups.groupSources(row) : keys.sources);
}

bool ResultListProxy::keyLess(int a, int b, bool descending) const
{
    const ResultListModel::RowKeys &ka = m_source->keys(a);
    const ResultListModel::RowKeys &kb = m_source->keys(b);
    switch (m_sortColumn) {
    case 0:
        return LessUnknownLast(ka.serial, kb.serial, descending);
    case 1:
        return m_source->nameSortKey(a).compare(m_source->nameSortKey(b)) < 0;
    case 2:
        return LessUnknownLast(ka.bytes, kb.bytes, descending);
    case 3: {
        if (!m_merge)
            return LessUnknownLast(ka.sources, kb.sources, descending);
        const DuplicateGroups &groups = m_source->duplicates();
        return LessUnknownLast(groups.groupSources(static_cast<std::size_t>(a)),
                               groups.groupSources(static_cast<std::size_t>(b)), descending);
    }
    default:
        return m_source->cellText(a, 4) < m_source->cellText(b, 4);
    }
}

bool ResultListProxy::before(int a, int b) const
{
    if (m_sortColumn >= 0) {
        // Descending is the ascending "less than" read backwards, as item views expect it.
        const bool descending = m_sortOrder == Qt::DescendingOrder;
        if (descending ? keyLess(b, a, true) : keyLess(a, b, false))
            return true;
        if (descending ? keyLess(a, b, true) : keyLess(b, a, false))
            return false;
    }
    return a < b;
}

void ResultListProxy::resortAll()
{
    const auto count = static_cast<std::size_t>(m_source->count());
    m_order.resize(count);
    if (m_sortColumn < 0) {
        std::iota(m_order.begin(), m_order.end(), 0);
        return;
    }
    // Sorts compact (key, row) pairs instead of asking the model for keys on every comparison:
    // the same order as before(), several times faster on 100 000 rows.
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    const auto sortBy = [this, count](auto &entries, auto keyBefore) {
        std::sort(entries.begin(), entries.end(), [&](const auto &a, const auto &b) {
            if (keyBefore(a.first, b.first))
                return true;
            if (keyBefore(b.first, a.first))
                return false;
            return a.second < b.second;
        });
        for (std::size_t at = 0; at < count; ++at)
            m_order[at] = entries[at].second;
    };
    switch (m_sortColumn) {
    case 4: {
        std::vector<std::pair<QString, int>> entries(count);
        for (std::size_t row = 0; row < count; ++row)
            entries[row] = {m_source->cellText(static_cast<int>(row), 4), static_cast<int>(row)};
        sortBy(entries, [descending](const QString &a, const QString &b) {
            return descending ? b < a : a < b;
        });
        return;
    }
    default: {
        // Names by their rank; unknown values last whatever the direction; known ones reversed
        // for descending.
        using Key = std::pair<bool, std::uint64_t>;
        std::vector<std::pair<Key, int>> entries(count);
        const DuplicateGroups &groups = m_source->duplicates();
        const std::vector<std::uint32_t> *ranks =
            m_sortColumn == 1 ? &m_source->nameRanks() : nullptr;
        for (std::size_t row = 0; row < count; ++row) {
            const ResultListModel::RowKeys &keys = m_source->keys(static_cast<int>(row));
            std::optional<std::uint64_t> value;
            if (m_sortColumn == 1) {
                value = (*ranks)[row];
            } else if (m_sortColumn == 2) {
                value = keys.bytes;
            } else {
                const std::optional<std::int64_t> number = m_sortColumn == 0 ? keys.serial
                                                           : m_merge ? groups.groupSources(row)
                                                                     : keys.sources;
                if (number)
                    value = static_cast<std::uint64_t>(*number);
            }
            entries[row] = {Key{!value, value ? (descending ? ~*value : *value) : 0},
                            static_cast<int>(row)};
        }
        sortBy(entries, std::less<Key>());
        return;
    }
    }
}

void ResultListProxy::reshow()
{
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

void ResultListProxy::setFilter(const ResultFilter &filter)
{
    if (filter == m_filter)
        return;
    // Typing on: only rows now shown can drop out. Not while another filter is half done:
    // the rows shown then are not yet what that one accepts.
    const bool narrower = !m_filtering && filter.narrows(m_filter);
    cancelFilter();
    m_filter = filter;
    if (narrower) {
        m_pending = m_shown;
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
    // Every row is judged again below, for the filter too.
    const bool wasFiltering = m_filtering;
    cancelFilter();
    m_merge = merge;
    for (std::size_t row = 0; row < m_accepted.size(); ++row)
        m_accepted[row] = accepts(static_cast<int>(row));
    if (m_sortColumn == 3) // shown sources change with merging
        resortAll();
    reshow();
    // Names lose or gain their mark, sources their group's count.
    if (!m_shown.empty())
        emit dataChanged(index(0, 1), index(rowCount() - 1, 3), {Qt::DisplayRole});
    if (wasFiltering)
        emit filterApplied();
}

void ResultListProxy::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ResultListModel::ColumnCount)
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
    const int added = last - first + 1;
    if (static_cast<std::size_t>(first) < m_accepted.size()) {
        // Inserted among the rows: later model rows move down by the number added.
        for (int &row : m_order)
            if (row >= first)
                row += added;
        std::vector<int> shifted = m_shown;
        for (int &row : shifted)
            if (row >= first)
                row += added;
        m_shown = shifted; // same shown rows, new model numbers
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
    for (int row = first; row <= last; ++row) {
        const bool accepted = accepts(row);
        m_accepted.push_back(accepted);
        if (m_sortColumn < 0)
            m_order.push_back(row);
        else
            m_order.insert(std::upper_bound(m_order.begin(), m_order.end(), row,
                                            [this](int a, int b) { return before(a, b); }),
                           row);
        if (!accepted) {
            if (m_positionsValid)
                m_position.push_back(-1);
            continue;
        }
        const auto at = m_sortColumn < 0
                            ? m_shown.end()
                            : std::upper_bound(m_shown.begin(), m_shown.end(), row,
                                               [this](int a, int b) { return before(a, b); });
        const int shownAt = static_cast<int>(at - m_shown.begin());
        beginInsertRows({}, shownAt, shownAt);
        const bool atEnd = at == m_shown.end();
        m_shown.insert(at, row);
        if (m_positionsValid && atEnd)
            m_position.push_back(shownAt);
        else
            m_positionsValid = false;
        endInsertRows();
    }
}

void ResultListProxy::onDataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    if (!topLeft.isValid() || topLeft.parent().isValid())
        return;
    const int first = std::max(topLeft.row(), 0);
    const int last = std::min(bottomRight.row(), static_cast<int>(m_accepted.size()) - 1);
    if (first > last)
        return;

    bool verdictChanged = false;
    for (int row = first; row <= last; ++row) {
        const bool accepted = accepts(row);
        if (accepted != static_cast<bool>(m_accepted[static_cast<std::size_t>(row)])) {
            m_accepted[static_cast<std::size_t>(row)] = accepted;
            verdictChanged = true;
        }
    }
    bool reordered = false;
    if (m_sortColumn >= 0) {
        // The changed rows leave the order and come back at their new places.
        const auto changed = [first, last](int row) { return row >= first && row <= last; };
        std::vector<int> moved(static_cast<std::size_t>(last - first + 1));
        std::iota(moved.begin(), moved.end(), first);
        const auto cmp = [this](int a, int b) { return before(a, b); };
        std::sort(moved.begin(), moved.end(), cmp);
        std::vector<int> order;
        order.reserve(m_order.size());
        std::vector<int> kept;
        kept.reserve(m_order.size());
        for (int row : m_order)
            if (!changed(row))
                kept.push_back(row);
        std::merge(kept.begin(), kept.end(), moved.begin(), moved.end(), std::back_inserter(order),
                   cmp);
        reordered = order != m_order;
        m_order = std::move(order);
    }
    if (verdictChanged || reordered)
        reshow();

    ensurePositions();
    int low = -1;
    int high = -1;
    for (int row = first; row <= last; ++row) {
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
    return parent.isValid() ? 0 : ResultListModel::ColumnCount;
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
    if (m_merge && role == Qt::DisplayRole && (column == 1 || column == 3)) {
        const DuplicateGroups &groups = m_source->duplicates();
        if (column == 3)
            return m_source->cellText(
                static_cast<int>(groups.sourcesRow(static_cast<std::size_t>(row))), 3);
        const std::size_t copies = groups.copies(static_cast<std::size_t>(row));
        if (copies > 1)
            return QStringLiteral("%1  \u00D7%2").arg(m_source->cellText(row, 1)).arg(copies);
    }
    return m_source->data(m_source->index(row, column), role);
}

} // namespace jiujiu
