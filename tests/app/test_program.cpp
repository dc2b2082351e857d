// The whole program in one process: start-up, a search through the real main window against
// the demo service, the exit question and the end.
#include "catalogue.h"
#include "childprocess.h"
#include "program.h"
#include "regex/regexobject.h"
#include "runtime/codepage.h"
#include "runtime/programdirectory.h"
#include "search/searchworkflow.h"
#include "ui/cloudplay/cloudplay.h"
#include "ui/controlproperties.h"
#include "ui/listcommands.h"
#include "ui/mainwindow.h"
#include "ui/qtuiservices.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistproxy.h"
#include "ui/visualstyle.h"
#include "ui/windowregistry.h"

#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <thread>

extern jiujiu::QtUiServices *g_services;

using namespace jiujiu;
namespace fs = std::filesystem;

namespace {

struct Box
{
    std::string text, caption;
    int style;
};

// Answers every message box with `answer` and records it.
std::vector<Box> &AnswerBoxes(int answer)
{
    static std::vector<Box> boxes;
    boxes.clear();
    g_services->setAnswerer([answer](const Text &text, int style, const Text &caption) {
        boxes.push_back({TextToUtf8(text), TextToUtf8(caption), style});
        return answer;
    });
    return boxes;
}

// A program directory with spaces in its name holding a stand-in updater that records its
// arguments.
class ProgramDirectoryWithUpdater
{
public:
    explicit ProgramDirectoryWithUpdater(bool withUpdater)
    {
        m_dir = fs::temp_directory_path() / ("jiujiu program dir " + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        if (withUpdater) {
            const fs::path updater = m_dir / "AutoUpdate";
            std::ofstream(updater)
                << "#!/bin/sh\nprintf '%s|' \"$@\" >> \"" << record().string() << "\"\n";
            fs::permissions(updater, fs::perms::owner_all);
        }
        OverrideProgramDirectory(m_dir.string());
    }
    ~ProgramDirectoryWithUpdater() { fs::remove_all(m_dir); }
    fs::path record() const { return m_dir / "updater-arguments"; }

    std::string waitForRecord() const
    {
        for (int i = 0; i < 500; ++i) {
            std::ifstream in(record());
            std::string s((std::istreambuf_iterator<char>(in)), {});
            if (!s.empty())
                return s;
            QTest::qWait(10);
        }
        return {};
    }

private:
    fs::path m_dir;
};

MainWindow *Main()
{
    return qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
}

template <class T>
T *Child(const char *utf8Name)
{
    return Main() ? Main()->findChild<T *>(QString::fromUtf8(utf8Name)) : nullptr;
}

void TypeInto(QWidget *widget, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

// Start-up runs once for the whole process; InitProgramDirectory inside it is overridden
// afterwards where a test needs another directory.
class ProgramTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_service = new test::DemoServiceProcess({"--rows-per-page", "50"});
        s_service->exportEnvironment();
    }
    static void TearDownTestSuite()
    {
        delete s_service;
        s_service = nullptr;
    }
    static inline test::DemoServiceProcess *s_service = nullptr;
};

} // namespace

TEST(UpdaterCommandLine, QuotesTheDirectory)
{
    EXPECT_EQ(UpdaterCommandLine(Utf8ToText("/opt/my app")),
              "\"/opt/my app/AutoUpdate\" -ver:2,1,1,013");
    EXPECT_EQ(UpdaterCommandLine(""), "\"/AutoUpdate\" -ver:2,1,1,013");
}

