// The setup sheet's protocol and its Preferences page, worked with keys and the
// mouse: what OK, Apply and Cancel store, the sound browse, the option boxes and
// what the settings cannot keep.
#include "core/settings/file_settings_store.h"
#include "desktop/setup/history_keeping_box.h"
#include "desktop/setup/lines_edit.h"
#include "desktop/setup/page_prefs.h"
#include "desktop/setup/sound_file_box.h"
#include "tests/desktop/setup/setup_sheet_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QTemporaryDir>

namespace {

class PagePrefsTest : public CSetupSheetFixture
{
protected:
    CPagePrefs& Prefs() const { return *qobject_cast<CPagePrefs*>(m_pSheet->Page(0)); }

    QCheckBox& Option(const QString& strCaption) const
    {
        for (QCheckBox* pBox : Prefs().OptionBoxes()) {
            if (pBox->text() == strCaption)
                return *pBox;
        }
        ADD_FAILURE() << "no box " << qPrintable(strCaption);
        return *Prefs().OptionBoxes().first();
    }

    QSet<QString> StoredNames() const
    {
        QSet<QString> names;
        for (auto section = m_store.Values().cbegin(); section != m_store.Values().cend();
             ++section) {
            for (const QString& strName : section.value().keys())
                names.insert(section.key() + QLatin1Char('/') + strName);
        }
        return names;
    }
};

} // namespace

TEST_F(PagePrefsTest, OkAtOnceAppliesThePreferencesPageAloneAndSavesItsGroup)
{
    LoadSettings();
    ASSERT_EQ(m_store.WriteCount(), 0);
    CPSheetSetup& sheet = Open();
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Setup"));
    ASSERT_EQ(sheet.Tabs().count(), 5);
    EXPECT_EQ(sheet.Tabs().tabText(0), QStringLiteral("  Preferences  "));
    EXPECT_EQ(sheet.Tabs().tabText(1), QStringLiteral("  Hosts  "));
    EXPECT_EQ(sheet.Tabs().tabText(2), QStringLiteral("  Network  "));
    EXPECT_EQ(sheet.Tabs().tabText(3), QStringLiteral(" FingerDaemon "));
    EXPECT_EQ(sheet.Tabs().tabText(4), QStringLiteral("  Styles  "));
    EXPECT_EQ(sheet.Tabs().currentIndex(), 0);
    EXPECT_NE(sheet.Page(0), nullptr);
    EXPECT_EQ(sheet.Page(1), nullptr); // made only when its tab is shown
    EXPECT_FALSE(sheet.ApplyButton().isEnabled());

    Click(sheet.OkButton());
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(sheet.result(), QDialog::Accepted);
    QSet<QString> expected;
    for (const QString& strName : CAppSettings::OptionNames(SettingsGroup::Preferences))
        expected.insert(QStringLiteral("Settings/") + strName);
    // And the desktop's options the page shows beside them, in their own section.
    expected.insert(QStringLiteral("Desktop/Use Notifications"));
    for (const char* pszName : {"Keep Notes", "Keep Days", "Max Megabytes"})
        expected.insert(QStringLiteral("History/") + QLatin1String(pszName));
    EXPECT_EQ(StoredNames(), expected);
}

TEST_F(PagePrefsTest, TheHistoryKeepsNotesForTheDaysAndSizeChosen)
{
    LoadSettings();
    Open();
    CHistoryKeepingBox& box = Prefs().HistoryKeeping();
    EXPECT_EQ(box.KeepBox().currentText(), QStringLiteral("always"));
    EXPECT_FALSE(box.DaysBox().isEnabled()); // only "for" counts days
    EXPECT_EQ(box.MegabytesBox().text(), QStringLiteral("1024 MB"));
    // Chosen with the keys, as a user goes through the list and the numbers.
    box.KeepBox().setFocus();
    QTest::keyClick(&box.KeepBox(), Qt::Key_Down);
    EXPECT_EQ(box.KeepBox().currentText(), QStringLiteral("for"));
    EXPECT_TRUE(box.DaysBox().isEnabled());
    EXPECT_TRUE(m_pSheet->ApplyButton().isEnabled());
    box.DaysBox().setFocus();
    box.DaysBox().selectAll();
    QTest::keyClicks(&box.DaysBox(), QStringLiteral("7"));
    box.MegabytesBox().setFocus();
    box.MegabytesBox().selectAll();
    QTest::keyClick(&box.MegabytesBox(), Qt::Key_Backspace);
    QTest::keyClicks(&box.MegabytesBox(), QStringLiteral("0"));
    EXPECT_EQ(box.MegabytesBox().value(), 0);
    EXPECT_EQ(box.MegabytesBox().specialValueText(), QStringLiteral("no bound"));
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_settings.KeepNotes(), CAppSettings::KeepForDays);
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("History"), QStringLiteral("Keep Notes"), -1), 2);
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("History"), QStringLiteral("Keep Days"), -1), 7);
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("History"), QStringLiteral("Max Megabytes"), -1), 0);
}

