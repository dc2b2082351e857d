#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <array>
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

    struct Row
    {
        Item item;
        std::array<QString, ColumnCount - 1> subItems;
    };
    std::vector<Row> m_rows;
    int m_changedFirst = -1;
    int m_changedLast = -1;
};

} // namespace jiujiu
