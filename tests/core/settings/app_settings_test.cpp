#include "core/hosts/host_book.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
#include "tests/support/event_log.h"

#include <gtest/gtest.h>

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kFinger = QStringLiteral("FingerD-Settings");
const QString kHosts = QStringLiteral("Hosts");
const QString kPrefs = QStringLiteral("Prefs");

QString Name(const char* pszName)
{
    return QString::fromLatin1(pszName);
}

class AppSettingsTest : public ::testing::Test
{
protected:
    CMemorySettingsStore m_store;
    CAppSettings m_settings{m_store};
    CHostBook m_hosts{m_store};
    CEventLog m_prompts;
};

} // namespace

TEST_F(AppSettingsTest, AnEmptyStoreGivesTheDefaults)
{
    m_settings.SetEnvironment({SystemInfo::UserName(), true});
    m_settings.Load();
    EXPECT_FALSE(m_settings.Greetings());
    EXPECT_EQ(m_settings.Nickname(), SystemInfo::UserName());
    EXPECT_EQ(m_settings.Signature(), "-Blipnote2");
    EXPECT_EQ(m_settings.SoundPath(), "c:\\");
    EXPECT_EQ(m_settings.SoundFile(), "msremind.wav");
    EXPECT_EQ(m_settings.AwayMessage(), "I'm away for a while.");
    EXPECT_EQ(m_settings.IpPort(), 7777);
    EXPECT_EQ(m_settings.MultiSendDelay(), 100);
    for (const int nFlag :
         {m_settings.UseSound(), m_settings.UseSignature(), m_settings.UseQuote(),
          m_settings.UseQuoteMarks(), m_settings.UseYouWrote(), m_settings.UsePopUp(),
          m_settings.UsePriority(), m_settings.UseAutoAdd(), m_settings.UseTrayArea(),
          m_settings.MultiSend()})
        EXPECT_EQ(nFlag, 1);
    for (const int nFlag : {m_settings.NoClose(), m_settings.AutoDelete(),
                            m_settings.WriteInMessage(), m_settings.UseRtf()})
        EXPECT_EQ(nFlag, 0);
    EXPECT_EQ(m_settings.Plan(), "");
    EXPECT_EQ(m_settings.FingerSoundFile(), "msremind.wav");
    for (const int nFlag : {m_settings.SendSystem(), m_settings.SendOs(), m_settings.SendUser(),
                            m_settings.SendTime(), m_settings.SendUptime(), m_settings.SendPlan(),
                            m_settings.FingerUseSound(), m_settings.UseFingerD()})
        EXPECT_EQ(nFlag, 1);
    m_hosts.Load();
    EXPECT_EQ(m_hosts.Hosts().Count(), 0);
    EXPECT_EQ(m_store.WriteCount(), 0);
}

TEST_F(AppSettingsTest, EachChangeIsAnnouncedOnceByItsOption)
{
    QList<ESetting> changes;
    QObject::connect(&m_settings, &CAppSettings::Changed,
                     [&changes](ESetting eSetting) { changes.append(eSetting); });
    m_settings.SetEnvironment({"ann", true});
    m_settings.Load();
    EXPECT_TRUE(changes.contains(ESetting::Nickname)); // from nothing to its default
    changes.clear();

    m_settings.SetNickname("ann"); // as it stands: no change
    m_settings.SetUsePopUp(false);
    m_settings.SetUsePopUp(false);
    m_settings.SetFlag(ESetting::SendOs, false);
    m_settings.Load(); // both back to their defaults
    EXPECT_EQ(changes, (QList<ESetting>{ESetting::UsePopUp, ESetting::SendOs, ESetting::UsePopUp,
                                        ESetting::SendOs}));
}

TEST_F(AppSettingsTest, DefaultsFollowWhatWasReadBefore)
{
    m_store.WriteText(kSettings, Name("SoundFile"), "ding.wav");
    m_store.WriteText(kSettings, Name("Nickname"), "ann");
    m_settings.SetEnvironment({SystemInfo::UserName(), true});
    m_settings.Load();
    EXPECT_EQ(m_settings.FingerSoundFile(), "ding.wav");
    EXPECT_EQ(m_settings.Nickname(), "ann");
}

