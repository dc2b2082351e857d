#include "ui/cloudplay/webengineenvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

// The web engine needs its environment and attributes before the application object exists.
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // test discovery runs without the test's environment
    jiujiu::PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
