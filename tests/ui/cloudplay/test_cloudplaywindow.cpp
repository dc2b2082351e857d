#include "loopbackserver.h"
#include "runtime/codepage.h"
#include "ui/cloudplay/cloudplay.h"
#include "ui/cloudplay/cloudplaywindow.h"
#include "ui/cloudplay/webviewbrowser.h"
#include "ui/windowregistry.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace jiujiu;
namespace fs = std::filesystem;

namespace {

constexpr int LoadLimitMs = 30000;
int s_pagesShown = 0; // in this process, by these tests

QString Q(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

// The cloud-play address for a link (UTF-8), as the result actions build it.
Text AddressFor(const LoopbackServer &server, const std::string &link)
{
    return Utf8ToText("http://" + server.hostAndPort() + "/iplay.html?uvs=_4_&url=" + link +
                      "&tryplay=1&from=vodHome");
}

CloudPlayWindow *Show(const Text &address)
{
    ++s_pagesShown;
    ShowCloudPlayPage(address);
    return CurrentCloudPlayWindow();
}

// Waits for the window's browser to finish a load that began after the spy was made.
bool FinishedLoading(QSignalSpy &spy)
{
    if (!QTest::qWaitFor([&] { return !spy.isEmpty(); }, LoadLimitMs))
        return false;
    return spy.takeFirst().at(0).toBool();
}

QString PageText(QWebEngineView *view)
{
    QString text;
    bool done = false;
    view->page()->toPlainText([&](const QString &t) {
        text = t;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, LoadLimitMs))
        return QStringLiteral("(page text not delivered)");
    return text;
}

// Child processes of this one named like the web engine's helper.
int WebEngineHelperProcesses()
{
    int count = 0;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return -1;
    while (dirent *entry = ::readdir(proc)) {
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line))
            continue;
        const auto open = line.find('(');
        const auto close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos)
            continue;
        const std::string name = line.substr(open + 1, close - open - 1);
        char state = 0;
        int parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) != 2)
            continue;
        if (parent == ::getpid() && name.rfind("QtWebEngine", 0) == 0)
            ++count;
    }
    ::closedir(proc);
    return count;
}

int WebViews()
{
    int count = 0;
    for (QWidget *widget : QApplication::allWidgets())
        count += qobject_cast<QWebEngineView *>(widget) != nullptr;
    return count;
}

int LiveCloudPlayWindows()
{
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        auto *window = qobject_cast<CloudPlayWindow *>(widget);
        count += window && !window->isClosed();
    }
    return count;
}

void CloseAndDestroy(CloudPlayWindow *window)
{
    QPointer<CloudPlayWindow> guard(window);
    window->close();
    const bool destroyed = QTest::qWaitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return guard.isNull();
    });
    EXPECT_TRUE(destroyed);
}

class CloudPlay : public testing::Test
{
protected:
    void TearDown() override
    {
        if (CloudPlayWindow *window = CurrentCloudPlayWindow())
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    LoopbackServer m_server;
};

} // namespace

TEST_F(CloudPlay, NoWebEngineBeforeTheFirstPage)
{
    if (s_pagesShown > 0)
        GTEST_SKIP() << "another test in this process already started the engine";
    EXPECT_FALSE(IsCloudPlayWindowLoaded());
    EXPECT_EQ(WebViews(), 0);
    EXPECT_EQ(WebEngineHelperProcesses(), 0);

    CloudPlayWindow *window = Show(AddressFor(m_server, "ed2k://|file|a|1|H|/"));
    ASSERT_NE(window, nullptr);
    QSignalSpy loaded(window->browser(), &QWebEngineView::loadFinished);
    ASSERT_TRUE(FinishedLoading(loaded));
    // The same probes do see the engine once it runs.
    EXPECT_EQ(WebViews(), 1);
    EXPECT_GT(WebEngineHelperProcesses(), 0);
}

