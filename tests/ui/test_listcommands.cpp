#include "runtime/codepage.h"
#include "ui/listcommands.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"

#include <QSignalSpy>
#include <array>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

class ListCommands : public ::testing::Test
{
protected:
    ReportListView list;
};

} // namespace

TEST_F(ListCommands, InsertWithRowOmittedOrNegativeAppends)
{
    EXPECT_EQ(ListInsertItem(list), 0);
    EXPECT_EQ(ListInsertItem(list, {}, Value("b")), 1);
    EXPECT_EQ(ListInsertItem(list, Value(-5), Value("c")), 2);
    EXPECT_EQ(ListInsertItem(list, Value(99), Value("d")), 3) << "beyond the end is appended";
    EXPECT_EQ(ListInsertItem(list, Value(0), Value("first")), 0);
    const char *expected[] = {"first", "", "b", "c", "d"};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(ListGetItemText(list, row), expected[row]) << row;
}

TEST_F(ListCommands, ReadsColumnZeroWhenOmittedAndEmptyOutOfRange)
{
    const int row = ListInsertItem(list, {}, Value("caption"));
    ListSetItemText(list, row, Value(4), Value("link"));
    EXPECT_EQ(ListGetItemText(list, row), "caption");
    EXPECT_EQ(ListGetItemText(list, row, Value(4)), "link");
    const std::pair<int, int> missing[] = {{1, 0}, {-1, 0}, {0, 5}, {0, -1}, {1000, 4}};
    for (auto [r, c] : missing) {
        SCOPED_TRACE(testing::Message() << r << "," << c);
        EXPECT_EQ(ListGetItemText(list, r, Value(c)), "");
        ListSetItemText(list, r, Value(c), Value("x")); // writes nothing
    }
    EXPECT_EQ(list.listModel()->count(), 1);
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(ListGetItemText(list, 0, Value(c)), c == 0 ? "caption" : c == 4 ? "link" : "");
}

TEST_F(ListCommands, LongCellReadsBackWhole)
{
    const int row = ListInsertItem(list);
    Text cell;
    for (int i = 0; i < 600; ++i)
        cell += static_cast<char>('a' + i % 26);
    ListSetItemText(list, row, Value(1), Value(cell));
    EXPECT_EQ(ListGetItemText(list, row, Value(1)), cell);
    // GB18030 double-byte text survives the Qt boundary too.
    const Text chinese = Utf8ToText("小啾啾的春天 高清版.avi");
    ListSetItemText(list, row, Value(2), Value(chinese));
    EXPECT_EQ(ListGetItemText(list, row, Value(2)), chinese);
}

TEST_F(ListCommands, SetWithTextOmittedClearsTheCell)
{
    const int row = ListInsertItem(list, {}, Value("1"));
    ListSetItemText(list, row, Value(3), Value("12"));
    ListSetItemText(list, row, Value(3));
    EXPECT_EQ(ListGetItemText(list, row, Value(3)), "");
    ListSetItemText(list, row);
    EXPECT_EQ(ListGetItemText(list, row), "") << "column omitted is the caption";
    ListSetItemText(list, row, Value(2), Value(42));
    EXPECT_EQ(ListGetItemText(list, row, Value(2)), "42") << "any value is written as its text";
}

TEST_F(ListCommands, SelectionIsMinusOneWhenNothingIsSelected)
{
    EXPECT_EQ(ListCurrentSelection(list), -1);
    EXPECT_EQ(ListGetItemText(list, ListCurrentSelection(list)), "");
    for (int i = 0; i < 3; ++i)
        ListInsertItem(list, {}, Value(std::to_string(i)));
    EXPECT_EQ(ListCurrentSelection(list), -1);
    list.setCurrentSelection(2);
    EXPECT_EQ(ListCurrentSelection(list), 2);
    list.setCurrentSelection(1);
    EXPECT_EQ(ListCurrentSelection(list), 1) << "single selection: the new row replaces the old";
    list.setCurrentSelection(-7);
    EXPECT_EQ(ListCurrentSelection(list), -1);
    list.setCurrentSelection(0);
    ListDeleteAllItems(list);
    EXPECT_EQ(ListCurrentSelection(list), -1);
    EXPECT_EQ(list.listModel()->count(), 0);
    EXPECT_EQ(ListInsertItem(list), 0) << "an emptied list numbers from 0 again";
}

