#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Death tests run their statement in a fresh process of this program, not a fork of one
    // that already has Qt's threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (ctest's discovery) needs no display.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
