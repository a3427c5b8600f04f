#include "core/hosts/host_list.h"
#include "core/hosts/host_range.h"
#include "core/hosts/recipient_builder.h"

#include <gtest/gtest.h>

TEST(ParseHostEntry, ReadsTheStoredTexts)
{
    EXPECT_EQ(CHostList::ParseHostEntry("pc7/$010.1.2.7/$1default/$2"),
              (CHostEntry{"pc7", "10.1.2.7", "default"}));
    EXPECT_EQ(CHostList::ParseHostEntry("pc7/$010.1.2.7/$1lab/$2"),
              (CHostEntry{"pc7", "10.1.2.7", "lab"}));
    // A group of two characters is not taken.
    EXPECT_EQ(CHostList::ParseHostEntry("pc7/$010.1.2.7/$1g1/$2"),
              (CHostEntry{"pc7", "10.1.2.7", "default"}));
    EXPECT_EQ(CHostList::ParseHostEntry("10.1.2.3"),
              (CHostEntry{"10.1.2.3", "10.1.2.3", "default"}));
    // An empty nickname: the whole text is nickname and address.
    EXPECT_EQ(CHostList::ParseHostEntry("/$010.1.2.3/$1x1y/$2"),
              (CHostEntry{"/$010.1.2.3/$1x1y/$2", "/$010.1.2.3/$1x1y/$2", "default"}));
    // An address of two characters is not taken either.
    EXPECT_EQ(CHostList::ParseHostEntry("ab/$0xy/$1grp/$2"),
              (CHostEntry{"ab", "ab/$0xy/$1grp/$2", "grp"}));
    // Missing separators.
    EXPECT_EQ(CHostList::ParseHostEntry("pc7/$010.1.2.7"),
              (CHostEntry{"pc7", "pc7/$010.1.2.7", "default"}));
    EXPECT_EQ(CHostList::ParseHostEntry("pc7/$010.1.2.7/$1lab"),
              (CHostEntry{"pc7", "10.1.2.7", "default"}));
}

TEST(ParseHostEntry, RoundTripsWhatItBuilds)
{
    const CHostEntry entry{"ann", "10.0.0.5", "office"};
    EXPECT_EQ(CHostList::BuildHostEntry(entry), "ann/$010.0.0.5/$1office/$2");
    EXPECT_EQ(CHostList::ParseHostEntry(CHostList::BuildHostEntry(entry)), entry);
}

namespace {
CHostList Office()
{
    CHostList hosts;
    hosts.Replace({{"ann", "10.0.0.5", "g1"},
                   {"bob", "10.0.0.6", "g1"},
                   {"ann", "10.0.0.8", "lab"},
                   {"Ann", "10.0.0.9", "lab"}});
    return hosts;
}
} // namespace

TEST(HostList, QueriesCompareExactlyAndKeepListOrder)
{
    const CHostList hosts = Office();
    EXPECT_EQ(hosts.AddressesOfNickname("ann"), (QList<QByteArray>{"10.0.0.5", "10.0.0.8"}));
    EXPECT_EQ(hosts.AddressesOfNickname("ANN"), QList<QByteArray>());
    EXPECT_EQ(hosts.AddressesOfGroup("g1"), (QList<QByteArray>{"10.0.0.5", "10.0.0.6"}));
    EXPECT_EQ(hosts.NicknamesOfAddress("10.0.0.5"), "ann");
    CHostList twice = hosts;
    twice.Append({"annie", "10.0.0.5", "default"});
    EXPECT_EQ(twice.NicknamesOfAddress("10.0.0.5"), "ann,annie");
    EXPECT_EQ(twice.NicknamesOfAddress("10.9.9.9"), "");
}

TEST(HostList, ReplacingMarksTheListChanged)
{
    CHostList hosts = Office();
    const quint64 nBefore = hosts.Revision();
    hosts.Replace({{"x", "10.1.1.1", "default"}});
    EXPECT_EQ(hosts.Count(), 1);
    EXPECT_NE(hosts.Revision(), nBefore);
}

