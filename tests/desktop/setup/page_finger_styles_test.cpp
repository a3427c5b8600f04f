// The FingerDaemon and Styles pages worked with keys and the mouse: greying,
// the shared sound folder, Test, the plan's lines; the sample note's parts in
// fonts of their own, and "use RTF".
#include "desktop/setup/lines_edit.h"
#include "desktop/setup/page_finger.h"
#include "desktop/setup/page_prefs.h"
#include "desktop/setup/page_styles.h"
#include "desktop/setup/sound_file_box.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/desktop/setup/setup_sheet_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCursor>

namespace {

class PageFingerStylesTest : public CSetupSheetFixture
{
protected:
    // The character format in a part of the sample, a little after its start.
    static QTextCharFormat FormatIn(const CPageStyles& page, CPageStyles::EPart ePart)
    {
        QTextCursor cursor(page.Preview().document());
        cursor.setPosition(CPageStyles::PartStart(page.Preview(), ePart) + 2);
        return cursor.charFormat();
    }
};

} // namespace

TEST_F(PageFingerStylesTest, UncheckingTheDaemonGreysTheRestWhoseValuesAreStillStored)
{
    LoadSettings();
    Open();
    CPageFinger& page = ShowTab<CPageFinger>(3);
    ASSERT_TRUE(page.ActiveBox().isChecked());
    QCheckBox& uptime = *page.OptionBoxes()[3];
    ASSERT_EQ(uptime.text(), QStringLiteral("send uptime"));
    Click(uptime);
    Click(page.ActiveBox());
    for (QWidget* pWidget : page.Greyed())
        EXPECT_FALSE(pWidget->isEnabled()) << pWidget->metaObject()->className();
    EXPECT_TRUE(page.ActiveBox().isEnabled());
    Click(uptime); // greyed: no effect
    Click(m_pSheet->OkButton());
    const QString strFinger = QStringLiteral("FingerD-Settings");
    EXPECT_EQ(m_store.ReadInt(strFinger, QStringLiteral("Use FingerD"), -1), 0);
    EXPECT_EQ(m_store.ReadInt(strFinger, QStringLiteral("Send Uptime"), -1), 0);
    EXPECT_EQ(m_store.ReadInt(strFinger, QStringLiteral("Send User"), -1), 1);
}

TEST_F(PageFingerStylesTest, BothPagesBrowseFromTheSameSoundFolder)
{
    QTemporaryDir home;
    const QString strFolder = home.filePath(QStringLiteral("bells/"));
    ASSERT_TRUE(QDir().mkpath(strFolder));
    QFile knock(strFolder + QStringLiteral("knock.wav"));
    ASSERT_TRUE(knock.open(QIODevice::WriteOnly));
    LoadSettings();
    Open();
    CPageFinger& finger = ShowTab<CPageFinger>(3);
    m_prompts.SetFileAnswer(strFolder + QStringLiteral("knock.wav"));
    Click(finger.Sound().BrowseButton());
    EXPECT_EQ(finger.Sound().Edit().text(), strFolder + QStringLiteral("knock.wav"));
    EXPECT_EQ(m_settings.SoundPath(), strFolder.toUtf8()); // at once

    CPagePrefs& prefs = ShowTab<CPagePrefs>(0);
    m_prompts.SetFileAnswer(QString());
    Click(prefs.Sound().BrowseButton());
    EXPECT_TRUE(m_prompts.OpenStartAt().startsWith(strFolder));

    // Test plays the file whether or not its sound is on.
    ShowTab<CPageFinger>(3);
    Click(*finger.OptionBoxes().last());
    ASSERT_FALSE(finger.OptionBoxes().last()->isChecked());
    Click(finger.Sound().TestButton());
    EXPECT_EQ(m_sound.m_played, QStringList({strFolder + QStringLiteral("knock.wav")}));
}

