// Marks from the ed2k client in the real main window: rows coloured and named by what the
// client's files say, following them as they change, hand-offs marked at once, the filter's
// status: terms and the 隐藏已有 toggle, and colours that read in both styles.
#include "ed2kclient/clientstate.h"
#include "mainwindowharness.h"
#include "metwriter.h"
#include "net/openaddress.h"
#include "results/clientmarker.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "scratchdirectory.h"
#include "ui/clientmarkswatcher.h"
#include "ui/mainwindow.h"
#include "ui/qttext.h"
#include "ui/qtuiservices.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistactions.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"
#include "ui/rowstatusstyle.h"
#include "ui/windowregistry.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTabBar>
#include <QTest>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

using namespace jiujiu;
using test::WaitFor;
namespace fs = std::filesystem;

namespace {

struct File
{
    const char *name;
    std::uint64_t size;
    char digit; // the hash: 32 of it
    FileId id() const { return {test::HashOf(std::string(32, digit)), size}; }
    std::string link() const
    {
        return "ed2k://|file|" + std::string(name) + "|" + std::to_string(size) + "|" +
               std::string(32, digit) + "|/";
    }
};

// Listed in this order; the client has the first, downloads the third and cancelled the fifth.
const File kFiles[] = {
    {"have.mkv", 734003200, 'a'}, {"fresh.avi", 1000, 'b'},   {"loading.iso", 2000, 'c'},
    {"also-new.mp4", 3000, 'd'},  {"dropped.rar", 4000, 'e'},
};

class ClientMarksTest : public ::testing::Test, protected test::MainWindowHarness
{
protected:
    void SetUp() override
    {
        qputenv("JIUJIU_ED2K_CLIENT_DIR", QByteArray::fromStdString(dir().string()));
        test::WriteFile(dir() / "known.met", test::KnownMetFile({kFiles[0].id()}));
        test::WriteFile(dir() / "Temp/001.part.met",
                        test::PartMetFile(kFiles[2].id(), {{0, 500}, {1500, 2000}}));
        test::WriteFile(dir() / "canceled.met", test::CanceledMetFile({kFiles[4].id().hash}));

        ASSERT_TRUE(loadMainWindow());
        ASSERT_EQ(window->clientMarks().directory(), dir());

        std::vector<ResultRow> rows;
        int serial = 0;
        for (const File &f : kFiles)
            rows.emplace_back(std::to_string(++serial), f.name, "1 KB", "5", Utf8ToText(f.link()));
        list->listModel()->appendRows(std::move(rows));
    }

    void TearDown() override
    {
        unloadMainWindow();
        qunsetenv("JIUJIU_ED2K_CLIENT_DIR");
    }

    fs::path dir() const { return scratch.path() / ".aMule"; }

    // The statuses of the listed rows, as one word each (model order).
    std::vector<std::string> statuses() const
    {
        std::vector<std::string> out;
        for (int row = 0; row < list->listModel()->count(); ++row)
            out.emplace_back(RowStatusWord(list->listModel()->mark(row).status));
        return out;
    }

    bool statusesBecome(const std::vector<std::string> &expected)
    {
        return WaitFor([&] { return statuses() == expected; });
    }

    // A shown row's data in a role.
    QVariant shown(int row, int column, int role) const
    {
        return list->model()->index(row, column).data(role);
    }

    test::ScratchDirectory scratch{"jiujiu-marks"};
};

const std::vector<std::string> kFirstRead = {"已有", "新", "下载中", "新", "已取消"};

} // namespace

TEST_F(ClientMarksTest, RowsShowWhatTheClientsFilesSay)
{
    ASSERT_TRUE(statusesBecome(kFirstRead));
    const QColor base = QGuiApplication::palette().color(QPalette::Base);
    const struct
    {
        int row;
        RowStatus status;
        const char *toolTip; // the name's second line
        const char *tag;     // before the name; none for a file the client has no record of
    } rows[] = {
        {0, RowStatus::Known, "已有：ed2k 客户端里已有这个文件（下载过或正在共享）", "已有"},
        {1, RowStatus::New, nullptr, ""},
        // 1000 of 2000 bytes are gaps.
        {2, RowStatus::Downloading, "下载中：ed2k 客户端正在下载这个文件，已完成 50.0%",
         "下载中 50%"},
        {4, RowStatus::Cancelled, "已取消：这个文件曾在 ed2k 客户端里取消下载", "已取消"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.row);
        const QVariant colour = shown(row.row, LinkColumn, Qt::ForegroundRole);
        const QString tip = shown(row.row, NameColumn, Qt::ToolTipRole).toString();
        // The name's tip: the name and what judging says, then the status.
        EXPECT_TRUE(
            tip.startsWith(Isolated(QString::fromUtf8(kFiles[row.row].name)) + QLatin1Char('\n')))
            << tip.toStdString();
        EXPECT_EQ(shown(row.row, NameColumn, ResultListModel::StatusTagRole).toString(),
                  QString::fromUtf8(row.tag));
        EXPECT_EQ(shown(row.row, ResultListModel::StatusColumn, Qt::DisplayRole).toString(),
                  QString::fromUtf8(row.tag))
            << "the 状态 column says the same";
        if (!row.toolTip) {
            EXPECT_FALSE(colour.isValid());
            EXPECT_FALSE(tip.contains(QStringLiteral("ed2k 客户端"))) << tip.toStdString();
            continue;
        }
        EXPECT_EQ(colour.value<QBrush>().color(), RowStatusColour(row.status, base));
        EXPECT_TRUE(tip.endsWith(QLatin1Char('\n') + QString::fromUtf8(row.toolTip)))
            << tip.toStdString();
    }
    // The other columns keep their own tips.
    EXPECT_EQ(shown(0, SizeColumn, Qt::ToolTipRole).toString(), QStringLiteral("1 KB"));
}

