#include "core/text/quote_text.h"

#include <gtest/gtest.h>

TEST(QuoteText, PrecedesEveryLineWithAQuoteMark)
{
    EXPECT_EQ(QuoteText("a\r\nb"), "\r\n> a\r\n> b");
    EXPECT_EQ(QuoteText("hi"), "\r\n> hi");
    EXPECT_EQ(QuoteText("ends\r\n"), "\r\n> ends\r\n> ");
    EXPECT_EQ(QuoteText(""), "\r\n> ");
    EXPECT_EQ(QuoteText("\r\n\r\n"), "\r\n> \r\n> \r\n> ");
}

TEST(QuoteText, ABareLineFeedKeepsTheLineWhole)
{
    EXPECT_EQ(QuoteText("one\ntwo"), "\r\n> one\r\n> two");
}