TEST_F(AppSettingsTest, AValueOfTheWrongTypeCountsAsMissing)
{
    m_store.WriteText(kSettings, Name("IP Port"), "seven");
    m_store.WriteText(kSettings, Name("Use Sound"), "0");
    m_store.WriteInt(kSettings, Name("Signature"), 42);
    m_settings.Load();
    EXPECT_EQ(m_settings.IpPort(), 7777);
    EXPECT_FALSE(m_settings.UseSound()); // a number written as text is a number
    EXPECT_EQ(m_settings.Signature(), "42");
}

TEST_F(AppSettingsTest, FirstRunAnsweredNoWritesNothingAndAsksAgain)
{
    EXPECT_FALSE(m_settings.CheckFirstRun(m_prompts, true));
    EXPECT_EQ(m_prompts.Events(),
              QStringList({QStringLiteral("ask: Ready to install Blipnote ?")}));
    EXPECT_EQ(m_store.WriteCount(), 0);
    m_settings.Load();
    EXPECT_EQ(m_settings.IpPort(), 7777);
    EXPECT_FALSE(m_settings.CheckFirstRun(m_prompts, true));
    EXPECT_EQ(m_prompts.Events().size(), 2);
}

TEST_F(AppSettingsTest, FirstRunAnsweredYesWritesEveryGroup)
{
    m_prompts.SetAnswer(true);
    EXPECT_FALSE(m_settings.CheckFirstRun(m_prompts, true));
    EXPECT_EQ(m_store.ReadInt(kSettings, Name("version")), 2);
    const auto& values = m_store.Values();
    EXPECT_EQ(values.value(kSettings).size(), 23); // every option of "Settings"
    EXPECT_EQ(values.value(kFinger).size(), 10);
    EXPECT_FALSE(m_store.ContainsSection(kHosts)); // an empty host list
    EXPECT_EQ(m_store.ReadInt(kSettings, Name("IP Port")), 7777);
    EXPECT_EQ(m_store.ReadText(kSettings, Name("Nickname")), SystemInfo::UserName());

    // The next start finds its version and does not ask.
    CAppSettings again(m_store);
    CEventLog prompts;
    EXPECT_TRUE(again.CheckFirstRun(prompts, true));
    EXPECT_TRUE(prompts.Events().isEmpty());
}

TEST_F(AppSettingsTest, EachGroupWritesExactlyItsOwnValues)
{
    const auto Names = [](std::initializer_list<const char*> names) {
        QStringList list;
        for (const char* pszName : names)
            list.append(Name(pszName));
        list.sort();
        return list;
    };
    const std::pair<SettingsGroup, QStringList> groups[] = {
        {SettingsGroup::Preferences,
         Names({"version", "greetings", "Nickname", "Signature", "SoundPath", "SoundFile",
                "AwayMessage", "Use Sound", "Use Signature", "Use Quote", "Use QuoteMarks",
                "Use YouWrote", "Use PopUp", "Use Priority", "Use AutoAdd", "No Close",
                "Use TrayArea", "AutoDelete", "Write InMessage"})},
        {SettingsGroup::Finger,
         Names({"Plan", "SoundFile", "Send System", "Send Os", "Send User", "Send Uptime",
                "Send Time", "Send Plan", "Use Sound", "Use FingerD"})},
        {SettingsGroup::Network, Names({"IP Port", "Multi Send", "MultiSendDelay"})},
        {SettingsGroup::Styles, Names({"Use RTF"})},
        // In sections of their own, beside the ones other copies read.
        {SettingsGroup::Desktop,
         Names({"Use Notifications", "Keep Notes", "Keep Days", "Max Megabytes"})},
        {SettingsGroup::Presence, Names({"Announce"})},
        {SettingsGroup::Outbox, Names({"Keep Undelivered", "Give Up Days"})},
    };
    for (const auto& [eGroup, expected] : groups) {
        CMemorySettingsStore store;
        CAppSettings settings(store);
        settings.Save(eGroup);
        ASSERT_EQ(store.Values().size(), eGroup == SettingsGroup::Desktop ? 2 : 1);
        QStringList written;
        for (const auto& section : store.Values())
            written += section.keys();
        written.sort();
        EXPECT_EQ(written, expected) << static_cast<int>(eGroup);
        QStringList listed = CAppSettings::OptionNames(eGroup);
        listed.sort();
        EXPECT_EQ(listed, expected);
    }
    EXPECT_EQ(CAppSettings::OptionNames(SettingsGroup::All).size(), 40);
}

