// The result list as the user works it: sorting, the filter row, merging, selection, keys,
// the context menu and export, on the real main window under the offscreen platform.
#include "app/mainsearchwindow.h"
#include "childprocess.h"
#include "mainwindowharness.h"
#include "net/openaddress.h"
#include "results/collator.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"
#include "search/searchtexts.h"
#include "search/searchwindow.h"
#include "ui/announcementlabel.h"
#include "ui/controlproperties.h"
#include "ui/interfacelanguage.h"
#include "ui/listcommands.h"
#include "ui/mainwindow.h"
#include "ui/qttext.h"
#include "ui/qtuiservices.h"
#include "ui/reportlistview.h"
#include "ui/resultcolumnsmenu.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistactions.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"
#include "ui/visualstyle.h"
#include "ui/windowregistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCollator>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <random>
#include <sstream>
#include <sys/resource.h>

using namespace jiujiu;
using test::WaitFor;
namespace fs = std::filesystem;

namespace {

struct Sample
{
    const char *name;
    const char *size;
    const char *sources;
    std::string link;
};

std::string Link(const std::string &name, int bytes, char hashDigit)
{
    return "ed2k://|file|" + name + "|" + std::to_string(bytes) + "|" + std::string(32, hashDigit) +
           "|/";
}

// Five files, the third listed twice more (same hash and size) with other source counts.
const std::vector<Sample> &Samples()
{
    static const std::vector<Sample> samples = {
        {"Tom & Jerry.Remix.mkv", "700 MB", "5", Link("Tom & Jerry.Remix.mkv", 734003200, 'A')},
        {"每日新闻.第0002期.mp4", "?", "40", Link("news2.mp4", 1, 'B')},
        {"Jerry.Quiet.Harbor.mkv", "1.2 GB", "3", Link("harbor.mkv", 1288490189, 'C')},
        {"每日新闻.第0010期.mp4", "12.3KB", "", Link("news10.mp4", 12595, 'D')},
        {"Jerry.Quiet.Harbor.mkv", "1.2 GB", "30", Link("harbor.mkv", 1288490189, 'C')},
        {"Ocean.Blue.mkv", "2 GB", "7", Link("ocean.mkv", 2, 'E')},
        {"Jerry.Quiet.Harbor (copy).mkv", "1.2 GB", "9", Link("harbor.mkv", 1288490189, 'c')},
    };
    return samples;
}

// The search logic's view of the list, through the list commands as the program's own.
class ListSearchWindow final : public SearchWindow
{
public:
    Text keyword() override { return {}; }
    void setCurrentPage(int) override {}
    void setAnnouncement(const Text &) override {}
    void deleteAllRows() override { ListDeleteAllItems(list()); }
    int appendRow(const Text &caption) override
    {
        return ListInsertItem(list(), {}, Value(caption));
    }
    void setCell(int row, int column, const Text &text) override
    {
        ListSetItemText(list(), row, Value(column), Value(text));
    }
    Text cellText(int row, int column) override
    {
        return ListGetItemText(list(), row, Value(column));
    }
    int currentSelection() override
    {
        return ToInteger(ReadControlProperty(MainWindow::Reference.window, MainWindow::ResultList,
                                             PropertyCurrentSelection));
    }
    void showProgress(const Text &) override {}
    void setSearchRunning(bool) override {}
    bool stopRequested() override { return false; }

private:
    static ControlReference list() { return MainWindow::control(MainWindow::ResultList); }
};

std::string ReadFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class ResultViewTest : public ::testing::Test, protected test::MainWindowHarness
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(loadMainWindow());
        QGuiApplication::clipboard()->clear();
    }

    void TearDown() override { unloadMainWindow(); }

    // Lists the samples the way a search does: the caption, then four cells.
    void fill(const std::vector<Sample> &samples = Samples())
    {
        ListSearchWindow search;
        for (const Sample &s : samples) {
            const int row = search.appendRow(std::to_string(ListInsertCount++ + 1));
            search.setCell(row, 1, Utf8ToText(s.name));
            search.setCell(row, 2, Utf8ToText(s.size));
            search.setCell(row, 3, Utf8ToText(s.sources));
            search.setCell(row, 4, Utf8ToText(s.link));
        }
        QCoreApplication::processEvents(); // cell changes reach views once per turn
    }

    // A column as shown, top to bottom.
    std::vector<std::string> shown(int column) const
    {
        std::vector<std::string> out;
        const QAbstractItemModel *model = list->model();
        for (int row = 0; row < model->rowCount(); ++row)
            out.push_back(model->index(row, column).data().toString().toStdString());
        return out;
    }

    void clickHeader(int section)
    {
        QHeaderView *header = list->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                        header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    QPoint rowCentre(int shownRow) const
    {
        return list->visualRect(list->model()->index(shownRow, 1)).center();
    }

    void typeIntoFilter(const QString &text)
    {
        QLineEdit *box = window->filterBar().filterBox();
        box->setFocus();
        for (const QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }

    // Waits for the typing pause to pass and the filter to be applied.
    void waitForFilter()
    {
        QTest::qWait(ResultFilterBar::TypingPauseMs + 50);
        ASSERT_TRUE(WaitFor([this] { return !list->shownModel()->isFiltering(); }));
    }

    void openMenuAt(int shownRow)
    {
        const QPoint at = rowCentre(shownRow);
        QTest::mouseClick(list->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &event);
    }

    int ListInsertCount = 0;
};

using Column = std::vector<std::string>;

} // namespace