TEST_F(ProgramTest, StartsUpSearchesAndAsksBeforeLeaving)
{
    ASSERT_FALSE(s_service->host().empty());
    auto &boxes = AnswerBoxes(IdCancel);
    EXPECT_EQ(ProgramRegex(), nullptr);

    // Start-up takes the test binary's own directory, which has no updater.
    ASSERT_FALSE(fs::exists(fs::read_symlink("/proc/self/exe").parent_path() / "AutoUpdate"));
    StartProgram();
    ASSERT_NE(Main(), nullptr);
    EXPECT_NE(ProgramRegex(), nullptr) << "the regular expression object exists before the window";
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Main()));
    EXPECT_TRUE(boxes.empty()) << "a missing updater shows nothing";
    EXPECT_EQ(VisualStyleNumber(), 2);
    QTRY_VERIFY(QApplication::focusWidget() != nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), QString::fromUtf8("编辑框1"));

    // The updater is launched at every start with the quoted path and the version.
    {
        ProgramDirectoryWithUpdater updater(true);
        OnMainWindowCreated();
        EXPECT_EQ(updater.waitForRecord(), "-ver:2,1,1,013|");
    }

    // A search typed into the keyword box and started with Enter lists every row of every
    // page (1000 rows, 20 pages of 50).
    QLineEdit *keyword = Child<QLineEdit>("编辑框1");
    ASSERT_NE(keyword, nullptr);
    TypeInto(keyword, QString::fromUtf8("每日新闻"));
    QTest::keyClick(keyword, Qt::Key_Return);
    const auto expected = demo::FindResources("每日新闻");
    ASSERT_EQ(expected.size(), 1000u);
    const ControlReference list = MainWindow::control(MainWindow::ResultList);
    ASSERT_EQ(ListGetItemText(list, 999, Value(0)), "1000");
    EXPECT_EQ(ListGetItemText(list, 1000, Value(0)), "");
    for (int row = 0; row < 1000; row += 37) {
        SCOPED_TRACE(row);
        const auto &r = *expected[static_cast<std::size_t>(row)];
        EXPECT_EQ(ListGetItemText(list, row), std::to_string(row + 1));
        EXPECT_EQ(TextToUtf8(ListGetItemText(list, row, Value(1))), r.name);
        EXPECT_EQ(ListGetItemText(list, row, Value(2)), r.size);
        EXPECT_EQ(ListGetItemText(list, row, Value(3)), r.sources);
        EXPECT_EQ(TextToUtf8(ListGetItemText(list, row, Value(4))), r.link);
    }
    QLabel *announcement = Child<QLabel>("标签3");
    ASSERT_NE(announcement, nullptr);
    EXPECT_EQ(announcement->text(), QString::fromUtf8("为您找到[1000]枚资源！双击复制、下载！"));
    EXPECT_EQ(Main()->currentPage(), 1);
    EXPECT_TRUE(boxes.empty());

    // Cancel keeps the window and its rows.
    EXPECT_FALSE(Main()->close());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "您确定离开忠诚的小啾啾吗？");
    EXPECT_EQ(boxes[0].caption, "退出");
    EXPECT_EQ(boxes[0].style & 0xFF, 0x41);
    ASSERT_NE(Main(), nullptr);
    EXPECT_EQ(ListGetItemText(list, 999), "1000");
}

