#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Widget tests own a QApplication (on the offscreen platform, set by the test's
// environment).
int main(int argc, char* argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
