#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS(); // test discovery runs without the test's environment
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