TEST_F(ResultViewTest, HeaderClicksSortWithTheIndicator)
{
    window->filterBar().findChild<QCheckBox *>(QStringLiteral("合并重复"))->setChecked(false);
    fill();
    QHeaderView *header = list->horizontalHeader();
    EXPECT_EQ(header->sortIndicatorSection(), -1) << "listed order until a click";
    struct Step
    {
        const char *name;
        int section;
        Qt::SortOrder order;
        Column serials;
    };
    const Step steps[] = {
        {"size ascending, unknown last",
         2,
         Qt::AscendingOrder,
         {"4", "1", "3", "5", "7", "6", "2"}},
        {"size descending, unknown still last, ties in list order",
         2,
         Qt::DescendingOrder,
         {"6", "3", "5", "7", "1", "4", "2"}},
        {"sources as numbers", 3, Qt::AscendingOrder, {"3", "1", "6", "7", "5", "2", "4"}},
        {"serial restores the site's order",
         0,
         Qt::AscendingOrder,
         {"1", "2", "3", "4", "5", "6", "7"}},
        {"serial descending", 0, Qt::DescendingOrder, {"7", "6", "5", "4", "3", "2", "1"}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        clickHeader(step.section);
        EXPECT_EQ(header->sortIndicatorSection(), step.section);
        EXPECT_EQ(header->sortIndicatorOrder(), step.order);
        EXPECT_TRUE(header->isSortIndicatorShown());
        EXPECT_EQ(shown(0), step.serials);
    }
}

TEST_F(ResultViewTest, NamesSortByTheLocalesCollation)
{
    // Pinyin order (a, ba, zhong) is not code point order (中 U+4E2D comes first), and numbers
    // inside names compare as numbers.
    const Collator chinese("zh_CN.UTF-8");
    ReportListView view(chinese);
    const char *names[] = {"中国", "爸爸", "啊", "第10期", "第2期"};
    for (const char *name : names) {
        const int row = ListInsertItem(view, {}, Value("1"));
        ListSetItemText(view, row, Value(1), Value(Utf8ToText(name)));
    }
    view.sortByColumn(1, Qt::AscendingOrder);
    std::vector<std::string> order;
    for (int row = 0; row < view.model()->rowCount(); ++row)
        order.push_back(view.model()->index(row, 1).data().toString().toStdString());
    const auto at = [&](const char *name) {
        return std::find(order.begin(), order.end(), name) - order.begin();
    };
    EXPECT_LT(at("啊"), at("爸爸"));
    EXPECT_LT(at("爸爸"), at("中国"));
    EXPECT_LT(at("第2期"), at("第10期"));
}

// Names written, rewritten and rows inserted anywhere: the name order is always the one
// QCollator::compare gives (ties in list order), sorted here from scratch as the reference.
TEST_F(ResultViewTest, NameOrderAgainstTheCollatorAfterEdits)
{
    const Collator chinese("zh_CN");
    ReportListView view(chinese);
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const char *names[] = {"b", "A", "第10期", "第2期", "", "啾啾", "a", "Zeta", "b2", "b10"};
    std::mt19937 random(9);
    int compared = 0;
    for (int step = 0; step < 200; ++step) {
        const int count = view.listModel()->count();
        const int what = static_cast<int>(random() % 4);
        if (what == 0 || count == 0) {
            const int row = ListInsertItem(view, {}, Value(std::to_string(step)));
            ListSetItemText(view, row, Value(1), Value(Utf8ToText(names[random() % 10])));
        } else if (what == 1) {
            ListInsertItem(view, Value(static_cast<int>(random() % static_cast<unsigned>(count))),
                           Value(std::to_string(step))); // no name yet
        } else {
            ListSetItemText(view, static_cast<int>(random() % static_cast<unsigned>(count)),
                            Value(1), Value(Utf8ToText(names[random() % 10])));
        }
        QCoreApplication::processEvents();
        if (step % 10 != 9)
            continue;
        view.sortByColumn(1, Qt::AscendingOrder);
        std::vector<int> expected(static_cast<std::size_t>(view.listModel()->count()));
        std::iota(expected.begin(), expected.end(), 0);
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return collator.compare(view.listModel()->cellText(a, 1),
                                    view.listModel()->cellText(b, 1)) < 0;
        });
        std::string listing;
        for (int row = 0; row < view.listModel()->count(); ++row)
            listing += " [" + view.listModel()->cellText(row, 1).toStdString() + "]";
        ASSERT_EQ(view.shownRows(), expected) << "step " << step << listing;
        compared += static_cast<int>(expected.size());
        view.sortByColumn(0, Qt::AscendingOrder); // and back, so the next check sorts again
    }
    EXPECT_GT(compared, 800);
}

TEST_F(ResultViewTest, FilterNarrowsAndRestores)
{
    window->filterBar().findChild<QCheckBox *>(QStringLiteral("合并重复"))->setChecked(false);
    fill();
    const ResultFilterBar &bar = window->filterBar();
    EXPECT_EQ(bar.statusText(), QString());
    struct Step
    {
        const char *name;
        QString typed; // appended to the box
        Column serials;
        QString status;
    };
    const Step steps[] = {
        {"a word in names",
         QStringLiteral("jerry"),
         {"1", "3", "5", "7"},
         QStringLiteral("显示 4 / 共 7")},
        {"typing on narrows",
         QStringLiteral(" harbor"),
         {"3", "5", "7"},
         QStringLiteral("显示 3 / 共 7")},
        {"an exclusion", QStringLiteral(" -copy"), {"3", "5"}, QStringLiteral("显示 2 / 共 7")},
        {"a size bound", QStringLiteral(" size>2GB"), {}, QStringLiteral("显示 0 / 共 7")},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.name);
        typeIntoFilter(step.typed);
        waitForFilter();
        EXPECT_EQ(shown(0), step.serials);
        EXPECT_EQ(bar.statusText(), step.status);
    }
    // Chinese words, and the box emptied: every row again and no count.
    bar.filterBox()->clear();
    typeIntoFilter(QStringLiteral("新闻"));
    waitForFilter();
    EXPECT_EQ(shown(0), (Column{"2", "4"}));
    bar.filterBox()->clear();
    waitForFilter();
    EXPECT_EQ(shown(0), (Column{"1", "2", "3", "4", "5", "6", "7"}));
    EXPECT_EQ(bar.statusText(), QString());

    // The count beside the typed text: the words where the box has room, the bare numbers at
    // the form's width; the typed text keeps room for a few characters either way.
    typeIntoFilter(QStringLiteral("jerry"));
    waitForFilter();
    const QLabel *count = nullptr;
    for (const QLabel *label : bar.filterBox()->findChildren<QLabel *>())
        if (label->toolTip() == QStringLiteral("显示 4 / 共 7"))
            count = label;
    ASSERT_NE(count, nullptr);
    window->setCurrentPage(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    for (const int width : {window->minimumWidth(), 1400}) {
        SCOPED_TRACE(width);
        window->resize(width, window->height());
        QCoreApplication::processEvents();
        if (width > window->minimumWidth()) {
            EXPECT_EQ(count->text(), QStringLiteral("显示 4 / 共 7"));
        } else {
            EXPECT_TRUE(count->text() == QStringLiteral("4/7") || count->isHidden())
                << count->text().toStdString();
        }
        if (count->isVisible()) {
            EXPECT_GE(count->x(), 6 * bar.filterBox()->fontMetrics().averageCharWidth());
        }
    }
}

