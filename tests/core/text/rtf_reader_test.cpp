#include "core/text/rtf_reader.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QByteArray Sample(const char* pszName)
{
    QFile file(QStringLiteral(BLIPNOTE_TEST_DATA_DIR "/") + QString::fromLatin1(pszName));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << pszName;
    return file.readAll();
}

// The format of the first run holding the text.
CRtfCharFormat FormatOf(const CRtfDocument& document, const QString& strText)
{
    for (const CRtfRun& run : document.runs) {
        if (run.strText.contains(strText))
            return run.format;
    }
    ADD_FAILURE() << "no run holds " << strText.toStdString();
    return CRtfCharFormat();
}

QString Text(const QByteArray& strRtf)
{
    return RtfReader::Read(strRtf).PlainText();
}

} // namespace

TEST(RtfReader, ReadsWhatLibreOfficeWrites)
{
    const CRtfDocument document = RtfReader::Read(Sample("libreoffice_formats.rtf"));
    EXPECT_EQ(document.PlainText(),
              QStringLiteral("Plain start, bold, italic, underlined, struck and red text.\n"
                             "Big serif line\u2028after a line break\n"
                             "Café costs 5€ – “quoted” Ω 中\n"));
    const CRtfCharFormat plain = FormatOf(document, QStringLiteral("Plain start"));
    EXPECT_EQ(plain.strFace, QStringLiteral("Liberation Sans"));
    EXPECT_EQ(plain.nHalfPoints, 24);
    EXPECT_FALSE(plain.bBold || plain.bItalic || plain.bUnderline || plain.bStrikeOut);
    EXPECT_FALSE(plain.bHasColor);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("bold")).bBold);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("italic")).bItalic);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("underlined")).bUnderline);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("struck")).bStrikeOut);
    const CRtfCharFormat red = FormatOf(document, QStringLiteral("red"));
    EXPECT_TRUE(red.bHasColor);
    EXPECT_EQ(red.nColor, 0xFF0000u);
    const CRtfCharFormat big = FormatOf(document, QStringLiteral("Big serif"));
    EXPECT_EQ(big.strFace, QStringLiteral("Liberation Serif"));
    EXPECT_EQ(big.nHalfPoints, 36);
}

TEST(RtfReader, ReadsTabsAndControlCharacters)
{
    EXPECT_EQ(RtfReader::Read(Sample("libreoffice_tabs.rtf")).PlainText(),
              QStringLiteral("Name\tPlace\r\nAnn\tOffice 7\r\n"));
}

TEST(RtfReader, ReadsARichEditNote)
{
    const CRtfDocument document = RtfReader::Read(Sample("richedit_note.rtf"));
    EXPECT_EQ(document.PlainText(), QStringLiteral("Hallo Anna,\nTermin: morgen um 10\nGrüße\n"));
    EXPECT_EQ(FormatOf(document, QStringLiteral("Hallo")).strFace, QStringLiteral("Arial"));
    EXPECT_EQ(FormatOf(document, QStringLiteral("Hallo")).nHalfPoints, 18);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("Termin")).bBold);
    const CRtfCharFormat morgen = FormatOf(document, QStringLiteral("morgen"));
    EXPECT_TRUE(morgen.bUnderline);
    EXPECT_EQ(morgen.nColor, 0x0000FFu);
    EXPECT_FALSE(morgen.bBold);
    EXPECT_FALSE(FormatOf(document, QStringLiteral(" um 10")).bUnderline);
    EXPECT_EQ(FormatOf(document, QStringLiteral("Grüße")).strFace, QStringLiteral("Courier New"));
    EXPECT_EQ(FormatOf(document, QStringLiteral("Grüße")).nHalfPoints, 20);
}

