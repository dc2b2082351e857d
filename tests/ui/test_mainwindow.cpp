#include "net/openaddress.h"
#include "runtime/codepage.h"
#include "runtime/settings.h"
#include "ui/announcementlabel.h"
#include "ui/contrast.h"
#include "ui/interfacelanguage.h"
#include "ui/listcommands.h"
#include "ui/mainwindow.h"
#include "ui/pagecontrol.h"
#include "ui/reportlistview.h"
#include "ui/resultlistmodel.h"
#include "ui/statisticsbrowser.h"
#include "ui/visualstyle.h"
#include "ui/windowregistry.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace jiujiu;

namespace {

// Every signal of one main window; the spies keep what they saw after the window is gone.
struct WindowSpies
{
    explicit WindowSpies(MainWindow &window)
        : created(&window, &MainWindow::created), destroying(&window, &MainWindow::destroying),
          searches(&window, &MainWindow::searchClicked), stops(&window, &MainWindow::stopRequested),
          doubleClicks(&window, &MainWindow::resultDoubleClicked),
          keys(&window, &MainWindow::keywordKeyPressed),
          toolbar(&window, &MainWindow::toolbarClicked)
    {}

    QSignalSpy created;
    QSignalSpy destroying;
    QSignalSpy searches;
    QSignalSpy stops;
    QSignalSpy doubleClicks;
    QSignalSpy keys;
    QSignalSpy toolbar;
};

class MainWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("JIUJIU_SITE_HOST", "jiujiu.example");
        qunsetenv("JIUJIU_STATS_HOST");
        previousOpener = SetAddressOpener([this](const std::string &a) { opened.push_back(a); });
        RegisterMainWindowDescription([this](MainWindow &made) {
            spies.push_back(std::make_unique<WindowSpies>(made));
            made.setCloseQuery([this] {
                ++closeQueries;
                return allowClose;
            });
        });
        ASSERT_TRUE(LoadWindow(MainWindow::Reference));
        window = qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    }

    void TearDown() override
    {
        delete LoadedWindow(MainWindow::Reference.window);
        RegisterMainWindowDescription();
        SetAddressOpener(previousOpener);
        qunsetenv("JIUJIU_SITE_HOST");
    }

    template <class T>
    T *child(const char *name)
    {
        T *found = window->findChild<T *>(QString::fromUtf8(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    QAction *toolbarAction(int index)
    {
        const QList<QAction *> actions = child<QToolBar>("工具条1")->actions();
        return index < actions.size() ? actions[index] : nullptr;
    }

    // Emissions of one signal over every window made so far.
    int count(QSignalSpy WindowSpies::*signal) const
    {
        int total = 0;
        for (const auto &made : spies)
            total += ((*made).*signal).count();
        return total;
    }

    std::vector<std::pair<int, int>> keysPressed() const
    {
        std::vector<std::pair<int, int>> keys;
        for (const QList<QVariant> &arguments : spies.back()->keys)
            keys.emplace_back(arguments.at(0).toInt(), arguments.at(1).toInt());
        return keys;
    }

    std::vector<int> toolbarClicks() const
    {
        std::vector<int> indexes;
        for (const QList<QVariant> &arguments : spies.back()->toolbar)
            indexes.push_back(arguments.at(0).toInt());
        return indexes;
    }

    std::vector<std::unique_ptr<WindowSpies>> spies;
    bool allowClose = true;
    int closeQueries = 0;
    std::vector<std::string> opened;
    AddressOpener previousOpener;
    MainWindow *window = nullptr;
};

} // namespace

TEST_F(MainWindowTest, TitleSizeAndBorder)
{
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("啾啾神器 - BT种子搜索神器 - 官方网站：jiujiu.example"));
    EXPECT_EQ(window->frameGeometry().size(), QSize(800, 486));
    EXPECT_EQ(window->minimumSize(), window->size()) << "opens at the form's size, its least";
    EXPECT_GT(window->maximumWidth(), window->width()) << "resizable";
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
    const QRect area = window->screen()->availableGeometry();
    const QRect outer(window->pos(), QSize(800, 486));
    EXPECT_LE(std::abs(outer.center().x() - area.center().x()), 1);
    EXPECT_LE(std::abs(outer.center().y() - area.center().y()), 1);
    EXPECT_EQ(count(&WindowSpies::created), 1);
}

