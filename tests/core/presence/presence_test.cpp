// Announcing and finding copies through a stand-in for the Avahi daemon on the
// private session bus the test runs in (never the machine's system bus).
#include "core/presence/presence_announcer.h"
#include "core/presence/presence_browser.h"
#include "tests/support/event_loop.h"
#include "tests/support/stand_in_avahi.h"

#include <QDBusConnection>

#include <gtest/gtest.h>

namespace {

QDBusConnection Bus()
{
    return QDBusConnection::sessionBus();
}

// A second program's connection: the daemon does not tell a connection of its
// own services.
QDBusConnection OtherBus()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("other"));
}

CPresenceAnnouncer::CAnnouncement Announcement(const QString& strNickname, quint16 nPort)
{
    CPresenceAnnouncer::CAnnouncement announcement;
    announcement.nPort = nPort;
    announcement.record = {strNickname, QStringLiteral("desk"), QStringLiteral("2.11")};
    return announcement;
}

CStandInAvahi::CService Other(const QString& strName, const QString& strAddress,
                              QByteArrayList txt = {})
{
    return {strName, strAddress, 7777, std::move(txt), false};
}

// What a browser told, in order.
struct CTold
{
    explicit CTold(CPresenceBrowser& browser)
    {
        QObject::connect(&browser, &CPresenceBrowser::Appeared, [this](const CPresencePeer& peer) {
            lines.append(QStringLiteral("here ") + peer.strName + u' ' + peer.strAddress);
        });
        QObject::connect(&browser, &CPresenceBrowser::Gone, [this](const CPresencePeer& peer) {
            lines.append(QStringLiteral("gone ") + peer.strName + u' ' + peer.strAddress);
        });
    }
    QStringList lines;
};

class PresenceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!Bus().isConnected())
            GTEST_SKIP() << "no private session bus (dbus-run-session is not installed)";
    }
};

TEST_F(PresenceTest, CopiesAnnounceFindEachOtherAndGo)
{
    CStandInAvahi avahi;
    ASSERT_TRUE(avahi.Start());
    avahi.Announce(
        Other(QStringLiteral("bob on lab"), QStringLiteral("127.0.0.2"),
              CPresenceRecord{QStringLiteral("bob"), QStringLiteral("lab"), QStringLiteral("2.11")}
                  .ToTxt()));

    // Found although the daemon tells of it before the browser knows its path.
    CPresenceBrowser browser(Bus());
    CTold told(browser);
    browser.Start();
    ASSERT_TRUE(SpinUntil([&] { return browser.IsSettled(); }));
    EXPECT_TRUE(browser.IsAvailable());
    ASSERT_EQ(browser.Peers().size(), 1);
    const CPresencePeer bob = browser.Peers().constFirst();
    EXPECT_EQ(bob.record.strNickname, QStringLiteral("bob"));
    EXPECT_EQ(bob.record.strComputer, QStringLiteral("lab"));
    EXPECT_EQ(bob.nPort, 7777);
    EXPECT_FALSE(bob.bLocal);

    CPresenceAnnouncer announcer(OtherBus());
    announcer.Announce(Announcement(QStringLiteral("alice"), 7001));
    ASSERT_TRUE(SpinUntil([&] { return announcer.IsAnnounced(); }));
    EXPECT_EQ(announcer.Name(), QStringLiteral("alice on desk"));
    ASSERT_TRUE(SpinUntil([&] { return browser.Peers().size() == 2; }));
    EXPECT_TRUE(browser.Peers().at(1).bLocal);
    EXPECT_EQ(avahi.Announced().constFirst().nPort, 7001);

    // The same announcement again changes nothing; a new port announces anew.
    announcer.Announce(Announcement(QStringLiteral("alice"), 7001));
    announcer.Announce(Announcement(QStringLiteral("alice"), 7002));
    ASSERT_TRUE(SpinUntil([&] {
        return avahi.Announced().size() == 1 && avahi.Announced().constFirst().nPort == 7002;
    }));

    announcer.Withdraw();
    avahi.Withdraw(QStringLiteral("bob on lab"));
    ASSERT_TRUE(SpinUntil([&] { return browser.Peers().isEmpty(); }));
    EXPECT_FALSE(announcer.IsAnnounced());
    EXPECT_TRUE(told.lines.contains(QStringLiteral("gone bob on lab 127.0.0.2")));
    EXPECT_TRUE(told.lines.contains(QStringLiteral("gone alice on desk 127.0.0.1")));
}