TEST(AddUnknownSender, NumbersSendersWhoseNicknameIsTaken)
{
    CHostList hosts;
    hosts.Append({"Bob", "10.0.0.5", "default"});
    const quint64 nBefore = hosts.Revision();

    EXPECT_EQ(hosts.AddUnknownSender("Bob", "10.0.0.9", true), "Bob-01");
    ASSERT_EQ(hosts.Count(), 2);
    EXPECT_EQ(hosts.Entries()[1], (CHostEntry{"Bob-01", "10.0.0.9", "default"}));
    EXPECT_NE(hosts.Revision(), nBefore);

    // Bob again from the same address: known as Bob-01, nothing added.
    EXPECT_EQ(hosts.AddUnknownSender("Bob", "10.0.0.9", true), "Bob-01");
    EXPECT_EQ(hosts.Count(), 2);

    // A third Bob from a new address.
    EXPECT_EQ(hosts.AddUnknownSender("Bob", "10.0.0.10", true), "Bob-02");
    EXPECT_EQ(hosts.Entries()[2].strNickname, "Bob-02");

    // Bob from his own address keeps his name.
    EXPECT_EQ(hosts.AddUnknownSender("Bob", "10.0.0.5", true), "");
    EXPECT_EQ(hosts.Count(), 3);
}

TEST(AddUnknownSender, AKnownSenderIsShownUnderHisOwnEntry)
{
    CHostList hosts;
    hosts.Append({"Bob-01", "10.0.0.9", "default"});
    hosts.Append({"Bob", "10.0.0.5", "default"});
    // Not under Bob-01, which is another host.
    EXPECT_EQ(hosts.AddUnknownSender("Bob", "10.0.0.5", true), "");
    EXPECT_EQ(hosts.Count(), 2);
}

TEST(AddUnknownSender, ANewSenderIsAddedUnderItsOwnName)
{
    CHostList hosts;
    EXPECT_EQ(hosts.AddUnknownSender("carol", "10.0.0.7", true), "carol");
    EXPECT_EQ(hosts.Entries(), (QList<CHostEntry>{{"carol", "10.0.0.7", "default"}}));
}

TEST(AddUnknownSender, LeavesTheListAloneWhenItMayNotAdd)
{
    CHostList hosts;
    hosts.Append({"Bob", "10.0.0.5", "default"});
    EXPECT_EQ(hosts.AddUnknownSender("Bob", "unknown", true), "");
    EXPECT_EQ(hosts.AddUnknownSender("Bob", "10", true), "");
    EXPECT_EQ(hosts.AddUnknownSender("Bob", "10.0.0.9", false), "");
    EXPECT_EQ(hosts.Count(), 1);
    EXPECT_EQ(hosts.Revision(), 0u);
}

TEST(BuildRecipientList, ResolvesGroupsNicknamesAndTypedAddresses)
{
    const CHostList hosts = Office();
    EXPECT_EQ(BuildRecipientList(hosts, "Group g1"), "10.0.0.5/$010.0.0.6/$1");
    EXPECT_EQ(BuildRecipientList(hosts, "ann"), "10.0.0.5/$010.0.0.8/$1");
    EXPECT_EQ(BuildRecipientList(hosts, "Ann"), "10.0.0.9/$0");
    EXPECT_EQ(BuildRecipientList(hosts, "10.1.2.3"), "10.1.2.3/$0");
    EXPECT_EQ(BuildRecipientList(hosts, "host.example"), "host.example/$0");
    // A group nobody is in is taken as typed.
    EXPECT_EQ(BuildRecipientList(hosts, "Group none"), "Group none/$0");
}