TEST_F(MainWindowTest, ControlsSitWhereTheFormPutsThem)
{
    PageControl *pages = child<PageControl>("高级选择夹1");
    ASSERT_NE(pages, nullptr);
    struct Row
    {
        const char *name;
        QWidget *parent; // the page or control the coordinates are relative to
        QRect geometry;
    } rows[] = {
        {"标签3", window, {66, 3, 610, 32}},      {"高级选择夹1", window, {5, 40, 784, 416}},
        {"超文本浏览框4", pages, {0, 400, 1, 1}}, {"LOGO", pages, {166, 46, 440, 84}},
        {"标签1", pages, {83, 371, 597, 37}},     {"按钮1", pages, {237, 211, 264, 48}},
        {"编辑框1", pages, {157, 154, 456, 32}},  {"超级列表框_查询显示", pages, {8, 32, 771, 382}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QWidget *w = child<QWidget>(row.name);
        ASSERT_NE(w, nullptr);
        const QPoint at = w->parentWidget()->mapTo(window, w->pos());
        EXPECT_EQ(QRect(row.parent == window ? at : row.parent->mapFrom(window, at), w->size()),
                  row.geometry);
    }
    QWidget *logo = child<QWidget>("LOGO");
    QWidget *logo1 = child<QWidget>("LOGO1");
    ASSERT_TRUE(logo && logo1);
    EXPECT_EQ(logo1->parentWidget(), logo);
    EXPECT_EQ(logo1->geometry(), QRect(-1, 1, 440, 84));

    // Page membership: the form's first page holds the search form, the second the list.
    for (const char *name : {"超文本浏览框4", "LOGO", "标签1", "按钮1", "编辑框1"})
        EXPECT_EQ(child<QWidget>(name)->parentWidget(), pages->page(0)) << name;
    EXPECT_EQ(child<QWidget>("超级列表框_查询显示")->parentWidget(), pages->page(1));

    QToolBar *toolbar = child<QToolBar>("工具条1");
    EXPECT_EQ(toolbar->geometry().topLeft(), QPoint(0, -1));
    EXPECT_EQ(toolbar->height(), 28);
}

// A larger window gives its room to the list, its name and link columns and the filter row;
// the first page's form stays whole, centred; the size column never loses its text.
TEST_F(MainWindowTest, ResizingGivesTheListTheRoom)
{
    auto *list = child<ReportListView>("超级列表框_查询显示");
    QWidget *filter = child<QWidget>("筛选栏");
    QWidget *keyword = child<QWidget>("编辑框1");
    ASSERT_TRUE(list && filter && keyword);
    window->setCurrentPage(1);
    QTest::qWait(20);
    QHeaderView *header = list->horizontalHeader();
    const QSize form = window->size();
    const QSize list0 = list->size();
    const int filter0 = filter->width();
    const int name0 = header->sectionSize(1), link0 = header->sectionSize(4);
    const struct
    {
        int dx, dy;
    } cases[] = {{400, 300}, {120, 0}, {0, 0}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dx);
        window->resize(form + QSize(c.dx, c.dy));
        window->setCurrentPage(c.dx == 120 ? 0 : 1); // resized while hidden, then shown
        QTest::qWait(20);
        window->setCurrentPage(1);
        QTest::qWait(20);
        EXPECT_EQ(list->size(), list0 + QSize(c.dx, c.dy));
        EXPECT_EQ(filter->width(), filter0 + c.dx);
        EXPECT_EQ(header->sectionSize(1) + header->sectionSize(4), name0 + link0 + c.dx);
        EXPECT_GT(header->sectionSize(1) - name0, header->sectionSize(4) - link0 - 1);
        EXPECT_EQ(header->sectionSize(2), 60);
        EXPECT_EQ(keyword->geometry(), QRect(157 + c.dx / 2, 154 + c.dy / 2, 456, 32));
    }
    // A width the user drags stays through a resize; the size column refuses to cut its text.
    header->resizeSection(4, 150);
    window->resize(form + QSize(200, 0));
    QTest::qWait(20);
    EXPECT_EQ(header->sectionSize(4), 150 + 200 - 200 * 2 / 3);
    window->resize(form);
    ListInsertItem(*list, {}, Value("1"));
    ListSetItemText(*list, 0, Value(2), Value("1023.45 MB"));
    header->resizeSection(2, 20);
    EXPECT_GE(header->sectionSize(2),
              list->fontMetrics().horizontalAdvance(QStringLiteral("1023.45 MB")));
}

