#include "core/text/quote_text.h"

#include <gtest/gtest.h>

TEST(QuoteText, PrecedesEveryLineWithAQuoteMark)
{
    EXPECT_EQ(QuoteText(QStringLiteral("a\r\nb")), QStringLiteral("\r\n> a\r\n> b"));
    EXPECT_EQ(QuoteText(QStringLiteral("hi")), QStringLiteral("\r\n> hi"));
    EXPECT_EQ(QuoteText(QStringLiteral("ends\r\n")), QStringLiteral("\r\n> ends\r\n> "));
    EXPECT_EQ(QuoteText(QStringLiteral("")), QStringLiteral("\r\n> "));
    EXPECT_EQ(QuoteText(QStringLiteral("\r\n\r\n")), QStringLiteral("\r\n> \r\n> \r\n> "));
}

TEST(QuoteText, ABareLineFeedKeepsTheLineWhole)
{
    EXPECT_EQ(QuoteText(QStringLiteral("one\ntwo")), QStringLiteral("\r\n> one\r\n> two"));
}

TEST(QuoteText, CharactersOutsideTheCodePageAreQuotedAsTheyStand)
{
    EXPECT_EQ(QuoteText(QStringLiteral("\u041F\u2011")), QStringLiteral("\r\n> \u041F\u2011"));
}
