#include "core/notes/recipient_list.h"

#include <gtest/gtest.h>

using namespace RecipientList;

namespace {
std::vector<QByteArray> Addresses(const CSplit& split)
{
    std::vector<QByteArray> addresses;
    for (const CRecipient& recipient : split.recipients)
        addresses.push_back(recipient.strAddress);
    return addresses;
}
} // namespace

TEST(RecipientList, ComposesNumberedTags)
{
    EXPECT_EQ(Compose({"10.0.0.5", "10.0.0.7"}), "10.0.0.5/$010.0.0.7/$1");
    EXPECT_EQ(Compose({}), "");
}

TEST(RecipientList, SplitsInOrder)
{
    const CSplit split = Split("10.0.0.5/$0host.example/$110.0.0.7/$2", true);
    EXPECT_EQ(Addresses(split), (std::vector<QByteArray>{"10.0.0.5", "host.example", "10.0.0.7"}));
    EXPECT_EQ(split.recipients[2].nNumber, 3);
    EXPECT_FALSE(split.bTooMany);
}

TEST(RecipientList, MultiSendOffServesTheFirstOnly)
{
    EXPECT_EQ(Addresses(Split("a/$0b/$1", false)), (std::vector<QByteArray>{"a"}));
}

TEST(RecipientList, EmptyAddressesAreSkippedButKeepTheirNumber)
{
    const CSplit split = Split("/$0b/$1", true);
    ASSERT_EQ(split.recipients.size(), 1u);
    EXPECT_EQ(split.recipients[0].strAddress, "b");
    EXPECT_EQ(split.recipients[0].nNumber, 2);
    // With "Multi Send" off an empty first entry does not use up the one send.
    EXPECT_EQ(Addresses(Split("/$0b/$1c/$2", false)), (std::vector<QByteArray>{"b"}));
}

TEST(RecipientList, AListWithoutTagsStartsNothing)
{
    EXPECT_TRUE(Split("10.0.0.5", true).recipients.empty());
    EXPECT_TRUE(Split("", true).recipients.empty());
    // The walk ends at the first missing number.
    EXPECT_EQ(Addresses(Split("a/$0b/$2", true)), (std::vector<QByteArray>{"a"}));
}

TEST(RecipientList, AtMost250)
{
    QList<QByteArray> addresses;
    for (int n = 0; n < 300; ++n)
        addresses.append("10.0." + QByteArray::number(n / 256) + "." + QByteArray::number(n % 256));
    const CSplit tooMany = Split(Compose(addresses), true);
    EXPECT_EQ(tooMany.recipients.size(), 250u);
    EXPECT_EQ(tooMany.recipients.back().strAddress, "10.0.0.249");
    EXPECT_TRUE(tooMany.bTooMany);

    const CSplit exactly = Split(Compose(addresses.mid(0, 250)), true);
    EXPECT_EQ(exactly.recipients.size(), 250u);
    EXPECT_FALSE(exactly.bTooMany);
}