TEST_F(CloudPlay, LayoutAndTexts)
{
    CloudPlayWindow *window = Show(AddressFor(m_server, "ed2k://|file|a|1|H|/"));
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    EXPECT_EQ(window->windowTitle(), Q("啾啾神器 - 正在进行云播放"));
    EXPECT_EQ(window->frameGeometry().size(), QSize(1024, 684));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_FALSE(window->isModal());
    EXPECT_TRUE(window->testAttribute(Qt::WA_DeleteOnClose));
    const QRect area = window->screen()->availableGeometry();
    EXPECT_LE((window->frameGeometry().center() - area.center()).manhattanLength(), 2);

    struct Row
    {
        const char *name;
        CloudPlayWindow::Control id;
        const char *parent;
        const char *kind;
        QRect geometry;
        const char *text;
    };
    const Row rows[] = {
        {"分组框1", CloudPlayWindow::Frame, "", "QGroupBox", QRect(0, 0, 1016, 632), ""},
        {"超文本浏览框1", CloudPlayWindow::Browser, "分组框1", "QWebEngineView",
         QRect(3, 8, 1012, 624), nullptr},
        {"标签1", CloudPlayWindow::Notice, "", "QLabel", QRect(6, 637, 200, 16),
         "云播放为迅雷云播放，速度杠杠的！"},
        {"透明标签1", CloudPlayWindow::Slogan, "", "QLabel", QRect(216, 637, 120, 16),
         "好东西与好朋友分享！"},
        {"按钮1", CloudPlayWindow::Share, "", "QPushButton", QRect(345, 634, 103, 22),
         "分享得最新版本"},
    };
    EXPECT_EQ(LoadedWindow(CloudPlayWindow::Reference.window), window);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        auto *control = window->findChild<QWidget *>(Q(row.name));
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(FindControl(CloudPlayWindow::control(row.id)), control);
        QWidget *parent = control->parentWidget();
        EXPECT_EQ(parent, *row.parent ? window->findChild<QWidget *>(Q(row.parent)) : window);
        EXPECT_TRUE(control->inherits(row.kind)) << control->metaObject()->className();
        EXPECT_EQ(control->geometry(), row.geometry);
        EXPECT_TRUE(control->isVisible());
        if (auto *label = qobject_cast<QLabel *>(control)) {
            EXPECT_EQ(label->text(), Q(row.text));
        } else if (auto *button = qobject_cast<QPushButton *>(control)) {
            EXPECT_EQ(button->text(), Q(row.text));
        } else if (auto *group = qobject_cast<QGroupBox *>(control)) {
            EXPECT_EQ(group->title(), Q(row.text));
        }
        // The whole control lies inside the client area.
        EXPECT_TRUE(window->rect().contains(
            control->geometry().translated(parent->mapTo(window, QPoint(0, 0)))));
    }
    auto *notice = window->findChild<QLabel *>(Q("标签1"));
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    auto *slogan = window->findChild<QLabel *>(Q("透明标签1"));
    ASSERT_NE(slogan, nullptr);
    EXPECT_TRUE(slogan->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_FALSE(slogan->autoFillBackground());
}

