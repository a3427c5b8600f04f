#include "core/net/waiting_room.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

CPeerAddress Peer(const char* pszKey)
{
    return {pszKey, pszKey};
}

// The peer and descriptor of each turn until none is left.
std::vector<std::pair<QByteArray, int>> Turns(CWaitingRoom& room)
{
    std::vector<std::pair<QByteArray, int>> turns;
    while (const auto next = room.Next())
        turns.emplace_back(next->peer.strKey, next->nDescriptor);
    return turns;
}

} // namespace

TEST(WaitingRoom, PeersTakeTurnsAndANewPeerGoesFirst)
{
    CWaitingRoom room(32, 64);
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(room.Enter(10 + n, Peer("a")));
    ASSERT_TRUE(room.Enter(20, Peer("b")));
    ASSERT_TRUE(room.Enter(21, Peer("b")));
    EXPECT_EQ(room.WaitingCount(), 5);
    // Each peer's own connections in their order, the peers in turn.
    using T = std::vector<std::pair<QByteArray, int>>;
    EXPECT_EQ(Turns(room), (T{{"a", 10}, {"b", 20}, {"a", 11}, {"b", 21}, {"a", 12}}));

    // "a" and "b" are being served; "c" has nothing served and goes before them.
    ASSERT_TRUE(room.Enter(13, Peer("a")));
    ASSERT_TRUE(room.Enter(22, Peer("b")));
    ASSERT_TRUE(room.Enter(30, Peer("c")));
    EXPECT_EQ(room.Next()->peer.strKey, "c");
    EXPECT_EQ(room.WaitingCount(), 2);

    // Once nothing of "b" is served any more, it goes first again.
    room.Left("b");
    room.Left("b");
    ASSERT_TRUE(room.Enter(31, Peer("c")));
    EXPECT_EQ(room.Next()->peer.strKey, "b");
    EXPECT_EQ(room.Next()->peer.strKey, "a");
    EXPECT_EQ(room.Next()->peer.strKey, "c");
}

TEST(WaitingRoom, APeerServesItsShareAndKeepsItsShareWaiting)
{
    CWaitingRoom room(2, 3);
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(room.Enter(n, Peer("a")));
    EXPECT_FALSE(room.Enter(3, Peer("a"))) << "beyond its share waiting, closed unread";
    EXPECT_EQ(room.Next()->nDescriptor, 0);
    EXPECT_EQ(room.Next()->nDescriptor, 1);
    EXPECT_FALSE(room.Next()) << "beyond its share served, a peer waits";
    ASSERT_TRUE(room.Enter(3, Peer("a")));
    ASSERT_TRUE(room.Enter(4, Peer("a")));
    EXPECT_FALSE(room.Enter(5, Peer("a")));
    // One ends: the next one's turn, and room for one more to wait.
    room.Left("a");
    EXPECT_EQ(room.Next()->nDescriptor, 2);
    EXPECT_TRUE(room.Enter(5, Peer("a")));
}

TEST(WaitingRoom, OutOfDescriptorsThePeerWithTheMostWaitingGivesUpItsNewest)
{
    CWaitingRoom room(1, 64);
    for (int n = 0; n < 4; ++n)
        ASSERT_TRUE(room.Enter(10 + n, Peer("many")));
    ASSERT_TRUE(room.Enter(20, Peer("few")));
    ASSERT_TRUE(room.Enter(21, Peer("few")));
    EXPECT_EQ(room.Evict(), 13);
    EXPECT_EQ(room.Evict(), 12);
    // Now even: the lower key gives one up, whatever order a hash keeps.
    EXPECT_EQ(room.Evict(), 21);
    EXPECT_EQ(room.WaitingCount(), 3);
    // A peer that has no connection waiting any more has no turn either.
    while (room.Evict() >= 0) {
    }
    EXPECT_EQ(room.WaitingCount(), 0);
    EXPECT_FALSE(room.Next());
}

TEST(WaitingRoom, TakingAllLeavesServedPeersCounted)
{
    CWaitingRoom room(1, 64);
    ASSERT_TRUE(room.Enter(1, Peer("a")));
    ASSERT_TRUE(room.Enter(2, Peer("a")));
    ASSERT_TRUE(room.Enter(3, Peer("b")));
    ASSERT_EQ(room.Next()->nDescriptor, 1);
    std::vector<int> all = room.TakeAll();
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<int>{2, 3}));
    EXPECT_EQ(room.WaitingCount(), 0);
    EXPECT_FALSE(room.Next());
    // "a" still has one served: it may not have a second before it ends.
    ASSERT_TRUE(room.Enter(4, Peer("a")));
    EXPECT_FALSE(room.Next());
    room.Left("a");
    EXPECT_EQ(room.Next()->nDescriptor, 4);
}