TEST_F(ListCommands, InsertKeepsTheItemValues)
{
    struct Case
    {
        Value image, stateImage, indent, userValue;
        int wantImage, wantState, wantIndent, wantUser;
    } cases[] = {
        {{}, {}, {}, {}, -1, 0, 0, 0},
        {Value(3), Value(0), Value(2), Value(77), 3, 1 << 12, 2, 77},
        {Value(-9), Value(-5), Value(-4), Value(-1), -1, 0, 0, -1},
        {Value(-1), Value(-1), Value(0), Value(0), -1, 0, 0, 0},
        {Value(0), Value(2), {}, {}, 0, 3 << 12, 0, 0},
    };
    for (const Case &c : cases) {
        const int row = ListInsertItem(list, {}, {}, c.image, c.stateImage, c.indent, c.userValue);
        const auto item = list.listModel()->item(row);
        ASSERT_TRUE(item.has_value());
        SCOPED_TRACE(row);
        EXPECT_EQ(item->image, c.wantImage);
        EXPECT_EQ(item->state, c.wantState);
        EXPECT_EQ(item->indent, c.wantIndent);
        EXPECT_EQ(item->userValue, c.wantUser);
    }
}

// Random inserts, writes and clears against a plain vector of rows.
TEST_F(ListCommands, AgreesWithAReferenceList)
{
    std::vector<std::array<Text, 5>> reference;
    std::mt19937 random(20261208);
    int compared = 0;
    for (int step = 0; step < 3000; ++step) {
        const int op = static_cast<int>(random() % 100);
        const int size = static_cast<int>(reference.size());
        if (op < 40) {
            const int row = static_cast<int>(random() % (size + 3)) - 1; // -1 .. size+1
            const Text caption = "r" + std::to_string(step);
            const int got = ListInsertItem(list, Value(row), Value(caption));
            const int at = (row < 0 || row > size) ? size : row;
            ASSERT_EQ(got, at);
            reference.insert(reference.begin() + at, {caption, "", "", "", ""});
        } else if (op < 85) {
            const int row = static_cast<int>(random() % (size + 2)) - 1;
            const int column = static_cast<int>(random() % 7) - 1;
            const Text text = "c" + std::to_string(step);
            ListSetItemText(list, row, Value(column), Value(text));
            if (row >= 0 && row < size && column >= 0 && column < 5)
                reference[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
        } else if (op < 99) {
            const int row = static_cast<int>(random() % (size + 2)) - 1;
            const int column = static_cast<int>(random() % 7) - 1;
            const bool inRange = row >= 0 && row < size && column >= 0 && column < 5;
            ASSERT_EQ(
                ListGetItemText(list, row, Value(column)),
                inRange ? reference[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]
                        : Text());
            ++compared;
        } else {
            ListDeleteAllItems(list);
            reference.clear();
        }
        ASSERT_EQ(list.listModel()->rowCount(), static_cast<int>(reference.size()));
    }
    EXPECT_GT(compared, 200);
}

TEST(ResultListModel, ColumnsAndAppendSignals)
{
    ResultListModel model;
    const char *titles[] = {"序号", "名称", "大小", "资源数", "下载链接[双击]"};
    const int widths[] = {40, 400, 60, 50, 200};
    int total = 0;
    for (int c = 0; c < ResultListModel::ColumnCount; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                  QString::fromUtf8(titles[c]));
        const auto alignment =
            Qt::Alignment(model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, c == 3 ? Qt::AlignHCenter : Qt::AlignLeft);
        EXPECT_EQ(ResultListModel::Columns()[static_cast<std::size_t>(c)].width, widths[c]);
        total += widths[c];
    }
    EXPECT_EQ(total, 750);

    // Appending announces one row each, at the end; nothing else is reset.
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    for (int i = 0; i < 1000; ++i)
        model.insertItem(-1, {});
    ASSERT_EQ(inserted.count(), 1000);
    EXPECT_EQ(inserted.last().at(1).toInt(), 999);
    EXPECT_EQ(reset.count(), 0);
    model.deleteAllItems();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(ResultListModel, CellWritesReachViewsAsOneRangePerTurn)
{
    ResultListModel model;
    for (int i = 0; i < 10; ++i)
        model.insertItem(-1, {});
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setCellText(7, 1, "a");
    model.setCellText(3, 4, "b");
    model.setCellText(5, 0, "c");
    model.setCellText(5, 9, "nothing"); // out of range: not a change
    EXPECT_EQ(changed.count(), 0);
    QCoreApplication::processEvents();
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0].at(0).toModelIndex(), model.index(3, 0));
    // Every column a view shows, the view columns after the five included.
    EXPECT_EQ(changed[0].at(1).toModelIndex(),
              model.index(7, ResultListModel::ViewColumnCount - 1));

    model.setCellText(9, 2, "d");
    model.deleteAllItems();
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 1) << "no range over rows that are gone";
}