TEST_F(CloudPlay, StartsNavigationReturnsAndTheLinkArrivesWhole)
{
    struct Row
    {
        const char *name;
        const char *link; // UTF-8
    };
    const Row rows[] = {
        {"plain ed2k link",
         "ed2k://|file|Movie.2026.mkv|1468006400|0123456789ABCDEF0123456789ABCDEF|/"},
        {"spaces and Chinese",
         "ed2k://|file|啾啾 神器 第1集.rmvb|2048|ABCDEF0123456789ABCDEF0123456789|/"},
        {"escaped ampersand kept",
         "ed2k://|file|Tom&amp;Jerry.avi|99|00000000000000000000000000000000|/"},
        {"empty link", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const std::size_t before = m_server.targets().size();
        const bool reused = IsCloudPlayWindowLoaded();
        QSignalSpy *loaded = nullptr;
        std::unique_ptr<QSignalSpy> spy;
        if (reused) {
            spy = std::make_unique<QSignalSpy>(CurrentCloudPlayWindow()->browser(),
                                               &QWebEngineView::loadFinished);
        }
        CloudPlayWindow *window = Show(AddressFor(m_server, row.link));
        ASSERT_NE(window, nullptr);
        if (!spy)
            spy = std::make_unique<QSignalSpy>(window->browser(), &QWebEngineView::loadFinished);
        loaded = spy.get();
        // Returned before the page came: nothing waits for it.
        EXPECT_TRUE(loaded->isEmpty());
        ASSERT_TRUE(FinishedLoading(*loaded));
        ASSERT_EQ(m_server.targets().size(), before + 1);
        std::cout << "[ wire   ] " << m_server.targets().back() << "\n";
        EXPECT_EQ(PageText(window->browser()).toStdString(), row.link);
    }
}

TEST_F(CloudPlay, SecondPageReusesTheOpenWindow)
{
    CloudPlayWindow *first = Show(AddressFor(m_server, "ed2k://|file|one|1|H|/"));
    ASSERT_NE(first, nullptr);
    QSignalSpy loaded(first->browser(), &QWebEngineView::loadFinished);
    ASSERT_TRUE(FinishedLoading(loaded));
    first->move(first->pos() + QPoint(40, 30)); // where the user left it

    const QPoint left = first->pos();
    CloudPlayWindow *second = Show(AddressFor(m_server, "ed2k://|file|two|2|H|/"));
    EXPECT_EQ(second, first);
    EXPECT_EQ(LiveCloudPlayWindows(), 1);
    EXPECT_EQ(second->windowTitle(), Q("啾啾神器 - 正在进行云播放"));
    EXPECT_EQ(second->pos(), left);
    ASSERT_TRUE(FinishedLoading(loaded));
    EXPECT_EQ(PageText(second->browser()), Q("ed2k://|file|two|2|H|/"));
    EXPECT_EQ(second->browser()->history()->count(), 2);
}

TEST_F(CloudPlay, ClosedWindowIsLoadedAfreshAndCentred)
{
    CloudPlayWindow *first = Show(AddressFor(m_server, "ed2k://|file|one|1|H|/"));
    ASSERT_NE(first, nullptr);
    QSignalSpy firstLoaded(first->browser(), &QWebEngineView::loadFinished);
    ASSERT_TRUE(FinishedLoading(firstLoaded));
    Show(AddressFor(m_server, "ed2k://|file|two|2|H|/"));
    ASSERT_TRUE(FinishedLoading(firstLoaded));
    first->move(10, 10);

    // Closed by the user and asked again at once, before the deferred deletion ran.
    QPointer<CloudPlayWindow> old(first);
    first->close();
    EXPECT_FALSE(IsCloudPlayWindowLoaded());
    CloudPlayWindow *fresh = Show(AddressFor(m_server, "ed2k://|file|three|3|H|/"));
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(old.isNull()) << "the closed window was finished before loading anew";
    EXPECT_TRUE(fresh->isVisible());
    EXPECT_EQ(LiveCloudPlayWindows(), 1);
    QSignalSpy loaded(fresh->browser(), &QWebEngineView::loadFinished);
    ASSERT_TRUE(FinishedLoading(loaded));
    const QRect area = fresh->screen()->availableGeometry();
    EXPECT_LE((fresh->frameGeometry().center() - area.center()).manhattanLength(), 2);
    EXPECT_EQ(fresh->browser()->history()->count(), 1) << "the new browser starts empty";
    EXPECT_EQ(PageText(fresh->browser()), Q("ed2k://|file|three|3|H|/"));
    EXPECT_EQ(CurrentCloudPlayWindow(), fresh);
    EXPECT_TRUE(IsWindowLoaded(CloudPlayWindow::Reference));
}

TEST_F(CloudPlay, ClosingDestroysTheWindowAndItsBrowser)
{
    CloudPlayWindow *window = Show(AddressFor(m_server, "ed2k://|file|a|1|H|/"));
    ASSERT_NE(window, nullptr);
    QPointer<QWebEngineView> browser(window->browser());
    CloseAndDestroy(window);
    EXPECT_TRUE(browser.isNull());
    EXPECT_FALSE(IsWindowLoaded(CloudPlayWindow::Reference));
    EXPECT_FALSE(IsCloudPlayWindowLoaded());
    EXPECT_EQ(LiveCloudPlayWindows(), 0);
}

namespace {

// A stand-in for the system opener that appends its arguments, one run a line.
class RecordingOpener
{
public:
    RecordingOpener()
    {
        m_dir = fs::temp_directory_path() / ("jiujiu cloudplay " + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        m_log = m_dir / "runs.txt";
        const fs::path script = m_dir / "opener.sh";
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$*\" >> \"" << m_log.string()
                              << "\"\n";
        fs::permissions(script, fs::perms::owner_all);
        m_previous = SetShareOpenerCommand("\"" + Utf8ToText(script.string()) + "\"");
    }
    ~RecordingOpener()
    {
        SetShareOpenerCommand(m_previous);
        fs::remove_all(m_dir);
    }
    std::vector<std::string> runs() const
    {
        std::vector<std::string> lines;
        std::ifstream in(m_log);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

private:
    fs::path m_dir;
    fs::path m_log;
    Text m_previous;
};

} // namespace

TEST_F(CloudPlay, ShareButtonRunsTheOpenerOnEveryPress)
{
    ::setenv("JIUJIU_SITE_HOST", "site.example:8080", 1);
    RecordingOpener opener;
    CloudPlayWindow *window = Show(AddressFor(m_server, "ed2k://|file|a|1|H|/"));
    ASSERT_NE(window, nullptr);
    auto *button = window->findChild<QPushButton *>(Q("按钮1"));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    EXPECT_TRUE(opener.runs().empty()) << "nothing runs before a press";

    for (int press = 1; press <= 3; ++press) {
        QTest::mouseClick(button, Qt::LeftButton);
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return opener.runs().size() == std::size_t(press); }, 10000))
            << "press " << press;
    }
    for (const std::string &run : opener.runs())
        EXPECT_EQ(run, "http://site.example:8080/?share");
    ::unsetenv("JIUJIU_SITE_HOST");
}