TEST_F(PresenceTest, ATakenNameGivesAnotherAndARestartedDaemonIsToldAgain)
{
    auto pAvahi = std::make_unique<CStandInAvahi>();
    ASSERT_TRUE(pAvahi->Start());
    pAvahi->Announce(Other(QStringLiteral("alice on desk"), QStringLiteral("127.0.0.3")));
    CPresenceAnnouncer announcer(OtherBus());
    CPresenceBrowser browser(Bus());
    browser.Start();
    announcer.Announce(Announcement(QStringLiteral("alice"), 7777));
    ASSERT_TRUE(SpinUntil([&] { return announcer.IsAnnounced(); }));
    EXPECT_EQ(announcer.Name(), QStringLiteral("alice on desk #2"));
    ASSERT_TRUE(SpinUntil([&] { return browser.Peers().size() == 2; }));

    // The daemon goes: every copy is gone, presence unavailable.
    pAvahi.reset();
    ASSERT_TRUE(SpinUntil([&] { return !browser.IsAvailable(); }));
    EXPECT_TRUE(browser.Peers().isEmpty());
    EXPECT_FALSE(announcer.IsAnnounced());
    EXPECT_FALSE(browser.UnavailableReason().isEmpty());

    // A new daemon knows nothing: the copy announces again and browsing starts again.
    pAvahi = std::make_unique<CStandInAvahi>();
    ASSERT_TRUE(pAvahi->Start());
    ASSERT_TRUE(SpinUntil([&] { return announcer.IsAnnounced(); }));
    ASSERT_TRUE(SpinUntil([&] { return browser.IsAvailable() && browser.Peers().size() == 1; }));
}

TEST_F(PresenceTest, AServiceGoneAndBackWhileLookedUpIsOneCopyAndGoesOnce)
{
    CStandInAvahi avahi;
    ASSERT_TRUE(avahi.Start());
    CPresenceBrowser browser(Bus());
    CTold told(browser);
    browser.Start();
    ASSERT_TRUE(SpinUntil([&] { return browser.IsSettled(); }));
    avahi.HoldLookups(true);
    avahi.Announce(Other(QStringLiteral("ghost"), QStringLiteral("127.0.0.4")));
    ASSERT_TRUE(SpinUntil([&] { return avahi.Resolves() == 1; }));
    avahi.Withdraw(QStringLiteral("ghost"));
    avahi.Announce(Other(QStringLiteral("ghost"), QStringLiteral("127.0.0.4")));
    ASSERT_TRUE(SpinUntil([&] { return avahi.Resolves() == 2; }));
    avahi.HoldLookups(false);
    ASSERT_TRUE(SpinUntil([&] { return browser.Peers().size() == 1; }));
    avahi.Withdraw(QStringLiteral("ghost"));
    ASSERT_TRUE(SpinUntil([&] { return browser.Peers().isEmpty(); }));
    EXPECT_EQ(told.lines, (QStringList{QStringLiteral("here ghost 127.0.0.4"),
                                       QStringLiteral("gone ghost 127.0.0.4")}));
}

TEST_F(PresenceTest, AnotherCopyUnderTheNameThisOneGivesUpIsFoundOnceTheNameChanges)
{
    // Both copies began as "alice on desk"; the daemon marks the other's as
    // this program's own while this program's group still bears the name.
    CStandInAvahi avahi;
    ASSERT_TRUE(avahi.Start());
    avahi.MarkAsOurs(QStringLiteral("alice on desk"));
    avahi.Announce(Other(QStringLiteral("alice on desk"), QStringLiteral("127.0.0.3")));
    CPresenceBrowser browser(Bus());
    browser.SetOwnName(QStringLiteral("alice on desk"));
    browser.Start();
    ASSERT_TRUE(SpinUntil([&] { return browser.IsSettled(); }));
    EXPECT_TRUE(browser.Peers().isEmpty());
    // This copy took "alice on desk #2": the other is looked up now, and this
    // copy's own service under the new name is not a peer.
    avahi.MarkAsOurs(QStringLiteral("alice on desk #2"));
    browser.SetOwnName(QStringLiteral("alice on desk #2"));
    avahi.Announce(Other(QStringLiteral("alice on desk #2"), QStringLiteral("127.0.0.1")));
    ASSERT_TRUE(SpinUntil([&] { return browser.Peers().size() == 1; }));
    SpinUntil([] { return false; }, std::chrono::milliseconds(100));
    ASSERT_EQ(browser.Peers().size(), 1);
    EXPECT_EQ(browser.Peers().constFirst().strAddress, QStringLiteral("127.0.0.3"));
}

