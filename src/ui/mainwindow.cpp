#include "ui/mainwindow.h"

#include "net/openaddress.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"
#include "ui/announcementlabel.h"
#include "ui/clientmarkswatcher.h"
#include "ui/contrast.h"
#include "ui/jpegdecoder.h"
#include "ui/keycodes.h"
#include "ui/pagecontrol.h"
#include "ui/qttext.h"
#include "ui/reportlistview.h"
#include "ui/resultfilterbar.h"
#include "ui/resultlistactions.h"
#include "ui/resultlistproxy.h"
#include "ui/savedsearchesmenu.h"
#include "ui/statisticsbrowser.h"
#include "ui/uifonts.h"
#include "ui/windowregistry.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShortcut>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

namespace jiujiu {
namespace {

// Each control's object name: the skin and the window's users find the controls by them.
struct NamedControl
{
    MainWindow::Control id;
    const char *name;
};
constexpr NamedControl kControlNames[] = {
    {MainWindow::Toolbar, "工具条1"},    {MainWindow::Announcement, "标签3"},
    {MainWindow::Pages, "高级选择夹1"},  {MainWindow::StatisticsView, "超文本浏览框4"},
    {MainWindow::Logo, "LOGO"},          {MainWindow::Logo1, "LOGO1"},
    {MainWindow::Disclaimer, "标签1"},   {MainWindow::SearchButton, "按钮1"},
    {MainWindow::KeywordBox, "编辑框1"}, {MainWindow::ResultList, "超级列表框_查询显示"},
};

QString ControlName(MainWindow::Control id)
{
    for (const NamedControl &control : kControlNames)
        if (control.id == id)
            return QString::fromUtf8(control.name);
    return {};
}

// Toolbar items with a command of their own.
constexpr int kHomeItem = 0;      // 返回首页
constexpr int kUpdateItem = 13;   // 获取新版
constexpr int kFeedbackItem = 14; // 意见反馈

// The frame a Windows fixed dialog border and caption add, used when the platform reports
// none (offscreen, or X without a window manager).
constexpr QMargins FallbackFrame(3, 26, 3, 3);

constexpr int ToolbarImageSize = 16;
// How long a passing message stays in the announcement line.
constexpr int StatusShownMs = 3000;
// The compact search row on 显示, left of the filter row.
constexpr int QuickKeywordWidth = 100;

// The first page's form, at the form's size: centred in a larger page, the disclaimer at its
// foot.
constexpr QRect kLogoPlace(166, 46, 440, 84);
constexpr QRect kKeywordPlace(157, 154, 456, 32);
constexpr QRect kSearchPlace(237, 211, 264, 48);
constexpr QRect kDisclaimerPlace(83, 371, 597, 37);
constexpr QRect kPagesPlace(5, 40, 784, 416);
constexpr QRect kListPlace(8, 32, 771, 382);
constexpr QRect kAnnouncementPlace(66, 3, 610, 32);
// The blank spacer buttons push the two site buttons to the right end, clear of the
// announcement line.
constexpr int SpacerButtonWidth = 46;

QMargins FrameMargins(const QWidget &window)
{
    const QRect outer = window.frameGeometry();
    const QRect inner = window.geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    return frame.isNull() ? FallbackFrame : frame;
}

// Legible on the window and on the page it lies over.
QColor TextColour(const QColor &colour, const QPalette &palette)
{
    return LegibleColour(LegibleColour(colour, palette.color(QPalette::Window)),
                         palette.color(QPalette::Base));
}

QPixmap ResourcePicture(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return QPixmap::fromImage(
        DecodeJpeg(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))));
}

// The toolbar's image list: four 16 x 16 images side by side.
QIcon ToolbarImage(int index)
{
    static const QPixmap strip(QStringLiteral(":/jiujiu/toolbar.png"));
    if (strip.isNull())
        return {};
    return QIcon(strip.copy(index * ToolbarImageSize, 0, ToolbarImageSize, ToolbarImageSize));
}

void SetTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QString ForDisplay(const Text &text)
{
    return ToQString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

Text MainWindow::siteAddress()
{
    return "http://" + HostSetting(Host::Site);
}

Text MainWindow::titleText()
{
    static const Text head = Utf8ToText("啾啾神器 - BT种子搜索神器 - 官方网站：");
    return head + HostSetting(Host::Site);
}

Text MainWindow::announcementText()
{
    static const Text head = Utf8ToText("啾啾公告：记住啾啾神器官网唷！QIKU+SQ(神器) = ");
    return head + HostSetting(Host::Site);
}

Text MainWindow::disclaimerText()
{
    static const Text text = Utf8ToText(
        "请在法律许可范围内进行使用，禁止使用本工具进行分享和传播色情、盗版等违法资源。绿色上网，"
        "健康你我！\r\n如有任何版权或其他问题，请与“kefu@jiujiu.example”联系，我们会尽快处理！");
    return text;
}

MainWindow::MainWindow() : QWidget(nullptr)
{
    InstallFontSubstitutions();
    setObjectName(QStringLiteral("启动窗口"));
    // The window's own texts in the interface's language; the core keeps the Chinese ones.
    setWindowTitle(QCoreApplication::translate("jiujiu", "啾啾神器 - BT种子搜索神器 - 官方网站：") +
                   ToQString(HostSetting(Host::Site)));
    setWindowIcon(QIcon(QStringLiteral(":/jiujiu/jiujiu.png")));
    // Title bar and system menu, minimise, maximise, closable; the border resizes, never below
    // the form's size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setFont(FormFont(QStringLiteral("宋体"), -12));

    buildToolbar();

    m_announcement = new AnnouncementLabel(this);
    m_announcement->setObjectName(ControlName(MainWindow::Announcement));
    m_announcement->setGeometry(kAnnouncementPlace);
    m_announcement->setFont(FormFont(QStringLiteral("微软雅黑"), -14));
    m_announcement->setTextFormat(Qt::PlainText);
    m_announcement->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_announcement->setIndent(12); // clear of the first toolbar button it lies over
    m_announcement->setAttribute(Qt::WA_TransparentForMouseEvents);
    setAnnouncement(announcementText());

    m_pages = new PageControl(this);
    m_pages->setObjectName(ControlName(MainWindow::Pages));
    m_pages->setGeometry(kPagesPlace);
    m_pages->setFont(FormFont(QStringLiteral("微软雅黑"), -16));
    buildFirstPage(m_pages->addPage(QCoreApplication::translate("jiujiu", "首页")));
    buildSecondPage(m_pages->addPage(QCoreApplication::translate("jiujiu", "显示")));
    m_pages->setCurrentIndex(0);

    m_announcement->raise();
    // After a search that could not read every page: ask those pages again.
    m_retry = new QToolButton(this);
    m_retry->setObjectName(QStringLiteral("重试失败的页"));
    m_retry->setText(QCoreApplication::translate("jiujiu", "重试失败的页"));
    m_retry->setFont(FormFont(QStringLiteral("微软雅黑"), -12));
    m_retry->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_retry->setToolTip(
        QCoreApplication::translate("jiujiu", "再请求一次没能读出来的页，结果按页排在原来的位置"));
    m_retry->hide();
    connect(m_retry, &QToolButton::clicked, this, &MainWindow::retryRequested);
    // The text stops short of the toolbar's buttons on the right, the first of them 获取新版,
    // and of 重试失败的页 while it is offered.
    m_announcement->setClearFrom([this] {
        if (m_retry->isVisible())
            return m_retry->x() - m_announcement->x();
        const QList<QAction *> actions = m_toolbar->actions();
        QWidget *button = actions.size() > kUpdateItem
                              ? m_toolbar->widgetForAction(actions[kUpdateItem])
                              : nullptr;
        return button && button->isVisible()
                   ? button->mapTo(this, QPoint()).x() - m_announcement->x()
                   : m_announcement->width();
    });
    for (QAction *action : m_toolbar->actions())
        if (QWidget *button = m_toolbar->widgetForAction(action))
            button->installEventFilter(this);
    colourTexts();
    describeControls();
    fitOuterSize();
    centreOnScreen();

    // The statistics control makes its visit as it is created.
    if (const Text address = StatisticsAddress(); !address.empty())
        m_statistics->navigate(address, {});
}

MainWindow::~MainWindow()
{
    emit destroying();
}

void MainWindow::setCloseQuery(CloseQuery query)
{
    m_closeQuery = std::move(query);
}

void MainWindow::buildToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(ControlName(MainWindow::Toolbar));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(ToolbarImageSize, ToolbarImageSize));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toolbar->setFont(FormFont(QStringLiteral("微软雅黑"), -12));
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);

    struct Item
    {
        const char *caption;
        int image; // -1: none
        bool separator;
    };
    Item items[ToolbarItemCount] = {};
    items[kHomeItem] = {QT_TRANSLATE_NOOP("jiujiu", "返回首页"), 3, false};
    for (int i = 1; i <= 11; ++i)
        items[i] = {"", -1, false};
    items[12] = {"", -1, true};
    items[kUpdateItem] = {QT_TRANSLATE_NOOP("jiujiu", "获取新版"), 0, false};
    items[kFeedbackItem] = {QT_TRANSLATE_NOOP("jiujiu", "意见反馈"), 1, false};
    items[15] = {"", -1, true};

    for (int index = 0; index < ToolbarItemCount; ++index) {
        const Item &item = items[index];
        QAction *action =
            item.separator ? m_toolbar->addSeparator() : m_toolbar->addAction(QString());
        action->setProperty("toolbarIndex", index);
        action->setEnabled(true);
        if (item.separator)
            continue;
        action->setText(*item.caption ? QCoreApplication::translate("jiujiu", item.caption)
                                      : QString());
        if (item.image >= 0)
            action->setIcon(ToolbarImage(item.image));
        if (QWidget *button = m_toolbar->widgetForAction(action)) {
            button->setObjectName(QStringLiteral("工具条1_%1").arg(index));
            if (item.image < 0 && *item.caption == '\0')
                button->setFixedWidth(SpacerButtonWidth);
        }
        connect(action, &QAction::triggered, this, [this, index] {
            runToolbarCommand(index);
            emit toolbarClicked(index);
        });
    }
}