TEST_F(ResultViewTest, SizeRangeAndSourcesFields)
{
    window->filterBar().findChild<QCheckBox *>(QStringLiteral("合并重复"))->setChecked(false);
    fill();
    ResultFilterBar &bar = window->filterBar();
    auto *minimum = bar.findChild<QLineEdit *>(QStringLiteral("最小大小"));
    auto *maximum = bar.findChild<QLineEdit *>(QStringLiteral("最大大小"));
    auto *sources = bar.findChild<QSpinBox *>(QStringLiteral("最少资源数"));
    ASSERT_TRUE(minimum && maximum && sources);
    minimum->setText(QStringLiteral("700 MB"));
    waitForFilter();
    EXPECT_EQ(shown(0), (Column{"1", "3", "5", "6", "7"})) << "unknown sizes fail a bound";
    maximum->setText(QStringLiteral("1.5GB"));
    waitForFilter();
    EXPECT_EQ(shown(0), (Column{"1", "3", "5", "7"}));
    sources->setValue(9);
    waitForFilter();
    EXPECT_EQ(shown(0), (Column{"5", "7"}));
    maximum->setText(QStringLiteral("lots")); // not a size: no bound, shown in red
    waitForFilter();
    EXPECT_EQ(shown(0), (Column{"5", "7"}));
    EXPECT_NE(maximum->palette().color(QPalette::Text), minimum->palette().color(QPalette::Text));
}

TEST_F(ResultViewTest, MergeShowsOneRowPerFile)
{
    fill();
    // Rows 3, 5 and 7 name one file: shown once, as the first of them, with the most sources.
    EXPECT_EQ(shown(0), (Column{"1", "2", "3", "4", "6"}));
    EXPECT_EQ(shown(1)[2], "\u2068Jerry.Quiet.Harbor.mkv\u2069  \u00D73") << "the name isolated";
    EXPECT_EQ(shown(3)[2], "30");
    EXPECT_EQ(shown(1)[0], "Tom & Jerry.Remix.mkv") << "no mark on a single file";
    // Sorting by sources uses the group's count.
    clickHeader(3);
    EXPECT_EQ(shown(0), (Column{"1", "6", "3", "2", "4"}));
    // The list commands still read the row as written.
    EXPECT_EQ(TextToUtf8(ListGetItemText(*list, 2, Value(1))), "Jerry.Quiet.Harbor.mkv");
    EXPECT_EQ(TextToUtf8(ListGetItemText(*list, 2, Value(3))), "3");

    window->filterBar().findChild<QCheckBox *>(QStringLiteral("合并重复"))->click();
    EXPECT_FALSE(list->shownModel()->mergeDuplicates());
    EXPECT_EQ(shown(0), (Column{"3", "1", "6", "7", "5", "2", "4"}));
    const Column names = shown(1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Jerry.Quiet.Harbor.mkv"), 2);
}

TEST_F(ResultViewTest, RowsListedWhileFilteredAndSortedFindTheirPlaces)
{
    fill();
    clickHeader(2); // size ascending
    typeIntoFilter(QStringLiteral("mkv"));
    waitForFilter();
    EXPECT_EQ(shown(0), (Column{"1", "3", "6"}));
    // A search goes on listing: the captions first, the cells once the page is parsed.
    fill({{"Small.mkv", "1 KB", "1", Link("small.mkv", 1024, 'F')},
          {"Not shown.mp4", "1 KB", "1", Link("x.mp4", 1024, '1')},
          {"Another copy.mkv", "1.2 GB", "99", Link("harbor.mkv", 1288490189, 'C')},
          {"Huge.mkv", "40 GB", "2", Link("huge.mkv", 7, '2')}});
    EXPECT_EQ(shown(0), (Column{"8", "1", "3", "6", "11"}));
    EXPECT_EQ(shown(3)[2], "99") << "the new copy raised its group's sources";
    EXPECT_TRUE(WaitFor([this] {
        return window->filterBar().statusText() == QStringLiteral("显示 5 / 共 8");
    })) << window->filterBar().statusText().toStdString();
}

TEST_F(ResultViewTest, FilteringInSlicesEndsWhereFilteringAtOnceDoes)
{
    std::vector<Sample> many;
    for (int i = 0; i < 60; ++i) {
        Sample s = Samples()[static_cast<std::size_t>(i) % Samples().size()];
        s.link = Link(s.name, i + 1, 'F'); // 60 files, no duplicates
        many.push_back(s);
    }
    fill(many);
    ResultListProxy &proxy = *list->shownModel();
    ResultListProxy reference(list->listModel());
    proxy.setFilterSliceRows(7);
    clickHeader(3);
    reference.sort(3, Qt::AscendingOrder);
    const ResultFilter filter = ResultFilter::Parse("jerry -remix");
    QSignalSpy applied(&proxy, &ResultListProxy::filterApplied);
    proxy.setFilter(filter);
    EXPECT_TRUE(proxy.isFiltering());
    EXPECT_EQ(applied.count(), 0);
    fill({{"Jerry late.mkv", "3 GB", "1000", Link("late.mkv", 3, '3')}}); // listed meanwhile
    ASSERT_TRUE(WaitFor([&] { return !proxy.isFiltering(); }));
    EXPECT_EQ(applied.count(), 1);
    reference.setFilter(filter);
    ASSERT_GT(reference.rowCount(), 3);
    std::vector<int> sliced, atOnce;
    for (int row = 0; row < proxy.rowCount(); ++row)
        sliced.push_back(proxy.sourceRow(row));
    for (int row = 0; row < reference.rowCount(); ++row)
        atOnce.push_back(reference.sourceRow(row));
    EXPECT_EQ(sliced, atOnce);
    EXPECT_EQ(sliced.back(), 60) << "the row listed meanwhile, with the most sources";

    // A new search empties the list while a filter is half done: it ends there, and the new
    // rows are judged by it as they come.
    proxy.setFilter(ResultFilter::Parse("jerry"));
    ASSERT_TRUE(proxy.isFiltering());
    ListDeleteAllItems(*list);
    EXPECT_FALSE(proxy.isFiltering());
    fill();
    EXPECT_EQ(proxy.rowCount(), 2) << "Tom & Jerry and the merged Jerry.Quiet.Harbor";
}

TEST_F(ResultViewTest, ListCommandsKeepTheirRowNumbersWhateverIsShown)
{
    fill();
    clickHeader(0);
    clickHeader(0); // serial descending: model row 0 is shown last
    const ControlReference reference = MainWindow::control(MainWindow::ResultList);
    EXPECT_EQ(ListInsertItem(reference, {}, Value("8")), 7);
    ListSetItemText(reference, 7, Value(1), Value("late"));
    QCoreApplication::processEvents();
    EXPECT_EQ(shown(0).front(), "8");
    EXPECT_EQ(TextToUtf8(ListGetItemText(reference, 0, Value(0))), "1");
    EXPECT_EQ(TextToUtf8(ListGetItemText(reference, 7, Value(1))), "late");

    // A row inserted before the others moves every later number down by one.
    EXPECT_EQ(ListInsertItem(reference, Value(0), Value("0")), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(TextToUtf8(ListGetItemText(reference, 1, Value(0))), "1");
    EXPECT_EQ(TextToUtf8(ListGetItemText(reference, 8, Value(1))), "late");
    EXPECT_EQ(shown(0), (Column{"8", "6", "4", "3", "2", "1", "0"})) << "5 and 7 merged into 3";

    // The current selection is a model row; a row the filter hides cannot be selected.
    WriteControlProperty(MainWindow::Reference.window, MainWindow::ResultList,
                         PropertyCurrentSelection, -1, Value(3));
    EXPECT_EQ(list->currentIndex().row(), static_cast<int>(shown(0).size()) - 4);
    EXPECT_EQ(ListCurrentSelection(reference), 3);
    typeIntoFilter(QStringLiteral("ocean"));
    waitForFilter();
    EXPECT_EQ(ListCurrentSelection(reference), -1);
    WriteControlProperty(MainWindow::Reference.window, MainWindow::ResultList,
                         PropertyCurrentSelection, -1, Value(3));
    EXPECT_EQ(ListCurrentSelection(reference), -1);
}

TEST_F(ResultViewTest, CtrlCCopiesTheSelectedLinksAsShown)
{
    fill();
    clickHeader(2);
    clickHeader(2); // size descending: 6, 3, 1, 4, 2
    list->setFocus();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(2));
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              Samples()[5].link + "\n" + Samples()[0].link);

    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectedRows().size(), 5u);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), 4);
    EXPECT_TRUE(
        QGuiApplication::clipboard()->text().startsWith(QString::fromStdString(Samples()[5].link)));
}

