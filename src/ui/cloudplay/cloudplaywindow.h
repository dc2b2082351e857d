#pragma once

#include "runtime/value.h"

#include <QMargins>
#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QWebEngineView;

namespace jiujiu {

// The cloud-play window: a browser over a row with a notice, a slogan and the share button.
// A top-level window without owner; closing it destroys it.
class CloudPlayWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CloudPlayWindow)

public:
    static constexpr int OuterWidth = 1024;
    static constexpr int OuterHeight = 684;

    CloudPlayWindow();
    ~CloudPlayWindow() override;

    QWebEngineView *browser() const { return m_browser; }
    // True once the user (or anything else) has closed it; it is then being destroyed.
    bool isClosed() const { return m_closed; }

    // Centres the outer rectangle on the available area of the window's screen.
    void centreOnScreen();

    // The command line the share button runs: opener + " " + site + "/?share".
    static Text shareCommandLine();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void fitOuterSize();
    void share();

    QGroupBox *m_group = nullptr;
    QWebEngineView *m_browser = nullptr;
    QLabel *m_notice = nullptr;
    QLabel *m_slogan = nullptr;
    QPushButton *m_share = nullptr;
    QMargins m_fittedMargins;
    bool m_shownOnce = false;
    bool m_closed = false;
};

// The program that hands a web address to the desktop, as a command-line prefix: "gio open"
// here ("explorer" on Windows). Tests put a recording stand-in in its place; answers the
// previous prefix. An empty prefix restores the system's.
Text SetShareOpenerCommand(const Text &prefix);
Text ShareOpenerCommand();

} // namespace jiujiu