TEST_F(ClientMarksTest, MarksFollowTheClientsFiles)
{
    ASSERT_TRUE(statusesBecome(kFirstRead));
    const struct
    {
        const char *what;
        void (*change)(const fs::path &dir);
        std::vector<std::string> statuses;
    } steps[] = {
        {"a new download",
         [](const fs::path &dir) {
             test::WriteFile(dir / "Temp/002.part.met",
                             test::PartMetFile(kFiles[3].id(), {{0, 3000}}));
         },
         {"已有", "新", "下载中", "下载中", "已取消"}},
        {"a download completes: its part file goes, known.met rewritten in place",
         [](const fs::path &dir) {
             fs::remove(dir / "Temp/001.part.met");
             test::WriteFile(dir / "known.met",
                             test::KnownMetFile({kFiles[0].id(), kFiles[2].id()}));
         },
         {"已有", "新", "已有", "下载中", "已取消"}},
        {"canceled.met replaced by a rename",
         [](const fs::path &dir) {
             test::WriteFile(dir / "canceled.new", test::CanceledMetFile({}));
             fs::rename(dir / "canceled.new", dir / "canceled.met");
         },
         {"已有", "新", "已有", "下载中", "新"}},
        {"the directory goes away",
         [](const fs::path &dir) { fs::remove_all(dir); },
         {"新", "新", "新", "新", "新"}},
        {"and comes back",
         [](const fs::path &dir) {
             test::WriteFile(dir / "known.met", test::KnownMetFile({kFiles[1].id()}));
         },
         {"新", "已有", "新", "新", "新"}},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        step.change(dir());
        EXPECT_TRUE(statusesBecome(step.statuses));
    }
}

// A file the client already has or downloads is handed over only when the user says so.
TEST_F(ClientMarksTest, HandingOverAFileTheClientHasAsksFirst)
{
    ASSERT_TRUE(statusesBecome(kFirstRead));
    const struct
    {
        std::vector<int> rows; // 0 已有, 1 新, 2 下载中
        int answer;
        std::size_t handed;
        const char *asked; // in the question; none: no question
    } cases[] = {
        {{1}, IdNo, 1, nullptr},
        {{0}, IdNo, 0, "客户端里已有这个文件，仍要交给客户端吗？"},
        {{2}, IdYes, 1, "客户端正在下载这个文件（已下载 50%），仍要交给客户端吗？"},
        {{0, 1, 2}, IdNo, 1, "有 2 个文件客户端里已有或正在下载"},
        {{0, 1, 2}, IdYes, 3, "有 2 个文件客户端里已有或正在下载"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rows.size() * 10 + static_cast<std::size_t>(c.answer));
        list->selectionModel()->clearSelection();
        for (int row : c.rows)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        opened.clear();
        boxes.clear();
        answer = c.answer;
        window->resultActions().openAction()->trigger();
        EXPECT_EQ(opened.size(), c.handed);
        if (!c.asked) {
            EXPECT_TRUE(boxes.empty());
            continue;
        }
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].find(c.asked), std::string::npos) << boxes[0];
    }
}

