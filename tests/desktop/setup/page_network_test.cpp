// The Network page worked with keys and the mouse: a typed port that a button
// shows back as it was, letters stored as 0, the delay greyed with multi-send
// off yet stored, the arrows and their ranges, and the address looked up while
// the window keeps answering.
#include "desktop/setup/number_box.h"
#include "desktop/setup/page_network.h"
#include "tests/desktop/setup/setup_sheet_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

namespace {

class PageNetworkTest : public CSetupSheetFixture
{
protected:
    CPageNetwork& OpenNetwork()
    {
        LoadSettings();
        Open();
        return ShowTab<CPageNetwork>(2);
    }

    static void Retype(CNumberBox& box, const QString& strText)
    {
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&box, Qt::Key_Backspace);
        QTest::keyClicks(&box, strText);
    }

    int Stored(const char* pszName) const
    {
        return m_store.ReadInt(QStringLiteral("Settings"), QString::fromLatin1(pszName), -1);
    }
};

} // namespace

TEST_F(PageNetworkTest, AButtonShowsBackThePortThePageHeldUnlessTheMultiSendBoxReadIt)
{
    CPageNetwork& page = OpenNetwork();
    EXPECT_EQ(page.PortBox().Text(), QStringLiteral("7777"));
    Retype(page.PortBox(), QStringLiteral("8000"));
    Click(page.DefaultDelayButton());
    EXPECT_EQ(page.PortBox().Text(), QStringLiteral("7777"));
    Retype(page.PortBox(), QStringLiteral("8000"));
    Click(page.GetAddressButton());
    EXPECT_EQ(page.PortBox().Text(), QStringLiteral("7777"));

    // The multi-send box reads every box first: the port then holds.
    Retype(page.PortBox(), QStringLiteral("8000"));
    Click(page.MultiSendBox());
    Click(page.MultiSendBox());
    Click(page.DefaultDelayButton());
    EXPECT_EQ(page.PortBox().Text(), QStringLiteral("8000"));
    Click(page.DefaultPortButton());
    EXPECT_EQ(page.PortBox().Text(), QStringLiteral("7777"));
}

TEST_F(PageNetworkTest, TypedTextIsStoredByItsLeadingNumberBeyondTheArrowsRange)
{
    CPageNetwork& page = OpenNetwork();
    Retype(page.PortBox(), QStringLiteral("abc"));
    Retype(page.DelayBox(), QStringLiteral("40000ms"));
    EXPECT_TRUE(m_pSheet->ApplyButton().isEnabled());
    Click(m_pSheet->OkButton());
    EXPECT_EQ(Stored("IP Port"), 0);
    EXPECT_EQ(Stored("MultiSendDelay"), 40000);
    EXPECT_EQ(m_settings.IpPort(), 0);
    // Stored as typed, but the user hears that no note can reach it.
    ASSERT_EQ(m_prompts.Boxes().size(), 1);
    EXPECT_TRUE(
        m_prompts.Boxes().first().startsWith(QStringLiteral("The port 0 cannot take notes")));

    Open();
    CPageNetwork& again = ShowTab<CPageNetwork>(2);
    Retype(again.PortBox(), QStringLiteral("70000"));
    Click(m_pSheet->OkButton());
    EXPECT_EQ(Stored("IP Port"), 70000);
    EXPECT_EQ(m_prompts.Boxes().size(), 2);
}

TEST_F(PageNetworkTest, TheOutboxOptionsAreStoredInTheirOwnSection)
{
    CPageNetwork& page = OpenNetwork();
    EXPECT_FALSE(page.KeepUndeliveredBox().isChecked());
    EXPECT_EQ(page.GiveUpDaysBox().Text(), QStringLiteral("7"));
    Click(page.KeepUndeliveredBox());
    EXPECT_TRUE(m_pSheet->ApplyButton().isEnabled());
    Retype(page.GiveUpDaysBox(), QStringLiteral("3"));
    Click(m_pSheet->OkButton());
    const QString strOutbox = QStringLiteral("Outbox");
    EXPECT_EQ(m_store.ReadInt(strOutbox, QStringLiteral("Keep Undelivered"), -1), 1);
    EXPECT_EQ(m_store.ReadInt(strOutbox, QStringLiteral("Give Up Days"), -1), 3);
    EXPECT_TRUE(m_settings.KeepUndelivered());
    EXPECT_EQ(m_settings.GiveUpDays(), 3);

    // Never less than a day: a note is not given up before it was tried.
    Open();
    CPageNetwork& again = ShowTab<CPageNetwork>(2);
    EXPECT_TRUE(again.KeepUndeliveredBox().isChecked());
    Retype(again.GiveUpDaysBox(), QStringLiteral("0"));
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_settings.GiveUpDays(), 1);
}

TEST_F(PageNetworkTest, TabGoesDownThePage)
{
    CPageNetwork& page = OpenNetwork();
    m_pSheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pSheet.get()));
    page.PortBox().setFocus();
    QWidget* const expected[] = {&page.DefaultPortButton(), &page.MultiSendBox(), &page.DelayBox(),
                                 &page.DefaultDelayButton(), &page.GetAddressButton()};
    for (QWidget* pNext : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* pFocus = QApplication::focusWidget();
        EXPECT_TRUE(pFocus == pNext || pNext->isAncestorOf(pFocus))
            << pFocus->metaObject()->className();
    }
}