TEST(RecipientChoices, EveryNicknameAndGroupOnceSortedWithoutRegardToCase)
{
    CHostList hosts;
    hosts.Append({"bob", "10.0.0.2", "lab"});
    hosts.Append({"Ann", "10.0.0.1", "default"});
    hosts.Append({"BOB", "10.0.0.3", "Lab"});
    hosts.Append({"\xC4rger", "10.0.0.4", "default"}); // "Ärger" in the code page
    hosts.Append({"\xE4rger", "10.0.0.5", "default"}); // "ärger": the same, ignoring case
    EXPECT_EQ(
        RecipientChoices(hosts),
        QStringList({QStringLiteral("Ann"), QStringLiteral("bob"), QStringLiteral("Group default"),
                     QStringLiteral("Group lab"), QStringLiteral("\u00C4rger")}));
    EXPECT_TRUE(RecipientChoices(CHostList()).isEmpty());
}

TEST(RecipientChoices, AreInTheOrderThatTheComparisonWithoutRegardToCaseGives)
{
    // What finds a typed entry by halving compares as QString does: every byte
    // of the code page, alone and after others, in both cases.
    CHostList hosts;
    for (int n = 1; n < 256; ++n) {
        const QByteArray strByte(1, static_cast<char>(n));
        hosts.Append({strByte, "10.0.0.1", "g" + strByte + "x"});
        hosts.Append({"a" + strByte + "b", "10.0.0.2", "default"});
        hosts.Append({strByte.toUpper() + "z", "10.0.0.3", "default"});
    }
    const QStringList choices = RecipientChoices(hosts);
    ASSERT_GT(choices.size(), 600);
    for (qsizetype n = 1; n < choices.size(); ++n)
        EXPECT_LT(choices[n - 1].compare(choices[n], Qt::CaseInsensitive), 0)
            << choices[n - 1].toStdString() << " / " << choices[n].toStdString();
}

TEST(AddUnknownSender, APeerFillsTheListOnlyUpToItsBound)
{
    // Hosts typed by hand count towards the bound and are never touched.
    CHostList hosts;
    for (int n = 0; n < 10; ++n)
        hosts.Append({"pc" + QByteArray::number(n), "10.1.0." + QByteArray::number(n), "lab"});
    const QList<CHostEntry> typed = hosts.Entries();
    // A peer with a new nickname for every note.
    for (qsizetype n = hosts.Count(); n < CHostList::AutoAddBound; ++n)
        ASSERT_FALSE(
            hosts.AddUnknownSender("x" + QByteArray::number(n), "10.9.9.9", true).isEmpty());
    EXPECT_EQ(hosts.RefusedSenders(), 0);
    const quint64 nFull = hosts.Revision();

    EXPECT_EQ(hosts.AddUnknownSender("one more", "10.9.9.9", true), "");
    EXPECT_EQ(hosts.AddUnknownSender("and another", "10.9.9.8", true), "");
    EXPECT_EQ(hosts.Count(), CHostList::AutoAddBound);
    EXPECT_EQ(hosts.RefusedSenders(), 2);
    EXPECT_EQ(hosts.Revision(), nFull);
    EXPECT_EQ(hosts.Entries().first(10), typed);
    // A known sender is still shown under its entry, and refuses nothing.
    EXPECT_EQ(hosts.AddUnknownSender("pc3", "10.1.0.3", true), "");
    EXPECT_EQ(hosts.RefusedSenders(), 2);

    // The user may go on adding by hand.
    hosts.Append({"mine", "10.1.1.1", "lab"});
    EXPECT_EQ(hosts.Count(), CHostList::AutoAddBound + 1);
}

