#include "core/text/print_wrap.h"

#include <gtest/gtest.h>

using namespace PrintWrap;

namespace {
const QByteArray kIndent(5, ' ');
}

TEST(PrintWrap, LineFeedsEndLinesAndCarriageReturnsAreDropped)
{
    EXPECT_EQ(WrapBody("Hi\r\nthere"), (QList<QByteArray>{kIndent + "Hi", kIndent + "there"}));
    EXPECT_EQ(WrapBody(""), QList<QByteArray>{kIndent});
    EXPECT_EQ(WrapBody("a\n"), (QList<QByteArray>{kIndent + "a", kIndent}));
    EXPECT_EQ(WrapBody("a\tb"), QList<QByteArray>{kIndent + "a" + kIndent + "b"});
}

TEST(PrintWrap, ALongWordIsCutAtColumn76)
{
    const QList<QByteArray> lines = WrapBody(QByteArray(200, 'x'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], kIndent + QByteArray(71, 'x'));
    EXPECT_EQ(lines[1], kIndent + QByteArray(71, 'x'));
    EXPECT_EQ(lines[2], kIndent + QByteArray(58, 'x'));
}

TEST(PrintWrap, AWordAcrossColumn76MovesToTheNextLine)
{
    // 65 letters, a blank, then a word of 10 that would end at column 81.
    const QByteArray strFirst(65, 'a');
    const QList<QByteArray> lines = WrapBody(strFirst + " bbbbbbbbbb next");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], kIndent + strFirst);
    EXPECT_EQ(lines[1], kIndent + "bbbbbbbbbb next");
}

TEST(PrintWrap, ABlankAtColumn76StaysAndTheNextLineStartsAfterIt)
{
    const QByteArray strFirst(70, 'a'); // indent + 70 letters + blank = 76
    const QList<QByteArray> lines = WrapBody(strFirst + " word");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], kIndent + strFirst + " ");
    EXPECT_EQ(lines[1], kIndent + "word");
}

TEST(PrintWrap, ATabAcrossColumn76LetsTheLineRunOn)
{
    // indent + 69 letters = 74; the tab takes the line to 79, past the test at 76,
    // so the line is only tested again at 152, and then breaks after its last
    // blank: the line printed runs past column 76.
    const QByteArray strText = QByteArray(69, 'a') + "\t" + QByteArray(100, 'c');
    const QList<QByteArray> lines = WrapBody(strText);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], kIndent + QByteArray(69, 'a') + QByteArray(4, ' '));
    EXPECT_EQ(lines[1], kIndent + QByteArray(71, 'c'));
    EXPECT_EQ(lines[2], kIndent + QByteArray(29, 'c'));
}

TEST(PrintWrap, TheTitleLineSpans81Columns)
{
    const QByteArray strTitle(30, 't');
    const QByteArray strLine = TitleLine(strTitle, "Blipnote 2.11");
    EXPECT_EQ(strLine, strTitle + QByteArray(38, ' ') + "Blipnote 2.11");
    EXPECT_EQ(strLine.size(), Columns);
    // Too long to fit: no blanks, nothing lost, no failure.
    const QByteArray strLong(90, 'L');
    EXPECT_EQ(TitleLine(strLong, "Blipnote 2.11"), strLong + "Blipnote 2.11");
    EXPECT_EQ(TitleLine(QByteArray(68, 'x'), "Blipnote 2.11"),
              QByteArray(68, 'x') + "Blipnote 2.11");
}
