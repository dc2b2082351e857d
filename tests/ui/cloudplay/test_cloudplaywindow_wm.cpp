#include "runtime/codepage.h"
#include "ui/cloudplay/cloudplay.h"
#include "ui/cloudplay/cloudplaywindow.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <xcb/xcb.h>

using namespace jiujiu;

namespace {

constexpr int SettleLimitMs = 10000;

struct ConnectionCloser
{
    void operator()(xcb_connection_t *c) const { xcb_disconnect(c); }
};

// The rectangle of the window manager's frame around a window, as the X server has it: the
// top-level ancestor of the window, in root coordinates. Taken over a connection of its
// own, so it does not depend on what Qt believes.
QRect ServerFrameRect(unsigned long window)
{
    std::unique_ptr<xcb_connection_t, ConnectionCloser> c(xcb_connect(nullptr, nullptr));
    if (xcb_connection_has_error(c.get()))
        return {};
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data->root;
    auto frame = static_cast<xcb_window_t>(window);
    for (;;) {
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
            xcb_query_tree_reply(c.get(), xcb_query_tree(c.get(), frame), nullptr), &std::free);
        if (!tree)
            return {};
        if (tree->parent == root)
            break;
        frame = tree->parent;
    }
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(c.get(), xcb_get_geometry(c.get(), frame), nullptr), &std::free);
    if (!geometry)
        return {};
    const int border = geometry->border_width;
    return QRect(geometry->x, geometry->y, geometry->width + 2 * border,
                 geometry->height + 2 * border);
}

bool Framed(const QWidget *window)
{
    const QWindow *handle = window->windowHandle();
    return handle && !handle->frameMargins().isNull();
}

// Waits until the frame is there, the outer size is right and the frame is centred, as the
// server sees it; answers the frame rectangle at the end, settled or not.
QRect SettledFrame(CloudPlayWindow *window)
{
    const QRect area = window->screen()->availableGeometry();
    QRect frame;
    (void)QTest::qWaitFor(
        [&] {
            frame = ServerFrameRect(window->winId());
            return Framed(window) && frame.size() == QSize(1024, 684) &&
                   (frame.center() - area.center()).manhattanLength() <= 2;
        },
        SettleLimitMs);
    // Nothing moves it again afterwards.
    QTest::qWait(300);
    return ServerFrameRect(window->winId());
}

void CloseAndDestroy(CloudPlayWindow *window)
{
    QPointer<CloudPlayWindow> guard(window);
    window->close();
    (void)QTest::qWaitFor(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return guard.isNull();
        },
        SettleLimitMs);
}

} // namespace

// 1024 x 684 is the outer size: the frame the window manager adds comes off the client area,
// and the frame, not the client area, is centred.
TEST(CloudPlayUnderAWindowManager, OuterSizeIsTheFrameAndItIsCentred)
{
    for (const char *round : {"first load", "loaded again after closing"}) {
        SCOPED_TRACE(round);
        ShowCloudPlayPage(Utf8ToText("about:blank"));
        CloudPlayWindow *window = CurrentCloudPlayWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

        const QRect frame = SettledFrame(window);
        ASSERT_TRUE(Framed(window)) << "no frame: the window manager does not manage it";
        const QMargins margins = window->windowHandle()->frameMargins();
        EXPECT_GT(margins.top(), 0) << "a title bar";
        EXPECT_EQ(frame.size(), QSize(1024, 684));
        EXPECT_EQ(window->frameGeometry().size(), QSize(1024, 684));
        EXPECT_EQ(window->size(), QSize(1024 - margins.left() - margins.right(),
                                        684 - margins.top() - margins.bottom()));
        const QRect area = window->screen()->availableGeometry();
        EXPECT_LE((frame.center() - area.center()).manhattanLength(), 2)
            << "frame at " << frame.x() << "," << frame.y() << " on a screen of " << area.width()
            << "x" << area.height();

        // The row along the bottom stays inside the client area.
        EXPECT_LE(656, window->height()) << "the share button's bottom edge";
        CloseAndDestroy(window);
    }
}

// A second page in the open window leaves it where it is.
TEST(CloudPlayUnderAWindowManager, SecondPageKeepsTheWindowWhereItIs)
{
    ShowCloudPlayPage(Utf8ToText("about:blank"));
    CloudPlayWindow *window = CurrentCloudPlayWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const QRect settled = SettledFrame(window);
    window->windowHandle()->setFramePosition(settled.topLeft() + QPoint(40, 30));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return ServerFrameRect(window->winId()).topLeft() == settled.topLeft() + QPoint(40, 30);
        },
        SettleLimitMs));

    ShowCloudPlayPage(Utf8ToText("about:blank#second"));
    EXPECT_EQ(CurrentCloudPlayWindow(), window);
    QTest::qWait(300);
    const QRect after = ServerFrameRect(window->winId());
    EXPECT_EQ(after.topLeft(), settled.topLeft() + QPoint(40, 30));
    EXPECT_EQ(after.size(), QSize(1024, 684));
    CloseAndDestroy(window);
}