TEST_F(ProgramTest, OkEndsTheProgramWithExitCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            StartProgram();
            ShowCloudPlayPage("http://" + s_service->host() +
                              "/iplay.html?uvs=_4_&url=ed2k://|file|a|1|/");
            if (!IsCloudPlayWindowLoaded())
                std::_Exit(4);
            AnswerBoxes(IdOk);
            Main()->close();
            QTest::qWait(2000); // the window is destroyed from the event loop
            std::_Exit(3);      // not reached when the destroyed event ends the program
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(ProgramTest, StopButtonAndEscEndARunningSearchKeepingWholePages)
{
    // 50 pages of 20 rows, 100 ms an answer: the search runs long enough to be stopped.
    test::DemoServiceProcess slow({"--rows-per-page", "20", "--latency-ms", "100"});
    ASSERT_FALSE(slow.host().empty());
    slow.exportEnvironment();
    if (!Main())
        StartProgram();
    ASSERT_NE(Main(), nullptr);
    auto &boxes = AnswerBoxes(IdCancel);
    QPushButton *button = Child<QPushButton>("按钮1");
    QLineEdit *keyword = Child<QLineEdit>("编辑框1");
    QLabel *announcement = Child<QLabel>("标签3");
    ASSERT_TRUE(button && keyword && announcement);
    const ControlReference list = MainWindow::control(MainWindow::ResultList);
    const auto expected = demo::FindResources("每日新闻");

    struct Case
    {
        const char *name;
        std::function<void()> stop;
    };
    const Case cases[] = {
        {"the stop button", [button] { QTest::mouseClick(button, Qt::LeftButton); }},
        {"Esc in the result list", [] { QTest::keyClick(&Main()->resultList(), Qt::Key_Escape); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        keyword->clear();
        TypeInto(keyword, QString::fromUtf8("每日新闻"));
        Main()->setCurrentPage(0);
        QString progressSeen, buttonSeen;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (ListGetItemText(list, 39).empty())
                return;
            poll.stop();
            progressSeen = announcement->text();
            buttonSeen = button->text();
            c.stop();
        });
        poll.start();
        // The search runs inside the click; the timer stops it once two pages are listed.
        QTest::mouseClick(button, Qt::LeftButton);
        poll.stop();
        EXPECT_TRUE(progressSeen.startsWith(QString::fromUtf8("正在读取第")))
            << progressSeen.toStdString();
        EXPECT_EQ(buttonSeen, QString::fromUtf8("停止搜索"));
        EXPECT_EQ(button->text(), QString::fromUtf8("开始啾啾搜索"));
        EXPECT_FALSE(Program::instance()->workflow().isRunning());
        EXPECT_EQ(Program::instance()->workflow().report().outcome, SearchOutcome::Stopped);

        int rows = 0;
        while (!ListGetItemText(list, rows).empty())
            ++rows;
        EXPECT_GE(rows, 40);
        EXPECT_LT(rows, 1000) << "stopped before the end";
        EXPECT_EQ(rows % 20, 0) << "whole pages only";
        for (int row = 0; row < rows; row += 7) {
            EXPECT_EQ(ListGetItemText(list, row), std::to_string(row + 1));
            EXPECT_EQ(TextToUtf8(ListGetItemText(list, row, Value(1))),
                      expected[static_cast<std::size_t>(row)]->name);
        }
        EXPECT_EQ(
            announcement->text(),
            QString::fromUtf8("搜索已停止，为您找到[1000]枚资源，已列出 %1 枚！双击复制、下载！")
                .arg(rows));
        EXPECT_TRUE(boxes.empty());
    }
    s_service->exportEnvironment();
}

// Searching again from 显示: the top line says 正在搜索 at once, Enter in its keyword box
// during a search stops it and lists the new keyword's rows alone, and the list takes the
// focus. A service that is gone is told in Chinese, the technical reason kept in the details.
TEST_F(ProgramTest, EnterDuringASearchStartsTheNewKeyword)
{
    std::optional<test::DemoServiceProcess> slow;
    slow.emplace(std::vector<std::string>{"--rows-per-page", "20", "--latency-ms", "100"});
    ASSERT_FALSE(slow->host().empty());
    slow->exportEnvironment();
    if (!Main())
        StartProgram();
    ASSERT_NE(Main(), nullptr);
    auto &boxes = AnswerBoxes(IdOk);
    QLineEdit *quick = Child<QLineEdit>("显示关键字");
    QLabel *announcement = Child<QLabel>("标签3");
    ASSERT_TRUE(quick && announcement);
    const ControlReference list = MainWindow::control(MainWindow::ResultList);
    const auto news = demo::FindResources("每日新闻");
    const auto rerun = demo::FindResources("Rerun");
    ASSERT_GT(news.size(), 100u);
    ASSERT_FALSE(rerun.empty());

    Main()->setCurrentPage(1);
    quick->clear();
    TypeInto(quick, QString::fromUtf8("每日新闻"));
    QString first;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (first.isEmpty())
            first = announcement->text();
        if (ListGetItemText(list, 19).empty())
            return;
        poll.stop();
        quick->clear();
        TypeInto(quick, QStringLiteral("Rerun"));
        QTest::keyClick(quick, Qt::Key_Return);
    });
    poll.start();
    quick->setFocus();
    QTest::keyClick(quick, Qt::Key_Return);
    poll.stop();
    EXPECT_EQ(first, QString::fromUtf8("正在搜索“每日新闻”…"));
    EXPECT_FALSE(Program::instance()->workflow().isRunning());
    EXPECT_EQ(Main()->keyword(), "Rerun");
    int rows = 0;
    while (!ListGetItemText(list, rows).empty())
        ++rows;
    EXPECT_EQ(rows, static_cast<int>(rerun.size())) << "only the new keyword's rows";
    EXPECT_EQ(TextToUtf8(ListGetItemText(list, 0, Value(1))), rerun[0]->name);
    EXPECT_EQ(QApplication::focusWidget(), &Main()->resultList());
    EXPECT_EQ(Main()->resultList().currentSelection(), 0);
    EXPECT_TRUE(boxes.empty());

    // Nobody listens on the service's port any more.
    slow.reset();
    QTest::keyClick(quick, Qt::Key_Return);
    EXPECT_EQ(announcement->text(), QString::fromUtf8("搜索失败：连接被拒绝"));
    EXPECT_TRUE(Main()->announcementToolTip().contains(QStringLiteral("onnect")))
        << Main()->announcementToolTip().toStdString();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind(
                  "呜呜，连不上搜索服务（连接被拒绝），请检查网络后再试一次！\r\n原因：", 0),
              0u)
        << boxes[0].text;
    s_service->exportEnvironment();
}

