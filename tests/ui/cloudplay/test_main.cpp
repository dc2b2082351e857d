#include "runtime/outofmemory.h"
#include "ui/cloudplay/webengineenvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

#ifdef __SANITIZE_ADDRESS__
// The web engine's own code (not built with the sanitizer) deletes through a base of another
// size, and keeps per-process singletons to the end; fontconfig keeps its caches. None of it
// is ours to fix, and these hold even where the test's environment does not arrive.
extern "C" const char *__asan_default_options()
{
    return "new_delete_type_mismatch=0";
}
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libQt6WebEngineCore\nleak:libfontconfig\n";
}
#endif

// The web engine needs its environment and attributes before the application object exists.
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // test discovery runs without the test's environment
    // The program's allocation functions under the web engine, as in the program itself.
    jiujiu::InstallAllocationFailureHandler();
    jiujiu::PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
