// The copy path in the running program: a double-click on a listed row of the real main window,
// Cancel, and the link handed to gio on a private desktop. A link no client took is reported
// after the copy, and the window keeps running while the opener works.
#include "desktoptree.h"
#include "mainsearchwindow.h"
#include "program.h"
#include "runtime/codepage.h"
#include "search/resultactions.h"
#include "ui/mainwindow.h"
#include "ui/qtuiservices.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/windowregistry.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>

extern jiujiu::QtUiServices *g_services;

using namespace jiujiu;
namespace fs = std::filesystem;

namespace {

MainWindow *Main()
{
    return qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
}

struct ShownBox
{
    std::string text;
    int style;
    bool timerHadFired; // whether the window's timer had run by the time the box came
};

TEST(ProgramHandOff, CopyPathReportsALinkNoClientTook)
{
    if (test::FindProgram("gio").empty())
        GTEST_SKIP() << "gio is not installed";
    if (!Main())
        StartProgram();
    ASSERT_NE(Main(), nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Main()));

    const std::string link =
        "ed2k://|file|Tom &amp; Jerry 第1集.mkv|734003200|0123456789ABCDEF0123456789ABCDEF|/";
    MainSearchWindow rows;
    rows.deleteAllRows();
    ASSERT_EQ(rows.appendRow("1"), 0);
    rows.setCell(0, 4, Utf8ToText(link));
    rows.setCurrentPage(1);
    ReportListView &list = Main()->resultList();
    QTest::qWait(20);
    const QRect cell = list.visualRect(list.model()->index(0, 1));
    ASSERT_FALSE(cell.isEmpty());

    const struct
    {
        const char *desktop;
        std::string handler;    // Exec line of the registered client; empty: none
        std::string slowOpener; // body of a stand-in gio first in PATH; empty: the real one
        bool warned;
    } cases[] = {
        {"no client registered", "", "", true},
        {"a client takes the link", "/bin/true %u", "", false},
        {"a slow opener that fails", "", "sleep 0.5; exit 2", true},
    };
    bool handedOver = false;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.desktop);
        test::DesktopTree desktop("jiujiu_program_handoff");
        if (!c.handler.empty())
            desktop.registerEd2kHandler(c.handler);
        if (!c.slowOpener.empty()) {
            const fs::path bin = desktop.root() / "bin";
            fs::create_directories(bin);
            std::ofstream(bin / "gio") << "#!/bin/sh\n" << c.slowOpener << "\n";
            fs::permissions(bin / "gio", fs::perms::owner_all);
            desktop.setEnvironment("PATH", bin.string() + ":/usr/bin:/bin");
        }
        bool timerFired = false;
        std::vector<ShownBox> boxes;
        g_services->setAnswerer([&](const Text &text, int style, const Text &) {
            boxes.push_back({TextToUtf8(text), style, timerFired});
            return IdCancel;
        });
        QGuiApplication::clipboard()->clear();
        QTimer::singleShot(100, Main(), [&timerFired] { timerFired = true; });

        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());

        ASSERT_EQ(boxes.size(), c.warned ? 2u : 1u);
        EXPECT_EQ(boxes[0].text, "使用云播放在线看吗？\r\n否则复制、下载！");
        if (c.warned) {
            EXPECT_EQ(boxes[1].text, TextToUtf8(NoClientMessage(true)));
            EXPECT_EQ(boxes[1].style & 0xFF, MbOk | MbIconWarning);
        }
        if (!c.slowOpener.empty()) {
            EXPECT_TRUE(boxes.back().timerHadFired)
                << "the window's events wait until the opener has ended";
        }
        // The link stays on the clipboard, as the message says.
        EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), link);
        // A link a client took is marked at once (and stays so); one no client took is not.
        EXPECT_EQ(list.listModel()->mark(0).status,
                  c.handler.empty() && !handedOver ? RowStatus::New : RowStatus::HandedOver);
        handedOver = handedOver || !c.handler.empty();
        QTest::qWait(150); // the timer of this case fires before the next one starts
    }
    g_services->setAnswerer({});
}

} // namespace
