#include "core/notes/note_receive_buffer.h"

#include <gtest/gtest.h>

namespace {

bool Feed(CNoteReceiveBuffer& buffer, const QByteArray& strRead)
{
    return buffer.AppendRead(strRead.constData(), strRead.size());
}

} // namespace

TEST(NoteReceiveBuffer, EndsAtEitherEndSequence)
{
    for (const char* pszNote : {"ann/$0hi/$1PC/$2T/$30/$4", "ann/$0hi/$1PC/$2T/$31/$4"}) {
        CNoteReceiveBuffer buffer(110000);
        EXPECT_TRUE(Feed(buffer, pszNote)) << pszNote;
        EXPECT_EQ(buffer.Total(), qstrlen(pszNote));
    }
}

TEST(NoteReceiveBuffer, FindsSequencesSplitAcrossReads)
{
    const QByteArray strNote = "ann/$0hello/$1PC/$2Title/$31/$4";
    // Split the note at every position, so that both the first tag and the end
    // sequence are cut in every possible place.
    for (qsizetype nCut = 6; nCut < strNote.size(); ++nCut) {
        CNoteReceiveBuffer buffer(110000);
        EXPECT_FALSE(Feed(buffer, strNote.left(nCut))) << nCut;
        EXPECT_TRUE(Feed(buffer, strNote.mid(nCut))) << nCut;
        EXPECT_EQ(buffer.Text(), strNote);
    }
    // Byte by byte.
    CNoteReceiveBuffer buffer(110000);
    qsizetype nDoneAt = -1;
    for (qsizetype i = 0; i < strNote.size() && nDoneAt < 0; ++i) {
        if (Feed(buffer, strNote.mid(i, 1)))
            nDoneAt = i;
    }
    // The first byte read alone holds no tag: it is taken as an untagged text.
    EXPECT_EQ(nDoneAt, 0);
}

TEST(NoteReceiveBuffer, KeepsBytesAfterTheEndInTheSameRead)
{
    CNoteReceiveBuffer buffer(110000);
    EXPECT_TRUE(Feed(buffer, "a/$0b/$1c/$2d/$30/$4EXTRA"));
    EXPECT_EQ(buffer.Text(), "a/$0b/$1c/$2d/$30/$4EXTRA");
    EXPECT_EQ(buffer.Total(), 25);
    // Nothing more is taken once the note is done.
    EXPECT_TRUE(Feed(buffer, "more"));
    EXPECT_EQ(buffer.Total(), 25);
}

TEST(NoteReceiveBuffer, AnUntaggedTextIsOnePiece)
{
    CNoteReceiveBuffer plain(110000);
    EXPECT_TRUE(Feed(plain, "no tags here"));
    CNoteReceiveBuffer leadingTag(110000);
    EXPECT_TRUE(Feed(leadingTag, "/$0starts with the tag"));
    CNoteReceiveBuffer tagged(110000);
    EXPECT_FALSE(Feed(tagged, "ann/$0still coming"));
}

TEST(NoteReceiveBuffer, StopsAtTheFirstReadThatReachesTheLimit)
{
    CNoteReceiveBuffer buffer(100);
    EXPECT_FALSE(Feed(buffer, "ann/$0" + QByteArray(90, 'x')));
    EXPECT_TRUE(Feed(buffer, QByteArray(50, 'y')));
    EXPECT_EQ(buffer.Total(), 146); // the last read may carry the total past the limit
    EXPECT_EQ(buffer.Text().size(), 146);
}

TEST(NoteReceiveBuffer, AZeroByteIsKeptAndTheEndAfterItFound)
{
    CNoteReceiveBuffer buffer(110000);
    EXPECT_FALSE(Feed(buffer, QByteArray("ann/$0ab\0cd", 11)));
    EXPECT_TRUE(Feed(buffer, "/$1PC/$2T/$30/$4"));
    EXPECT_EQ(buffer.Text(), QByteArray("ann/$0ab\0cd/$1PC/$2T/$30/$4", 27));
    EXPECT_EQ(buffer.Total(), 27);
    // In one read, the end sequence after the zero byte is found too.
    CNoteReceiveBuffer one(110000);
    EXPECT_TRUE(Feed(one, QByteArray("ann/$0a\0b/$1PC/$2T/$30/$4", 25)));
}