TEST_F(AppSettingsTest, AnyOtherStoredVersionAsks)
{
    for (const int nVersion : {1, 3}) {
        m_store.WriteInt(kSettings, Name("version"), nVersion);
        CEventLog prompts;
        EXPECT_FALSE(m_settings.CheckFirstRun(prompts, true));
        EXPECT_EQ(prompts.Events().size(), 1) << nVersion;
    }
}

TEST_F(AppSettingsTest, FirstRunTakesOverTheOldPrefsSection)
{
    m_store.WriteText(kPrefs, Name("IP Port"), "6000");
    m_store.WriteText(kPrefs, Name("SoundFile"), "old.wav");
    m_store.WriteText(kPrefs, Name("Quote reply"), "0");
    m_store.WriteText(kPrefs, Name("Use Popup"), "0");
    m_prompts.SetAnswer(true);
    m_settings.CheckFirstRun(m_prompts, true);
    EXPECT_EQ(m_settings.IpPort(), 6000);
    EXPECT_EQ(m_settings.SoundFile(), "old.wav");
    EXPECT_EQ(m_settings.SoundPath(), "old.wav");
    EXPECT_FALSE(m_settings.UseQuote());
    EXPECT_FALSE(m_settings.UsePopUp());
    EXPECT_TRUE(m_settings.UseSound());
    EXPECT_EQ(m_settings.Signature(), "-Blipnote2");
    EXPECT_FALSE(m_store.ContainsSection(kPrefs));
    EXPECT_EQ(m_store.ReadInt(kSettings, Name("IP Port")), 6000);
}

TEST_F(AppSettingsTest, APrefsSectionWithoutAPortIsLeftAlone)
{
    for (const char* pszPort : {"0", ""}) {
        CMemorySettingsStore store;
        if (*pszPort)
            store.WriteText(kPrefs, Name("IP Port"), pszPort);
        store.WriteText(kPrefs, Name("SoundFile"), "old.wav");
        CAppSettings settings(store);
        m_prompts.SetAnswer(true);
        settings.CheckFirstRun(m_prompts, true);
        EXPECT_EQ(settings.SoundFile(), "msremind.wav") << pszPort;
        EXPECT_TRUE(store.ContainsSection(kPrefs)) << pszPort;
    }
}

TEST_F(AppSettingsTest, HostEntriesStopAtTheFirstGap)
{
    m_store.WriteText(kHosts, Name("Host 0"), "ann/$010.0.0.5/$1office/$2");
    m_store.WriteText(kHosts, Name("Host 1"), "bob/$010.0.0.6/$1office/$2");
    m_store.WriteText(kHosts, Name("Host 3"), "eve/$010.0.0.9/$1office/$2");
    m_hosts.Load();
    ASSERT_EQ(m_hosts.Hosts().Count(), 2);
    EXPECT_EQ(m_hosts.Hosts().Entries()[1].strNickname, "bob");

    // Loading again replaces the list rather than doubling it.
    m_hosts.Load();
    EXPECT_EQ(m_hosts.Hosts().Count(), 2);

    const quint64 nLoaded = m_hosts.Hosts().Revision();
    m_hosts.Replace({{"carol", "10.0.0.7", "default"}});
    EXPECT_EQ(m_store.ReadText(kHosts, Name("Host 0")), "carol/$010.0.0.7/$1default/$2");
    EXPECT_FALSE(m_store.Contains(kHosts, Name("Host 1")));
    EXPECT_EQ(m_store.ReadText(kHosts, Name("Host 3")), "eve/$010.0.0.9/$1office/$2");
    EXPECT_NE(m_hosts.Hosts().Revision(), nLoaded);
    EXPECT_FALSE(m_hosts.HasUnsavedChanges());
}