TEST_F(MainWindowTest, TextsFontsAndColours)
{
    struct Row
    {
        const char *name;
        const char *family;
        int pixels;
    } fonts[] = {
        {"标签3", "微软雅黑", 14}, {"高级选择夹1", "微软雅黑", 16},
        {"标签1", "微软雅黑", 12}, {"按钮1", "宋体", 21},
        {"编辑框1", "宋体", 20},   {"超级列表框_查询显示", "微软雅黑", 12},
    };
    for (const Row &row : fonts) {
        SCOPED_TRACE(row.name);
        const QFont font = child<QWidget>(row.name)->font();
        EXPECT_EQ(font.family(), QString::fromUtf8(row.family));
        EXPECT_EQ(font.pixelSize(), row.pixels);
        EXPECT_EQ(font.weight(), QFont::Normal);
        // The substitution gives a real CJK face that has the characters.
        EXPECT_TRUE(QFontMetrics(font).inFont(QChar(0x557E))) << "啾";
    }

    QLabel *announcement = child<QLabel>("标签3");
    EXPECT_EQ(announcement->text(),
              QStringLiteral("啾啾公告：记住啾啾神器官网唷！QIKU+SQ(神器) = jiujiu.example"));
    QLabel *disclaimer = child<QLabel>("标签1");
    // The form's blue and grey, darkened until they read on the window and its pages.
    for (QLabel *label : {announcement, disclaimer}) {
        const QColor colour = label->palette().color(QPalette::WindowText);
        EXPECT_GE(ContrastRatio(colour, QApplication::palette().color(QPalette::Window)),
                  kLegibleContrast);
        EXPECT_GE(ContrastRatio(colour, QApplication::palette().color(QPalette::Base)),
                  kLegibleContrast);
    }
    EXPECT_GT(announcement->palette().color(QPalette::WindowText).blue(), 128);
    const Text disclaimerText = MainWindow::disclaimerText();
    const std::string utf8 = TextToUtf8(disclaimerText);
    EXPECT_EQ(
        utf8.rfind("请在法律许可范围内进行使用，禁止使用本工具进行分享和传播色情、盗版等违法资源。"
                   "绿色上网，健康你我！\r\n如有任何版权或其他问题，请与“",
                   0),
        0u);
    EXPECT_TRUE(utf8.ends_with("”联系，我们会尽快处理！"));
    EXPECT_EQ(disclaimer->text().count(QLatin1Char('\n')), 1) << "two lines";

    EXPECT_EQ(child<QPushButton>("按钮1")->text(), QStringLiteral("开始啾啾搜索"));
    EXPECT_TRUE(child<QLineEdit>("编辑框1")->text().isEmpty());
    PageControl *pages = child<PageControl>("高级选择夹1");
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabBar()->tabText(0), QStringLiteral("首页"));
    EXPECT_EQ(pages->tabBar()->tabText(1), QStringLiteral("显示"));
    EXPECT_EQ(pages->currentIndex(), 0);

    for (const char *name : {"LOGO", "LOGO1"}) {
        const QPixmap picture = child<QLabel>(name)->pixmap();
        EXPECT_EQ(picture.size(), QSize(440, 84)) << name;
    }
}

