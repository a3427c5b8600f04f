#include "core/notes/note_limits.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

TEST(FormatUptime, CountsDaysHoursMinutesAndSeconds)
{
    EXPECT_EQ(FormatUptime(0), "0 Days  0 Hours  0 Minutes  0 Seconds");
    EXPECT_EQ(FormatUptime(999), "0 Days  0 Hours  0 Minutes  0 Seconds");
    EXPECT_EQ(FormatUptime((86400 + 3600 + 60 + 1) * 1000u),
              "1 Days  1 Hours  1 Minutes  1 Seconds");
    // The largest tick count, just before it wraps.
    EXPECT_EQ(FormatUptime(0xFFFFFFFFu), "49 Days  17 Hours  2 Minutes  47 Seconds");
}

TEST(CollectSystemInfo, FillsConstantsAndSystemTexts)
{
    // The user name comes from the account, not from the environment.
    ::setenv("USER", "somebody-else", 1);
    ::setenv("LOGNAME", "somebody-else", 1);
    const SystemInfo::CSystemInfo system = SystemInfo::Collect();

    EXPECT_EQ(CAppSettings::ProgramVersion, 2);
    EXPECT_EQ(NoteLimits::NoteSizeLimit, 110000);
    EXPECT_EQ(CAppSettings::DefaultMultiSendDelay, 100);
    EXPECT_EQ(system.strLocalAddress, "unknown");
    EXPECT_EQ(system.strUserName, QByteArray(::getpwuid(::geteuid())->pw_name));
    char szHost[256] = {};
    ::gethostname(szHost, sizeof(szHost) - 1);
    EXPECT_EQ(system.strComputerName, QByteArray(szHost));
    EXPECT_TRUE(system.strPlatform.isEmpty());
}

TEST(CollectSystemInfo, WithoutATrayTheTrayOptionIsOff)
{
    CMemorySettingsStore store;
    store.WriteInt(QStringLiteral("Settings"), QStringLiteral("Use TrayArea"), 1);
    CAppSettings settings(store);
    settings.SetUseTrayArea(true);
    settings.SetEnvironment({SystemInfo::UserName(), false});
    EXPECT_FALSE(settings.UseTrayArea());
    settings.Load();
    EXPECT_FALSE(settings.UseTrayArea());
    settings.Save(SettingsGroup::Preferences);
    EXPECT_EQ(store.ReadInt(QStringLiteral("Settings"), QStringLiteral("Use TrayArea")), 0);
}

TEST(TickCount, CountsFromTheSystemsStart)
{
    // The kernel's own count of seconds since the start, boot time included.
    QFile uptime(QStringLiteral("/proc/uptime"));
    ASSERT_TRUE(uptime.open(QIODevice::ReadOnly));
    const double dSeconds = uptime.readAll().split(' ').value(0).toDouble();
    const quint32 nExpected = static_cast<quint32>(static_cast<quint64>(dSeconds * 1000.0));
    // Cut to 32 bits on both sides; they were read a moment apart.
    const quint32 nDifference = SystemInfo::TickCount() - nExpected;
    EXPECT_LT(nDifference, 5000u);
}
