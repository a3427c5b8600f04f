#include "core/notes/acknowledgement.h"

#include <gtest/gtest.h>

TEST(Acknowledgement, IsTheBareDecimalCount)
{
    EXPECT_EQ(Acknowledgement::Format(20), QByteArray("20"));
    EXPECT_EQ(Acknowledgement::Format(0), QByteArray("0"));
    EXPECT_EQ(Acknowledgement::Format(110000), QByteArray("110000"));
}

TEST(Acknowledgement, IsReadFromTheFirstFortyBytesOnly)
{
    EXPECT_EQ(Acknowledgement::Parse("39"), 39);
    EXPECT_EQ(Acknowledgement::Parse(QByteArray(39, ' ') + "7"), 7);
    EXPECT_EQ(Acknowledgement::Parse(QByteArray(40, ' ') + "7"), 0);
}