// The keyboard never traps: Tab leaves the list, Down from the filter box enters it on its
// first row, and Ctrl+C says in the status line how many links it copied.
TEST_F(ResultViewTest, KeysLeaveAndEnterTheListAndCopyingSaysSo)
{
    fill();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QLineEdit *filter = window->filterBar().filterBox();
    filter->setFocus();
    QTest::keyClick(filter, Qt::Key_Down);
    EXPECT_TRUE(list->hasFocus());
    EXPECT_EQ(list->currentSelection(), list->shownRows().front());
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentSelection(), list->shownRows()[1]) << "arrows move within";
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_FALSE(list->hasFocus()) << "Tab leaves the list";
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Backtab);
    EXPECT_FALSE(list->hasFocus());

    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    auto *line = window->findChild<AnnouncementLabel *>(QStringLiteral("标签3"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->shownText(), QStringLiteral("已复制 5 条链接"));
    EXPECT_NE(window->announcement(), ToRuntimeText(QStringLiteral("已复制 5 条链接")))
        << "the announcement itself is kept";
}

// A right-to-left override in a name reorders nothing outside it: the cell and the tool tip
// hold it isolated, and the tool tip spells the control out.
TEST_F(ResultViewTest, DirectionControlsInANameStayInsideIt)
{
    const std::string rlo = "\xE2\x80\xAE";
    fill({{("假货" + rlo + "4pm.exe").c_str(), "1 KB", "2", Link("fake.exe", 1024, '7')}});
    const QModelIndex name = list->model()->index(0, NameColumn);
    auto *delegate = qobject_cast<QStyledItemDelegate *>(list->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    const QString cell = delegate->displayText(name.data(), QLocale());
    const QString raw = QString::fromUtf8("假货" + rlo + "4pm.exe");
    EXPECT_EQ(cell, QChar(0x2068) + raw + QChar(0x2069));
    const QString tip = name.data(Qt::ToolTipRole).toString();
    EXPECT_TRUE(tip.startsWith(QChar(0x2068) + raw + QChar(0x2069) + QLatin1Char('\n')))
        << tip.toStdString();
    EXPECT_TRUE(tip.contains(QString::fromUtf8("假货⟨RLO⟩4pm.exe"))) << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("（.exe）"))) << tip.toStdString();
}

// A filter the box cannot read turns it red under the desktop's look and under the visual
// style with the skin, and a line above the list says why; letters a size cannot hold are
// refused in words.
TEST_F(ResultViewTest, UnreadableFilterIsRedAndSaysWhy)
{
    fill();
    QLineEdit *box = window->filterBar().filterBox();
    QFile skin(QStringLiteral(JIUJIU_SKIN_SOURCE_DIR "/jiujiu.qss"));
    ASSERT_TRUE(skin.open(QIODevice::ReadOnly));
    const QString skinSheet = QString::fromUtf8(skin.readAll());
    const auto reddish = [](const QImage &image) {
        int red = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 150 && c.green() < 90 && c.blue() < 90;
            }
        return red;
    };
    for (bool styled : {false, true}) {
        SCOPED_TRACE(styled ? "visual style and skin" : "desktop look");
        if (styled) {
            qApp->setStyleSheet(skinSheet);
            SetVisualStyle(2);
        }
        box->setText(QStringLiteral("size>=lots"));
        window->filterBar().applyNow();
        QTest::qWait(20);
        EXPECT_GT(reddish(box->grab().toImage()), 20);
        QLabel *line = window->filterBar().problemLine();
        EXPECT_TRUE(line->isVisible());
        EXPECT_TRUE(window->filterBar().problemText().contains(QStringLiteral("lots")));
        EXPECT_GE(list->geometry().top(), line->geometry().bottom()) << "the list makes room";
        box->setText(QStringLiteral("size>=1KB"));
        window->filterBar().applyNow();
        QTest::qWait(20);
        EXPECT_EQ(reddish(box->grab().toImage()), 0);
        EXPECT_FALSE(line->isVisible());
        EXPECT_EQ(list->geometry().top(), 32);
    }
    SetVisualStyle(0);
    qApp->setStyleSheet(QString());

    auto *maxSize = window->findChild<QLineEdit *>(QStringLiteral("最大大小"));
    ASSERT_NE(maxSize, nullptr);
    maxSize->setFocus();
    QTest::keyClicks(maxSize, QStringLiteral("7x"));
    EXPECT_EQ(maxSize->text(), QStringLiteral("7"));
    EXPECT_TRUE(window->filterBar().problemText().contains(QStringLiteral("最大大小")));
}

