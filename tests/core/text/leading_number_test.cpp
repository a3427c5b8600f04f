#include "core/text/leading_number.h"

#include <gtest/gtest.h>

TEST(LeadingNumber, ReadsLikeTheCLibrary)
{
    EXPECT_EQ(ParseLeadingNumber("39"), 39);
    EXPECT_EQ(ParseLeadingNumber("  \t\r\n42xyz"), 42);
    EXPECT_EQ(ParseLeadingNumber("+7"), 7);
    EXPECT_EQ(ParseLeadingNumber("-12"), -12);
    EXPECT_EQ(ParseLeadingNumber("07"), 7);
    EXPECT_EQ(ParseLeadingNumber(""), 0);
    EXPECT_EQ(ParseLeadingNumber("abc"), 0);
    EXPECT_EQ(ParseLeadingNumber("- 5"), 0);
    EXPECT_EQ(ParseLeadingNumber("--5"), 0);
}

TEST(LeadingNumber, StopsAtAZeroByte)
{
    QByteArray strBuffer(40, '\0');
    strBuffer.replace(0, 3, "123");
    EXPECT_EQ(ParseLeadingNumber(strBuffer), 123);
    EXPECT_EQ(ParseLeadingNumber(QByteArray("12\0"
                                            "34",
                                            5)),
              12);
}

TEST(LeadingNumber, HugeNumbersSaturateInsteadOfOverflowing)
{
    EXPECT_EQ(ParseLeadingNumber("2147483647"), 2147483647);
    EXPECT_EQ(ParseLeadingNumber("2147483648"), 2147483647);
    EXPECT_EQ(ParseLeadingNumber("99999999999999999999999999999999999999"), 2147483647);
    EXPECT_EQ(ParseLeadingNumber("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseLeadingNumber("-99999999999999999999999999999"), -2147483647 - 1);
}