TEST_F(PagePrefsTest, ApplyKeepsTheSheetOpenAndWhatItAppliedStaysAfterClose)
{
    LoadSettings();
    CPSheetSetup& sheet = Open();
    ASSERT_TRUE(Option(QStringLiteral("enable priority")).isChecked());
    Click(Option(QStringLiteral("enable priority")));
    EXPECT_TRUE(sheet.ApplyButton().isEnabled());
    EXPECT_TRUE(m_settings.UsePriority()); // not before Apply

    Click(sheet.ApplyButton());
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_FALSE(m_settings.UsePriority());
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("Settings"), QStringLiteral("Use Priority"), 1), 0);
    EXPECT_FALSE(sheet.ApplyButton().isEnabled());
    EXPECT_EQ(sheet.CancelButton().text(), QStringLiteral("Close"));

    // A change after the Apply, then Close: the Apply stays, the change goes.
    Retype(Prefs().Nickname(), QStringLiteral("zed"));
    EXPECT_TRUE(sheet.ApplyButton().isEnabled());
    Click(sheet.CancelButton());
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_FALSE(m_settings.UsePriority());
    EXPECT_NE(m_settings.Nickname(), "zed");
}

TEST_F(PagePrefsTest, CancelWithoutApplyChangesNothing)
{
    LoadSettings();
    const QByteArray strNickname = m_settings.Nickname();
    CPSheetSetup& sheet = Open();
    Retype(Prefs().Nickname(), QStringLiteral("zed"));
    Click(Option(QStringLiteral("disable Blipnote closing")));
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(sheet.isVisible());
    EXPECT_EQ(m_settings.Nickname(), strNickname);
    EXPECT_FALSE(m_settings.NoClose());
    EXPECT_EQ(m_store.WriteCount(), 0);
}

TEST_F(PagePrefsTest, TheOptionBoxesShowAndStoreTheirSettings)
{
    LoadSettings();
    m_settings.SetAutoDelete(true);
    m_settings.SetUseYouWrote(false);
    Open();
    const char* const pszCaptions[] = {"enable signature",
                                       "enable notifysound",
                                       "enable popup when incoming",
                                       "quote to reply",
                                       "enable quote marks (>)",
                                       "include \"You wrote:\" - to reply",
                                       "enable priority",
                                       "autoadd new host to list ",
                                       "disable Blipnote closing",
                                       "allow write to InMessage",
                                       "del msg after sent successfully",
                                       "minimize to trayarea"};
    QStringList captions;
    for (const char* pszCaption : pszCaptions)
        captions.append(QString::fromUtf8(pszCaption));
    QStringList shown;
    for (const QCheckBox* pBox : Prefs().OptionBoxes())
        shown.append(pBox->text());
    EXPECT_EQ(shown, captions);
    EXPECT_TRUE(Option(QStringLiteral("del msg after sent successfully")).isChecked());
    EXPECT_FALSE(Option(QStringLiteral("include \"You wrote:\" - to reply")).isChecked());

    Click(Option(QStringLiteral("allow write to InMessage")));
    Click(Option(QStringLiteral("del msg after sent successfully")));
    // Space on a focused box works it as a click does.
    Option(QStringLiteral("include \"You wrote:\" - to reply")).setFocus();
    QTest::keyClick(&Option(QStringLiteral("include \"You wrote:\" - to reply")), Qt::Key_Space);
    Click(m_pSheet->OkButton());
    EXPECT_TRUE(m_settings.WriteInMessage());
    EXPECT_FALSE(m_settings.AutoDelete());
    EXPECT_TRUE(m_settings.UseYouWrote());
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("Settings"), QStringLiteral("Write InMessage"), 0), 1);
}

TEST_F(PagePrefsTest, WithoutATrayTheTrayBoxIsGreyedAndStoresOff)
{
    LoadSettings(false);
    Open();
    QCheckBox& tray = Option(QStringLiteral("minimize to trayarea"));
    EXPECT_FALSE(tray.isEnabled());
    EXPECT_FALSE(tray.isChecked());
    Click(tray); // a greyed box takes no click
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("Settings"), QStringLiteral("Use TrayArea"), 1), 0);

    LoadSettings(true);
    m_settings.SetUseTrayArea(true);
    Open();
    EXPECT_TRUE(Option(QStringLiteral("minimize to trayarea")).isEnabled());
    EXPECT_TRUE(Option(QStringLiteral("minimize to trayarea")).isChecked());
}