TEST_F(ResultViewTest, EnterActsOnTheCurrentRowAndEmptySpaceOnNothing)
{
    fill();
    QSignalSpy doubleClicks(window, &MainWindow::resultDoubleClicked);
    ListSearchWindow search;
    QObject::connect(window, &MainWindow::resultDoubleClicked, window,
                     [&search] { ActOnSelectedResult(search, {}); });
    answer = IdCancel; // the copy path

    clickHeader(0);
    clickHeader(0); // serial descending
    list->setFocus();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(1)); // serial 4
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_EQ(doubleClicks.count(), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(opened, (std::vector<std::string>{Samples()[3].link}));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), Samples()[3].link);

    // Below the last row: the selection goes and the user is told nothing was chosen.
    const QPoint below(rowCentre(0).x(), list->viewport()->height() - 5);
    ASSERT_FALSE(list->indexAt(below).isValid());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(doubleClicks.count(), 2);
    EXPECT_EQ(list->currentSelection(), -1);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes.back(), "未正确选中！");
    EXPECT_EQ(opened.size(), 1u);
}

TEST_F(ResultViewTest, DoubleClickActsOnTheRowShown)
{
    fill();
    typeIntoFilter(QStringLiteral("harbor"));
    waitForFilter();
    clickHeader(2);
    ListSearchWindow search;
    QObject::connect(window, &MainWindow::resultDoubleClicked, window,
                     [&search] { ActOnSelectedResult(search, {}); });
    answer = IdCancel;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(0));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(0));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], Samples()[2].link) << "the merged row stands for model row 2";
}

TEST_F(ResultViewTest, ContextMenuActions)
{
    fill();
    QSignalSpy plays(window, &MainWindow::resultPlayRequested);
    clickHeader(3);
    clickHeader(3); // sources descending: 3 (30), 2 (40)... as shown: 2, 3, 6, 1, 4
    ResultListActions &actions = window->resultActions();
    QMenu *menu = actions.menu();
    openMenuAt(1);
    ASSERT_TRUE(menu->isVisible());
    QStringList titles;
    for (QAction *action : menu->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("云播放"), QStringLiteral("复制链接"),
                                   QStringLiteral("用 ed2k 客户端打开"), QStringLiteral("复制名称"),
                                   QStringLiteral("查看全部名称"), QString(),
                                   QStringLiteral("导出选中…"), QStringLiteral("导出全部…")}));
    menu->hide();

    actions.playAction()->trigger();
    ASSERT_EQ(plays.count(), 1);
    EXPECT_EQ(plays.at(0).at(0).toInt(), 2) << "the right-clicked row, as a model row";
    actions.copyNamesAction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "Jerry.Quiet.Harbor.mkv")
        << "the name without its merge mark";
    actions.copyLinksAction()->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), Samples()[2].link);
    actions.openAction()->trigger();
    EXPECT_EQ(opened, (std::vector<std::string>{Samples()[2].link}));

    // On empty space nothing is selected: only 导出全部 is offered.
    const QPoint below(rowCentre(0).x(), list->viewport()->height() - 5);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    QContextMenuEvent event(QContextMenuEvent::Mouse, below, list->viewport()->mapToGlobal(below));
    QApplication::sendEvent(list->viewport(), &event);
    EXPECT_FALSE(actions.playAction()->isEnabled());
    EXPECT_FALSE(actions.copyLinksAction()->isEnabled());
    EXPECT_TRUE(actions.exportAllAction()->isEnabled());
    menu->hide();
}

TEST_F(ResultViewTest, OpeningManyLinksAsksFirst)
{
    std::vector<Sample> many;
    for (int i = 0; i < ResultListActions::OpenWithoutAsking + 1; ++i)
        many.push_back({"x", "1 B", "1", Link("x", i + 1, 'A')});
    fill(many);
    list->selectAll();
    answer = IdCancel;
    window->resultActions().openInClient();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(opened.empty());
    answer = IdOk;
    window->resultActions().openInClient();
    EXPECT_EQ(opened.size(), many.size());
}

class ExportTest : public ResultViewTest
{
protected:
    void SetUp() override
    {
        ResultViewTest::SetUp();
        std::string pattern = (fs::temp_directory_path() / "jiujiu-ui-export-XXXXXX").string();
        directory = ::mkdtemp(pattern.data());
    }
    void TearDown() override
    {
        fs::remove_all(directory);
        ResultViewTest::TearDown();
    }

    // Answers the file dialog with a path as a user would: types it and accepts.
    void answerDialogWith(const fs::path &path)
    {
        QTimer::singleShot(0, window, [path] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->objectName(), QStringLiteral("导出对话框"));
            dialog->selectFile(QString::fromStdString(path.string()));
            static_cast<QDialog *>(dialog)->accept(); // as the Save button does
        });
    }

    fs::path directory;
};

