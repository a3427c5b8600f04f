#include "core/notes/tagged_text.h"
#include "tests/support/sample_notes.h"

#include <gtest/gtest.h>

using namespace TaggedText;

using SampleNotes::LunchFields;

TEST(TaggedText, ComposesExactlyTheWireForm)
{
    EXPECT_EQ(Compose(LunchFields()), QByteArray("ann/$0Shall we go?/$1PC7/$2Lunch/$31/$4"));
    EXPECT_EQ(ComposeWithAddress(LunchFields(), "10.1.2.3"),
              QByteArray("ann/$0Shall we go?/$1PC7/$2Lunch/$31/$4/$510.1.2.3/$6"));
    EXPECT_EQ(Compose({"", "", "", "", 0}), QByteArray("/$0/$1/$2/$30/$4"));
    EXPECT_EQ(Compose({"a", "b", "c", "d", -3}), QByteArray("a/$0b/$1c/$2d/$3-3/$4"));
}

TEST(TaggedText, ParsesAReceivedNote)
{
    const CParsedNote note = Parse("ann/$0hi/$1PC7/$2T/$30/$4/$5192.168.1.9/$6");
    EXPECT_EQ(note.strNickname, "ann");
    EXPECT_EQ(note.strBody, "hi");
    EXPECT_EQ(note.strSystem, "PC7");
    EXPECT_EQ(note.strTitle, "T");
    EXPECT_EQ(note.nPriority, 0);
    EXPECT_EQ(note.strAddress, "192.168.1.9");

    const CParsedNote lunch = Parse(ComposeWithAddress(LunchFields(), "10.0.0.5"));
    EXPECT_EQ(lunch.strBody, "Shall we go?");
    EXPECT_EQ(lunch.strTitle, "Lunch");
    EXPECT_EQ(lunch.nPriority, 1);
    EXPECT_EQ(lunch.strAddress, "10.0.0.5");
}

TEST(TaggedText, PriorityDigits)
{
    const auto PriorityOf = [](const char* pszField) {
        return Parse(QByteArray("a/$0b/$1c/$2d/$3") + pszField + "/$4").nPriority;
    };
    EXPECT_EQ(PriorityOf("1"), 1);
    EXPECT_EQ(PriorityOf("0"), 0);
    EXPECT_EQ(PriorityOf(""), 0);
    EXPECT_EQ(PriorityOf("07"), 7);
    EXPECT_EQ(PriorityOf(" 2x"), 2);
    EXPECT_EQ(PriorityOf("high"), 0);
    EXPECT_EQ(PriorityOf("99999999999"), 2147483647);
}

TEST(TaggedText, MissingFieldsGiveTheDefaults)
{
    const CParsedNote bare = Parse("ann/$0hello");
    EXPECT_EQ(bare.strNickname, "ann");
    EXPECT_EQ(bare.strBody, "hello");
    EXPECT_EQ(bare.strSystem, "unknown");
    EXPECT_EQ(bare.strTitle, "");
    EXPECT_EQ(bare.nPriority, 0);
    EXPECT_EQ(bare.strAddress, "");

    const CParsedNote emptySystem = Parse("ann/$0hi/$1/$2T/$31/$4");
    EXPECT_EQ(emptySystem.strSystem, "unknown");
    EXPECT_EQ(emptySystem.strTitle, "T");
    EXPECT_EQ(emptySystem.nPriority, 1);
}

TEST(TaggedText, AnEmptyBodyFieldIsAnEmptyBody)
{
    const CParsedNote note = Parse("ann/$0/$1PC7/$2T/$30/$4/$510.0.0.1/$6");
    EXPECT_EQ(note.strBody, "");
    EXPECT_EQ(note.strSystem, "PC7");
    EXPECT_EQ(note.strAddress, "10.0.0.1");
}

TEST(TaggedText, WithoutBodyTagTheBodyEndsAtTheNextTag)
{
    EXPECT_EQ(Parse("ann/$0hello/$510.0.0.1/$6").strBody, "hello");
    const CParsedNote note = Parse("ann/$0hello/$2PC7/$3T/$31/$4");
    EXPECT_EQ(note.strBody, "hello");
    EXPECT_EQ(note.strSystem, "unknown");
    EXPECT_EQ(note.strTitle, "PC7");
    EXPECT_EQ(note.nPriority, 0);
    // "/$1" before "/$0" does not close the body.
    EXPECT_EQ(Parse("x/$1ann/$0hello").strBody, "hello");
}

TEST(TaggedText, AFieldHoldingATagIsCutAtItsFirstOccurrence)
{
    const CParsedNote note = Parse("ann/$0a/$0b/$1PC/$1X/$2T/$30/$4");
    EXPECT_EQ(note.strNickname, "ann");
    EXPECT_EQ(note.strBody, "a/$0b");
    EXPECT_EQ(note.strSystem, "PC/$1X");
}

