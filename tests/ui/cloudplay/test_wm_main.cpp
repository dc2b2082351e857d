// The cloud-play window on a real X server under a real window manager, which puts a frame
// around the window only after it is first shown.
#include "ui/cloudplay/webengineenvironment.h"
#include "windowmanagerdisplay.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

#ifdef __SANITIZE_ADDRESS__
// As for the offscreen cloud-play tests: the web engine's and fontconfig's own leaks and
// size mismatches are not ours. On a real display the web engine also opens the system's
// graphics libraries at run time; the leak stacks of what they keep for the life of the
// process end in a module the sanitizer does not know and name the sanitizer runtime's own
// library instead (the offscreen tests run on the same display show the same two blocks).
extern "C" const char *__asan_default_options()
{
    return "new_delete_type_mismatch=0";
}
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore\nleak:libfontconfig\nleak:libubsan.so\n";
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
