// Renders the main window to PNG files, the first page and the result page with sample rows,
// the way start-up leaves it (visual style 2, focus in the keyword box); then the rows filtered
// and sorted, and the list's context menu; then the demo's 假货 rows with their type tags and
// warning marks, the columns 类型 and 提示 and the header menu that shows them, a name's tool
// tip, the type choice with 隐藏可疑, the names of a merged row, and a broken link refused; the
// window made larger, a filter it cannot read, the double-click question, a failed search and
// an incomplete one, the client's status tags and their legend.
// The palette is the desktop's, as the program follows it.
// Usage: jiujiu-ui-screenshot OUTPUT_DIR

#include "catalogue.h"
#include "ed2kclient/clientstate.h"
#include "results/clientmarker.h"
#include "results/ed2klink.h"
#include "results/resultlist.h"
#include "runtime/codepage.h"
#include "runtime/uiservices.h"
#include "search/resultactions.h"
#include "search/searchtexts.h"
#include "store/seenfiles.h"
#include "ui/desktoptheme.h"
#include "ui/interfacelanguage.h"
#include "ui/listcommands.h"
#include "ui/mainwindow.h"
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
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QToolTip>
#include <algorithm>
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

// The screen where the window is, for what pops up over it (menus, tool tips, dialogs).
bool SaveScreen(QWidget &window, const QString &path)
{
    QTest::qWait(300);
    const QRect frame = window.frameGeometry().adjusted(-20, -20, 120, 60);
    const QPixmap screen =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const bool ok = screen.save(path);
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
    InstallInterfaceLanguage(QLocale::system()); // LANG=en_US.UTF-8 gives the English window
    QtUiServices services;
    services.setAnswerer([](const Text &, int, const Text &) { return IdOk; });
    SetUiServices(&services);

    RegisterMainWindowDescription([](MainWindow &window) {
        QObject::connect(&window, &MainWindow::created, &window, [] {
            FollowDesktopTheme(); // GTK_THEME=Adwaita:dark gives the dark pictures
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
    const std::uint64_t bytes[] = {132644864,  1288490189, 734318387, 4724464025,
                                   6120328396, 851443712,  374236774, 2254857830};
    for (int i = 0; i < 24; ++i) {
        const int row = ListInsertItem(list, {}, Value(std::to_string(i + 1)));
        const Text name = Utf8ToText(names[i % 8]);
        ListSetItemText(list, row, Value(1), Value(name));
        ListSetItemText(list, row, Value(2), Value(Utf8ToText(sizes[i % 8])));
        ListSetItemText(list, row, Value(3), Value(std::to_string(3 + (i * 37) % 90)));
        // The last eight rows list the first eight files again, as the site sometimes does.
        const int file = i < 16 ? i : i - 16;
        char hash[33];
        std::snprintf(hash, sizeof hash, "%032X", 0x5EED0 + file);
        ListSetItemText(
            list, row, Value(4),
            Value("ed2k://|file|" + name + "|" + std::to_string(bytes[i % 8]) + "|" + hash + "|/"));
    }
    window->setAnnouncement(Utf8ToText("啾啾为您找到 24 个资源，双击一行即可在线观看或下载"));
    window->setCurrentPage(1);
    window->resultList().setCurrentSelection(2);
    window->resultList().setFocus();
    ok = Save(*window, out.filePath(QStringLiteral("mainwindow-results.png"))) && ok;

    // A larger window: the list, its name and link columns and the filter row take the room.
    const QSize formSize = window->size();
    window->resize(1120, 700);
    ok = Save(*window, out.filePath(QStringLiteral("mainwindow-resized.png"))) && ok;
    window->resize(formSize);

    // A filter the box cannot read: red, and the reason in a line above the list.
    window->focusFilter();
    window->filterBar().filterBox()->setText(QStringLiteral("啾啾 size>=lots"));
    window->filterBar().applyNow();
    ok = Save(*window, out.filePath(QStringLiteral("mainwindow-filter-error.png"))) && ok;
    window->filterBar().filterBox()->clear();
    window->filterBar().applyNow();

    // The double-click question: buttons that say what they do.
    {
        const auto question =
            MakeChoiceBox(Utf8ToText("使用云播放在线看吗？\r\n否则复制、下载！"),
                          Utf8ToText("温馨提示"), {Utf8ToText("云播放"), Utf8ToText("复制并下载")});
        question->setWindowModality(Qt::NonModal);
        question->show();
        question->move(window->frameGeometry().center() - question->rect().center());
        ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-question.png"))) && ok;
    }

    // A service that is gone: the top line and the box say it in Chinese, the technical reason
    // in the box's details and the line's tool tip.
    {
        const std::string reason =
            "Failed to connect to 127.0.0.1 port 41707 after 0 ms: Couldn't connect to server";
        window->setAnnouncement(FailedAnnouncement(reason));
        window->setAnnouncementDetail(QString::fromStdString(reason));
        const auto box = MakeMessageBox(UnreachableMessage(reason), 0, Utf8ToText("温馨提示"));
        SetDetails(*box, reason);
        box->setWindowModality(Qt::NonModal);
        box->show();
        box->move(window->frameGeometry().center() - box->rect().center());
        ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-failure.png"))) && ok;
    }

    // A search that could not read every page: the whole message in the line's tool tip.
    window->setAnnouncement(
        IncompleteAnnouncement(Utf8ToText("1000"), 400, {21, 22, 23, 24, 25, 26, 27}, 0));
    window->setRetryOffered(true);
    {
        const QPoint tipAt = window->mapToGlobal(QPoint(300, 18));
        QCursor::setPos(tipAt);
        QTest::qWait(100);
        QToolTip::showText(tipAt, window->announcementToolTip(), window);
        ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-incomplete.png"))) && ok;
        QToolTip::hideText();
        QCursor::setPos(window->frameGeometry().bottomRight() + QPoint(50, 50));
    }
    window->setRetryOffered(false);
    window->setAnnouncement(Utf8ToText("啾啾为您找到 24 个资源，双击一行即可在线观看或下载"));

    // What the ed2k client knows, in words before the names as well as in colours, and the
    // legend under 选项.
    {
        const auto idOf = [&](int row) {
            return *Ed2kLink::Parse(TextToUtf8(ListGetItemText(list, row, Value(4)))).file();
        };
        const FileId downloading = idOf(1);
        ClientMarker marker(std::make_shared<const ClientState>(
            std::vector<FileId>{idOf(0)},
            std::vector<PartMet>{{downloading, downloading.size * 49 / 100}},
            std::vector<Md4Hash>{idOf(2).hash}));
        marker.noteHandedOver(Ed2kLink::Parse(TextToUtf8(ListGetItemText(list, 3, Value(4)))));
        window->resultList().listModel()->setMarker(&marker);
        window->resultList().setCurrentSelection(5);
        ok = Save(*window, out.filePath(QStringLiteral("mainwindow-status-tags.png"))) && ok;
        auto *options = window->filterBar().findChild<QToolButton *>(QStringLiteral("显示选项"));
        options->menu()->popup(options->mapToGlobal(
            QPoint(options->width() - options->menu()->sizeHint().width(), options->height())));
        QTest::qWait(100);
        ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-legend.png"))) && ok;
        options->menu()->hide();
        window->resultList().listModel()->setMarker(nullptr);
    }

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

    // The demo's fakes and broken links among ordinary files, with the columns 类型 and 提示.
    QMenu *menu = window->resultActions().menu();
    menu->hide();
    ListDeleteAllItems(list);
    window->filterBar().filterBox()->clear();
    window->filterBar().applyNow();
    window->resultList().horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    std::vector<ResultRow> fakes;
    for (const demo::Resource *r : demo::FindResources("假货"))
        fakes.emplace_back(std::to_string(fakes.size() + 1), Utf8ToText(r->name),
                           Utf8ToText(r->size), r->sources, Utf8ToText(r->link));
    ListAppendRows(list, std::move(fakes));
    window->setAnnouncement(Utf8ToText("为您找到[27]枚资源！双击复制、下载！"));
    ResultColumnsMenu &columns = *window->resultList().columnsMenu();
    columns.action(ResultListModel::TypeColumn)->setChecked(true);
    columns.action(ResultListModel::HintColumn)->setChecked(true);
    window->resultList().setColumnWidth(NameColumn, 250);
    window->resultList().setColumnWidth(LinkColumn, 120);
    window->resultList().setCurrentSelection(14);
    window->resultList().scrollToBottom();
    window->resultList().setFocus();
    ok = Save(*window, out.filePath(QStringLiteral("mainwindow-warnings.png"))) && ok;

    QHeaderView *header = window->resultList().horizontalHeader();
    emit header->customContextMenuRequested(
        QPoint(header->sectionViewportPosition(ResultListModel::TypeColumn) + 10, 8));
    ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-columns-menu.png"))) && ok;
    columns.menu()->hide();

    // A name's tool tip: its type and every reason.
    ReportListView &view = window->resultList();
    const QModelIndex exe = view.model()->index(14, NameColumn);
    const QPoint at = view.viewport()->mapToGlobal(view.visualRect(exe).center());
    QCursor::setPos(at); // a tool tip away from the pointer closes at once
    QTest::qWait(100);
    QToolTip::showText(at, exe.data(Qt::ToolTipRole).toString(), view.viewport());
    ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-tooltip.png"))) && ok;
    QToolTip::hideText();

    // Only videos, the suspicious ones hidden: what is left is worth a look.
    window->filterBar().findChild<QComboBox *>(QStringLiteral("类型"))->setCurrentIndex(1);
    window->filterBar().findChild<QCheckBox *>(QStringLiteral("隐藏可疑"))->setChecked(true);
    window->filterBar().filterBox()->setText(QStringLiteral("-链接无效"));
    window->filterBar().applyNow();
    ok = Save(*window, out.filePath(QStringLiteral("mainwindow-hide-suspicious.png"))) && ok;
    // The toggles under 选项, opened.
    auto *options = window->filterBar().findChild<QToolButton *>(QStringLiteral("显示选项"));
    options->menu()->popup(options->mapToGlobal(
        QPoint(options->width() - options->menu()->sizeHint().width(), options->height())));
    QTest::qWait(100);
    ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-options.png"))) && ok;
    options->menu()->hide();
    window->filterBar().findChild<QComboBox *>(QStringLiteral("类型"))->setCurrentIndex(0);
    window->filterBar().findChild<QCheckBox *>(QStringLiteral("隐藏可疑"))->setChecked(false);
    window->filterBar().filterBox()->clear();
    window->filterBar().applyNow();

    // Every name of a merged file: the Rerun files, each listed three times.
    ListDeleteAllItems(list);
    std::vector<ResultRow> reruns;
    for (const demo::Resource *r : demo::FindResources("Rerun"))
        reruns.emplace_back(std::to_string(reruns.size() + 1), Utf8ToText(r->name),
                            Utf8ToText(r->size), r->sources, Utf8ToText(r->link));
    ListAppendRows(list, std::move(reruns));
    view.setCurrentSelection(0);
    window->resultActions().allNamesAction()->trigger();
    ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-all-names.png"))) && ok;
    if (QWidget *dialog = window->findChild<QDialog *>(QStringLiteral("全部名称")))
        dialog->close();

    // A broken link is handed on nowhere: the message says why.
    Text refusal;
    int refusalStyle = 0;
    services.setAnswerer([&](const Text &text, int style, const Text &) {
        refusal = text;
        refusalStyle = style;
        return IdOk;
    });
    LinksToHandOn({{Utf8ToText("假货.坏链接.没有结尾.mkv"),
                    "ed2k://|file|a.mkv|734003200|0123456789ABCDEF0123456789ABCDEF|"}});
    const auto box = MakeMessageBox(refusal, refusalStyle, Utf8ToText("温馨提示"));
    box->setWindowModality(Qt::NonModal);
    box->show();
    box->move(window->frameGeometry().center() - box->rect().center());
    ok = SaveScreen(*window, out.filePath(QStringLiteral("mainwindow-broken-link.png"))) && ok;
    box->close();

    // A rerun of a saved search whose earlier runs listed the first row's file: the others
    // carry 新.
    {
        const ResultList &rows = window->resultList().listModel()->list();
        std::vector<SeenFiles::Key> keys;
        for (std::size_t r = 0; r < 1 && r < rows.count(); ++r)
            if (const auto file = rows.row(r).link().file())
                keys.push_back(SeenFiles::KeyOf(*file));
        std::sort(keys.begin(), keys.end());
        const SeenFiles seen(std::move(keys), true);
        window->resultList().listModel()->setSeenFiles(&seen);
        for (int r = 0; r < static_cast<int>(rows.count()); ++r) {
            const Text link = ListGetItemText(list, r, Value(4));
            ListSetItemText(list, r, Value(4), Value(Text()));
            ListSetItemText(list, r, Value(4), Value(link));
        }
        ok = Save(*window, out.filePath(QStringLiteral("mainwindow-new.png"))) && ok;
        window->resultList().listModel()->setSeenFiles(nullptr);
    }

    columns.action(ResultListModel::TypeColumn)->setChecked(false);
    columns.action(ResultListModel::HintColumn)->setChecked(false);
    SetUiServices(nullptr);
    return ok ? 0 : 1;
}