// A filter typed before a search counts the rows the search lists, whatever their pages.
TEST_F(ProgramTest, FilterTypedBeforeASearchCountsItsRows)
{
    test::DemoServiceProcess paged({"--rows-per-page", "10"});
    ASSERT_FALSE(paged.host().empty());
    paged.exportEnvironment();
    if (!Main())
        StartProgram();
    ASSERT_NE(Main(), nullptr);
    AnswerBoxes(IdOk);
    ResultFilterBar &bar = Main()->filterBar();
    auto *merge = bar.findChild<QCheckBox *>(QStringLiteral("合并重复"));
    ASSERT_NE(merge, nullptr);
    const auto fakes = demo::FindResources("假货");
    ASSERT_GT(fakes.size(), 20u) << "three pages of the demo";
    const auto has = [](const char *word) {
        return [word](const demo::Resource &r) { return r.name.find(word) != std::string::npos; };
    };
    const struct
    {
        const char *filter;
        bool merged;
        std::function<bool(const demo::Resource &)> keeps;
    } cases[] = {
        {"exe", false, has("exe")},
        {"假货", false, has("假货")},
        {"假货", true, has("假货")},
        {"exe", true, has("exe")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.filter) + (c.merged ? " merged" : ""));
        merge->setChecked(c.merged);
        // Typed, and the search started before the typing pause is over.
        bar.filterBox()->setText(QString::fromUtf8(c.filter));
        Main()->setKeyword(Utf8ToText("假货"));
        Program::instance()->workflow().StartSearch();
        QTest::qWait(ResultFilterBar::TypingPauseMs + 50);
        QTRY_VERIFY(!Main()->resultList().shownModel()->isFiltering());
        const ResultListProxy &shown = *Main()->resultList().shownModel();
        EXPECT_EQ(bar.statusText(), QString::fromUtf8("显示 %1 / 共 %2")
                                        .arg(shown.rowCount())
                                        .arg(shown.unfilteredCount()));
        if (!c.merged) {
            const auto kept = std::count_if(fakes.begin(), fakes.end(),
                                            [&](const demo::Resource *r) { return c.keeps(*r); });
            EXPECT_EQ(shown.rowCount(), kept);
            EXPECT_EQ(shown.unfilteredCount(), static_cast<int>(fakes.size()));
        }
    }
    bar.filterBox()->clear();
    bar.applyNow();
    merge->setChecked(true);
    s_service->exportEnvironment();
}

TEST_F(ProgramTest, ClosingDuringASearchAsksTheExitQuestionAndEnds)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            test::DemoServiceProcess slow({"--rows-per-page", "20", "--latency-ms", "100"});
            slow.exportEnvironment();
            StartProgram();
            g_services->setAnswerer([](const Text &text, int, const Text &) {
                std::fprintf(stderr, "asked while searching %d: %s\n",
                             Program::instance()->workflow().isRunning() ? 1 : 0,
                             TextToUtf8(text).c_str());
                return static_cast<int>(IdOk);
            });
            TypeInto(Child<QLineEdit>("编辑框1"), QString::fromUtf8("每日新闻"));
            QTimer::singleShot(400, [] { Main()->close(); });
            QTest::mouseClick(Child<QPushButton>("按钮1"), Qt::LeftButton);
            std::_Exit(3); // not reached: the destroyed window ends the program in the search
        },
        ::testing::ExitedWithCode(0), "asked while searching 1: 您确定离开忠诚的小啾啾吗？");
}