// The look arrives after the window is shown (the created event attaches the skin, then sets the
// visual style): every toolbar item must still fit the 28 px band and the window's width, both
// tabs must stay in view without scroll arrows, and the tabs must stay clear of the list below.
TEST_F(MainWindowTest, StyleSheetsAfterShowKeepToolbarItemsAndTabsInView)
{
    QFile skinFile(QStringLiteral(JIUJIU_SKIN_SOURCE_DIR "/jiujiu.qss"));
    ASSERT_TRUE(skinFile.open(QIODevice::ReadOnly));
    const QString skin = QString::fromUtf8(skinFile.readAll());
    struct Case
    {
        const char *name;
        QString sheet;
        bool builtIn;
    };
    const Case cases[] = {
        {"built-in skin", skin, true},
        {"wider tabs", QStringLiteral("QTabBar::tab { padding: 2px 40px; }"), false},
        {"narrower tabs", QStringLiteral("QTabBar::tab { padding: 0 2px; }"), false},
    };
    auto *toolbar = child<QToolBar>("工具条1");
    PageControl *pages = child<PageControl>("高级选择夹1");
    QTabBar *tabs = pages->tabBar();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        qApp->setStyleSheet(c.sheet);
        SetVisualStyle(2);
        QTest::qWait(20);

        EXPECT_GE(tabs->width(), tabs->sizeHint().width());
        EXPECT_LE(tabs->tabRect(1).right(), tabs->width() - 1) << "both tabs in view";
        EXPECT_LT(tabs->tabRect(0).right(), tabs->tabRect(1).left()) << "side by side";
        if (!c.builtIn)
            continue;
        const QWidget *list = child<QWidget>("超级列表框_查询显示");
        EXPECT_LE(tabs->geometry().bottom(), list->geometry().top()) << "tabs clear of the list";
        for (QAction *action : toolbar->actions()) {
            if (action->isSeparator())
                continue;
            const QWidget *button = toolbar->widgetForAction(action);
            ASSERT_NE(button, nullptr);
            SCOPED_TRACE(action->text().toStdString());
            EXPECT_TRUE(button->isVisible()) << "not pushed into the overflow menu";
            EXPECT_TRUE(toolbar->rect().contains(button->geometry()));
            EXPECT_GE(button->height(), button->sizeHint().height()) << "caption not clipped";
        }
        // The search button's caption must stand out from its face: some of its inner pixels
        // are dark, whatever face the visual style gives it.
        auto *search = child<QPushButton>("按钮1");
        const QImage shot = search->grab().toImage();
        int darkest = 255;
        for (int y = 4; y < shot.height() - 4; ++y)
            for (int x = 4; x < shot.width() - 4; ++x)
                darkest = std::min(darkest, qGray(shot.pixel(x, y)));
        EXPECT_LT(darkest, 96);
    }
    SetVisualStyle(0);
    qApp->setStyleSheet(QString());
}

TEST_F(MainWindowTest, ResultListIsAReportView)
{
    auto *list = child<ReportListView>("超级列表框_查询显示");
    ASSERT_NE(list, nullptr);
    QHeaderView *header = list->horizontalHeader();
    const int widths[] = {40, 400, 60, 50, 200};
    for (int c = 0; c < 5; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(header->sectionSize(c), widths[c]);
        EXPECT_EQ(list->model()->headerData(c, Qt::Horizontal).toString(),
                  ResultListModel::Columns()[static_cast<std::size_t>(c)].title);
    }
    EXPECT_TRUE(header->isVisible() || !list->isVisible());
    EXPECT_TRUE(header->sectionsClickable());
    EXPECT_FALSE(header->sectionsMovable());
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(),
              QAbstractItemView::ExtendedSelection); // many rows to copy or export
    EXPECT_EQ(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(list->verticalHeader()->isVisibleTo(list));
    // Without the focus the selection stays in sight, paler than with it.
    const QPalette p = list->palette();
    EXPECT_NE(p.color(QPalette::Inactive, QPalette::Highlight),
              p.color(QPalette::Inactive, QPalette::Base));
    EXPECT_NE(p.color(QPalette::Inactive, QPalette::Highlight),
              p.color(QPalette::Active, QPalette::Highlight));
    EXPECT_FALSE(list->tabKeyNavigation()) << "Tab leaves the list";

    // Cells: 资源数 centred, the rest left.
    const int row = ListInsertItem(*list, {}, Value("1"));
    for (int c = 0; c < 5; ++c) {
        const auto alignment =
            Qt::Alignment(list->model()->index(row, c).data(Qt::TextAlignmentRole).toInt());
        EXPECT_EQ(alignment & Qt::AlignHorizontal_Mask, c == 3 ? Qt::AlignHCenter : Qt::AlignLeft)
            << c;
    }
}

TEST_F(MainWindowTest, ToolbarItems)
{
    QToolBar *toolbar = child<QToolBar>("工具条1");
    const QList<QAction *> actions = toolbar->actions();
    ASSERT_EQ(actions.size(), 16);
    for (int i = 0; i < 16; ++i) {
        SCOPED_TRACE(i);
        QAction *a = actions[i];
        EXPECT_TRUE(a->isEnabled());
        const bool separator = i == 12 || i == 15;
        EXPECT_EQ(a->isSeparator(), separator);
        QString caption;
        bool image = false;
        if (i == 0)
            caption = QStringLiteral("返回首页"), image = true;
        if (i == 13)
            caption = QStringLiteral("获取新版"), image = true;
        if (i == 14)
            caption = QStringLiteral("意见反馈"), image = true;
        if (!separator) {
            EXPECT_EQ(a->text(), caption);
            EXPECT_EQ(!a->icon().isNull(), image);
            if (image) {
                EXPECT_EQ(a->icon().availableSizes().value(0), QSize(16, 16));
            }
        }
    }
    // The two site buttons lie right of the announcement's text, where they can be clicked.
    QLabel *announcement = child<QLabel>("标签3");
    const int textEnd = announcement->x() + announcement->indent() +
                        announcement->fontMetrics().horizontalAdvance(announcement->text());
    EXPECT_GT(toolbar->widgetForAction(actions[13])->x(), textEnd);
    EXPECT_LE(toolbar->widgetForAction(actions[14])->geometry().right(), window->width());
}

