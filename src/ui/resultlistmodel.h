#pragma once

#include "results/duplicategroups.h"
#include "results/resultjudge.h"
#include "results/resultorder.h"
#include "results/resultrow.h"
#include "results/rowstatus.h"

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

// The rows of a report-style list view: typed result rows (the caption is column 0) plus the
// per-row values a list view item carries. Rows are numbered from 0 in the order they were
// listed, whatever a view shows.
class ResultListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultListModel)

public:
    static constexpr int ColumnCount = kResultColumnCount;
    // Columns a view may show after the five: the type and the warnings (ResultMarkData), and
    // the client's status. The list commands know the five only.
    static constexpr int TypeColumn = ColumnCount;
    static constexpr int HintColumn = ColumnCount + 1;
    // The client's status in words (已有, 下载中 49%…), empty for a file it has no record of.
    static constexpr int StatusColumn = ColumnCount + 2;
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
    int count() const { return static_cast<int>(m_rows.size()); }

    // An existing row (0 <= row < count()).
    const ResultRow &row(int row) const { return m_rows[static_cast<std::size_t>(row)].result; }
    // Folded name and link for the filter, made when they are set.
    const std::string &matchKey(int row) const
    {
        return m_rows[static_cast<std::size_t>(row)].matchKey;
    }
    // What an existing row sorts by in a column, with its own source count. The name's key is
    // made when the name is set, so a click on 名称 only compares; the link's on first use.
    SortKey sortKey(int row, int column) const;
    const Collator &collator() const { return m_collator; }
    // Rows grouped by the file their link names; see DuplicateGroups.
    const DuplicateGroups &duplicates() const { return m_duplicates; }
    // The verdicts on the rows (type, broken link, suspicion), up to date with every cell.
    const ResultJudge &judge() const;

    // Where rows get their status from (it must outlive the model); none: every row is new.
    // Rows are marked as they are listed; remark() marks every row again after the marker
    // changed, and rows whose mark changed are announced like changed cells.
    void setMarker(const ClientMarker *marker);
    void remark();
    // An existing row's status.
    const RowMark &mark(int row) const { return m_rows[static_cast<std::size_t>(row)].mark; }

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
    struct Row
    {
        ResultRow result;
        int image = -1;
        int state = 0;
        int indent = 0;
        int userValue = 0;
        std::string matchKey;
        SortKey nameKey;
        mutable std::optional<SortKey> linkKey;
        RowMark mark;
    };

    // Cell writes come four to a row through the list commands: views hear of them once per
    // turn of the event loop.
    void noteChanged(int row);
    void flushChanges();
    // After a cell of an existing row changed: its keys, and its group.
    void cellChanged(int row, int column);
    // All of a row's keys, or those a change of changedColumn (name or link) touches.
    void deriveKeys(Row &row, int changedColumn = -1) const;

    // The judge's verdicts that changed, noted for views like changed cells.
    void noteJudged();
    ResultJudge::RowSource rowSource() const;

    const Collator &m_collator;
    std::vector<Row> m_rows;
    DuplicateGroups m_duplicates;
    mutable ResultJudge m_judge; // settled when read

    std::vector<int> m_changed;
    const ClientMarker *m_marker = nullptr;
};

} // namespace jiujiu