TEST_F(PagePrefsTest, TheSignatureKeepsItsLineBreaksThroughApplyAndTheSettingsFile)
{
    QTemporaryDir folder;
    const QString strPath = folder.filePath(QStringLiteral("Blipnote.conf"));
    {
        CFileSettingsStore store(strPath);
        CAppSettings settings(store);
        settings.SetEnvironment({SystemInfo::UserName(), false});
        settings.Load();
        CPSheetSetup sheet(Context(settings), nullptr);
        sheet.show();
        QPlainTextEdit& signature = qobject_cast<CPagePrefs*>(sheet.Page(0))->Signature();
        signature.setFocus();
        signature.selectAll();
        QTest::keyClicks(&signature, QStringLiteral("-- "));
        QTest::keyClick(&signature, Qt::Key_Return); // a new line, not OK
        QTest::keyClicks(&signature, QStringLiteral("Ann"));
        QTest::keyClick(&signature, Qt::Key_Return);
        QTest::keyClick(&signature, Qt::Key_Return);
        QTest::keyClicks(&signature, QStringLiteral("room 4"));
        EXPECT_TRUE(sheet.isVisible());
        QTest::mouseClick(&sheet.OkButton(), Qt::LeftButton);
        EXPECT_EQ(settings.Signature(), "-- \r\nAnn\r\n\r\nroom 4");
    }
    CFileSettingsStore store(strPath);
    CAppSettings settings(store);
    settings.Load();
    EXPECT_EQ(settings.Signature(), "-- \r\nAnn\r\n\r\nroom 4");
    // And shown again as lines.
    CPSheetSetup sheet(Context(settings), nullptr);
    sheet.show();
    EXPECT_EQ(qobject_cast<CPagePrefs*>(sheet.Page(0))->Signature().toPlainText(),
              QStringLiteral("-- \nAnn\n\nroom 4"));
}

TEST_F(PagePrefsTest, AnUntouchedSignatureStaysAsStoredAndAnEditedOneKeepsItsCharacters)
{
    LoadSettings();
    // Line breaks of other systems and a no-break space, as a hand-edited file has them.
    const QByteArray strStored = "Ann\nroom\r4\xA0x";
    m_settings.SetSignature(strStored);
    Open();
    Retype(Prefs().Nickname(), QStringLiteral("zed"));
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_settings.Signature(), strStored);

    m_settings.SetSignature(QByteArrayLiteral("A\xA0") + "B");
    Open();
    Prefs().Signature().setFocus();
    Prefs().Signature().moveCursor(QTextCursor::End);
    QTest::keyClicks(&Prefs().Signature(), QStringLiteral("C"));
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_settings.Signature(), QByteArrayLiteral("A\xA0") + "BC");
}