TEST_F(MainWindowTest, LongAnnouncementStopsShortOfTheToolbarButtons)
{
    // An incomplete search naming many pages writes more than the line can hold.
    const Text longText =
        Utf8ToText("为您找到[1000]枚资源，只列出了 760 枚：第 4、5、6、7、8 等 12 页没能读出来，"
                   "后面 30 页也没再读！双击复制、下载！");
    window->setAnnouncement(longText);
    auto *label = child<AnnouncementLabel>("标签3");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(window->announcement(), longText) << "the label keeps the whole text";
    const QString shown = label->shownText();
    ASSERT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    const QList<QAction *> actions = child<QToolBar>("工具条1")->actions();
    const int buttonLeft = child<QToolBar>("工具条1")->widgetForAction(actions[13])->x();
    const int shownEnd =
        label->x() + label->indent() + label->fontMetrics().horizontalAdvance(shown);
    EXPECT_LT(shownEnd, buttonLeft);

    // A text that fits is drawn whole.
    window->setAnnouncement(Utf8ToText("为您找到[3]枚资源！双击复制、下载！"));
    EXPECT_EQ(label->shownText(), label->text());
}

TEST_F(MainWindowTest, ToolbarCommands)
{
    // A search has been made: results page, its message, rows.
    window->setCurrentPage(1);
    window->setAnnouncement(Utf8ToText("共找到 3 个"));
    for (int i = 0; i < 3; ++i)
        ListInsertItem(window->resultList(), {}, Value(std::to_string(i + 1)));

    const Text announcement = MainWindow::announcementText();
    struct Row
    {
        int index;
        const char *address; // nullptr: none opened
        int page;
        bool announcementRestored;
    } rows[] = {
        {1, nullptr, 1, false},
        {5, nullptr, 1, false},
        {11, nullptr, 1, false},
        {12, nullptr, 1, false},
        {15, nullptr, 1, false},
        {13, "http://jiujiu.example/?updata", 1, false},
        {14, "http://jiujiu.example/?fb", 1, false},
        {0, nullptr, 0, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.index);
        opened.clear();
        spies.back()->toolbar.clear();
        QAction *action = toolbarAction(row.index);
        ASSERT_NE(action, nullptr);
        if (QWidget *button = child<QToolBar>("工具条1")->widgetForAction(action);
            button && !action->isSeparator())
            QTest::mouseClick(button, Qt::LeftButton);
        else
            window->runToolbarCommand(row.index); // separators take no clicks
        if (row.address) {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0], row.address);
        } else {
            EXPECT_TRUE(opened.empty());
        }
        EXPECT_EQ(window->currentPage(), row.page);
        EXPECT_EQ(window->announcement() == announcement, row.announcementRestored);
        if (!action->isSeparator()) {
            EXPECT_EQ(toolbarClicks(), std::vector<int>{row.index});
        }
    }
    // The rows stay on the second page.
    EXPECT_EQ(window->resultList().listModel()->count(), 3);
    child<PageControl>("高级选择夹1")->tabBar()->setCurrentIndex(1);
    EXPECT_EQ(window->currentPage(), 1);
    EXPECT_EQ(ListGetItemText(window->resultList(), 2), "3");
}