TEST_F(CloudPlay, ShareWithoutAnOpenerReportsNothing)
{
    const Text previous = SetShareOpenerCommand("/nonexistent/jiujiu-opener");
    CloudPlayWindow *window = Show(AddressFor(m_server, "ed2k://|file|a|1|H|/"));
    ASSERT_NE(window, nullptr);
    auto *button = window->findChild<QPushButton *>(Q("按钮1"));
    ASSERT_NE(button, nullptr);
    button->click();
    button->click();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    SetShareOpenerCommand(previous);
}

// A window closed inside a handler that then dispatches events itself, or runs a nested loop
// (where Qt holds its deletion back), must not be taken for the loaded window and left hidden.
// Last in the file: the nested case leaves a window that is reused instead of destroyed.
TEST_F(CloudPlay, ClosedWhileAHandlerDispatchesEventsIsNotReusedHidden)
{
    struct Row
    {
        const char *name;
        bool nestedLoop; // the page is asked for from a loop inside the handler
    };
    for (const Row row :
         {Row{"handler dispatching events", false}, Row{"nested event loop", true}}) {
        SCOPED_TRACE(row.name);
        CloudPlayWindow *first = Show(AddressFor(m_server, "ed2k://|file|one|1|H|/"));
        ASSERT_NE(first, nullptr);
        // The program's own event loop, as under QApplication::exec().
        QEventLoop main;
        QTimer::singleShot(0, first, [&] {
            first->close();
            if (row.nestedLoop) {
                QEventLoop loop;
                QTimer::singleShot(0, &loop, [&] {
                    Show(AddressFor(m_server, "ed2k://|file|two|2|H|/"));
                    loop.quit();
                });
                loop.exec();
            } else {
                QCoreApplication::processEvents();
                Show(AddressFor(m_server, "ed2k://|file|two|2|H|/"));
            }
            QTimer::singleShot(0, &main, &QEventLoop::quit);
        });
        QTimer::singleShot(10000, &main, &QEventLoop::quit);
        main.exec();
        // Whatever was pending for the closed window has run by now.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        CloudPlayWindow *shown = CurrentCloudPlayWindow();
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(shown->isVisible());
        EXPECT_EQ(LiveCloudPlayWindows(), 1);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return PageText(shown->browser()) == Q("ed2k://|file|two|2|H|/"); },
            LoadLimitMs));
        const QRect area = shown->screen()->availableGeometry();
        EXPECT_LE((shown->frameGeometry().center() - area.center()).manhattanLength(), 2);
        shown->close();
        EXPECT_TRUE(shown->browser()->page()->isAudioMuted()) << "a closed window stays silent";
        EXPECT_FALSE(IsCloudPlayWindowLoaded());
        QCoreApplication::processEvents();
    }
    // Either way the next page is seen again.
    CloudPlayWindow *again = Show(AddressFor(m_server, "ed2k://|file|three|3|H|/"));
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isVisible());
    EXPECT_FALSE(again->browser()->page()->isAudioMuted());
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return PageText(again->browser()) == Q("ed2k://|file|three|3|H|/"); }, LoadLimitMs));
}
