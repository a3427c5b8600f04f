#include "core/net/silent_lobby.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// One end of a fresh local socket pair (the other end is closed).
CDescriptor Connection()
{
    int ends[2] = {-1, -1};
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    ::close(ends[1]);
    return CDescriptor(ends[0]);
}

CPeerAddress Peer(const char* pszKey)
{
    return {pszKey, pszKey};
}

} // namespace

// A full lobby closes its oldest connection to take a new one. When that was
// the only one of the new one's peer, the new one must still be counted for
// its peer, and close like any other (it used to be put on a list already
// dropped, and closing it crashed).
TEST(SilentLobby, RoomMadeFromAPeersOnlyConnectionKeepsItsNewOne)
{
    const auto Ignore = [](CDescriptor, const CPeerAddress&) {};
    CSilentLobby lobby(10s, 2, 64, Ignore, Ignore);
    lobby.Enter(Connection(), Peer("a"));
    lobby.Enter(Connection(), Peer("b"));
    lobby.Enter(Connection(), Peer("a")); // full: the oldest, a's only one, goes
    EXPECT_EQ(lobby.Count(), 2);
    EXPECT_TRUE(lobby.CloseOldest());
    EXPECT_TRUE(lobby.CloseOldest());
    EXPECT_FALSE(lobby.CloseOldest());
}
