#include "core/text/code_page.h"
#include "core/text/editor_text.h"

#include <gtest/gtest.h>

TEST(CodePage, EveryByteRoundTrips)
{
    QByteArray strAll;
    for (int n = 0; n < 256; ++n)
        strAll.append(static_cast<char>(n));
    const QString strText = CodePage::ToUnicode(strAll);
    ASSERT_EQ(strText.size(), 256);
    bool bLossless = false;
    EXPECT_EQ(CodePage::FromUnicode(strText, &bLossless), strAll);
    EXPECT_TRUE(bLossless);
    // Distinct bytes give distinct characters, or the way back could not be unique.
    for (int a = 0; a < 256; ++a) {
        for (int b = a + 1; b < 256; ++b)
            ASSERT_NE(strText[a], strText[b]) << a << " " << b;
    }
}

TEST(CodePage, MapsTheWindowsCharacters)
{
    EXPECT_EQ(CodePage::ToUnicode(QByteArray("\x80")), QString(QChar(0x20AC)));
    EXPECT_EQ(CodePage::ToUnicode(QByteArray("\x93\x94")), QStringLiteral("\u201C\u201D"));
    EXPECT_EQ(CodePage::ToUnicode(QByteArray("\xE4\xF6\xFC\xDF")), QStringLiteral("äöüß"));
    // An unassigned byte stands for the control character of the same value.
    EXPECT_EQ(CodePage::ToUnicode(QByteArray("\x81")), QString(QChar(0x81)));
    EXPECT_EQ(CodePage::FromUnicode(QStringLiteral("€ café")), QByteArray("\x80 caf\xE9"));
}

TEST(CodePage, CharactersOutsideTheCodePageAreReported)
{
    bool bLossless = true;
    EXPECT_EQ(CodePage::FromUnicode(QStringLiteral("a\u0416b"), &bLossless), QByteArray("a?b"));
    EXPECT_FALSE(bLossless);
    // A character beyond the basic plane counts once, not once per surrogate.
    EXPECT_EQ(CodePage::FromUnicode(QStringLiteral("x\U0001F600"), &bLossless), QByteArray("x?"));
    CodePage::FromUnicode(QStringLiteral("\u20AC\u0100"), &bLossless);
    EXPECT_FALSE(bLossless);
    CodePage::FromUnicode(QStringLiteral("\u20AC\u00FF"), &bLossless);
    EXPECT_TRUE(bLossless);
    // A character that only looks like a byte of the upper controls is not one.
    EXPECT_EQ(CodePage::ByteOf(0x80), -1);
}

TEST(EditorText, LinesOfABoxTravelWithTheLineBreaksOfNotes)
{
    EXPECT_EQ(EditorText::LinesFromNote("-- \r\nAnn\r\n\r\nroom 4"),
              QStringLiteral("-- \nAnn\n\nroom 4"));
    bool bLossless = true;
    EXPECT_EQ(EditorText::LinesToNote(QStringLiteral("a\nb\r\nc\n"), &bLossless),
              "a\r\nb\r\nc\r\n");
    EXPECT_TRUE(bLossless);
    EditorText::LinesToNote(QStringLiteral("\u0142"), &bLossless);
    EXPECT_FALSE(bLossless);
}

TEST(EditorText, AtMostAFewUnencodableCharactersAreNamed)
{
    QString strText;
    for (char16_t ch = 0x4E00; ch < 0x4E00 + 5000; ++ch)
        strText += QChar(ch);
    const QString strFound = EditorText::Unencodable(strText.repeated(20));
    EXPECT_GE(strFound.size(), 1);
    EXPECT_LE(strFound.size(), EditorText::kMaxUnencodable + 1); // one may take two units
    EXPECT_TRUE(EditorText::Unencodable(QStringLiteral("plain")).isEmpty());
}
