#pragma once

#include "results/resultlist.h"

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jiujiu {

class ClientMarker;
class Collator;
class SeenFiles;

// The rows of a report-style list view, as Qt's views read them: a ResultList (the caption is
// column 0) plus the per-row values a list view item carries. Rows are numbered from 0 in the
// order they were listed, whatever a view shows.
class ResultListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultListModel)

public:
    static constexpr int ColumnCount = kResultColumnCount;
    // Columns a view may show after the five: the type and the warnings (ResultMarkData), and
    // the client's status. The list commands know the five only.
    static constexpr int TypeColumn = ResultList::TypeColumn;
    static constexpr int HintColumn = ResultList::HintColumn;
    // The client's status in words (已有, 下载中 49%…), empty for a file it has no record of.
    static constexpr int StatusColumn = ResultList::StatusColumn;
    static constexpr int ViewColumnCount = ColumnCount + 3;
    // The name's status tag ("已有", "下载中 49%"…), drawn before the name like the type tag;
    // empty for a file the client has no record of.
    static constexpr int StatusTagRole = Qt::UserRole + 40;

    struct Column
    {
        QString title;
        int width;
        Qt::Alignment alignment;
    };
    // 序号, 名称, 大小, 资源数 (centred), 下载链接[双击].
    static const std::array<Column, ColumnCount> &Columns();

    struct Item
    {
        QString caption;
        int image = -1;
        int state = 0; // state-image bits, as a list view item keeps them
        int indent = 0;
        int userValue = 0;
    };

    // Names sort by the given collator (the environment's when none is given).
    explicit ResultListModel(QObject *parent = nullptr);
    ResultListModel(const Collator &collator, QObject *parent);
    ~ResultListModel() override;

    // Inserts before row; a row at or beyond the end appends. Answers the new row's number.
    int insertItem(int row, const Item &item);
    // Appends the rows of a page as one insertion; answers the first new row's number, -1
    // when the list cannot take them.
    int appendRows(std::vector<ResultRow> rows);
    // Out-of-range rows and columns change nothing.
    void setCellText(int row, int column, const Text &text);
    // Out-of-range rows and columns read empty.
    QString cellText(int row, int column) const;
    std::optional<Item> item(int row) const;
    void deleteAllItems();
    int count() const { return static_cast<int>(m_list.count()); }

    // The rows and what is worked out from them.
    const ResultList &list() const { return m_list; }
    // An existing row (0 <= row < count()).
    const ResultRow &row(int row) const { return m_list.row(static_cast<std::size_t>(row)); }
    const Collator &collator() const { return m_list.collator(); }
    // Rows grouped by the file their link names; see DuplicateGroups.
    const DuplicateGroups &duplicates() const { return m_list.duplicates(); }

    // Where rows get their status from (it must outlive the model); none: every row is new.
    // Rows are marked as they are listed; remark() marks every row again after the marker
    // changed, and rows whose mark changed are announced like changed cells.
    void setMarker(const ClientMarker *marker);
    void remark();
    // What earlier runs of a saved search listed (it must outlive the model; none: nothing is
    // new), given before the rows come.
    void setSeenFiles(const SeenFiles *seen) { m_list.setSeenFiles(seen); }
    // An existing row's status.
    const RowMark &mark(int row) const { return m_list.mark(static_cast<std::size_t>(row)); }

    // What the judging shows of a cell (invalid: nothing) with the row's client status laid
    // over it, for this model and the proxies that show merged rows.
    QVariant withStatus(int row, int column, int role, QVariant judged) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

signals:
    // Rows whose cells, or whose merged look, changed (ascending, each once). Sent once per
    // turn of the event loop, just before dataChanged over the range they span.
    void rowsChanged(const std::vector<int> &rows);

private:
    // What a list view item carries besides its cells.
    struct ItemValues
    {
        int image = -1;
        int state = 0;
        int indent = 0;
        int userValue = 0;
    };

    // Cell writes come four to a row through the list commands: views hear of them once per
    // turn of the event loop.
    void noteChanged(int row);
    void flushChanges();
    void noteChanged(const std::vector<std::size_t> &rows);

    ResultList m_list;
    std::vector<ItemValues> m_items; // by row

    std::vector<int> m_changed;
};

} // namespace jiujiu
