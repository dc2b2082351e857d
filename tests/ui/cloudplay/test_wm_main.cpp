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
// size mismatches are not ours.
extern "C" const char *__asan_default_options()
{
    return "new_delete_type_mismatch=0";
}
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore\nleak:libfontconfig\nleak:libxcb\nleak:libX11\n";
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
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    jiujiu::PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
