#pragma once

#include "search/duplicategroups.h"

#include <QAbstractTableModel>
#include <QCollator>
#include <QCollatorSortKey>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace jiujiu {

// The rows of a report-style list view: a caption (column 0) and sub-items, plus the per-row
// values a list view item carries. Rows are numbered from 0 in display order.
class ResultListModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultListModel)

public:
    static constexpr int ColumnCount = 5;

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

    // What sorting, filtering and merging compare, worked out from a row's cells when they
    // change, so proxies over the model never parse cells while they sort or filter.
    struct RowKeys
    {
        std::optional<std::int64_t> serial;
        std::optional<std::uint64_t> bytes;
        std::optional<std::int64_t> sources;
    };

    explicit ResultListModel(QObject *parent = nullptr);
    ~ResultListModel() override;

    // Inserts before row; a row at or beyond the end appends. Answers the new row's number.
    int insertItem(int row, const Item &item);
    // Out-of-range rows and columns change nothing.
    void setCellText(int row, int column, const QString &text);
    // Out-of-range rows and columns read empty.
    QString cellText(int row, int column) const;
    const Item *item(int row) const;
    void deleteAllItems();
    int count() const { return static_cast<int>(m_rows.size()); }

    // Keys of an existing row (0 <= row < count()).
    const RowKeys &keys(int row) const { return m_rows[static_cast<std::size_t>(row)].keys; }
    // Folded name and link for the filter (made on first use after a change).
    const std::string &matchKey(int row) const;
    // The name's collation key for the user's locale (made on first use after a change).
    const QCollatorSortKey &nameSortKey(int row) const;
    // Each row's place among the names in collation order (equal names share one): a sort by
    // name then compares integers. The names are kept in order as they are written, so this
    // is one pass over them.
    const std::vector<std::uint32_t> &nameRanks() const;
    // Rows grouped by the file their link names; see DuplicateGroups.
    const DuplicateGroups &duplicates() const { return m_duplicates; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // Cell writes come four to a row during a search: views hear of them once per turn of the
    // event loop, as one range.
    void noteChanged(int row);
    void flushChanges();

    void updateKeys(int row, int column);

    struct Row
    {
        Item item;
        std::array<QString, ColumnCount - 1> subItems;
        RowKeys keys;
        mutable std::string matchKey;
        mutable std::optional<QCollatorSortKey> nameKey;
        mutable bool matchKeyStale = true;
    };
    std::vector<Row> m_rows;
    DuplicateGroups m_duplicates;
    mutable std::vector<std::uint32_t> m_nameRanks;
    mutable bool m_nameRanksValid = false;

    // Every row's name key in collation order, row number breaking ties; rebuilt when a row
    // is inserted before others (which renumbers rows).
    struct NameEntry
    {
        QCollatorSortKey key;
        int row;
    };
    struct NameEntryLess
    {
        bool operator()(const NameEntry &a, const NameEntry &b) const;
    };
    using NameIndex = std::set<NameEntry, NameEntryLess>;
    void rebuildNameIndex() const;
    mutable NameIndex m_nameIndex;
    mutable std::vector<NameIndex::iterator> m_nameEntries; // by row
    mutable bool m_nameIndexValid = true;
    QCollator m_collator;
    QCollatorSortKey m_emptyNameKey; // made by m_collator, declared after it
    int m_changedFirst = -1;
    int m_changedLast = -1;
};

} // namespace jiujiu