TEST_F(PagePrefsTest, AVeryLongWordInTheSignatureWrapsAnywhere)
{
    LoadSettings();
    m_settings.SetSignature("-- \r\nAnn Example");
    Open();
    EXPECT_NE(Prefs().Signature().wordWrapMode(), QTextOption::WrapAnywhere);
    // Word wrapping takes time growing with the square of a word's length.
    m_settings.SetSignature(QByteArray(300'000, 'w'));
    Open();
    EXPECT_EQ(Prefs().Signature().wordWrapMode(), QTextOption::WrapAnywhere);
}

TEST_F(PagePrefsTest, BrowseSetsTheSoundFileAndItsFolderAndStartsThereNextTime)
{
    QTemporaryDir home;
    const QString strSystem = home.filePath(QStringLiteral("system/"));
    const QString strMine = home.filePath(QStringLiteral("Sounds/"));
    ASSERT_TRUE(QDir().mkpath(strSystem) && QDir().mkpath(strMine));
    const QString strDing = strMine + QStringLiteral("ding.wav");
    LoadSettings();
    // The first run's folder is not there: browsing starts at home.
    Open();
    Click(Prefs().Sound().BrowseButton());
    EXPECT_EQ(m_prompts.OpenStartAt(), QDir::homePath() + QStringLiteral("/msremind.wav"));

    m_settings.SetSoundPath(strSystem.toUtf8());
    m_settings.SetSoundFile("msremind.wav");
    Open();
    m_prompts.SetFileAnswer(strDing);
    Click(Prefs().Sound().BrowseButton());
    EXPECT_EQ(m_prompts.OpenFilter(), QStringLiteral("Wav-sounds (*.wav)"));
    EXPECT_EQ(m_prompts.OpenStartAt(), strSystem + QStringLiteral("msremind.wav"));
    EXPECT_EQ(Prefs().Sound().Edit().text(), strDing);
    EXPECT_EQ(m_settings.SoundPath(), strSystem.toUtf8()); // not before Apply
    EXPECT_TRUE(m_pSheet->ApplyButton().isEnabled());

    // Cancelled: the next browse started in the chosen folder, nothing changes.
    m_prompts.SetFileAnswer(QString());
    Click(Prefs().Sound().BrowseButton());
    EXPECT_EQ(m_prompts.OpenStartAt(), strDing);
    EXPECT_EQ(Prefs().Sound().Edit().text(), strDing);

    // A path the settings cannot keep is refused, with the reason.
    m_prompts.SetFileAnswer(QStringLiteral("/home/ann/\u0417\u0432\u0443\u043a/ding.wav"));
    Click(Prefs().Sound().BrowseButton());
    ASSERT_EQ(m_prompts.Boxes().size(), 1);
    EXPECT_TRUE(m_prompts.Boxes().first().contains(QStringLiteral("cannot keep")));
    EXPECT_EQ(Prefs().Sound().Edit().text(), strDing);

    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_store.ReadText(QStringLiteral("Settings"), QStringLiteral("SoundFile"), {}),
              strDing.toUtf8());
    EXPECT_EQ(m_store.ReadText(QStringLiteral("Settings"), QStringLiteral("SoundPath"), {}),
              strMine.toUtf8());

    // A folder chosen and the sheet cancelled: the sound folder stays.
    Open();
    m_prompts.SetFileAnswer(strSystem + QStringLiteral("bell.wav"));
    Click(Prefs().Sound().BrowseButton());
    Click(m_pSheet->CancelButton());
    EXPECT_EQ(m_settings.SoundPath(), strMine.toUtf8());
    EXPECT_EQ(m_store.ReadText(QStringLiteral("Settings"), QStringLiteral("SoundPath"), {}),
              strMine.toUtf8());
}

TEST_F(PagePrefsTest, TestPlaysTheSoundFileAsItStandsOrSaysItIsNotThere)
{
    QTemporaryDir dir;
    const QString strBell = dir.filePath(QStringLiteral("bell.wav"));
    QFile bell(strBell);
    ASSERT_TRUE(bell.open(QIODevice::WriteOnly));
    LoadSettings();
    m_settings.SetSoundPath("/usr/share/sounds/");
    Open();
    Retype(Prefs().Sound().Edit(), strBell);
    Click(Prefs().Sound().TestButton());
    EXPECT_EQ(m_sound.m_played, QStringList({strBell}));

    Retype(Prefs().Sound().Edit(), dir.filePath(QStringLiteral("gone.wav")));
    Click(Prefs().Sound().TestButton());
    EXPECT_EQ(m_sound.m_played.size(), 1);
    ASSERT_EQ(m_prompts.Boxes().size(), 1);
    EXPECT_TRUE(m_prompts.Boxes()[0].startsWith(QStringLiteral("There is no sound file ")));
}

TEST_F(PagePrefsTest, WhatTheSettingsCannotKeepCannotBeTypedOrIsNamed)
{
    LoadSettings();
    CPSheetSetup& sheet = Open();
    // U+0142 has no byte in the code page; the others have.
    Retype(Prefs().Nickname(), QString());
    TypeText(Prefs().Nickname(), QStringLiteral("Zo\u00eb\u0142 \u20ac"));
    EXPECT_EQ(Prefs().Nickname().text(), QStringLiteral("Zo\u00eb \u20ac"));

    // The signature edit takes what is typed; Apply then names the character.
    Prefs().Signature().setFocus();
    TypeText(Prefs().Signature(), QStringLiteral("\u0142ukasz"));
    Click(sheet.OkButton());
    EXPECT_TRUE(sheet.isVisible());
    ASSERT_EQ(m_prompts.Boxes().size(), 1);
    EXPECT_TRUE(m_prompts.Boxes().first().contains(QStringLiteral("The signature holds")));
    EXPECT_TRUE(m_prompts.Boxes().first().contains(QStringLiteral("\u0142")));
    EXPECT_EQ(m_store.WriteCount(), 0);
}

TEST_F(PagePrefsTest, TheNicknameHoldsWhatItsWidthShows)
{
    LoadSettings();
    Open();
    QLineEdit& nickname = Prefs().Nickname();
    Retype(nickname, QString(200, u'W'));
    const int nLength = static_cast<int>(nickname.text().size());
    EXPECT_GT(nLength, 3);
    EXPECT_LT(nLength, 200);
    EXPECT_LT(nickname.fontMetrics().horizontalAdvance(nickname.text()), nickname.width());
    // Shortening always works.
    QTest::keyClick(&nickname, Qt::Key_Backspace);
    EXPECT_EQ(nickname.text().size(), nLength - 1);
}