TEST_F(ClientMarksTest, HandOffMarksAtOnceAndTheDownloadTakesOver)
{
    ASSERT_TRUE(statusesBecome(kFirstRead));
    // 用 ed2k 客户端打开 on the new row and on the cancelled one.
    list->selectionModel()->clearSelection();
    for (int row : {1, 4})
        list->selectionModel()->select(list->model()->index(row, 0),
                                       QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window->resultActions().openAction()->trigger();
    EXPECT_EQ(opened.size(), 2u);
    // No waiting for the client's files: marked as the links are handed over.
    EXPECT_EQ(statuses(),
              (std::vector<std::string>{"已有", "已交给客户端", "下载中", "新", "已交给客户端"}));
    EXPECT_TRUE(shown(1, NameColumn, Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("已交给客户端：")));

    // The client queues one of them.
    test::WriteFile(dir() / "Temp/003.part.met", test::PartMetFile(kFiles[1].id(), {{0, 1000}}));
    EXPECT_TRUE(statusesBecome({"已有", "下载中", "下载中", "新", "已交给客户端"}));
    EXPECT_EQ(list->listModel()->mark(1).donePermille, 0);
}

TEST_F(ClientMarksTest, StatusTermsAndTheHideKnownToggle)
{
    ASSERT_TRUE(statusesBecome(kFirstRead));
    ResultFilterBar &bar = window->filterBar();
    const auto shownNames = [this] {
        std::vector<std::string> names;
        for (int row = 0; row < list->model()->rowCount(); ++row)
            names.push_back(shown(row, NameColumn, Qt::DisplayRole).toString().toStdString());
        return names;
    };
    // The window's filter reads status terms (their grammar is tested with the filter's).
    const struct
    {
        const char *filter;
        bool hideKnown;
        std::vector<std::string> names;
    } rows[] = {
        {"status:下载中", false, {"loading.iso"}},
        {"", true, {"fresh.avi", "loading.iso", "also-new.mp4", "dropped.rar"}},
        {"-status:已取消 .mkv", false, {"have.mkv"}},
    };
    auto *hideKnown = bar.findChild<QCheckBox *>(QStringLiteral("隐藏已有"));
    ASSERT_NE(hideKnown, nullptr);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.filter);
        bar.filterBox()->setText(QString::fromUtf8(row.filter));
        hideKnown->setChecked(row.hideKnown);
        bar.applyNow();
        ASSERT_TRUE(WaitFor([this] { return !list->shownModel()->isFiltering(); }));
        EXPECT_EQ(shownNames(), row.names);
        EXPECT_EQ(bar.statusText(),
                  QStringLiteral("显示 %1 / 共 5").arg(static_cast<int>(row.names.size())));
    }
    // A status the box cannot read turns it red and keeps the last filter.
    bar.filterBox()->setText(QStringLiteral("status:lots"));
    bar.applyNow();
    EXPECT_TRUE(bar.filterError().contains(QStringLiteral("“lots”不是状态")));
    EXPECT_EQ(shownNames(), rows[std::size(rows) - 1].names);

    // Once the client has the file, 隐藏已有 hides it too.
    bar.filterBox()->clear();
    hideKnown->setChecked(true);
    bar.applyNow();
    test::WriteFile(dir() / "known.met", test::KnownMetFile({kFiles[0].id(), kFiles[1].id()}));
    EXPECT_TRUE(WaitFor([&] { return shownNames().size() == 3; }));
}

// Status colours read at 4.5 : 1 or better on the list's rows in the plain style, under the
// skin's palette and on a dark palette, and differ from each other; and they reach the screen under
// the skin's style sheet, which could override a model's colours.
TEST(ClientMarkColours, LegibleInBothStylesAndDrawnUnderTheSkin)
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    const struct
    {
        const char *style;
        QColor base;
    } styles[] = {
        {"plain", fusion->standardPalette().color(QPalette::Base)},
        {"plain, this platform", QApplication::palette().color(QPalette::Base)},
        {"skin", QColor(0xFFFFFF)}, // res/skin/jiujiu.palette and jiujiu.qss
        {"dark", QColor(0x20, 0x22, 0x26)},
    };
    for (const auto &style : styles) {
        for (int s = 1; s < kRowStatusCount; ++s) {
            const auto status = static_cast<RowStatus>(s);
            SCOPED_TRACE(std::string(style.style) + " " + std::string(RowStatusWord(status)));
            const QColor base = style.base;
            const QColor colour = RowStatusColour(status, base);
            EXPECT_GE(ContrastRatio(colour, base), kLegibleContrast);
            for (int other = 1; other < s; ++other)
                EXPECT_NE(colour, RowStatusColour(static_cast<RowStatus>(other), base));
        }
    }

    // Drawn: the skin's list rules on, one known row and one new row.
    QFile sheet(QStringLiteral(JIUJIU_SKIN_SOURCE_DIR "/jiujiu.qss"));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    const QString previousSheet = qApp->styleSheet();
    qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    {
        ClientMarker marker(std::make_shared<const ClientState>(
            std::vector<FileId>{kFiles[0].id()}, std::vector<PartMet>{}, std::vector<Md4Hash>{}));
        ReportListView view;
        view.resize(600, 120);
        view.listModel()->setMarker(&marker);
        view.listModel()->appendRows({ResultRow("1", "WWWWWWWWWW", "1 KB", "5", kFiles[0].link()),
                                      ResultRow("2", "WWWWWWWWWW", "1 KB", "5", kFiles[1].link())});
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        const QImage image = view.viewport()->grab().toImage();
        const QColor known =
            RowStatusColour(RowStatus::Known, QGuiApplication::palette().color(QPalette::Base));
        const auto pixelsNear = [&](int row) {
            const QRect rect = view.visualRect(view.model()->index(row, NameColumn));
            int count = 0;
            for (int y = rect.top(); y <= rect.bottom(); ++y)
                for (int x = rect.left(); x <= rect.right(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += std::abs(c.red() - known.red()) + std::abs(c.green() - known.green()) +
                                 std::abs(c.blue() - known.blue()) <
                             24;
                }
            return count;
        };
        EXPECT_GT(pixelsNear(0), 10) << "the known row is not drawn in its colour";
        EXPECT_EQ(pixelsNear(1), 0) << "a new row is drawn in the known colour";
        view.listModel()->setMarker(nullptr);
    }
    qApp->setStyleSheet(previousSheet);
}