TEST_F(ExportTest, SelectedRowsToCsvAndAllRowsToALinkList)
{
    fill();
    clickHeader(3);
    clickHeader(3); // sources descending, merged: 2 (40), 3 (30), 6 (7), 1 (5), 4 (none)
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(1));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(3));

    const fs::path csv = directory / "结果.csv";
    answerDialogWith(csv);
    ASSERT_TRUE(window->resultActions().exportRows(true));
    // 提示: what only another listing says, with its serial, and where else the file is listed.
    EXPECT_EQ(ReadFile(csv),
              "\xEF\xBB\xBF序号,名称,大小,大小(字节),资源数,链接,提示\r\n"
              "3,Jerry.Quiet.Harbor.mkv,1.2 GB,1288490189,30," +
                  Samples()[2].link +
                  ",序号 7：链接里的文件名“harbor.mkv”与名称不符，下载到的可能是另一个"
                  "文件；同一文件另见：序号 5 “Jerry.Quiet.Harbor.mkv”（资源 30）、"
                  "序号 7 “Jerry.Quiet.Harbor (copy).mkv”（资源 9）"
                  "\r\n1,Tom & Jerry.Remix.mkv,700 MB,734003200,5," +
                  Samples()[0].link + ",\r\n");

    const fs::path links = directory / "links.txt";
    answerDialogWith(links);
    ASSERT_TRUE(window->resultActions().exportRows(false));
    EXPECT_EQ(ReadFile(links), Samples()[1].link + "\n" + Samples()[2].link + "\n" +
                                   Samples()[5].link + "\n" + Samples()[0].link + "\n" +
                                   Samples()[3].link + "\n");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(ExportTest, SpreadsheetIsTheFirstChoiceWithItsSheetNamedAfterTheSearch)
{
    fill();
    window->setKeyword(Utf8ToText("汤姆"));
    window->setSearchRunning(true);
    window->setSearchRunning(false);
    window->setKeyword(Utf8ToText("typed since"));
    const fs::path xlsx = directory / "结果.xlsx";
    QStringList filters;
    QString suffix;
    QTimer::singleShot(0, window, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        dialog->selectFile(QString::fromStdString(xlsx.string()));
        static_cast<QDialog *>(dialog)->accept();
    });
    ASSERT_TRUE(window->resultActions().exportRows(false));
    EXPECT_EQ(filters, (QStringList{QStringLiteral("Excel 工作簿 (*.xlsx)"),
                                    QStringLiteral("CSV 表格 (*.csv)"),
                                    QStringLiteral("ed2k 链接列表 (*.txt)")}));
    EXPECT_EQ(suffix, QStringLiteral("xlsx"));

    jiujiu::test::ChildProcess reader({"/usr/bin/python3", JIUJIU_XLSX_CELLS, xlsx.string()});
    std::string cells, err;
    ASSERT_EQ(reader.finish(&cells, &err), 0) << err;
    EXPECT_NE(cells.find("\nsheet\t汤姆\n"), std::string::npos) << cells;
    // One row per shown row, its name as text, 类型 and 状态 beside it.
    const int shown = static_cast<int>(list->shownRows().size());
    ASSERT_GT(shown, 1);
    for (int row = 2; row <= shown + 1; ++row) {
        const std::string r = std::to_string(row);
        EXPECT_NE(cells.find("\ncell\tB" + r + "\ts\t"), std::string::npos) << r;
        EXPECT_NE(cells.find("\ncell\tG" + r + "\ts\t"), std::string::npos) << r;
        EXPECT_NE(cells.find("\ncell\tI" + r + "\ts\t新\t"), std::string::npos) << r;
    }
    EXPECT_EQ(cells.find("\ncell\tB" + std::to_string(shown + 2) + "\t"), std::string::npos);
}

TEST_F(ExportTest, FailureIsReportedAndLeavesNoFile)
{
    fill();
    const fs::path csv = directory / "big.csv";
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = 64; // the file system takes no more: the write fails half-way
    answerDialogWith(csv);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool written = window->resultActions().exportRows(false);
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].starts_with("导出失败")) << boxes[0];
    EXPECT_TRUE(fs::is_empty(directory)) << "neither the file nor a temporary one";
}

TEST_F(ResultViewTest, CtrlFShowsTheResultsAndFocusesTheFilter)
{
    window->setCurrentPage(0);
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    window->filterBar().filterBox()->setText(QStringLiteral("old"));
    QTest::keyClick(window, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(window->currentPage(), 1);
    EXPECT_TRUE(window->filterBar().filterBox()->hasFocus());
    EXPECT_EQ(window->filterBar().filterBox()->selectedText(), QStringLiteral("old"));
}

TEST_F(ResultViewTest, FilterRowSitsBesideTheTabsAboveTheList)
{
    const QRect bar = window->filterBar().geometry();
    const QRect tabs = window->findChild<QTabBar *>()->geometry();
    EXPECT_EQ(list->geometry(), QRect(8, 32, 771, 382)) << "the list keeps its place";
    EXPECT_GT(bar.left(), tabs.right());
    EXPECT_LE(bar.bottom(), list->geometry().top());
    EXPECT_EQ(bar.right(), list->geometry().right());
}

namespace {

// Six videos (one listed again under a program's name), a player among them, a link cut short.
const std::vector<Sample> &JudgedSamples()
{
    static const std::vector<Sample> samples = {
        {"a.mkv", "700 MB", "5", Link("a.mkv", 734003200, '1')},
        {"b.mkv", "700 MB", "6", Link("b.mkv", 734003200, '2')},
        {"c.mkv", "700 MB", "7", Link("c.mkv", 734003200, '3')},
        {"d.mkv", "700 MB", "8", Link("d.mkv", 734003200, '4')},
        {"e.mkv", "700 MB", "9", Link("e.mkv", 734003200, '5')},
        {"player.exe", "5 MB", "10", Link("player.exe", 5242880, '6')},
        {"cut.mkv", "700 MB", "11", "ed2k://|file|cut.mkv|734003200|" + std::string(32, '7') + "|"},
        {"e.avi.exe", "700 MB", "12", Link("e.avi.exe", 734003200, '5')},
    };
    return samples;
}

} // namespace

// A broken link reaches neither the cloud-play page nor the ed2k client on any path: double-
// click, Enter, 云播放 and 用 ed2k 客户端打开 each say why instead.
TEST_F(ResultViewTest, BrokenLinksAreNeverHandedOn)
{
    fill(JudgedSamples());
    ListSearchWindow search;
    std::vector<Text> played;
    QObject::connect(window, &MainWindow::resultDoubleClicked, window, [&] {
        ActOnSelectedResult(search, [&](const Text &address) { played.push_back(address); });
    });
    QSignalSpy menuPlays(window, &MainWindow::resultPlayRequested);
    const std::string why = "这个链接无效，不能云播放，也不能交给 ed2k 客户端：\r\n"
                            "链接没有以“|/”结尾，可能被截断了\r\n可以复制链接，看看哪里不对。";
    const struct
    {
        const char *path;
        std::function<void()> act;
    } paths[] = {
        {"double-click",
         [&] { QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCentre(6)); }},
        {"Enter", [&] { QTest::keyClick(list, Qt::Key_Return); }},
        {"云播放", [&] { window->resultActions().playAction()->trigger(); }},
        {"用 ed2k 客户端打开", [&] { window->resultActions().openAction()->trigger(); }},
    };
    for (int answerGiven : {IdOk, IdCancel}) {
        for (const auto &path : paths) {
            SCOPED_TRACE(path.path);
            answer = answerGiven;
            boxes.clear();
            list->setFocus();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(6));
            ASSERT_EQ(list->currentSelection(), 6);
            path.act();
            EXPECT_EQ(boxes, (std::vector<std::string>{why}));
        }
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(played.empty());
    EXPECT_EQ(menuPlays.count(), 0);

    // Sound links still go on, with the broken one of a selection named and left out.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(0));
    window->resultActions().playAction()->trigger();
    EXPECT_EQ(menuPlays.count(), 1);
    boxes.clear();
    list->selectAll();
    window->resultActions().openAction()->trigger();
    EXPECT_EQ(opened.size(), 6u) << "every sound link, the merged copy's once";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].starts_with("选中的链接里有 1 个无效")) << boxes[0];
}