void MainWindow::buildFirstPage(QWidget *page)
{
    m_statistics = new StatisticsBrowser(page);
    m_statistics->setObjectName(ControlName(MainWindow::StatisticsView));
    m_statistics->setGeometry(0, 400, 1, 1);

    auto *logo = m_logo = new QLabel(page);
    logo->setObjectName(ControlName(MainWindow::Logo));
    logo->setGeometry(kLogoPlace);
    logo->setPixmap(ResourcePicture(QStringLiteral(":/jiujiu/logo.jpg")));
    logo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *logo1 = new QLabel(logo);
    logo1->setObjectName(ControlName(MainWindow::Logo1));
    logo1->setGeometry(-1, 1, 440, 84);
    logo1->setPixmap(ResourcePicture(QStringLiteral(":/jiujiu/logo1.jpg")));
    logo1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto *disclaimer = m_disclaimer = new QLabel(page);
    disclaimer->setObjectName(ControlName(MainWindow::Disclaimer));
    disclaimer->setGeometry(kDisclaimerPlace);
    disclaimer->setFont(FormFont(QStringLiteral("微软雅黑"), -12));
    disclaimer->setTextFormat(Qt::PlainText);
    disclaimer->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    disclaimer->setText(QCoreApplication::translate(
        "jiujiu",
        "请在法律许可范围内进行使用，禁止使用本工具进行分享和传播色情、盗版等违法资源。绿色上网，"
        "健康你我！\n如有任何版权或其他问题，请与“kefu@jiujiu.example”联系，我们会尽快处理！"));

    m_search = new QPushButton(QCoreApplication::translate("jiujiu", "开始啾啾搜索"), page);
    m_search->setObjectName(ControlName(MainWindow::SearchButton));
    m_search->setGeometry(kSearchPlace);
    m_search->setFont(FormFont(QStringLiteral("宋体"), -21));
    m_search->setAutoDefault(false);
    connect(m_search, &QPushButton::clicked, this, [this] {
        if (m_searchRunning)
            emit stopRequested();
        else
            emit searchClicked();
    });
    // Esc stops a running search from wherever the focus is in the window; otherwise the key
    // is left to the controls.
    m_stopShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_stopShortcut->setContext(Qt::WindowShortcut);
    m_stopShortcut->setEnabled(false);
    connect(m_stopShortcut, &QShortcut::activated, this, &MainWindow::stopRequested);

    m_keyword = new QLineEdit(page);
    m_keyword->setObjectName(ControlName(MainWindow::KeywordBox));
    m_keyword->setGeometry(kKeywordPlace);
    m_keyword->setFont(FormFont(QStringLiteral("宋体"), -20));
    m_keyword->installEventFilter(this);

    m_saved = new SavedSearchesMenu(*this);
    m_saved->addButton(m_keyword, page)->setGeometry(617, 154, 56, 32);
    auto *save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, m_saved, &SavedSearchesMenu::askToSave);
}

