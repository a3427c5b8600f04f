// "blipnote-cli fingerd" as attackers meet it, at the ordinary limit of 1,024
// descriptors: clients that stream bytes without a line end, thousands of
// addresses that each hold a connection, a /64 of IPv6 addresses. An honest
// query is answered at once through all of it.
#include "tests/support/cli_listener.h"
#include "tests/support/event_loop.h"
#include "tests/support/hostile_peers.h"
#include "tests/support/loopback.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

// "blipnote-cli fingerd" on a free port (with the options), allowed 1,024 descriptors.
QString Fingerd(const QString& strOptions = QString())
{
    return QStringLiteral("ulimit -n 1024; exec \"$0\" fingerd --port 0 %1").arg(strOptions);
}

// The reply to an honest query from 127.0.0.1, or nothing when none came within
// five seconds (less than the ten a query may take: no time limit ran out).
std::optional<QByteArray> HonestQuery(quint16 nPort)
{
    return Loopback::Exchange(nPort, "ann\r\n", 5s);
}

} // namespace

TEST(FingerdUnderAttack, StreamingClientsHoldUpNoQuery)
{
    CCliInShell fingerd(Fingerd(), {}, "finger server on port");
    ASSERT_NE(fingerd.Port(), 0) << fingerd.Errors().constData();
    // Four clients stream "uuu..." without a line end as fast as they can,
    // and come back each time they are answered.
    CHostilePeers streams({.nPort = fingerd.Port(),
                           .nAddresses = 4,
                           .nTrickling = 4,
                           .strTrickle = "u",
                           .bStream = true,
                           .bReconnect = true});
    ASSERT_TRUE(SpinUntil([&] { return streams.Written() > 4 * 1024 * 1024; }));
    for (int n = 0; n < 10; ++n) {
        const std::optional<QByteArray> reply = HonestQuery(fingerd.Port());
        ASSERT_TRUE(reply) << "query " << n;
        EXPECT_TRUE(reply->startsWith("\nSystem:")) << reply->constData();
    }
    // A stream is answered after a few kilobytes, as a query that reached its
    // time limit is, and comes back.
    EXPECT_TRUE(SpinUntil([&] { return streams.Answered() >= 3 * 4; }, 5s)) << streams.Answered();
}

TEST(FingerdUnderAttack, TenThousandAddressesHoldingConnectionsKeepNoQueryWaiting)
{
    if (RaiseDescriptorLimit() < 10200)
        GTEST_SKIP() << "the attackers need 10,200 descriptors in this process";
    CCliInShell fingerd(Fingerd(), {}, "finger server on port");
    ASSERT_NE(fingerd.Port(), 0) << fingerd.Errors().constData();
    CHostilePeers silent(
        {.nPort = fingerd.Port(), .strFrom = "127.5.0.1", .nAddresses = 10000, .nIdle = 10000});
    ASSERT_TRUE(SpinUntil([&] { return silent.AllStarted() && silent.Connected() == 10000; }));
    EXPECT_TRUE(HonestQuery(fingerd.Port()));
    // Past the time the system holds a silent connection, the server meets them all.
    SpinUntil([] { return false; }, 9s);
    EXPECT_GT(silent.ClosedByServer(), 1000);
    for (int n = 0; n < 3; ++n)
        EXPECT_TRUE(HonestQuery(fingerd.Port())) << "query " << n;
}

TEST(FingerdUnderAttack, AnIPv6PrefixCountsAsOnePeer)
{
    if (qEnvironmentVariableIsEmpty("BLIPNOTE_TEST_NAMESPACE"))
        GTEST_SKIP() << "needs a network namespace of its own with fd00:b1::/64 (run as root)";
    CCliInShell fingerd(Fingerd(QStringLiteral("--address ::")), {}, "finger server on port");
    ASSERT_NE(fingerd.Port(), 0) << fingerd.Errors().constData();
    // 3,000 connections from one /64, each from an address of its own, that
    // trickle a name and never end their line: they share one peer's share.
    CHostilePeers prefix({.nPort = fingerd.Port(),
                          .strFrom = "fd00:b1::100",
                          .nAddresses = 3000,
                          .strTo = "::1",
                          .nTrickling = 3000,
                          .strFirst = "bob",
                          .trickleEvery = 1s,
                          .strTrickle = "b"});
    ASSERT_TRUE(SpinUntil([&] { return prefix.ClosedByServer() >= 3000 - 32 - 64; }))
        << prefix.ClosedByServer();
    EXPECT_TRUE(HonestQuery(fingerd.Port())) << "from IPv4, on the same socket";
    for (const char* pszFrom : {"fd00:b2::7", "fd00:b1::2"}) {
        const std::optional<QByteArray> reply =
            Loopback::ExchangeFrom(pszFrom, "::1", fingerd.Port(), "ann\r\n");
        ASSERT_TRUE(reply) << pszFrom;
        EXPECT_TRUE(reply->startsWith("\nSystem:")) << pszFrom;
    }
}
