// The cloud-play window on a real X server under a real window manager, which puts a frame
// around the window only after it is first shown.
#include "ui/cloudplay/webengineenvironment.h"
#include "windowmanagerdisplay.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#ifdef __SANITIZE_ADDRESS__
// On a real display the web engine opens the system's graphics libraries at run time and
// unloads them before the leak check, so the blocks they keep for the life of the process end
// in a module the sanitizer can no longer name, and no suppression can tell them from ours.
// Leaks of the same window code are checked by the offscreen cloud-play tests; this one checks
// geometry, and its ctest entry turns the leak check off. The web engine deletes through a base
// of another size, which is not ours either.
extern "C" const char *__asan_default_options()
{
    return "new_delete_type_mismatch=0:detect_leaks=0";
}
#endif

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // test discovery starts no display
    const WindowManagerDisplay display;
    if (display.display().empty()) {
        std::fprintf(stderr, "no display with a window manager: %s\n", display.error().c_str());
        return 1;
    }
    ::setenv("DISPLAY", display.display().c_str(), 1);
    // No session bus belongs to this display: without this, the bus library would start one
    // on it for us (and keep its connection to the end).
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    jiujiu::PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