void MainWindow::buildSecondPage(QWidget *page)
{
    m_list = new ReportListView(page);
    m_list->setObjectName(ControlName(MainWindow::ResultList));
    m_list->setGeometry(kListPlace);
    m_list->setFont(FormFont(QStringLiteral("微软雅黑"), -12));
    connect(m_list, &ReportListView::itemDoubleClicked, this, &MainWindow::resultDoubleClicked);

    // Searching again from the results: the keyword box mirrors 编辑框1 and its keys take the
    // same path; the button starts or stops like 按钮1.
    m_searchRow = new QWidget(page);
    m_searchRow->setObjectName(QStringLiteral("显示搜索栏"));
    m_searchRow->setFont(FormFont(QStringLiteral("微软雅黑"), -12));
    auto *row = new QHBoxLayout(m_searchRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    m_quickKeyword = new QLineEdit(m_searchRow);
    m_quickKeyword->setObjectName(QStringLiteral("显示关键字"));
    m_quickKeyword->setFixedWidth(QuickKeywordWidth);
    m_quickKeyword->setPlaceholderText(QCoreApplication::translate("jiujiu", "关键字"));
    m_quickKeyword->installEventFilter(this);
    // A tool button: narrower than a push button under the skin, the filter row needs the room.
    m_quickSearch = new QToolButton(m_searchRow);
    m_quickSearch->setText(QCoreApplication::translate("jiujiu", "搜索"));
    m_quickSearch->setObjectName(QStringLiteral("显示搜索"));
    m_quickSearch->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_quickSearch->setFocusPolicy(Qt::StrongFocus);
    row->addWidget(m_quickKeyword);
    row->addWidget(m_quickSearch);
    row->addWidget(m_saved->addButton(m_quickKeyword, m_searchRow));
    connect(m_quickSearch, &QToolButton::clicked, m_search, &QPushButton::click);
    connect(m_quickKeyword, &QLineEdit::textChanged, m_keyword, [this](const QString &text) {
        if (m_keyword->text() != text)
            m_keyword->setText(text);
    });
    connect(m_keyword, &QLineEdit::textChanged, m_quickKeyword, [this](const QString &text) {
        if (m_quickKeyword->text() != text)
            m_quickKeyword->setText(text);
    });

    m_filterBar = new ResultFilterBar(m_list->shownModel(), page);
    m_filterBar->setFont(FormFont(QStringLiteral("微软雅黑"), -12));
    m_filterBar->problemLine()->setFont(FormFont(QStringLiteral("微软雅黑"), -12));
    connect(m_filterBar, &ResultFilterBar::problemChanged, this, &MainWindow::layOut);
    connect(m_filterBar, &ResultFilterBar::listWanted, this, &MainWindow::focusList);
    // After a search starts, its first rows take the focus from the box or button that
    // started it.
    connect(m_list->shownModel(), &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_focusListOnRows)
            return;
        m_focusListOnRows = false;
        QWidget *focus = QApplication::focusWidget();
        if (!focus || focus == m_keyword || focus == m_search || focus == m_quickKeyword ||
            focus == m_quickSearch || focus == m_list)
            focusList();
    });
    m_resultActions = new ResultListActions(m_list);
    connect(m_resultActions, &ResultListActions::linksCopied, this, [this](int count) {
        showStatus(QCoreApplication::translate("jiujiu", "已复制 %1 条链接").arg(count));
    });
    connect(m_resultActions, &ResultListActions::playRequested, this,
            &MainWindow::resultPlayRequested);
    m_clientMarks = new ClientMarksWatcher(m_list->listModel(), m_list);
    connect(m_resultActions, &ResultListActions::linksHandedOver, m_clientMarks,
            &ClientMarksWatcher::noteHandedOver);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, &MainWindow::focusFilter);
    // The row sits beside the page tabs, so it follows their width.
    m_pages->tabBar()->installEventFilter(this);
}

