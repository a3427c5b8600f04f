#include <QCoreApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

// Every test binary owns one application object so that sockets, timers and
// queued calls work as they do in the program.
int main(int argc, char* argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
