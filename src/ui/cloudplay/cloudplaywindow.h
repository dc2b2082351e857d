#pragma once

#include "runtime/value.h"
#include "ui/controlreference.h"

#include <QElapsedTimer>
#include <QMargins>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

namespace jiujiu {

class WebViewBrowser;

// The cloud-play window: a browser over a row with a notice, a slogan and the share button.
// A top-level window without owner; closing it destroys it.
class CloudPlayWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CloudPlayWindow)

public:
    static constexpr int OuterWidth = 1024;
    static constexpr int OuterHeight = 684;

    static constexpr WindowReference Reference = {0x00010002, 0x00020002};
    enum Control : std::uint32_t
    {
        Frame = 0x0003000B,   // 分组框1
        Browser = 0x0003000C, // 超文本浏览框1
        Notice = 0x0003000D,  // 标签1
        Slogan = 0x0003000E,  // 透明标签1
        Share = 0x0003000F,   // 按钮1
    };
    static ControlReference control(Control id) { return {Reference.window, id}; }

    CloudPlayWindow();
    ~CloudPlayWindow() override;

    WebViewBrowser *browser() const { return m_browser; }
    // True once the user (or anything else) has closed it, until it is destroyed or reopened.
    bool isClosed() const { return m_closed; }
    // Takes a closed window back as if loaded afresh: shown, centred, its history emptied.
    void reopen();

    // Centres the outer rectangle on the available area of the window's screen.
    void centreOnScreen();

    // The command line the share button runs: opener + " " + site + "/?share".
    static Text shareCommandLine();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    // How long after the first show a window manager's frame is waited for.
    static constexpr int FrameWaitMs = 3000;

    void fitOuterSize();
    void checkFrame();
    void share();

    QGroupBox *m_group = nullptr;
    WebViewBrowser *m_browser = nullptr;
    QLabel *m_notice = nullptr;
    QLabel *m_slogan = nullptr;
    QPushButton *m_share = nullptr;
    QTimer *m_frameWatch = nullptr;
    QElapsedTimer m_frameDeadline;
    QMargins m_fittedMargins;
    bool m_shownOnce = false;
    bool m_closed = false;
};

// The program that hands a web address to the desktop, as a command-line prefix: "gio open"
// here ("explorer" on Windows). Tests put a recording stand-in in its place; answers the
// previous prefix. An empty prefix restores the system's.
Text SetShareOpenerCommand(const Text &prefix);
Text ShareOpenerCommand();

// Makes LoadWindow(CloudPlayWindow::Reference) create the cloud-play window. Only a factory is
// stored: no web engine object exists before the window is loaded.
void RegisterCloudPlayWindowDescription();

} // namespace jiujiu
