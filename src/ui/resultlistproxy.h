#pragma once

#include "results/resultfilter.h"
#include "results/resultorder.h"

#include <QAbstractProxyModel>
#include <vector>

class QTimer;

namespace jiujiu {

class ResultListModel;

// What the result list shows of its model: duplicates merged (one row per ed2k file, with the
// group's highest source count and a "×N" mark after the name), rows the filter rejects left
// out, and the rest in the order of the sorted column (none: the order they were listed in;
// ties keep that order). The model keeps every row as the search logic wrote it, so row numbers
// of the list commands never depend on what is shown.
//
// Built for lists of 100 000 rows: every model row has its place in the sort order and its
// filter verdict kept, so a sort is one pass over precomputed keys and a filter one pass over
// the rows. Rows listed while the list is sorted are shown at the next turn of the event loop,
// every page listed meanwhile in one go: each change of layout costs the view a pass over every
// row shown, so a page must not cost one of its own.
class ResultListProxy final : public QAbstractProxyModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultListProxy)

public:
    explicit ResultListProxy(ResultListModel *source, QObject *parent = nullptr);
    ~ResultListProxy() override;

    ResultListModel *listModel() const { return m_source; }

    // A filter over more rows than a slice is worked out a slice at a time between turns of the
    // event loop (typing into the filter box never waits for 100 000 rows); the rows shown
    // change once, when it is done, and filterApplied() follows. Smaller lists change at once.
    void setFilter(const ResultFilter &filter);
    const ResultFilter &filter() const { return m_filter; }
    bool isFiltering() const { return m_filtering; }
    static constexpr int DefaultSliceRows = 20000;
    void setFilterSliceRows(int rows) { m_sliceRows = rows > 0 ? rows : DefaultSliceRows; }
    void setMergeDuplicates(bool merge);
    bool mergeDuplicates() const { return m_merge; }
    // Column -1 shows the rows in the order they were listed.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // Rows shown without the filter: every row, or one per file while merging.
    int unfilteredCount() const;

    // Model row of a shown row, and back; -1 when there is none.
    int sourceRow(int shownRow) const;
    int shownRow(int sourceRow) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex &sourceIndex) const override;
    QVariant data(const QModelIndex &index, int role) const override;

signals:
    // The filter given last is now what the list shows.
    void filterApplied();

private:
    void filterSlice();
    void cancelFilter();

    bool accepts(int sourceRow) const;
    // The sort order for two model rows (ties: list order).
    bool before(int a, int b) const;
    // What a model row sorts by in the sorted column: the shown source count while merging.
    SortKey keyFor(int sourceRow) const;

    // Every row's key and place in the sort order worked out again.
    void resortAll();
    // The rows leave the sort order and come back at their places (rows ascending).
    void reorder(const std::vector<int> &rows);
    // Shown rows from the sort order and the kept verdicts, as one layout change.
    void reshow();
    void relayout(std::vector<int> shown);
    void ensurePositions() const;
    // Rows listed: into the sort order, answering those to show (in sort order); then shown,
    // as rows added at the end or as one layout change.
    std::vector<int> takeArriving();
    void showArriving();

    void onRowsInserted(const QModelIndex &parent, int first, int last);
    void onRowsChanged(const std::vector<int> &rows);
    void onReset();

    ResultListModel *m_source;
    ResultFilter m_filter;
    bool m_merge = true;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;

    std::vector<int> m_order;            // every model row, in sort order
    std::vector<SortKey> m_keys;         // by model row, while a column is sorted
    std::vector<char> m_accepted;        // by model row: the filter's (and merge's) verdict
    std::vector<int> m_shown;            // shown row -> model row
    mutable std::vector<int> m_position; // model row -> shown row or -1
    mutable bool m_positionsValid = false;
    // Rows listed, not yet in m_order nor shown (list order): while sorted, until the next turn.
    std::vector<int> m_arriving;
    bool m_arrivingQueued = false;

    // Rows still to be judged by a filter being worked out in slices.
    std::vector<int> m_pending;
    std::size_t m_pendingNext = 0;
    bool m_filtering = false;
    int m_sliceRows = DefaultSliceRows;
    QTimer *m_sliceTimer;
};

} // namespace jiujiu
