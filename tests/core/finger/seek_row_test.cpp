#include "core/finger/finger_reply.h"
#include "core/finger/finger_settings.h"
#include "core/finger/seek_row.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using SeekRow::EKind;

TEST(SeekRow, AColumnIsTheValueAfterItsKeyToTheFirstControlByte)
{
    const QByteArray strReply =
        "\nSystem:    PC-Z\xfcrich\r\nUser:      Bj\xf6rn \x7f\x81\xff\nPlatform:\tLinux x86_64\n"
        "Uptime:    0 days 2 hours \t\nLocaltime: Mon 7 Dec 2026  12:30:05\n";
    // Letters of the code page belong to the value, and so does every other
    // byte from 0x7F on (JSON and the list show them harmlessly).
    EXPECT_EQ(SeekRow::Column(strReply, "System:"), "PC-Z\xfcrich");
    EXPECT_EQ(SeekRow::Column(strReply, "User:"), "Bj\xf6rn \x7f\x81\xff");
    // A tab ends the value; blanks around it go.
    EXPECT_EQ(SeekRow::Column(strReply, "Platform:"), "");
    EXPECT_EQ(SeekRow::Column(strReply, "Uptime:"), "0 days 2 hours");
    // The double blank inside stays.
    EXPECT_EQ(SeekRow::Column(strReply, "Localtime:"), "Mon 7 Dec 2026  12:30:05");
    // Missing, at the very first byte, or at the end of the reply.
    EXPECT_EQ(SeekRow::Column(strReply, "Plan:"), "???");
    EXPECT_EQ(SeekRow::Column("User: ann", "User:"), "???");
    EXPECT_EQ(SeekRow::Column("\nUser:", "User:"), "");
    EXPECT_EQ(SeekRow::Column("\nUser:  ann  ", "User:"), "ann");
    EXPECT_EQ(SeekRow::Column("", "User:"), "???");
}

TEST(SeekRow, TheKindOfARow)
{
    EXPECT_EQ(SeekRow::Kind(false, 5ms, "\nSystem:    PC7\n"), EKind::Up);
    // "System:" at the very first byte, or not at all.
    EXPECT_EQ(SeekRow::Kind(false, 5ms, "System:    PC7\n"), EKind::Unknown);
    EXPECT_EQ(SeekRow::Kind(false, 5ms, "Login: root\n"), EKind::Unknown);
    // A failure is down only when it took ten seconds or more.
    EXPECT_EQ(SeekRow::Kind(true, 9999ms, ""), EKind::Unknown);
    EXPECT_EQ(SeekRow::Kind(true, 10000ms, ""), EKind::Down);
    EXPECT_EQ(SeekRow::Kind(false, 12000ms, "\nSystem: PC7\n"), EKind::Up);
}

TEST(SeekRow, ARowShowsWhatItsKindAllows)
{
    // A reply of a server of ours with every line on.
    CFingerSettings settings;
    settings.strComputerName = "PC7";
    settings.strPlatform = "Linux";
    settings.strUserName = "ann";
    settings.bSendPlan = true;
    settings.strPlan = "User: not this one";
    const QByteArray strReply =
        FingerReply::Build(settings, {"Mon 7 Dec 2026", "12:30:05"}, "0 days 1 hour");
    const SeekRow::CTarget target{"127.0.0.5", "ann,bob"};
    const SeekRow::CRow up = SeekRow::Make(target, false, 3ms, strReply);
    EXPECT_EQ(up.eKind, EKind::Up);
    EXPECT_EQ(up.strAddress, "127.0.0.5");
    EXPECT_EQ(up.strMappedTo, "ann,bob");
    EXPECT_EQ(up.strUser, "ann");
    EXPECT_EQ(up.strSystem, "PC7");
    EXPECT_EQ(up.strPlatform, "Linux");
    EXPECT_EQ(up.strUptime, "0 days 1 hour");
    EXPECT_EQ(up.strLocaltime, "Mon 7 Dec 2026  12:30:05");
    EXPECT_EQ(up.nMilliseconds, 3);

    // Another finger server: user and system only, "???" where missing.
    const SeekRow::CRow other = SeekRow::Make(target, false, 3ms, "Login: root\nUser: x\n");
    EXPECT_EQ(other.eKind, EKind::Unknown);
    EXPECT_EQ(other.strUser, "x");
    EXPECT_EQ(other.strSystem, "???");
    EXPECT_EQ(other.strPlatform, "");

    // A quick failure and a slow one.
    const SeekRow::CRow refused = SeekRow::Make(target, true, 1ms, "");
    EXPECT_EQ(refused.eKind, EKind::Unknown);
    EXPECT_EQ(refused.strUser, "???");
    EXPECT_EQ(refused.strSystem, "???");
    const SeekRow::CRow down = SeekRow::Make(target, true, 10s, "");
    EXPECT_EQ(down.eKind, EKind::Down);
    EXPECT_EQ(down.strMappedTo, "ann,bob");
    EXPECT_EQ(down.strUser, "");
    EXPECT_EQ(down.strSystem, "");
}

TEST(SeekRow, EachAddressIsProbedOnceWithEveryNicknameListedWithIt)
{
    const QList<CHostEntry> hosts = {{"ann", "127.0.0.5", ""},  {"carl", "127.0.0.6", ""},
                                     {"bob", "127.0.0.5", "g"}, {"dora", "LocalHost", ""},
                                     {"eve", "localhost", ""},  {"", "127.0.0.6", ""}};
    const QList<SeekRow::CTarget> targets = SeekRow::Targets(hosts);
    ASSERT_EQ(targets.size(), 4);
    EXPECT_EQ(targets[0].strAddress, "127.0.0.5");
    EXPECT_EQ(targets[0].strMappedTo, "ann,bob");
    EXPECT_EQ(targets[1].strAddress, "127.0.0.6");
    EXPECT_EQ(targets[1].strMappedTo, "carl,");
    // Compared exactly: case counts.
    EXPECT_EQ(targets[2].strAddress, "LocalHost");
    EXPECT_EQ(targets[3].strAddress, "localhost");
    EXPECT_TRUE(SeekRow::Targets({}).isEmpty());
}