TEST(TaggedText, UntaggedTexts)
{
    const CParsedNote plain = Parse("Hello there/$5192.168.1.4/$6");
    EXPECT_EQ(plain.strNickname, "unknown");
    EXPECT_EQ(plain.strBody, "Hello there");
    EXPECT_EQ(plain.strSystem, "unknown");
    EXPECT_EQ(plain.strTitle, "");
    EXPECT_EQ(plain.nPriority, 0);
    EXPECT_EQ(plain.strAddress, "192.168.1.4");

    const CParsedNote named = Parse("bob:$see you/$510.0.0.2/$6");
    EXPECT_EQ(named.strNickname, "bob");
    EXPECT_EQ(named.strBody, "see you");

    // Without the address suffix the body still runs to the end of the text.
    EXPECT_EQ(Parse("bob:$see you").strBody, "see you");
    EXPECT_EQ(Parse("just text").strBody, "just text");

    const CParsedNote dollarFirst = Parse("$5 please/$510.0.0.2/$6");
    EXPECT_EQ(dollarFirst.strNickname, "unknown");
    EXPECT_EQ(dollarFirst.strBody, "$5 please");
}

TEST(TaggedText, EmptyNicknameReadsAsUntagged)
{
    const QByteArray strText = "/$0hi/$1PC7/$2T/$30/$4/$510.0.0.3/$6";
    const CParsedNote note = Parse(strText);
    EXPECT_EQ(note.strNickname, "");
    EXPECT_EQ(note.strBody, "0hi/$1PC7/$2T/$30/$4");
    EXPECT_EQ(note.strAddress, "10.0.0.3");
    EXPECT_EQ(note.strSystem, "unknown");
}

TEST(TaggedText, TheSenderCannotChooseTheAddress)
{
    const QByteArray strForged = "ann/$0hi/$56.6.6.6/$6/$1PC7/$2T/$30/$4";
    const CParsedNote note = Parse(strForged + AddressSuffix("10.0.0.7"));
    EXPECT_EQ(note.strAddress, "10.0.0.7");
    EXPECT_EQ(note.strBody, "hi/$56.6.6.6/$6");

    const CParsedNote trailing =
        Parse(Compose(LunchFields()) + "/$56.6.6.6/$6" + AddressSuffix("10.0.0.8"));
    EXPECT_EQ(trailing.strAddress, "10.0.0.8");

    const CParsedNote untagged = Parse(QByteArray("evil/$56.6.6.6/$6") + AddressSuffix("10.0.0.9"));
    EXPECT_EQ(untagged.strAddress, "10.0.0.9");
    EXPECT_EQ(untagged.strNickname, "evil");
    EXPECT_EQ(untagged.strBody, "56.6.6.6/$6");
}

TEST(TaggedText, TheEndSequenceIsAPriorityDigitAndItsTag)
{
    EXPECT_EQ(FindEndSequence("a/$0b/$1c/$2d/$30/$4"), 13);
    EXPECT_EQ(FindEndSequence("a/$0b/$31/$4 and more"), 5);
    EXPECT_EQ(FindEndSequence("x/$31/$4 /$30/$4", 2), 9);
    EXPECT_EQ(FindEndSequence("a/$0b/$1c/$2d/$32/$4"), -1);
    EXPECT_EQ(FindEndSequence("a/$0b/$1c/$2d/$30/$"), -1);
}

TEST(TaggedText, AlertPriorityIsTheOneDigitBeforeTheFirstPriorityTag)
{
    EXPECT_EQ(AlertPriority(Compose({"ann", "hi", "PC", "T", 1})), 1);
    EXPECT_EQ(AlertPriority(Compose({"ann", "hi", "PC", "T", 0})), 0);
    // Only one character counts, and the first "/$4" wins, even inside the body.
    EXPECT_EQ(AlertPriority(Compose({"ann", "hi", "PC", "T", 12})), 2);
    EXPECT_EQ(AlertPriority("ann/$0x7/$4/$1PC/$2T/$30/$4"), 7);
    EXPECT_EQ(AlertPriority("/$4ann"), 0);
    EXPECT_EQ(AlertPriority("untagged"), 0);
}

TEST(TaggedText, DefaultTitlesAreKept)
{
    EXPECT_FALSE(TitleReplacesDefault("MessageOut"));
    EXPECT_FALSE(TitleReplacesDefault("MessageOut3"));
    EXPECT_FALSE(TitleReplacesDefault("MessageOut-anything"));
    EXPECT_FALSE(TitleReplacesDefault("subject"));
    EXPECT_FALSE(TitleReplacesDefault(""));
    EXPECT_TRUE(TitleReplacesDefault("Messageout3"));
    EXPECT_TRUE(TitleReplacesDefault("Subject"));
    EXPECT_TRUE(TitleReplacesDefault("subjects"));
    EXPECT_TRUE(TitleReplacesDefault("Lunch"));
}

TEST(TaggedText, NicknameIsTrimmed)
{
    EXPECT_EQ(TrimNickname("  ann \t\r\n"), "ann");
    EXPECT_EQ(TrimNickname("a b"), "a b");
}
