#include "ui/cloudplay/cloudplaywindow.h"

#include "runtime/codepage.h"
#include "runtime/process.h"
#include "runtime/settings.h"
#include "ui/cloudplay/webviewbrowser.h"
#include "ui/uifonts.h"
#include "ui/windowregistry.h"

#include <QCloseEvent>
#include <QFont>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWindow>

namespace jiujiu {
namespace {

QString Q(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

Text &OpenerPrefix()
{
    static Text prefix;
    return prefix;
}

Text SystemOpenerCommand()
{
#ifdef _WIN32
    return "explorer";
#else
    // xdg-open takes an ed2k link for a file name; gio open hands any address to its
    // registered handler, and the result actions use it too.
    return "gio open";
#endif
}

} // namespace

Text SetShareOpenerCommand(const Text &prefix)
{
    Text previous = ShareOpenerCommand();
    OpenerPrefix() = prefix;
    return previous;
}

Text ShareOpenerCommand()
{
    return OpenerPrefix().empty() ? SystemOpenerCommand() : OpenerPrefix();
}

CloudPlayWindow::CloudPlayWindow()
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::NonModal);
    setWindowTitle(Q("啾啾神器 - 正在进行云播放"));
    // The window form names no font: the system's default dialog font, SimSun 9 pt.
    setFont(FormFont(Q("宋体"), -12));

    m_group = new QGroupBox(this);
    m_group->setObjectName(Q("分组框1"));
    m_group->setGeometry(0, 0, 1016, 632);

    m_browser = new WebViewBrowser(m_group);
    m_browser->setObjectName(Q("超文本浏览框1"));
    m_browser->setGeometry(3, 8, 1012, 624);

    m_notice = new QLabel(Q("云播放为迅雷云播放，速度杠杠的！"), this);
    m_notice->setObjectName(Q("标签1"));
    m_notice->setGeometry(6, 637, 200, 16);
    QPalette blue = m_notice->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    m_notice->setPalette(blue);

    m_slogan = new QLabel(Q("好东西与好朋友分享！"), this);
    m_slogan->setObjectName(Q("透明标签1"));
    m_slogan->setGeometry(216, 637, 120, 16);
    m_slogan->setAttribute(Qt::WA_TranslucentBackground);
    m_slogan->setAutoFillBackground(false);

    m_share = new QPushButton(Q("分享得最新版本"), this);
    m_share->setObjectName(Q("按钮1"));
    m_share->setGeometry(345, 634, 103, 22);
    connect(m_share, &QPushButton::clicked, this, &CloudPlayWindow::share);

    m_frameWatch = new QTimer(this);
    m_frameWatch->setInterval(20);
    connect(m_frameWatch, &QTimer::timeout, this, &CloudPlayWindow::checkFrame);

    fitOuterSize();
    centreOnScreen();
}

CloudPlayWindow::~CloudPlayWindow() = default;

Text CloudPlayWindow::shareCommandLine()
{
    return ShareOpenerCommand() + " http://" + HostSetting(Host::Site) + "/?share";
}

void CloudPlayWindow::share()
{
    // Not waited for, shown normally; whether it started is not reported.
    (void)RunCommandLine(shareCommandLine(), false, 2);
}

void CloudPlayWindow::fitOuterSize()
{
    // The size is that of the outer rectangle. Qt sizes the client area, so the frame the
    // platform reports comes off; platforms without a frame (offscreen) report none.
    const QWindow *handle = windowHandle();
    m_fittedMargins = handle ? handle->frameMargins() : QMargins();
    setFixedSize(OuterWidth - m_fittedMargins.left() - m_fittedMargins.right(),
                 OuterHeight - m_fittedMargins.top() - m_fittedMargins.bottom());
}

void CloudPlayWindow::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    // move() places the frame's corner for a top-level window.
    move(area.x() + (area.width() - OuterWidth) / 2, area.y() + (area.height() - OuterHeight) / 2);
}

void CloudPlayWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // A window manager frames the window some time after it is first mapped (about 0.1 s
    // under openbox), and nothing tells the window when: look for the frame for a while,
    // then fit the outer size to it and centre again, once.
    m_frameDeadline.start();
    m_frameWatch->start();
    // Platforms that know the frame at once have it by the next turn of the event loop.
    QTimer::singleShot(0, this, &CloudPlayWindow::checkFrame);
}

void CloudPlayWindow::checkFrame()
{
    if (!m_frameWatch->isActive())
        return;
    const QWindow *handle = windowHandle();
    if (handle && handle->frameMargins() != m_fittedMargins) {
        m_frameWatch->stop();
        fitOuterSize();
        centreOnScreen();
    } else if (m_frameDeadline.hasExpired(FrameWaitMs)) {
        m_frameWatch->stop(); // no window manager frames it (offscreen, or none running)
    }
}

void CloudPlayWindow::reopen()
{
    m_closed = false;
    m_browser->page()->setAudioMuted(false);
    m_browser->history()->clear();
    centreOnScreen();
    show();
}

void CloudPlayWindow::closeEvent(QCloseEvent *event)
{
    // No close question; WA_DeleteOnClose destroys it once the event loop gets there. Until
    // then nothing should be heard from it. (Loading a blank page here instead would hold the
    // deferred deletion back.)
    m_closed = true;
    m_browser->page()->setAudioMuted(true);
    event->accept();
}

void RegisterCloudPlayWindowDescription()
{
    RegisterWindowDescription({CloudPlayWindow::Reference,
                               [] { return new CloudPlayWindow; },
                               {{CloudPlayWindow::Frame, Q("分组框1")},
                                {CloudPlayWindow::Browser, Q("超文本浏览框1")},
                                {CloudPlayWindow::Notice, Q("标签1")},
                                {CloudPlayWindow::Slogan, Q("透明标签1")},
                                {CloudPlayWindow::Share, Q("按钮1")}}});
}

} // namespace jiujiu