// What the list shows of its verdicts: a tag and a mark before the name, a broken link greyed
// and struck through, the reasons in tool tips, the columns 类型 and 提示 on request.
TEST_F(ResultViewTest, MarksToolTipsAndViewColumns)
{
    fill(JudgedSamples());
    const QAbstractItemModel *shown = list->model();
    const auto cell = [&](int row, int column, int role) {
        return shown->index(row, column).data(role);
    };
    EXPECT_FALSE(cell(0, NameColumn, Qt::DecorationRole).value<QPixmap>().isNull());
    EXPECT_NE(cell(0, NameColumn, Qt::DecorationRole).value<QPixmap>().toImage(),
              cell(5, NameColumn, Qt::DecorationRole).value<QPixmap>().toImage())
        << "a video's tag is not a suspicious program's";
    EXPECT_TRUE(cell(6, LinkColumn, Qt::FontRole).value<QFont>().strikeOut());
    EXPECT_FALSE(cell(0, LinkColumn, Qt::FontRole).isValid());
    EXPECT_TRUE(cell(6, NameColumn, Qt::ForegroundRole).isValid()) << "greyed";
    const QString player = cell(5, NameColumn, Qt::ToolTipRole).toString();
    EXPECT_TRUE(player.contains(QStringLiteral("类型：程序（.exe）"))) << player.toStdString();
    EXPECT_TRUE(player.contains(QStringLiteral("这一个却是程序"))) << player.toStdString();
    // The merged row of e.mkv speaks for its copy under a program's name, with its serial.
    const QString merged = cell(4, NameColumn, Qt::ToolTipRole).toString();
    EXPECT_TRUE(merged.contains(QStringLiteral("序号 8：文件名以 .avi.exe 结尾")))
        << merged.toStdString();
    EXPECT_TRUE(merged.contains(QStringLiteral("同一文件列出了 2 次"))) << merged.toStdString();

    // 类型 and 提示: hidden until chosen from the header's menu; the choice outlives the rows
    // and holds for a list made later; the list commands still know five columns.
    ResultColumnsMenu &columns = *list->columnsMenu();
    EXPECT_TRUE(list->isColumnHidden(ResultListModel::TypeColumn));
    EXPECT_TRUE(list->isColumnHidden(ResultListModel::HintColumn));
    columns.action(ResultListModel::HintColumn)->trigger();
    EXPECT_FALSE(list->isColumnHidden(ResultListModel::HintColumn));
    EXPECT_TRUE(list->isColumnHidden(ResultListModel::TypeColumn));
    EXPECT_EQ(shown->headerData(ResultListModel::HintColumn, Qt::Horizontal).toString(),
              QStringLiteral("提示"));
    EXPECT_TRUE(cell(5, ResultListModel::HintColumn, Qt::DisplayRole)
                    .toString()
                    .startsWith(QStringLiteral("列表里多是视频和音频")));
    EXPECT_EQ(cell(5, ResultListModel::TypeColumn, Qt::DisplayRole).toString(),
              QStringLiteral("程序"));
    ListDeleteAllItems(MainWindow::control(MainWindow::ResultList));
    fill(JudgedSamples());
    EXPECT_FALSE(list->isColumnHidden(ResultListModel::HintColumn));
    {
        ReportListView later;
        EXPECT_FALSE(later.isColumnHidden(ResultListModel::HintColumn));
        EXPECT_TRUE(later.isColumnHidden(ResultListModel::TypeColumn));
    }
    columns.action(ResultListModel::HintColumn)->trigger();
    EXPECT_TRUE(list->isColumnHidden(ResultListModel::HintColumn));
    const ControlReference control = MainWindow::control(MainWindow::ResultList);
    EXPECT_EQ(TextToUtf8(ListGetItemText(control, 5, Value(1))), "player.exe");
    EXPECT_TRUE(ListGetItemText(control, 5, Value(ResultListModel::HintColumn)).empty());
}