void MainWindow::placeFilterBar()
{
    const QRect tabs = m_pages->tabBar()->geometry();
    const int left = std::max(tabs.right() + 12, 120);
    const int right = m_list->geometry().right();
    m_searchRow->adjustSize();
    m_searchRow->setGeometry(left, 3, m_searchRow->sizeHint().width(), 26);
    const int filterLeft = m_searchRow->geometry().right() + 9;
    m_filterBar->setGeometry(filterLeft, 3, right - filterLeft + 1, 26);
}

QSize MainWindow::formSize() const
{
    const QMargins frame = FrameMargins(*this);
    return {OuterWidth - frame.left() - frame.right(), OuterHeight - frame.top() - frame.bottom()};
}

void MainWindow::layOut()
{
    const QSize form = formSize();
    const int dx = std::max(width() - form.width(), 0);
    const int dy = std::max(height() - form.height(), 0);
    // A Windows toolbar stretches across its parent; the blank buttons need the room.
    m_toolbar->setGeometry(0, -1, width(), 28);
    m_announcement->setGeometry(kAnnouncementPlace.adjusted(0, 0, dx, 0));
    m_pages->setGeometry(kPagesPlace.adjusted(0, 0, dx, dy));
    const QPoint centred(dx / 2, dy / 2);
    m_logo->setGeometry(kLogoPlace.translated(centred));
    m_keyword->setGeometry(kKeywordPlace.translated(centred));
    m_search->setGeometry(kSearchPlace.translated(centred));
    m_disclaimer->setGeometry(kDisclaimerPlace.translated(dx / 2, dy));
    // A filter that cannot be read says why in a line above the list, which gives up its top.
    QLabel *problem = m_filterBar->problemLine();
    const int line =
        problem->isVisibleTo(problem->parentWidget()) ? problem->sizeHint().height() : 0;
    m_list->setGeometry(kListPlace.adjusted(0, line, dx, dy));
    placeFilterBar();
    // 重试失败的页 stands left of 获取新版, on the announcement's line.
    const QList<QAction *> actions = m_toolbar->actions();
    if (QWidget *update = actions.size() > kUpdateItem
                              ? m_toolbar->widgetForAction(actions[kUpdateItem])
                              : nullptr) {
        const QSize hint = m_retry->sizeHint();
        m_retry->setGeometry(update->mapTo(this, QPoint()).x() - hint.width() - 6,
                             (27 - hint.height()) / 2, hint.width(), hint.height());
    }
    problem->setGeometry(m_list->x(), kListPlace.top(), m_list->width(), line);
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void MainWindow::focusList()
{
    setCurrentPage(1);
    m_list->setFocus(Qt::TabFocusReason);
    if (m_list->currentSelection() < 0 && m_list->shownModel()->rowCount() > 0)
        m_list->setCurrentSelection(m_list->shownRows().front());
}

void MainWindow::showStatus(const QString &text)
{
    m_announcement->showPassing(text, StatusShownMs);
}

void MainWindow::setRetryOffered(bool offered)
{
    m_retry->setVisible(offered);
    if (offered)
        m_retry->raise();
    m_announcement->update();
}

void MainWindow::setAnnouncementDetail(const QString &detail)
{
    m_announcement->setDetail(detail);
}

QString MainWindow::announcementToolTip() const
{
    return m_announcement->wholeText();
}

void MainWindow::focusFilter()
{
    setCurrentPage(1);
    m_filterBar->focusFilter();
}

Text MainWindow::keyword() const
{
    return ToRuntimeText(m_keyword->text());
}

void MainWindow::setKeyword(const Text &text)
{
    m_keyword->setText(ToQString(text));
}

int MainWindow::currentPage() const
{
    return m_pages->currentIndex();
}

void MainWindow::setCurrentPage(int page)
{
    m_pages->setCurrentIndex(page);
}

Text MainWindow::announcement() const
{
    return ToRuntimeText(m_announcement->text());
}

void MainWindow::setAnnouncement(const Text &text)
{
    m_announcement->setText(ForDisplay(text));
}

void MainWindow::setSearchRunning(bool running)
{
    m_searchRunning = running;
    if (running && m_resultActions)
        m_resultActions->setKeyword(m_keyword->text());
    m_search->setText(running ? QCoreApplication::translate("jiujiu", "停止搜索")
                              : QCoreApplication::translate("jiujiu", "开始啾啾搜索"));
    m_quickSearch->setText(running ? QCoreApplication::translate("jiujiu", "停止")
                                   : QCoreApplication::translate("jiujiu", "搜索"));
    m_stopShortcut->setEnabled(running);
    m_focusListOnRows = running;
    if (m_saved && running)
        m_saved->searchStarted();
    else if (m_saved)
        m_saved->searchEnded();
}

void MainWindow::runToolbarCommand(int index)
{
    if (index == kHomeItem) {
        setCurrentPage(0);
        setAnnouncement(announcementText());
    }
    if (index == kUpdateItem)
        OpenAddress(Value(siteAddress() + "/?updata"));
    if (index == kFeedbackItem)
        OpenAddress(Value(siteAddress() + "/?fb"));
}

void MainWindow::colourTexts()
{
    const QPalette palette = this->palette();
    SetTextColour(m_announcement, TextColour(QColor(0, 136, 255), palette));
    SetTextColour(m_disclaimer, TextColour(QColor(128, 128, 128), palette));
}

void MainWindow::describeControls()
{
    const auto describe = [](QWidget *widget, const QString &name, const QString &description) {
        widget->setAccessibleName(name);
        widget->setAccessibleDescription(description);
    };
    setAccessibleDescription(QCoreApplication::translate("jiujiu", "按关键字搜索 ed2k 资源"));
    describe(m_toolbar, QCoreApplication::translate("jiujiu", "工具条"),
             QCoreApplication::translate("jiujiu", "返回首页、获取新版和意见反馈"));
    for (QAction *action : m_toolbar->actions()) {
        QWidget *button = m_toolbar->widgetForAction(action);
        if (!button || action->isSeparator())
            continue;
        const int index = action->property("toolbarIndex").toInt();
        if (index == 0)
            describe(button, action->text(),
                     QCoreApplication::translate("jiujiu", "回到输入关键字的首页"));
        else if (index == 13)
            describe(button, action->text(),
                     QCoreApplication::translate("jiujiu", "在浏览器里打开官网的下载页"));
        else if (index == 14)
            describe(button, action->text(),
                     QCoreApplication::translate("jiujiu", "在浏览器里打开官网的反馈页"));
        else
            describe(button, QCoreApplication::translate("jiujiu", "空位"),
                     QCoreApplication::translate("jiujiu", "工具条上没有功能的空位"));
    }
    describe(m_announcement, QCoreApplication::translate("jiujiu", "公告"),
             QCoreApplication::translate("jiujiu", "公告，搜索时显示进度和结果"));
    describe(m_pages, QCoreApplication::translate("jiujiu", "页面"),
             QCoreApplication::translate("jiujiu", "首页输入关键字，显示页列出搜索结果"));
    describe(m_pages->tabBar(), QCoreApplication::translate("jiujiu", "页面标签"),
             QCoreApplication::translate("jiujiu", "在首页和显示页之间切换"));
    // A tab bar speaks of its current tab: the tab's tip is its description.
    m_pages->tabBar()->setTabToolTip(0,
                                     QCoreApplication::translate("jiujiu", "输入关键字开始搜索"));
    m_pages->tabBar()->setTabToolTip(1,
                                     QCoreApplication::translate("jiujiu", "搜索结果的列表和筛选"));
    if (auto *logo = findChild<QLabel *>(QStringLiteral("LOGO")))
        describe(logo, QCoreApplication::translate("jiujiu", "啾啾神器标志"),
                 QCoreApplication::translate("jiujiu", "啾啾神器的标志图片"));
    if (auto *logo = findChild<QLabel *>(QStringLiteral("LOGO1")))
        describe(logo, QCoreApplication::translate("jiujiu", "啾啾神器标志"),
                 QCoreApplication::translate("jiujiu", "啾啾神器的标志图片"));
    describe(m_disclaimer, QCoreApplication::translate("jiujiu", "使用须知"),
             QCoreApplication::translate("jiujiu", "使用须知和联系方式"));
    describe(m_keyword, QCoreApplication::translate("jiujiu", "关键字"),
             QCoreApplication::translate("jiujiu", "要搜索的关键字，按回车开始搜索"));
    describe(m_search, m_search->text(),
             QCoreApplication::translate("jiujiu", "开始搜索；搜索时再按一次停止"));
    describe(m_quickKeyword, QCoreApplication::translate("jiujiu", "关键字"),
             QCoreApplication::translate(
                 "jiujiu", "要搜索的关键字，按回车开始搜索；搜索时按回车换成新的关键字"));
    describe(m_quickSearch, QCoreApplication::translate("jiujiu", "搜索"),
             QCoreApplication::translate("jiujiu", "开始搜索；搜索时再按一次停止"));
    m_quickKeyword->setToolTip(m_quickKeyword->accessibleDescription());
    m_quickSearch->setToolTip(QCoreApplication::translate("jiujiu", "搜索；搜索时停止 (Esc)"));
    describe(
        m_list, QCoreApplication::translate("jiujiu", "搜索结果"),
        QCoreApplication::translate(
            "jiujiu",
            "每行一个资源：序号、名称、大小、资源数和链接。双击或回车播放或下载，右键菜单有更多"
            "操作"));
}

void MainWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ApplicationPaletteChange || event->type() == QEvent::PaletteChange)
        colourTexts();
    QWidget::changeEvent(event);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pages->tabBar() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        placeFilterBar();
    // The announcement lies over the toolbar's buttons: over its text, their tool tip is the
    // announcement's whole text.
    if (event->type() == QEvent::ToolTip && watched->isWidgetType() &&
        static_cast<QWidget *>(watched)->parentWidget() == m_toolbar) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QPoint at = m_announcement->mapFromGlobal(help->globalPos());
        if (m_announcement->rect().contains(at) &&
            m_announcement->shownText() != announcementToolTip()) {
            QToolTip::showText(help->globalPos(), announcementToolTip(), m_announcement);
            return true;
        }
    }
    if ((watched == m_keyword || watched == m_quickKeyword) && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        emit keywordKeyPressed(VirtualKeyCode(*key), ModifierState(*key));
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::fitOuterSize()
{
    // Opened at the form's size; never smaller, larger as the user likes.
    const QSize form = formSize();
    setMinimumSize(form);
    resize(form);
    layOut();
}

void MainWindow::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QMargins frame = FrameMargins(*this);
    QRect outer(QPoint(), size().grownBy(frame));
    outer.moveCenter(screen->availableGeometry().center());
    move(outer.topLeft()); // a window's position is its frame's
}

void MainWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_createdSent)
        return;
    m_createdSent = true;
    // The window manager's frame is known once shown: fit and centre again with it.
    fitOuterSize();
    centreOnScreen();
    emit created();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_closeQuery && !m_closeQuery()) {
        event->ignore();
        return;
    }
    event->accept();
}

void RegisterMainWindowDescription(std::function<void(MainWindow &window)> connect)
{
    WindowDescription description;
    description.reference = MainWindow::Reference;
    description.create = [connect = std::move(connect)] {
        auto *window = new MainWindow;
        if (connect)
            connect(*window);
        return window;
    };
    for (const NamedControl &control : kControlNames)
        description.controls.push_back({control.id, QString::fromUtf8(control.name)});
    RegisterWindowDescription(std::move(description));
}

} // namespace jiujiu