TEST_F(PresenceTest, WithoutADaemonNothingWaits)
{
    CPresenceBrowser browser(Bus());
    CPresenceAnnouncer announcer(Bus());
    announcer.Announce(Announcement(QStringLiteral("alice"), 7777));
    browser.Start();
    ASSERT_TRUE(SpinUntil([&] { return !browser.UnavailableReason().isEmpty(); }));
    EXPECT_EQ(browser.UnavailableReason(),
              QStringLiteral("no Avahi daemon runs on the system bus"));
    EXPECT_FALSE(announcer.IsAnnounced());

    // A bus that is not there at all is said at once.
    CPresenceBrowser nowhere(QDBusConnection(QStringLiteral("not connected")));
    bool bTold = false;
    QObject::connect(&nowhere, &CPresenceBrowser::AvailabilityChanged,
                     [&](bool bAvailable) { bTold = !bAvailable; });
    nowhere.Start();
    EXPECT_TRUE(bTold);
}

TEST_F(PresenceTest, AHostileNetworkCostsBoundedWorkAndShowsNoControlCharacters)
{
    CStandInAvahi avahi;
    ASSERT_TRUE(avahi.Start());
    avahi.HoldLookups(true);
    for (int i = 0; i < CPresenceBrowser::MaxServices + 500; ++i)
        avahi.Announce(Other(QStringLiteral("flood %1").arg(i),
                             QStringLiteral("127.0.%1.%2").arg(i / 250).arg(i % 250 + 1)));
    const QByteArray strLong(5000, 'x');
    avahi.Announce(Other(QStringLiteral("hostile"), QStringLiteral("127.0.9.9"),
                         {"nickname=\x1b]0;pwned\x07"
                          "bad\r\nname",
                          "computer=" + strLong, "nickname=second", "version"}));
    // Addresses no note can go to are not copies.
    for (const char* pszAddress : {"fe80::1", "0.0.0.0", "255.255.255.255", "224.0.0.251"})
        avahi.Announce(Other(QString::fromLatin1(pszAddress), QString::fromLatin1(pszAddress)));

    CPresenceBrowser browser(Bus());
    browser.Start();
    ASSERT_TRUE(SpinUntil([&] { return avahi.Resolves() >= CPresenceBrowser::MaxResolving; }));
    SpinUntil([] { return false; }, std::chrono::milliseconds(200));
    EXPECT_EQ(avahi.MostResolving(), CPresenceBrowser::MaxResolving);
    avahi.HoldLookups(false);
    ASSERT_TRUE(SpinUntil([&] { return browser.IsSettled(); }));
    EXPECT_EQ(avahi.MostResolving(), CPresenceBrowser::MaxResolving);
    EXPECT_EQ(avahi.Resolves(), CPresenceBrowser::MaxServices);
    EXPECT_EQ(browser.Peers().size(), CPresenceBrowser::MaxServices);

    // Withdrawn services make room for others.
    for (int i = 0; i < 10; ++i)
        avahi.Withdraw(QStringLiteral("flood %1").arg(i));
    avahi.Withdraw(QStringLiteral("hostile"));
    avahi.Announce(Other(QStringLiteral("hostile"), QStringLiteral("127.0.9.9"),
                         {"nickname=\x1b]0;pwned\x07"
                          "bad\r\nname",
                          "computer=" + strLong, "nickname=second", "version"}));
    ASSERT_TRUE(SpinUntil([&] {
        const QList<CPresencePeer> peers = browser.Peers();
        return std::any_of(peers.cbegin(), peers.cend(), [](const CPresencePeer& peer) {
            return peer.strName == QStringLiteral("hostile");
        });
    }));
    const CPresencePeer hostile = browser.Peers().constLast();
    EXPECT_EQ(hostile.record.strNickname, QStringLiteral("]0;pwnedbadname"));
    EXPECT_EQ(hostile.record.strComputer.size(), CPresenceRecord::MaxValueLength);
    EXPECT_TRUE(hostile.record.strVersion.isEmpty());
}

} // namespace