TEST_F(AppSettingsTest, EachGroupWritesOnlyItsOwnValues)
{
    m_settings.Load();
    m_settings.Save(SettingsGroup::Network);
    EXPECT_EQ(m_store.Values().value(kSettings).keys(),
              QStringList({Name("IP Port"), Name("Multi Send"), Name("MultiSendDelay")}));
    m_settings.Save(SettingsGroup::Styles);
    EXPECT_TRUE(m_store.Contains(kSettings, Name("Use RTF")));
    EXPECT_FALSE(m_store.ContainsSection(kFinger));
    m_settings.SetPlan("Out to lunch\r\nBack at two");
    m_settings.Save(SettingsGroup::Finger);
    EXPECT_EQ(m_store.ReadText(kFinger, Name("Plan")), "Out to lunch\r\nBack at two");
    EXPECT_EQ(m_store.Values().value(kFinger).size(), 10);
}

TEST_F(AppSettingsTest, WindowPlacement)
{
    // Nothing stored: the default rectangle.
    EXPECT_EQ(m_settings.ReadWindowPlacement(), CWindowPlacement());

    m_store.WriteInt(kSettings, Name("flags"), 0);
    m_store.WriteText(kSettings, Name("rcNormal"), "0100 0050 0700 0500");
    const CWindowPlacement read = m_settings.ReadWindowPlacement();
    EXPECT_EQ(read.nTop, 100);
    EXPECT_EQ(read.nLeft, 50);
    EXPECT_EQ(read.nRight, 700);
    EXPECT_EQ(read.nBottom, 500);
    EXPECT_EQ(read.nShowCmd, 5);

    CWindowPlacement placement;
    placement.nFlags = 2;
    placement.nShowCmd = 3;
    placement.nLeft = -5;
    placement.nTop = 20;
    placement.nRight = 600;
    placement.nBottom = 480;
    EXPECT_TRUE(m_settings.SaveWindowPlacement(placement, 1920, 1080));
    EXPECT_EQ(m_store.ReadText(kSettings, Name("rcNormal")), "0020 -005 0600 0480");
    EXPECT_EQ(m_store.ReadInt(kSettings, Name("showCmd")), 3);
    const CWindowPlacement back = m_settings.ReadWindowPlacement();
    EXPECT_EQ(back.nLeft, -5);
    EXPECT_EQ(back.nFlags, 2);
    EXPECT_EQ(back.nShowCmd, 5); // always reopens normally

    // Wholly off the screen: nothing is written.
    CWindowPlacement away = placement;
    away.nLeft = 2000;
    away.nRight = 2600;
    EXPECT_FALSE(m_settings.SaveWindowPlacement(away, 1920, 1080));
    EXPECT_EQ(m_store.ReadText(kSettings, Name("rcNormal")), "0020 -005 0600 0480");
}

TEST_F(AppSettingsTest, AnUnusableStoredRectangleGivesTheDefault)
{
    m_store.WriteInt(kSettings, Name("flags"), 0);
    for (const char* pszRect : {"garbage", "0100 0100 0050 0400", "1 2 3"}) {
        m_store.WriteText(kSettings, Name("rcNormal"), pszRect);
        EXPECT_EQ(m_settings.ReadWindowPlacement().nRight, 400) << pszRect;
    }
    // Wider coordinates than four digits read back whole.
    m_store.WriteText(kSettings, Name("rcNormal"), "0100 10050 10700 0500");
    EXPECT_EQ(m_settings.ReadWindowPlacement().nLeft, 10050);
}

TEST_F(AppSettingsTest, AutoAddFollowsTheOption)
{
    m_settings.SetUseAutoAdd(false);
    EXPECT_EQ(m_hosts.AddUnknownSender("dan", "10.0.0.4", m_settings.UseAutoAdd()), "");
    m_settings.SetUseAutoAdd(true);
    EXPECT_EQ(m_hosts.AddUnknownSender("dan", "10.0.0.4", m_settings.UseAutoAdd()), "dan");
    EXPECT_TRUE(m_hosts.HasUnsavedChanges());
}
