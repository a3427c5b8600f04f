#include "core/net/descriptor.h"

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <unistd.h>

namespace {

bool IsOpen(int nDescriptor)
{
    return ::fcntl(nDescriptor, F_GETFD) >= 0;
}

} // namespace

// A descriptor handed on is closed by its last owner alone: one closed by an
// owner it left could close another's that was given its number meanwhile.
TEST(Descriptor, OnlyItsLastOwnerClosesIt)
{
    std::array<int, 2> pipe{-1, -1};
    ASSERT_EQ(::pipe2(pipe.data(), O_CLOEXEC), 0);
    const CDescriptor writeEnd(pipe[1]);
    CDescriptor owner;
    {
        CDescriptor first(pipe[0]);
        CDescriptor second(std::move(first));
        owner = std::move(second);
    }
    EXPECT_TRUE(IsOpen(pipe[0])) << "closed by an owner it had left";
    EXPECT_EQ(owner.Get(), pipe[0]);
    owner = CDescriptor();
    EXPECT_FALSE(IsOpen(pipe[0]));
    EXPECT_TRUE(IsOpen(writeEnd.Get()));
}

TEST(Descriptor, OneReleasedStaysOpen)
{
    std::array<int, 2> pipe{-1, -1};
    ASSERT_EQ(::pipe2(pipe.data(), O_CLOEXEC), 0);
    {
        const CDescriptor readEnd(pipe[0]);
        CDescriptor writeEnd(pipe[1]);
        EXPECT_EQ(writeEnd.Release(), pipe[1]);
    }
    EXPECT_FALSE(IsOpen(pipe[0]));
    EXPECT_TRUE(IsOpen(pipe[1]));
    ::close(pipe[1]);
}