TEST_F(PageNetworkTest, TheArrowsStepWithinTheirRangeWithoutSeparators)
{
    CPageNetwork& page = OpenNetwork();
    page.PortBox().setFocus();
    QTest::keyClick(&page.PortBox(), Qt::Key_Up);
    EXPECT_EQ(page.PortBox().Text(), QStringLiteral("7778"));
    Retype(page.PortBox(), QStringLiteral("31999"));
    QTest::keyClick(&page.PortBox(), Qt::Key_Up);
    QTest::keyClick(&page.PortBox(), Qt::Key_Up);
    EXPECT_EQ(page.PortBox().Text(), QStringLiteral("32000"));
    Retype(page.DelayBox(), QStringLiteral("2"));
    QTest::keyClick(&page.DelayBox(), Qt::Key_Down);
    QTest::keyClick(&page.DelayBox(), Qt::Key_Down);
    EXPECT_EQ(page.DelayBox().Text(), QStringLiteral("1"));
}

TEST_F(PageNetworkTest, WithoutMultiSendTheDelayIsGreyedAndStillStored)
{
    CPageNetwork& page = OpenNetwork();
    ASSERT_TRUE(page.MultiSendBox().isChecked());
    Retype(page.DelayBox(), QStringLiteral("250"));
    Click(page.MultiSendBox());
    EXPECT_FALSE(page.DelayBox().isEnabled());
    EXPECT_FALSE(page.DefaultDelayButton().isEnabled());
    EXPECT_FALSE(page.DelayLabel().isEnabled());
    EXPECT_TRUE(page.PortBox().isEnabled());
    Click(m_pSheet->OkButton());
    EXPECT_EQ(Stored("Multi Send"), 0);
    EXPECT_EQ(Stored("MultiSendDelay"), 250);
}

TEST_F(PageNetworkTest, TheAddressIsLookedUpWhileTheWindowKeepsAnswering)
{
    CPageNetwork& page = OpenNetwork();
    EXPECT_EQ(page.AddressText().text(), QString()); // not shown until asked for
    Click(page.GetAddressButton());
    EXPECT_EQ(page.AddressText().text(), QStringLiteral("resolving local-IP ..."));
    // The window goes on working while the answer is out.
    Retype(page.DelayBox(), QStringLiteral("300"));
    EXPECT_EQ(page.DelayBox().Text(), QStringLiteral("300"));
    ASSERT_TRUE(AnswerLookUp("127.0.1.1"));
    EXPECT_EQ(page.AddressText().text(), QStringLiteral("127.0.1.1"));
    EXPECT_EQ(m_system.strLocalAddress, "127.0.1.1"); // what new notes carry

    Click(page.GetAddressButton());
    ASSERT_TRUE(AnswerLookUp("cannot get IP"));
    EXPECT_EQ(page.AddressText().text(), QStringLiteral("cannot get IP"));
    EXPECT_EQ(m_system.strLocalAddress, "cannot get IP");

    // An answer after the sheet has closed goes nowhere.
    Click(page.GetAddressButton());
    m_pSheet.reset();
    EXPECT_TRUE(AnswerLookUp("127.0.1.2"));
    EXPECT_EQ(m_system.strLocalAddress, "cannot get IP");
}

TEST_F(PageNetworkTest, TheMachineIsDescribedAsOfTheFirstShowAndShownWhole)
{
    CPageNetwork& page = OpenNetwork();
    const QList<QLabel*> texts = page.MachineTexts();
    ASSERT_EQ(texts.size(), 5);
    EXPECT_EQ(texts[0]->text().toUtf8(), m_system.strComputerName);
    EXPECT_EQ(texts[2]->text().toUtf8(), m_system.strUserName);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[1-9][0-9]* x \\S+$"))
                    .match(texts[3]->text())
                    .hasMatch())
        << texts[3]->text().toStdString();
    EXPECT_TRUE(texts[4]->text().contains(QStringLiteral("Seconds")));

    // At the sheet's own size (and once more on a screen scaled to 200 %)
    // every value is readable to its end.
    for (const QLabel* pText : texts) {
        EXPECT_TRUE(pText->isVisible());
        EXPECT_TRUE(pText->textInteractionFlags() & Qt::TextSelectableByMouse);
        EXPECT_LE(pText->heightForWidth(pText->width()), pText->height())
            << pText->text().toStdString();
        const QRect window = pText->window()->rect();
        EXPECT_TRUE(window.contains(QRect(pText->mapTo(pText->window(), QPoint()), pText->size())))
            << pText->text().toStdString();
        for (const QString& strWord : pText->text().split(QLatin1Char(' ')))
            EXPECT_LE(pText->fontMetrics().horizontalAdvance(strWord), pText->width())
                << strWord.toStdString();
    }
}
