// Saved searches in the real window against the demo service: 保存搜索, a rerun from 收藏
// marking exactly the new rows, and the opt-in keyword history.
#include "childprocess.h"
#include "program.h"
#include "results/resultfilter.h"
#include "results/resultlist.h"
#include "runtime/codepage.h"
#include "store/store.h"
#include "ui/mainwindow.h"
#include "ui/qtuiservices.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistmodel.h"
#include "ui/resultlistproxy.h"
#include "ui/savedsearchesmenu.h"
#include "ui/windowregistry.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

extern jiujiu::QtUiServices *g_services;

using namespace jiujiu;
namespace fs = std::filesystem;

namespace {

MainWindow *Main()
{
    return qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
}

// The archive series of `count` volumes, 50 rows a page, as the searches' service.
std::unique_ptr<test::DemoServiceProcess> Serve(int count)
{
    auto service = std::make_unique<test::DemoServiceProcess>(
        std::vector<std::string>{"--archive", std::to_string(count), "--rows-per-page", "50"});
    service->exportEnvironment();
    return service;
}

bool Search(const char *keyword)
{
    Main()->setKeyword(Utf8ToText(keyword));
    emit Main()->searchClicked();
    return QTest::qWaitFor([] { return !Main()->isSearchRunning(); }, 20000);
}

// The volume a row's name numbers ("…第000061卷…").
int Volume(const ResultList &list, std::size_t row)
{
    const std::string name = TextToUtf8(list.row(row)[NameColumn]);
    const auto at = name.find("第");
    return at == std::string::npos ? -1 : std::stoi(name.substr(at + 3, 6));
}

// An empty directory for the store, named in the environment while it lasts, and the
// message boxes the program shows meanwhile, each answered OK.
struct StateDirectory
{
    explicit StateDirectory(const std::string &name)
        : path(fs::temp_directory_path() / (name + "-" + std::to_string(::getpid())))
    {
        fs::remove_all(path);
        fs::create_directories(path);
        ::setenv("JIUJIU_STATE_DIR", path.c_str(), 1);
        g_services->setAnswerer([this](const Text &text, int, const Text &) {
            boxes.push_back(TextToUtf8(text));
            return IdOk;
        });
    }
    ~StateDirectory()
    {
        fs::remove_all(path);
        ::unsetenv("JIUJIU_STATE_DIR");
    }

    const fs::path path;
    std::vector<std::string> boxes;
};

} // namespace

TEST(WindowSavedSearches, SaveThenRerunMarksTheNewRowsAndHistoryIsOptIn)
{
    StateDirectory state("jiujiu-state");
    auto service = Serve(60);
    StartProgram();
    ASSERT_NE(Main(), nullptr);
    SavedSearchesMenu &saved = Main()->savedSearches();
    const ResultList &list = Main()->resultList().listModel()->list();

    // A plain search, history off: nothing written.
    ASSERT_TRUE(Search("档案馆"));
    ASSERT_EQ(list.count(), 60u);
    EXPECT_TRUE(fs::is_empty(state.path));

    // 保存搜索 with the name asked for; the rows shown are the baseline.
    QSignalSpy recorded(&saved, &SavedSearchesMenu::runRecorded);
    Main()->filterBar().filterBox()->setText(QStringLiteral("zip"));
    Main()->filterBar().applyNow();
    QTimer::singleShot(100, [] {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            dialog->setTextValue(QStringLiteral("档案"));
            dialog->accept();
        }
    });
    QTest::keyClick(Main(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(recorded.wait(5000));

    // More volumes; the rerun from 收藏 restores the filter and marks exactly the new ones.
    service = Serve(80);
    Main()->filterBar().filterBox()->clear();
    ASSERT_TRUE(saved.rerun(QStringLiteral("档案")));
    ASSERT_TRUE(QTest::qWaitFor([] { return !Main()->isSearchRunning(); }, 20000));
    ASSERT_TRUE(recorded.wait(5000));
    ASSERT_EQ(list.count(), 80u);
    EXPECT_EQ(Main()->filterBar().filterBox()->text(), QStringLiteral("zip"));
    for (std::size_t r = 0; r < list.count(); ++r)
        EXPECT_EQ(list.isNew(r), Volume(list, r) > 60) << r;
    Main()->filterBar().filterBox()->setText(QStringLiteral("新"));
    Main()->filterBar().applyNow();
    EXPECT_TRUE(
        QTest::qWaitFor([] { return Main()->resultList().shownModel()->rowCount() == 20; }));

    // The 收藏 list shows the new count of the last run.
    QMenu *menu = nullptr;
    for (auto *b : Main()->findChildren<QToolButton *>())
        if (b->text() == QStringLiteral("收藏"))
            menu = b->menu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QStringList captions;
    for (QAction *action : menu->actions())
        captions << action->text();
    EXPECT_TRUE(captions.contains(QStringLiteral("档案（新 20）")))
        << captions.join('|').toStdString();

    // History: on keeps the keyword for completion, off forgets every one. A search that
    // writes its keyword keeps the viewer services' back-off too.
    ::setenv("JIUJIU_VIEWER_HOST", ("127.0.0.1:1," + service->host()).c_str(), 1);
    saved.setHistoryEnabled(true);
    ASSERT_TRUE(Search("档案馆"));
    EXPECT_EQ(saved.keywords(), QStringList{QStringLiteral("档案馆")});
    {
        const Store::Opening kept = Store::Open(state.path / "store.db", Store::Mode::Existing);
        ASSERT_TRUE(kept.store);
        const auto levels =
            kept.store->serviceLevels().value_or(std::vector<Store::ServiceLevel>{});
        ASSERT_EQ(levels.size(), 1u);
        EXPECT_EQ(levels[0].service, "127.0.0.1:1");
        EXPECT_EQ(levels[0].level, 1);
    }
    saved.setHistoryEnabled(false);
    EXPECT_TRUE(saved.keywords().isEmpty());
    Store::Opening opening = Store::Open(state.path / "store.db", Store::Mode::Existing);
    ASSERT_TRUE(opening.store);
    EXPECT_TRUE(opening.store->keywords().value_or(std::vector<std::string>{"?"}).empty());
    EXPECT_TRUE(state.boxes.empty()) << state.boxes.front();
}

// A store the window cannot read is renamed aside at start, never deleted, and a box says
// where both are; the new store keeps what is saved next.
TEST(WindowSavedSearches, AnUnreadableStoreIsRenamedAsideAndSaysSo)
{
    StateDirectory state("jiujiu-state-broken");
    {
        std::ofstream garbage(state.path / "store.db", std::ios::binary);
        garbage << std::string(4096, '\x5a');
    }
    StartProgram();
    ASSERT_NE(Main(), nullptr);
    ASSERT_EQ(state.boxes.size(), 1u);
    EXPECT_NE(state.boxes[0].find("记录文件读不出来"), std::string::npos) << state.boxes[0];
    EXPECT_NE(state.boxes[0].find((state.path / "store.db").string() + " 已改名为 "),
              std::string::npos)
        << state.boxes[0];
    std::vector<fs::path> aside;
    for (const auto &entry : fs::directory_iterator(state.path))
        if (entry.path().filename().string().starts_with("store.db.broken-"))
            aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(fs::file_size(aside[0]), 4096u);
    Main()->savedSearches().setHistoryEnabled(true);
    EXPECT_TRUE(Store::Open(state.path / "store.db", Store::Mode::Existing)
                    .store->historyEnabled()
                    .value_or(false));
}
