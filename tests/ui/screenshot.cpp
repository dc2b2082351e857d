// Renders the main window to PNG files, the first page and the result page with sample rows,
// the way start-up leaves it (visual style 2, focus in the keyword box); then the rows filtered
// and sorted, and the list's context menu.
// Usage: jiujiu-ui-screenshot OUTPUT_DIR

#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "ui/listcommands.h"
#include "ui/mainwindow.h"
#include "ui/qtuiservices.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/visualstyle.h"
#include "ui/windowregistry.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <cstdio>

using namespace jiujiu;

namespace {

bool Save(QWidget &window, const QString &path)
{
    QTest::qWait(200);
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "failed", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QtUiServices services;
    services.setAnswerer([](const Text &, int, const Text &) { return IdOk; });
    SetUiServices(&services);

    RegisterMainWindowDescription([](MainWindow &window) {
        QObject::connect(&window, &MainWindow::created, &window, [] {
            SetVisualStyle(2);
            FocusControl(MainWindow::control(MainWindow::KeywordBox));
        });
    });
    if (!LoadWindow(MainWindow::Reference))
        return 1;
    auto *window = qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
    if (!window || !QTest::qWaitForWindowExposed(window))
        return 1;
    window->activateWindow();
    window->setKeyword(Utf8ToText("啾啾"));
    bool ok = Save(*window, out.filePath(QStringLiteral("mainwindow-home.png")));

    const ControlReference list = MainWindow::control(MainWindow::ResultList);
    const char *names[] = {"啾啾神器使用教程.mp4",
                           "每日新闻合集 第01期.mkv",
                           "小啾啾的春天 高清版.avi",
                           "纪录片 鸟类的迁徙 1080p.mkv",
                           "Ubuntu 24.04 LTS desktop amd64.iso",
                           "古典音乐精选 100首.rar",
                           "啾啾原声大碟 无损.flac",
                           "编程入门 视频课程 全20讲.zip"};
    const char *sizes[] = {"126.5 MB", "1.2 GB", "700.3 MB", "4.4 GB",
                           "5.7 GB",   "812 MB", "356.9 MB", "2.1 GB"};
    for (int i = 0; i < 24; ++i) {
        const int row = ListInsertItem(list, {}, Value(std::to_string(i + 1)));
        const Text name = Utf8ToText(names[i % 8]);
        ListSetItemText(list, row, Value(1), Value(name));
        ListSetItemText(list, row, Value(2), Value(Utf8ToText(sizes[i % 8])));
        ListSetItemText(list, row, Value(3), Value(std::to_string(3 + (i * 37) % 90)));
        // The last eight rows list the first eight files again, as the site sometimes does.
        const int file = i < 16 ? i : i - 16;
        ListSetItemText(list, row, Value(4),
                        Value("ed2k://|file|" + name + "|" + std::to_string(1000000 + file * 7919) +
                              "|0123456789ABCDEF0123456789ABCDEF|/"));
    }
    window->setAnnouncement(Utf8ToText("啾啾为您找到 24 个资源，双击一行即可在线观看或下载"));
    window->setCurrentPage(1);
    window->resultList().setCurrentSelection(2);
    window->resultList().setFocus();
    ok = Save(*window, out.filePath(QStringLiteral("mainwindow-results.png"))) && ok;

    // Filtered and sorted by size, largest first, with the context menu open on a row.
    window->focusFilter();
    window->filterBar().filterBox()->setText(QStringLiteral("啾啾 -flac"));
    window->filterBar().applyNow();
    window->resultList().horizontalHeader()->setSortIndicator(2, Qt::DescendingOrder);
    window->resultList().setCurrentSelection(0);
    window->resultList().setFocus();
    ok = Save(*window, out.filePath(QStringLiteral("mainwindow-filtered.png"))) && ok;
    const QRect row = window->resultList().visualRect(window->resultList().model()->index(1, 1));
    emit window->resultList().customContextMenuRequested(row.center());
    QTest::qWait(300);
    const QRect frame = window->frameGeometry();
    const QPixmap screen =
        window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString menuPath = out.filePath(QStringLiteral("mainwindow-menu.png"));
    const bool menuSaved = screen.save(menuPath);
    std::printf("%s %s\n", menuSaved ? "wrote" : "failed", qPrintable(menuPath));
    ok = menuSaved && ok;

    SetUiServices(nullptr);
    return ok ? 0 : 1;
}