TEST(RtfReader, UnicodeAndItsFallback)
{
    EXPECT_EQ(Text("{\\rtf1 a\\u8364?b}"), QStringLiteral("a€b"));
    EXPECT_EQ(Text("{\\rtf1\\uc2 a\\u8364\\'80\\'80b}"), QStringLiteral("a€b"));
    EXPECT_EQ(Text("{\\rtf1\\uc0 a\\u8364 b}"), QStringLiteral("a€b"));
    EXPECT_EQ(Text("{\\rtf1 \\u-4064?}"), QString(QChar(0xF020)));
    // The fallback ends with its group.
    EXPECT_EQ(Text("{\\rtf1 {\\u937}x}"), QStringLiteral("Ωx"));
    EXPECT_EQ(Text("{\\rtf1 a\\'e9\\'80 \\{\\}\\\\}"), QStringLiteral("aé€ {}\\"));
}

TEST(RtfReader, SkipsDestinationsItDoesNotKnow)
{
    EXPECT_EQ(Text("{\\rtf1{\\info{\\title Secret}}{\\*\\generator X;}{\\stylesheet{\\s0 Normal;}}"
                   "{\\pict\\pngblip 89504e47}{\\*\\unknown hidden}shown}"),
              QStringLiteral("shown"));
    EXPECT_EQ(Text("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}"),
              QStringLiteral("link"));
    EXPECT_EQ(Text("{\\rtf1 a\\bin4 {}{}b}"), QStringLiteral("ab"));
}

TEST(RtfReader, HostileInputNeverHangsOrCrashes)
{
    QElapsedTimer timer;
    timer.start();
    // Deep nesting, far beyond any limit.
    const QString strDeep = RtfReader::Read(QByteArray("{\\rtf1 a") + QByteArray(100000, '{') +
                                            "b" + QByteArray(100000, '}') + "c}")
                                .PlainText();
    EXPECT_EQ(strDeep, QStringLiteral("ac")); // text nested too deep is not shown
    // Unbalanced braces, huge numbers, cut-off escapes.
    EXPECT_EQ(Text("}}}{\\rtf1 x}}}}"), QStringLiteral("x"));
    EXPECT_EQ(Text("{\\rtf1\\fs999999999999999999999 big\\cf99999999999 x\\f-99999999999 y}"),
              QStringLiteral("bigxy")); // a blank after a number belongs to it
    EXPECT_EQ(Text("{\\rtf1 text\\'4"), QStringLiteral("text"));
    EXPECT_EQ(Text("{\\rtf1 text\\"), QStringLiteral("text"));
    EXPECT_EQ(Text("{\\rtf1 text\\u"), QStringLiteral("text"));
    EXPECT_EQ(Text("{\\rtf1 \\bin2147483647"), QString());
    EXPECT_EQ(Text("{\\rtf1 unclosed {\\b group"), QStringLiteral("unclosed group"));
    EXPECT_EQ(Text("{\\rtf1 end} trailing"), QStringLiteral("end"));
    EXPECT_EQ(Text(""), QString());
    EXPECT_LT(timer.elapsed(), 60000); // a guard against a hang, not a speed test
}

TEST(RtfReader, FormatsFollowGroups)
{
    const CRtfDocument document = RtfReader::Read("{\\rtf1 a{\\b b{\\i c}d}e\\b f\\b0 g\\plain h}");
    EXPECT_EQ(document.PlainText(), QStringLiteral("abcdefgh"));
    EXPECT_FALSE(FormatOf(document, QStringLiteral("a")).bBold);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("b")).bBold);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("c")).bItalic);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("c")).bBold);
    EXPECT_FALSE(FormatOf(document, QStringLiteral("d")).bItalic);
    EXPECT_FALSE(FormatOf(document, QStringLiteral("e")).bBold);
    EXPECT_TRUE(FormatOf(document, QStringLiteral("f")).bBold);
    EXPECT_FALSE(FormatOf(document, QStringLiteral("g")).bBold);
}

TEST(RtfReader, TextWithoutASizeIsTwelvePoints)
{
    const CRtfDocument document = RtfReader::Read("{\\rtf1 a\\fs18 b\\plain c}");
    EXPECT_EQ(FormatOf(document, QStringLiteral("a")).nHalfPoints, 24);
    EXPECT_EQ(FormatOf(document, QStringLiteral("b")).nHalfPoints, 18);
    EXPECT_EQ(FormatOf(document, QStringLiteral("c")).nHalfPoints, 24);
}
