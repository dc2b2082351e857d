#pragma once

#include "runtime/value.h"
#include "ui/controlreference.h"

#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QShortcut;
class QToolBar;
class QToolButton;

namespace jiujiu {

class AnnouncementLabel;
class ClientMarksWatcher;
class PageControl;
class ReportListView;
class ResultFilterBar;
class ResultListActions;
class SavedSearchesMenu;
class StatisticsBrowser;

// The start-up window: toolbar and announcement above a two-page control, the search form on
// the first page (首页) and the result list on the second (显示).
class MainWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr int OuterWidth = 800;
    static constexpr int OuterHeight = 486;
    static constexpr int ToolbarItemCount = 16;

    static constexpr WindowReference Reference = {0x00010001, 0x00020001};
    // The controls; their object names are listed once, in mainwindow.cpp.
    enum Control : std::uint32_t
    {
        Toolbar = 0x00030001,
        Announcement = 0x00030002,
        Pages = 0x00030003,
        StatisticsView = 0x00030004,
        Logo = 0x00030005,
        Logo1 = 0x00030006,
        Disclaimer = 0x00030007,
        SearchButton = 0x00030008,
        KeywordBox = 0x00030009,
        ResultList = 0x0003000A,
    };
    static ControlReference control(Control id) { return {Reference.window, id}; }

    MainWindow();
    ~MainWindow() override;

    // Asked before the window closes; true lets it close. None set: it closes.
    using CloseQuery = std::function<bool()>;
    void setCloseQuery(CloseQuery query);

    Text keyword() const;
    void setKeyword(const Text &text);
    int currentPage() const;
    void setCurrentPage(int page);
    Text announcement() const;
    void setAnnouncement(const Text &text);
    ReportListView &resultList() const { return *m_list; }
    // The slim row above the list, right of the page tabs: filter, size range, merge toggle.
    ResultFilterBar &filterBar() const { return *m_filterBar; }
    // The list's context menu, Ctrl+C and export.
    ResultListActions &resultActions() const { return *m_resultActions; }
    // The list's marks from the user's ed2k client, kept current.
    ClientMarksWatcher &clientMarks() const { return *m_clientMarks; }
    // Ctrl+F: the results page with the filter box focused.
    void focusFilter();
    // The compact search row on 显示: a keyword box kept equal to 编辑框1 and one 搜索 / 停止
    // button, in a row of its own that more controls can join.
    QWidget &resultsSearchRow() const { return *m_searchRow; }
    QLineEdit &resultsKeywordBox() const { return *m_quickKeyword; }
    // A passing message in the announcement line ("已复制 3 条链接"); the announcement comes
    // back after a few seconds, or as soon as it changes.
    void showStatus(const QString &text);
    // The announcement's tool tip beside its whole text: the technical reason of a failure.
    void setAnnouncementDetail(const QString &detail);
    // The announcement line's tool tip: its whole text, and the detail when there is one.
    QString announcementToolTip() const;
    // Shows or hides 重试失败的页, beside the announcement.
    void setRetryOffered(bool offered);
    QToolButton &retryButton() const { return *m_retry; }
    StatisticsBrowser &statisticsBrowser() const { return *m_statistics; }
    // 保存搜索 (Ctrl+S on 显示), the 收藏 drop-down and the keyword history.
    SavedSearchesMenu &savedSearches() const { return *m_saved; }
    // While a search runs 按钮1 reads "停止搜索" and, like Esc anywhere in the window, asks to
    // stop it; otherwise it reads "开始啾啾搜索" and starts one.
    void setSearchRunning(bool running);
    bool isSearchRunning() const { return m_searchRunning; }

    // Item 0 shows page 0 and the announcement again; 13 and 14 open the maker's new-version
    // and feedback pages; any other index does nothing.
    void runToolbarCommand(int index);

    // Outer rectangle centred on the available area of the window's screen.
    void centreOnScreen();

    // "啾啾神器 - BT种子搜索神器 - 官方网站：" + site host.
    static Text titleText();
    // "啾啾公告：记住啾啾神器官网唷！QIKU+SQ(神器) = " + site host.
    static Text announcementText();
    // Two lines, CR LF between them.
    static Text disclaimerText();
    // The maker's web site: "http://" + site host.
    static Text siteAddress();

signals:
    // Once, when first shown with every control in place.
    void created();
    // The window is being destroyed; its controls still live.
    void destroying();
    // 按钮1 clicked while no search runs.
    void searchClicked();
    // 按钮1 clicked, or Esc pressed in the window, while a search runs.
    void stopRequested();
    // A key pressed in 编辑框1: virtual-key code (Enter 13) and modifiers (Ctrl 1, Shift 2, Alt
    // 4); the key goes on to the box either way.
    void keywordKeyPressed(int keyCode, int modifiers);
    // A row of 超级列表框_查询显示 double-clicked, Enter pressed on it, or a double-click on
    // the list's empty space (nothing is selected then).
    void resultDoubleClicked();
    // 云播放 chosen from the list's context menu for a row (the list commands' number).
    void resultPlayRequested(int row);
    // 重试失败的页 clicked.
    void retryRequested();
    // An item of 工具条1 clicked, after its command has run.
    void toolbarClicked(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildToolbar();
    void buildFirstPage(QWidget *page);
    void buildSecondPage(QWidget *page);
    void fitOuterSize();
    // Places the controls: the form's layout at the form's size, the room of a larger window
    // given to the list, the tabs and the filter row, the first page's form kept centred.
    void layOut();
    void placeFilterBar();
    // The list takes the focus on its current row, the first when none is.
    void focusList();
    QSize formSize() const;
    // The announcement's blue and the disclaimer's grey, legible on the palette in use.
    void colourTexts();
    // Names and descriptions for a screen reader: the form's object names are no words.
    void describeControls();

    CloseQuery m_closeQuery;
    QToolBar *m_toolbar = nullptr;
    AnnouncementLabel *m_announcement = nullptr;
    PageControl *m_pages = nullptr;
    StatisticsBrowser *m_statistics = nullptr;
    QLabel *m_disclaimer = nullptr;
    QLineEdit *m_keyword = nullptr;
    QPushButton *m_search = nullptr;
    QWidget *m_searchRow = nullptr;
    QLineEdit *m_quickKeyword = nullptr;
    QToolButton *m_quickSearch = nullptr;
    QLabel *m_logo = nullptr;
    QToolButton *m_retry = nullptr;
    bool m_focusListOnRows = false;
    QShortcut *m_stopShortcut = nullptr;
    ReportListView *m_list = nullptr;
    ResultFilterBar *m_filterBar = nullptr;
    ResultListActions *m_resultActions = nullptr;
    ClientMarksWatcher *m_clientMarks = nullptr;
    SavedSearchesMenu *m_saved = nullptr;
    bool m_searchRunning = false;
    bool m_createdSent = false;
};

// Makes LoadWindow(MainWindow::Reference) create the main window; `connect` runs on each new
// window before it is shown, so its signals are connected before the first of them.
void RegisterMainWindowDescription(std::function<void(MainWindow &window)> connect = {});

} // namespace jiujiu