TEST_F(MainWindowTest, KeywordBoxKeysAndSearchButton)
{
    QLineEdit *box = child<QLineEdit>("编辑框1");
    box->setFocus();
    QTest::keyClicks(box, "abc");
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter, Qt::ControlModifier);
    QTest::keyClick(box, 'A', Qt::ShiftModifier);
    // Modifier keys are keys too, as Windows reports them.
    const std::vector<std::pair<int, int>> want = {{'A', 0}, {'B', 0}, {'C', 0}, {13, 0},
                                                   {17, 1},  {13, 1},  {16, 2},  {'A', 2}};
    EXPECT_EQ(keysPressed(), want);
    EXPECT_EQ(box->text(), QStringLiteral("abcA")) << "keys still edit the text";
    EXPECT_EQ(window->keyword(), "abcA");

    // Chinese input arrives through the input method.
    box->clear();
    QInputMethodEvent input;
    input.setCommitString(QStringLiteral("啾啾"));
    QCoreApplication::sendEvent(box, &input);
    EXPECT_EQ(window->keyword(), Utf8ToText("啾啾"));

    QTest::mouseClick(child<QPushButton>("按钮1"), Qt::LeftButton);
    EXPECT_EQ(count(&WindowSpies::searches), 1);
}

TEST_F(MainWindowTest, SearchButtonStopsARunningSearchAndSoDoesEsc)
{
    QPushButton *button = child<QPushButton>("按钮1");
    QLineEdit *box = child<QLineEdit>("编辑框1");
    ReportListView *list = child<ReportListView>("超级列表框_查询显示");
    const auto click = [button] { QTest::mouseClick(button, Qt::LeftButton); };
    const auto escIn = [this](QWidget *widget, int page) {
        return [this, widget, page] {
            window->setCurrentPage(page);
            widget->setFocus();
            QTest::keyClick(widget, Qt::Key_Escape);
        };
    };
    struct Case
    {
        const char *name;
        bool running;
        std::function<void()> act;
        int searches;
        int stops;
    };
    const Case cases[] = {
        {"button while idle starts a search", false, click, 1, 0},
        {"button while running stops it", true, click, 0, 1},
        {"Esc in the keyword box while running stops it", true, escIn(box, 0), 0, 1},
        {"Esc in the result list while running stops it", true, escIn(list, 1), 0, 1},
        {"Esc while idle does nothing", false, escIn(box, 0), 0, 0},
        {"Esc in the result list while idle does nothing", false, escIn(list, 1), 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        spies.back()->searches.clear();
        spies.back()->stops.clear();
        window->setSearchRunning(c.running);
        EXPECT_EQ(window->isSearchRunning(), c.running);
        EXPECT_EQ(button->text(), QString::fromUtf8(c.running ? "停止搜索" : "开始啾啾搜索"));
        EXPECT_TRUE(button->isEnabled());
        c.act();
        EXPECT_EQ(count(&WindowSpies::searches), c.searches);
        EXPECT_EQ(count(&WindowSpies::stops), c.stops);
    }
    window->setSearchRunning(false);
}

TEST_F(MainWindowTest, DoubleClickOnARow)
{
    window->setCurrentPage(1);
    ReportListView &list = window->resultList();
    for (int i = 0; i < 5; ++i)
        ListInsertItem(list, {}, Value(std::to_string(i + 1)));
    QTest::qWait(20);
    const QRect cell = list.visualRect(list.model()->index(2, 1));
    ASSERT_FALSE(cell.isEmpty());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_EQ(count(&WindowSpies::doubleClicks), 1);
    EXPECT_EQ(ListCurrentSelection(list), 2);
}

TEST_F(MainWindowTest, CloseQueryAndDestruction)
{
    allowClose = false;
    EXPECT_FALSE(window->close());
    EXPECT_EQ(closeQueries, 1);
    EXPECT_TRUE(IsWindowLoaded(MainWindow::Reference));
    EXPECT_EQ(count(&WindowSpies::destroying), 0);

    allowClose = true;
    QSignalSpy destroyed(window, &QObject::destroyed);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(IsWindowLoaded(MainWindow::Reference)) << "closed: being destroyed";
    EXPECT_EQ(LoadedWindow(MainWindow::Reference.window), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(destroyed.count(), 1);
    EXPECT_EQ(count(&WindowSpies::destroying), 1);
    EXPECT_FALSE(IsWindowLoaded(MainWindow::Reference));
    EXPECT_EQ(count(&WindowSpies::created), 1);
}

TEST_F(MainWindowTest, LoadingAfterCloseMakesANewWindow)
{
    ASSERT_TRUE(window->close());
    QPointer<MainWindow> closed(window);
    ASSERT_TRUE(LoadWindow(MainWindow::Reference)) << "before the deletion has run";
    auto *fresh = qobject_cast<MainWindow *>(LoadedWindow(MainWindow::Reference.window));
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(closed.isNull()) << "the closed one is finished first";
    EXPECT_TRUE(fresh->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(LoadedWindow(MainWindow::Reference.window), fresh);
    EXPECT_EQ(count(&WindowSpies::created), 2);
    EXPECT_EQ(count(&WindowSpies::destroying), 1);
}

TEST_F(MainWindowTest, LoadingAgainKeepsTheWindow)
{
    EXPECT_TRUE(LoadWindow(MainWindow::Reference));
    EXPECT_EQ(LoadedWindow(MainWindow::Reference.window), window);
    window->showMinimized();
    EXPECT_TRUE(LoadWindow(MainWindow::Reference));
    EXPECT_FALSE(window->isMinimized());
    EXPECT_EQ(count(&WindowSpies::created), 1);
}

TEST(StatisticsVisit, GetsTheStatisticsPageInTheBackground)
{
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QByteArray host = "127.0.0.1:" + QByteArray::number(server.serverPort());
    qputenv("JIUJIU_STATS_HOST", host);
    EXPECT_EQ(StatisticsAddress(),
              "http://" + host.toStdString() + "/qiku.php?p=5A1C09E37B24D68F&q=a");
    {
        MainWindow window;
        ASSERT_TRUE(server.waitForNewConnection(5000) || server.hasPendingConnections());
        QTcpSocket *socket = server.nextPendingConnection();
        ASSERT_NE(socket, nullptr);
        QByteArray request;
        for (int i = 0; i < 50 && !request.contains("\r\n\r\n"); ++i) {
            socket->waitForReadyRead(100);
            request += socket->readAll();
        }
        EXPECT_TRUE(request.startsWith("GET /qiku.php?p=5A1C09E37B24D68F&q=a HTTP/1.1\r\n"))
            << request.constData();
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
        socket->flush();
        QSignalSpy finished(&window.statisticsBrowser(), &StatisticsBrowser::visitFinished);
        EXPECT_TRUE(finished.wait(5000));
        EXPECT_EQ(window.statisticsBrowser().runningVisits(), 0);
    }
    qunsetenv("JIUJIU_STATS_HOST");
}

TEST(StatisticsVisit, EmptyHostSkipsIt)
{
    qputenv("JIUJIU_STATS_HOST", "");
    EXPECT_EQ(StatisticsAddress(), "");
    MainWindow window;
    EXPECT_EQ(window.statisticsBrowser().lastAddress(), "");
    EXPECT_EQ(window.statisticsBrowser().runningVisits(), 0);
    qunsetenv("JIUJIU_STATS_HOST");
}

// Under an English locale the window's own texts are English; any other locale keeps the form's
// Chinese (the translation's source language).
class EnglishMainWindowTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(InstallInterfaceLanguage(QLocale(QStringLiteral("en_US"))));
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        RemoveInterfaceLanguage();
    }
};

TEST(InterfaceLanguage, EnglishOnlyUnderAnEnglishLocale)
{
    for (const char *name : {"zh_CN", "zh_TW", "C", "de_DE", "ja_JP"})
        EXPECT_FALSE(InstallInterfaceLanguage(QLocale(QString::fromLatin1(name)))) << name;
    for (const char *name : {"en_US", "en_GB"}) {
        EXPECT_TRUE(InstallInterfaceLanguage(QLocale(QString::fromLatin1(name)))) << name;
        RemoveInterfaceLanguage();
    }
}

TEST_F(EnglishMainWindowTest, TitleButtonsAndTabsInEnglish)
{
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Jiujiu - ed2k resource search - web site: jiujiu.example"));
    EXPECT_EQ(child<QPushButton>("按钮1")->text(), QStringLiteral("Start searching"));
    EXPECT_EQ(toolbarAction(0)->text(), QStringLiteral("Home"));
    EXPECT_EQ(toolbarAction(13)->text(), QStringLiteral("Update"));
    EXPECT_EQ(toolbarAction(14)->text(), QStringLiteral("Feedback"));
    QTabBar *tabs = window->findChild<QTabBar *>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Home"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Results"));
    EXPECT_EQ(child<QLineEdit>("编辑框1")->accessibleName(), QStringLiteral("Keyword"));
    QHeaderView *header = child<ReportListView>("超级列表框_查询显示")->horizontalHeader();
    EXPECT_EQ(header->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Name"));
}
