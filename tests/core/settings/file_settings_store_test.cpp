#include "core/hosts/host_book.h"
#include "core/settings/app_settings.h"
#include "core/settings/file_settings_store.h"
#include "core/settings/system_info.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <sys/stat.h>

namespace {

const QString kSettings = QStringLiteral("Settings");

class FileSettingsStoreTest : public ::testing::Test
{
protected:
    QString Path() const { return m_dir.filePath(QStringLiteral("Tessaro/Blipnote.conf")); }

    void WriteFile(const QByteArray& strContent)
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("Tessaro")));
        QFile file(Path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(strContent);
    }

    QByteArray ReadFile() const
    {
        QFile file(Path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(FileSettingsStoreTest, LivesUnderTheConfigFolder)
{
    EXPECT_TRUE(
        CFileSettingsStore::DefaultPath().endsWith(QStringLiteral("/Tessaro/Blipnote.conf")));
}

TEST_F(FileSettingsStoreTest, KeepsIntegersTextsAndLineBreaks)
{
    {
        CFileSettingsStore store(Path());
        store.WriteInt(kSettings, QStringLiteral("IP Port"), 7778);
        store.WriteText(kSettings, QStringLiteral("Signature"), "-- \r\nann\r\ncaf\xE9 \x80 5");
        store.WriteText(kSettings, QStringLiteral("AwayMessage"), "Back soon, promised.");
        store.WriteText(kSettings, QStringLiteral("Odd"), "@at=equals;semi\\slash\"quote");
        store.WriteText(QStringLiteral("Hosts"), QStringLiteral("Host 0"),
                        "ann/$010.0.0.5/$1default/$2");
    }
    CFileSettingsStore store(Path());
    EXPECT_EQ(store.ReadInt(kSettings, QStringLiteral("IP Port")), 7778);
    EXPECT_EQ(store.ReadText(kSettings, QStringLiteral("Signature")),
              "-- \r\nann\r\ncaf\xE9 \x80 5");
    EXPECT_EQ(store.ReadText(kSettings, QStringLiteral("AwayMessage")), "Back soon, promised.");
    EXPECT_EQ(store.ReadText(kSettings, QStringLiteral("Odd")), "@at=equals;semi\\slash\"quote");
    EXPECT_EQ(store.ReadText(QStringLiteral("Hosts"), QStringLiteral("Host 0")),
              "ann/$010.0.0.5/$1default/$2");
    EXPECT_FALSE(store.ReadInt(kSettings, QStringLiteral("Missing")).has_value());

    // Readable as text: UTF-8, a section per group.
    const QString strFile = QString::fromUtf8(ReadFile());
    EXPECT_TRUE(strFile.contains(QStringLiteral("[Settings]")));
    EXPECT_TRUE(strFile.contains(QStringLiteral("café € 5")));
}

TEST_F(FileSettingsStoreTest, EveryCodePageByteRoundTrips)
{
    QByteArray strAll;
    for (int n = 0; n < 256; ++n)
        strAll.append(static_cast<char>(n));
    {
        CFileSettingsStore store(Path());
        store.WriteText(kSettings, QStringLiteral("Plan"), strAll);
    }
    CFileSettingsStore store(Path());
    EXPECT_EQ(store.ReadText(kSettings, QStringLiteral("Plan")), strAll);
}

TEST_F(FileSettingsStoreTest, DeletesValuesAndSections)
{
    CFileSettingsStore store(Path());
    store.WriteText(QStringLiteral("Prefs"), QStringLiteral("IP Port"), "6000");
    store.WriteText(QStringLiteral("Prefs"), QStringLiteral("SoundFile"), "a.wav");
    store.WriteInt(kSettings, QStringLiteral("version"), 2);
    store.DeleteValue(QStringLiteral("Prefs"), QStringLiteral("SoundFile"));
    EXPECT_FALSE(store.ReadText(QStringLiteral("Prefs"), QStringLiteral("SoundFile")));
    store.DeleteSection(QStringLiteral("Prefs"));
    EXPECT_FALSE(store.ReadText(QStringLiteral("Prefs"), QStringLiteral("IP Port")));
    EXPECT_EQ(store.ReadInt(kSettings, QStringLiteral("version")), 2);
}

TEST_F(FileSettingsStoreTest, HandEditedValuesAreRead)
{
    WriteFile("[Settings]\n"
              "Nickname=ann\n"
              "IP%20Port = 7001 \n"
              "Signature=Regards, ann\n"
              "MultiSendDelay=fast\n"
              "Use Sound=0\n");
    CFileSettingsStore store(Path());
    CAppSettings settings(store);
    settings.Load();
    EXPECT_EQ(settings.Nickname(), "ann");
    EXPECT_EQ(settings.IpPort(), 7001);
    EXPECT_EQ(settings.Signature(), "Regards, ann");
    EXPECT_EQ(settings.MultiSendDelay(), 100); // not a number: the default
    EXPECT_FALSE(settings.UseSound());         // a blank in the name needs no escape
}

TEST_F(FileSettingsStoreTest, AGarbledOrMissingFileGivesTheDefaults)
{
    QByteArray strJunk;
    for (int n = 0; n < 4096; ++n)
        strJunk.append(static_cast<char>((n * 7919) % 256));
    strJunk += "\n[Settings\n=====\n[]\nIP Port=\n\\\\\\\n";
    for (const QByteArray& strContent : {strJunk, QByteArray()}) {
        WriteFile(strContent);
        CFileSettingsStore store(Path());
        CAppSettings settings(store);
        settings.SetEnvironment({SystemInfo::UserName(), true});
        settings.Load();
        EXPECT_EQ(settings.IpPort(), 7777);
        EXPECT_EQ(settings.Signature(), "-Blipnote2");
    }
    CFileSettingsStore missing(m_dir.filePath(QStringLiteral("nowhere/Blipnote.conf")));
    EXPECT_FALSE(missing.ReadInt(kSettings, QStringLiteral("IP Port")).has_value());
    // A folder where the file should be cannot be read either.
    QDir().mkpath(m_dir.filePath(QStringLiteral("folder.conf")));
    CFileSettingsStore folder(m_dir.filePath(QStringLiteral("folder.conf")));
    EXPECT_FALSE(folder.ReadText(kSettings, QStringLiteral("Nickname")).has_value());
}

TEST_F(FileSettingsStoreTest, EverySettingReadsBackAfterARestart)
{
    const QList<CHostEntry> hosts = {{"bob", "10.0.0.6", "lab"}, {"eve", "10.0.0.9", "default"}};
    {
        CFileSettingsStore store(Path());
        CAppSettings settings(store, {SystemInfo::UserName(), true});
        settings.Load();
        settings.SetNumber(ESetting::Version, 2);
        settings.SetNickname("ann");
        settings.SetSignature("-- \r\nann");
        settings.SetPlan("Line one\r\nLine \xE9two");
        settings.SetIpPort(7010);
        settings.SetNoClose(true);
        settings.SetUseRtf(true);
        settings.SetSendOs(false);
        settings.Save(SettingsGroup::All);
        CHostBook(store).Replace(hosts);
    }
    CFileSettingsStore store(Path());
    CAppSettings second(store, {SystemInfo::UserName(), true});
    second.Load();
    CHostBook book(store);
    book.Load();
    EXPECT_EQ(second.Nickname(), "ann");
    EXPECT_EQ(second.Signature(), "-- \r\nann");
    EXPECT_EQ(second.Plan(), "Line one\r\nLine \xE9two");
    EXPECT_EQ(second.IpPort(), 7010);
    EXPECT_TRUE(second.NoClose());
    EXPECT_TRUE(second.UseRtf());
    EXPECT_FALSE(second.SendOs());
    EXPECT_EQ(book.Hosts().Entries(), hosts);
    EXPECT_EQ(store.ReadInt(kSettings, QStringLiteral("version")), 2);
}

TEST_F(FileSettingsStoreTest, HandWrittenCharactersOutsideTheCodePageAreKept)
{
    WriteFile("[Settings]\nversion=2\nNickname=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\n"
              "Signature=-- \xD0\x98\n");
    {
        CFileSettingsStore store(Path());
        CAppSettings settings(store);
        settings.SetEnvironment({SystemInfo::UserName(), true});
        settings.Load();
        EXPECT_EQ(settings.Nickname(), "????"); // what a note can carry of it
        settings.SetSignature("-- ann");        // changed by the user
        settings.Save(SettingsGroup::Preferences);
    }
    const QString strFile = QString::fromUtf8(ReadFile());
    EXPECT_TRUE(strFile.contains(QStringLiteral("Nickname=\u0418\u0432\u0430\u043D")))
        << strFile.toStdString();
    EXPECT_TRUE(strFile.contains(QStringLiteral("Signature=-- ann"))) << strFile.toStdString();
}

TEST_F(FileSettingsStoreTest, HostsThatMovedAreNotTakenForTheEntryOnceThere)
{
    // Two hand-written names that both read as "????", and an entry whose group
    // is too short to count: it reads as "default" but keeps its text in place.
    WriteFile("[Hosts]\n"
              "Host%200=a/$0127.0.0.4/$1ab/$2\n"
              "Host%201=\xD0\x9E\xD0\xBB\xD0\xB5\xD0\xB3/$0127.0.0.7/$1default/$2\n"
              "Host%202=\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD/$0127.0.0.7/$1default/$2\n"
              "Host%203=z/$0127.0.0.9/$1default/$2\n");
    {
        CFileSettingsStore store(Path());
        CHostBook book(store);
        book.Load();
        ASSERT_EQ(book.Hosts().Count(), 4);
        QList<CHostEntry> entries = book.Hosts().Entries();
        entries.removeAt(1); // the first "????" goes
        book.Replace(entries, {0, 2, 3});
    }
    const QString strFile = QString::fromUtf8(ReadFile());
    EXPECT_TRUE(strFile.contains(QStringLiteral("Host%200=a/$0127.0.0.4/$1ab/$2")))
        << strFile.toStdString();
    EXPECT_FALSE(strFile.contains(QStringLiteral("\u041E\u043B\u0435\u0433"))) // the one removed
        << strFile.toStdString();
    EXPECT_TRUE(strFile.contains(QStringLiteral("Host%202=z/$0127.0.0.9/$1default/$2")));
    EXPECT_FALSE(strFile.contains(QStringLiteral("Host%203")));
}

TEST_F(FileSettingsStoreTest, AValueWrittenAfterItsDeletionIsWritten)
{
    WriteFile("[Settings]\nNickname=\xD0\x98\n");
    {
        CFileSettingsStore store(Path());
        EXPECT_EQ(store.ReadText(QStringLiteral("Settings"), QStringLiteral("Nickname")), "?");
        store.DeleteValue(QStringLiteral("Settings"), QStringLiteral("Nickname"));
        store.WriteText(QStringLiteral("Settings"), QStringLiteral("Nickname"), "?");
    }
    EXPECT_TRUE(QString::fromUtf8(ReadFile()).contains(QStringLiteral("Nickname=?")));
}

TEST_F(FileSettingsStoreTest, ValuesWrittenAsTheyStandLeaveTheFileAsItWas)
{
    // Confirming a page writes its group whether or not anything changed: a
    // file edited by hand keeps its form, and 100,000 hosts are not written
    // out again for nothing.
    const QByteArray strHand = "; written by hand\n"
                               "[Settings]\n"
                               "IP%20Port=7001\n"
                               "Multi Send=1\n"
                               "MultiSendDelay=100\n"
                               "[Hosts]\n"
                               "Host%200=ann/$0127.0.0.5/$1lab/$2\n"
                               "Host%201=bob/$0127.0.0.6/$1lab/$2\n";
    WriteFile(strHand);
    {
        CFileSettingsStore store(Path());
        CAppSettings settings(store);
        settings.Load();
        settings.Save(SettingsGroup::Network);
        CHostBook book(store);
        book.Load();
        book.Replace(book.Hosts().Entries());
    }
    EXPECT_EQ(ReadFile(), strHand);

    // A change is written, with the rest.
    {
        CFileSettingsStore store(Path());
        CAppSettings settings(store);
        settings.Load();
        settings.SetIpPort(7002);
        settings.Save(SettingsGroup::Network);
    }
    const QString strFile = QString::fromUtf8(ReadFile());
    EXPECT_TRUE(strFile.contains(QStringLiteral("IP%20Port=7002"))) << strFile.toStdString();
    EXPECT_TRUE(strFile.contains(QStringLiteral("Host%201=bob/$0127.0.0.6/$1lab/$2")));
}

TEST(FileSettingsStore, OnlyARegularFileIsReadOrReplaced)
{
    // A FIFO in the settings' place would stall the reading for ever, and a save
    // would put a file in its place (through a link, in the place of what the
    // link names). Such a store keeps its values in memory.
    QTemporaryDir dir;
    const QString strFifo = dir.filePath(QStringLiteral("fifo.conf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    const QString strLink = dir.filePath(QStringLiteral("link.conf"));
    ASSERT_TRUE(QFile::link(strFifo, strLink));
    for (const QString& strPath : {strFifo, strLink, dir.path()}) {
        EXPECT_FALSE(CFileSettingsStore::WhyUnusable(strPath).isEmpty());
        auto run = std::async(std::launch::async, [strPath] {
            CFileSettingsStore store(strPath);
            store.WriteInt(QStringLiteral("Settings"), QStringLiteral("IP Port"), 7778);
            const int nPort =
                store.ReadInt(QStringLiteral("Settings"), QStringLiteral("IP Port"), 0);
            store.Sync();
            return nPort;
        });
        if (run.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "stalled on " << strPath.toStdString();
            QFile writer(strFifo); // let the reader go
            writer.open(QIODevice::WriteOnly);
        }
        EXPECT_EQ(run.get(), 7778);
    }
    EXPECT_TRUE(QFileInfo(strLink).isSymLink());
    struct stat status
    {};
    ASSERT_EQ(::stat(QFile::encodeName(strFifo).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    EXPECT_TRUE(
        CFileSettingsStore::WhyUnusable(dir.filePath(QStringLiteral("new.conf"))).isEmpty());
}