// The type choice and 隐藏可疑 beside the filter box, and 查看全部名称 of a merged row.
TEST_F(ResultViewTest, TypeChoiceHideSuspiciousAndAllNames)
{
    fill(JudgedSamples());
    auto *type = window->filterBar().findChild<QComboBox *>(QStringLiteral("类型"));
    auto *hide = window->filterBar().findChild<QCheckBox *>(QStringLiteral("隐藏可疑"));
    ASSERT_TRUE(type && hide);
    type->setCurrentIndex(type->findText(QStringLiteral("程序")));
    EXPECT_EQ(shown(NameColumn), (Column{"player.exe"}));
    type->setCurrentIndex(0);
    hide->setChecked(true);
    // e.mkv goes too: its copy under a program's name is suspicious, and it stands for both.
    EXPECT_EQ(shown(NameColumn), (Column{"a.mkv", "b.mkv", "c.mkv", "d.mkv", "cut.mkv"}));
    window->filterBar().filterBox()->setText(QStringLiteral("-链接无效"));
    window->filterBar().applyNow();
    EXPECT_EQ(shown(SerialColumn), (Column{"1", "2", "3", "4"}));
    hide->setChecked(false);
    window->filterBar().filterBox()->clear();
    window->filterBar().applyNow();

    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(4));
    window->resultActions().allNamesAction()->trigger();
    auto *dialog = window->findChild<QDialog *>(QStringLiteral("全部名称"));
    ASSERT_NE(dialog, nullptr);
    auto *table = dialog->findChild<QTableWidget *>(QStringLiteral("名称表"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("5"));
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("8"));
    EXPECT_EQ(table->item(1, 1)->text(), Isolated(QStringLiteral("e.avi.exe")));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("12"));
    dialog->close();
}

// The search's own texts as the window shows them: English under an English locale, the exact
// Chinese source texts under any other; a nested template and a file type's name translated too.
TEST_F(ResultViewTest, SearchTextsFollowTheInterfaceLanguage)
{
    fill(JudgedSamples());
    const struct
    {
        const char *locale;
        const char *total;
        const char *incomplete;
        const char *boxTitle;
        const char *emptyKeyword;
        const char *tooLarge;
        const char *brokenLink;
        const char *doubleExtension;
    } cases[] = {
        {"zh_CN", "为您找到[12]枚资源！双击复制、下载！",
         "为您找到[40]枚资源，只列出了 20 枚：第 2、3 页没能读出来，第 4 页有 1 行读不出来，后面 1 "
         "页也没再读！双击复制、下载！",
         "温馨提示", "请输入需搜索的关键字！",
         "呜呜，搜索服务的答案太大（答案超过 64 MB），没能读出来！",
         "链接无效：链接没有以“|/”结尾，可能被截断了",
         "⚠ 序号 8：文件名以 .avi.exe 结尾：看着像视频，打开却会运行程序"},
        {"en_US", "Found [12] resources! Double-click to copy and download!",
         "Found [40] resources, only 20 listed: page(s) 2, 3 could not be read, page 4 has 1 "
         "unreadable row(s), the 1 page(s) after were not read! Double-click to copy and download!",
         "Note", "Please type a keyword to search for!",
         "Oh no, the search service's answer is too large to read (the answer is over 64 MB)!",
         "Broken link: the link does not end in \"|/\"; it may be cut short",
         "⚠ No. 8: The file name ends in .avi.exe: it looks like a Video file but opening it runs "
         "a "
         "program"},
    };
    const QAbstractItemModel *shown = list->model();
    for (const auto &c : cases) {
        SCOPED_TRACE(c.locale);
        const bool english = InstallInterfaceLanguage(QLocale(QString::fromLatin1(c.locale)));
        MainSearchWindow search;
        search.setAnnouncement(TotalAnnouncement("12"));
        EXPECT_EQ(TextToUtf8(window->announcement()), c.total);
        search.setAnnouncement(IncompleteAnnouncement("40", 20, {2, 3}, 1, {{4, 1}}));
        EXPECT_EQ(TextToUtf8(window->announcement()), c.incomplete);
        const auto empty = MakeMessageBox(EmptyKeywordMessage(), 0, SearchMessageTitle());
        EXPECT_EQ(empty->windowTitle().toStdString(), c.boxTitle);
        EXPECT_EQ(empty->text().toStdString(), c.emptyKeyword);
        const auto large = MakeMessageBox(AnswerTooLargeMessage(TooLargeReason(64 << 20)), 0,
                                          SearchMessageTitle());
        EXPECT_EQ(large->text().toStdString(), c.tooLarge);
        const QString link = shown->index(6, LinkColumn).data(Qt::ToolTipRole).toString();
        EXPECT_TRUE(link.endsWith(QString::fromUtf8(c.brokenLink))) << link.toStdString();
        const QString name = shown->index(4, NameColumn).data(Qt::ToolTipRole).toString();
        EXPECT_TRUE(name.contains(QString::fromUtf8(c.doubleExtension))) << name.toStdString();
        if (english)
            RemoveInterfaceLanguage();
    }
}

// The sources column widens to the widest text in view, however that row got there; a row out
// of view is not measured, so a page listed never costs more than the rows on screen.
TEST(ReportListViewWidths, SourcesWidenToTheRowsInView)
{
    enum class Arrival
    {
        ListedInView,
        SortedToTheTop,
        ScrolledTo,
    };
    const std::string wide = "123456789012345";
    for (const Arrival arrival :
         {Arrival::ListedInView, Arrival::SortedToTheTop, Arrival::ScrolledTo}) {
        SCOPED_TRACE(static_cast<int>(arrival));
        const Collator collator("C");
        ReportListView view(collator);
        view.resize(771, 300);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        const int narrow = view.columnWidth(SourcesColumn);
        const int wideRow = arrival == Arrival::ListedInView ? 2 : 2500;
        std::vector<ResultRow> rows;
        for (int i = 0; i < 3000; ++i)
            rows.emplace_back(std::to_string(i + 1), "name", "1 MB", i == wideRow ? wide : "1",
                              Link("f" + std::to_string(i), 1000 + i, 'A'));
        ListAppendRows(view, std::move(rows));
        QCoreApplication::processEvents();
        if (arrival != Arrival::ListedInView) {
            EXPECT_EQ(view.columnWidth(SourcesColumn), narrow);
        }
        if (arrival == Arrival::SortedToTheTop)
            view.sortByColumn(SourcesColumn, Qt::DescendingOrder);
        if (arrival == Arrival::ScrolledTo)
            view.scrollTo(view.model()->index(wideRow, SourcesColumn));
        QCoreApplication::processEvents();
        const int shownRow = arrival == Arrival::SortedToTheTop ? 0 : wideRow;
        const QModelIndex index = view.model()->index(shownRow, SourcesColumn);
        ASSERT_EQ(index.data().toString().toStdString(), wide);
        EXPECT_GE(
            view.columnWidth(SourcesColumn),
            view.itemDelegateForIndex(index)->sizeHint(QStyleOptionViewItem(), index).width());
    }
}