TEST_F(PageFingerStylesTest, APlanOfSeveralLinesIsStoredWithBareLineFeeds)
{
    LoadSettings();
    Open();
    CPageFinger& page = ShowTab<CPageFinger>(3);
    page.Plan().setFocus();
    page.Plan().selectAll();
    QTest::keyClicks(&page.Plan(), QStringLiteral("Back at two"));
    QTest::keyClick(&page.Plan(), Qt::Key_Return);
    QTest::keyClicks(&page.Plan(), QStringLiteral("Room 4"));
    EXPECT_TRUE(m_pSheet->isVisible());
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_settings.Plan(), "Back at two\nRoom 4");
    EXPECT_EQ(m_store.ReadText(QStringLiteral("FingerD-Settings"), QStringLiteral("Plan"), {}),
              "Back at two\nRoom 4");
}

TEST_F(PageFingerStylesTest, AFontForTheQuoteLeavesTheOtherPartsInTheDefault)
{
    LoadSettings();
    Open();
    CPageStyles& page = ShowTab<CPageStyles>(4);
    EXPECT_TRUE(page.Preview().isReadOnly());
    CFontChoice bold;
    bold.strFace = QStringLiteral("Arial");
    bold.dPointSize = 12;
    bold.nWeight = 700;
    m_fonts.m_answer = bold;
    Click(page.PartButton(CPageStyles::Quote));
    EXPECT_EQ(m_fonts.m_nAsked, 1);
    EXPECT_EQ(FormatIn(page, CPageStyles::Quote).fontPointSize(), 12);
    EXPECT_EQ(FormatIn(page, CPageStyles::Quote).fontWeight(), QFont::Bold);
    for (const auto ePart : {CPageStyles::Header, CPageStyles::Message, CPageStyles::Signature}) {
        EXPECT_EQ(FormatIn(page, ePart).fontPointSize(), 9) << ePart;
        EXPECT_NE(FormatIn(page, ePart).fontWeight(), QFont::Bold) << ePart;
    }
    // The dialog offers each part its own font; cancelled, the part keeps it.
    m_fonts.m_answer.reset();
    Click(page.PartButton(CPageStyles::Header));
    EXPECT_EQ(m_fonts.m_offered.dPointSize, 9);
    EXPECT_EQ(m_fonts.m_offered.nWeight, 400);
    Click(page.PartButton(CPageStyles::Quote));
    EXPECT_EQ(m_fonts.m_offered.dPointSize, 12);
    EXPECT_EQ(m_fonts.m_offered.nWeight, 700);
    Click(page.PartButton(CPageStyles::Message));
    EXPECT_EQ(m_fonts.m_offered.dPointSize, 9);
    for (const auto ePart : {CPageStyles::Header, CPageStyles::Message, CPageStyles::Signature})
        EXPECT_EQ(FormatIn(page, ePart).fontPointSize(), 9) << ePart;
    EXPECT_EQ(FormatIn(page, CPageStyles::Quote).fontPointSize(), 12);
    EXPECT_FALSE(page.Preview().textCursor().hasSelection());
    // Trying fonts is no change to apply.
    EXPECT_FALSE(m_pSheet->ApplyButton().isEnabled());

    // A new sheet shows the sample in the default format again.
    Open();
    CPageStyles& again = ShowTab<CPageStyles>(4);
    EXPECT_EQ(FormatIn(again, CPageStyles::Quote).fontPointSize(), 9);
}

TEST_F(PageFingerStylesTest, UseRtfIsStoredInItsGroup)
{
    LoadSettings();
    Open();
    CPageStyles& page = ShowTab<CPageStyles>(4);
    Click(page.UseRtfBox());
    EXPECT_FALSE(m_pSheet->ApplyButton().isEnabled());
    Click(m_pSheet->OkButton());
    EXPECT_TRUE(m_settings.UseRtf());
    EXPECT_EQ(m_store.ReadInt(QStringLiteral("Settings"), QStringLiteral("Use RTF"), -1), 1);
}