// A screen reader's view of the real window: every control named in words and described, and a
// row's name read with its type, status and warnings.
TEST_F(ClientMarksTest, ScreenReaderHearsNamesDescriptionsAndRowMarks)
{
    std::vector<ResultRow> extra;
    extra.emplace_back(
        "6", "trailer.avi.exe", "1 KB", "5",
        Utf8ToText("ed2k://|file|trailer.avi.exe|1000|" + std::string(32, 'f') + "|/"));
    extra.emplace_back("7", "broken.mkv", "1 KB", "5",
                       Utf8ToText("ed2k://|file|broken.mkv|1000|xyz|/"));
    list->listModel()->appendRows(std::move(extra));
    ASSERT_TRUE(statusesBecome({"已有", "新", "下载中", "新", "已取消", "新", "新"}));

    int controls = 0;
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        const bool control =
            qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget) ||
            qobject_cast<QComboBox *>(widget) || qobject_cast<QAbstractSpinBox *>(widget) ||
            qobject_cast<QTabBar *>(widget) || qobject_cast<ReportListView *>(widget);
        // Qt's own parts (a spin box's editor, the toolbar's extension button, a tab bar's
        // scroll buttons, a line edit's clear button, the table's corner) speak for their owner.
        QWidget *parent = widget->parentWidget();
        if (!control || widget->objectName().startsWith(QLatin1String("qt_")) ||
            qobject_cast<QAbstractSpinBox *>(parent) || qobject_cast<QTabBar *>(parent) ||
            qobject_cast<QLineEdit *>(parent) || qobject_cast<ReportListView *>(parent))
            continue;
        ++controls;
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        ASSERT_NE(face, nullptr);
        const QString name = face->text(QAccessible::Name);
        SCOPED_TRACE(widget->metaObject()->className() + std::string(" ") +
                     widget->objectName().toStdString() + " '" + name.toStdString() + "'");
        EXPECT_FALSE(name.trimmed().isEmpty());
        // A tab bar is its current tab's name; each tab has its description.
        if (auto *tabs = qobject_cast<QTabBar *>(widget)) {
            ASSERT_EQ(tabs->count(), 2);
            for (int tab = 0; tab < tabs->count(); ++tab)
                EXPECT_FALSE(face->child(tab)->text(QAccessible::Description).isEmpty()) << tab;
            continue;
        }
        EXPECT_FALSE(face->text(QAccessible::Description).trimmed().isEmpty());
    }
    EXPECT_GE(controls, 25);

    QAccessibleInterface *table = QAccessible::queryAccessibleInterface(list);
    ASSERT_TRUE(table && table->tableInterface());
    const auto spoken = [&](const char *name) {
        for (int row = 0; row < list->model()->rowCount(); ++row)
            if (list->model()->index(row, NameColumn).data().toString() == QString::fromUtf8(name))
                if (QAccessibleInterface *cell = table->tableInterface()->cellAt(row, NameColumn))
                    return cell->text(QAccessible::Name).toStdString();
        return std::string("no row ") + name;
    };
    const struct
    {
        const char *name;
        const char *said;
    } rows[] = {
        {"loading.iso", "loading.iso，类型：光盘镜像（.iso），状态：下载中"},
        {"trailer.avi.exe",
         "trailer.avi.exe，类型：程序（.exe），提示：文件名以 .avi.exe 结尾：看着像视频，"
         "打开却会运行程序，状态：新"},
        {"broken.mkv",
         "broken.mkv，类型：视频（.mkv），提示：链接无效：链接里的散列不是 32 位十六进制数，"
         "状态：新"},
    };
    for (const auto &row : rows)
        EXPECT_EQ(spoken(row.name), row.said);
}
