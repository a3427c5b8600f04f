#include <QCoreApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/resource.h>

// Every test binary owns one application object so that sockets, timers and
// queued calls work as they do in the program.
int main(int argc, char* argv[])
{
    // Tests with thousands of hostile connections need the descriptors the
    // system allows, not the customary soft limit of 1024.
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
