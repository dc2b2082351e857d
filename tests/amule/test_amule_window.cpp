// The main window's marks against a real ed2k client: rows handed to it through the context
// menu (gio -> aMule's ed2k link tool -> a private amuled) read 已交给客户端 at once and 下载中
// once amuled has queued them; a download cancelled with amulecmd reads 已取消, and the file
// amuled hashed from its shared folder reads 已有 once it has written known.met.
#include "amuledaemon.h"
#include "desktoptree.h"
#include "ed2khash.h"
#include "net/openaddress.h"
#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "ui/clientmarkswatcher.h"
#include "ui/mainwindow.h"
#include "ui/qtuiservices.h"
#include "ui/reportlistview.h"
#include "ui/resultlistactions.h"
#include "ui/resultlistmodel.h"
#include "ui/windowregistry.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

using namespace jiujiu;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(AmuleWindow, MarksFollowWhatTheClientDoesWithHandedLinks)
{
    for (const char *program : {"amuled", "amulecmd", "ed2k", "gio"})
        if (test::FindProgram(program).empty())
            GTEST_SKIP() << program << " is not installed (amule-daemon, amule-utils, "
                         << "libglib2.0-bin)";
    const std::string shared = test::SampleFileBytes(200000);
    const auto sharedHash = test::Ed2kHashOfOnePart(shared);
    if (!sharedHash)
        GTEST_SKIP() << "OpenSSL has no MD4 (its legacy provider) to name the shared file with";

    // HOME is the private desktop's: the window looks in ~/.aMule, as it does by default.
    test::DesktopTree desktop("jiujiu_amule_window");
    desktop.setEnvironment("LC_ALL", "C.UTF-8");
    desktop.setEnvironment("JIUJIU_SITE_HOST", "jiujiu.example");
    ::unsetenv("JIUJIU_ED2K_CLIENT_DIR");
    desktop.registerEd2kHandler(test::FindProgram("ed2k") + " %u");
    const fs::path config = desktop.home() / ".aMule";
    fs::create_directories(config / "Incoming");
    std::ofstream(config / "Incoming" / "shared.bin", std::ios::binary) << shared;
    test::AmuleDaemon daemon(desktop.home(), test::FindProgram("amuled"));
    ASSERT_TRUE(daemon.waitUntilReady(30s)) << daemon.log();

    QtUiServices services;
    std::vector<std::string> boxes; // a warning would mean no program took the links
    services.setAnswerer([&boxes](const Text &text, int, const Text &) {
        boxes.push_back(TextToUtf8(text));
        return IdOk;
    });
    UiServices *const previousServices = SetUiServices(&services);
    const AddressOpener previousOpener = SetAddressOpener(nullptr);
    RegisterMainWindowDescription();
    ASSERT_TRUE(LoadWindow(MainWindow::Reference));
    auto *window = qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(window->clientMarks().directory(), config);
    ReportListView &list = window->resultList();

    const char *const queuedHash = "00112233445566778899AABBCCDDEEFF";
    const char *const cancelledHash = "FEDCBA9876543210FEDCBA9876543210";
    const std::string links[] = {
        "ed2k://|file|shared.bin|200000|" + *sharedHash + "|/",
        std::string("ed2k://|file|下载中 大文件.iso|5000000000|") + queuedHash + "|/",
        std::string("ed2k://|file|cancel me.avi|734003200|") + cancelledHash + "|/",
        "ed2k://|file|never.mkv|1000|0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F0F|/",
    };
    std::vector<ResultRow> rows;
    for (const std::string &link : links)
        rows.emplace_back(std::to_string(rows.size() + 1), "name", "1 KB", "5", Utf8ToText(link));
    list.listModel()->appendRows(std::move(rows));
    // The handed-over, cancelled and new rows; the shared file's row reads 已有 as soon as the
    // client writes known.met after hashing it, which may come now or only when it ends.
    const auto statuses = [&list](int from) {
        std::vector<std::string> out;
        for (int row = from; row < list.listModel()->count(); ++row)
            out.emplace_back(RowStatusWord(list.listModel()->mark(row).status));
        return out;
    };
    const auto become = [&](const std::vector<std::string> &expected, int from = 1) {
        for (auto deadline = std::chrono::steady_clock::now() + 30s;
             std::chrono::steady_clock::now() < deadline && statuses(from) != expected;)
            QTest::qWait(50);
        return statuses(from) == expected;
    };
    ASSERT_TRUE(become({"新", "新", "新"}));

    for (int row : {1, 2})
        list.selectionModel()->select(list.model()->index(row, 0),
                                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window->resultActions().openAction()->trigger();
    EXPECT_EQ(boxes, std::vector<std::string>{});
    EXPECT_EQ(statuses(1), (std::vector<std::string>{"已交给客户端", "已交给客户端", "新"}));
    EXPECT_TRUE(become({"下载中", "下载中", "新"})) << daemon.log();

    std::string output;
    ASSERT_TRUE(daemon.command(test::FindProgram("amulecmd"),
                               std::string("cancel ") + cancelledHash, &output))
        << output;
    EXPECT_TRUE(become({"下载中", "已取消", "新"})) << daemon.log();

    // Ending, it writes known.met with the file it hashed.
    ASSERT_TRUE(daemon.stop(20s)) << daemon.log();
    EXPECT_TRUE(become({"已有", "下载中", "已取消", "新"}, 0));

    delete window;
    SetAddressOpener(previousOpener);
    SetUiServices(previousServices);
}