TEST(AddUnknownSender, ALongNicknameIsCutAndItsSenderKnownByIt)
{
    CHostList hosts;
    const QByteArray strLong(9900, 'n');
    const QByteArray strCut = strLong.first(CHostList::AutoAddedNicknameLength);
    // Listed cut; the note keeps its own nickname whole.
    EXPECT_EQ(hosts.AddUnknownSender(strLong, "10.0.0.5", true), "");
    EXPECT_EQ(hosts.Entries(), (QList<CHostEntry>{{strCut, "10.0.0.5", "default"}}));
    // Known by the cut nickname: nothing more is added, from any number of notes.
    EXPECT_EQ(hosts.AddUnknownSender(strLong, "10.0.0.5", true), "");
    EXPECT_EQ(hosts.AddUnknownSender(strLong + "x", "10.0.0.5", true), "");
    // From elsewhere: numbered after the cut one.
    EXPECT_EQ(hosts.AddUnknownSender(strLong, "10.0.0.6", true), strCut + "-01");
    EXPECT_EQ(hosts.AddUnknownSender(strLong, "10.0.0.6", true), strCut + "-01");
    EXPECT_EQ(hosts.Count(), 2);

    // A long nickname typed by hand knows its sender by the whole of it.
    const QByteArray strTyped(100, 't');
    hosts.Append({strTyped, "10.0.0.7", "lab"});
    EXPECT_EQ(hosts.AddUnknownSender(strTyped, "10.0.0.7", true), "");
    EXPECT_EQ(hosts.Count(), 3);
    EXPECT_EQ(hosts.Entries()[2].strNickname, strTyped);
}

TEST(AddUnknownSender, AnAddedSenderReadsBackFromItsStoredEntryAsAdded)
{
    // The note's nickname ends at its first "/$0"; the other separators may be in it.
    for (const QByteArray& strNickname : {QByteArray("ann/$1x"), QByteArray("ann/$2/$1"),
                                          QByteArray("ann") + QByteArray(100, '/')}) {
        CHostList hosts;
        // Listed cut before the separator; the note keeps its own nickname.
        const QByteArray strShown = hosts.AddUnknownSender(strNickname, "10.0.0.5", true);
        EXPECT_EQ(strShown, "");
        ASSERT_EQ(hosts.Count(), 1);
        EXPECT_TRUE(hosts.Entries()[0].strNickname.startsWith("ann"));
        EXPECT_EQ(CHostList::ParseHostEntry(CHostList::BuildHostEntry(hosts.Entries()[0])),
                  hosts.Entries()[0])
            << strNickname.constData();
        EXPECT_EQ(hosts.AddUnknownSender(strNickname, "10.0.0.5", true), strShown);
        EXPECT_EQ(hosts.Count(), 1);
    }
}

TEST(HostRange, AnOctetShowsItsValueWithinItsRange)
{
    const std::pair<const char*, const char*> cases[] = {
        {"300", "255"},
        {"-4", "0"},
        {"-", "0"},
        {"", "0"},
        {"007", "7"},
        {"12a", "12"},
        {"  42", "42"},
        {"+9", "9"},
        {"255", "255"},
        {"99999999999999999999", "255"}, // saturates, never wraps into range
        {"\xe2\x88\x92"
         "4",
         "0"}, // a typographic minus is no sign and no digit
    };
    for (const auto& [pszTyped, pszShown] : cases)
        EXPECT_EQ(HostRange::NormalOctet(pszTyped), QByteArray(pszShown)) << pszTyped;
}

TEST(HostRange, RowsRunFromTheFirstToTheLastOctet)
{
    const QList<CHostEntry> rows = HostRange::Rows("10", "0", "0", 250, 255, "");
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(rows.first(), (CHostEntry{"10.0.0.250", "10.0.0.250", "default"}));
    EXPECT_EQ(rows.last(), (CHostEntry{"10.0.0.255", "10.0.0.255", "default"}));
    EXPECT_TRUE(HostRange::Rows("10", "0", "0", 9, 5, "lab").isEmpty());
    // Untouched octets are taken as they stand.
    EXPECT_EQ(HostRange::Rows("", "", "", 3, 3, "lab"),
              (QList<CHostEntry>{{"...3", "...3", "lab"}}));
    EXPECT_EQ(HostRange::Rows("1", "2", "3", 0, 255, "g").size(), 256);
}
