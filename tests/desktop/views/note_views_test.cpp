#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/documents/doc_template.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/resources/icon_list.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "desktop/views/view_context.h"
#include "tests/support/event_log.h"
#include "tests/support/note_views_fixture.h"
#include "tests/support/sample_notes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Notes here are never sent: there are no sending jobs, so the recipient lists
// built from the 10.0.0.x hosts below stay in the notes.
class NoteViewsTest : public CNoteViewsFixture
{
protected:
    NoteViewsTest()
    {
        m_settings.SetNickname("me");
        m_system.strComputerName = "MYPC";
        m_system.strLocalAddress = "unknown";
        m_settings.SetSignature("-Blipnote2");
        m_settings.SetUseSignature(true);
        m_settings.SetUseQuote(true);
        m_settings.SetUseQuoteMarks(true);
        m_settings.SetUseYouWrote(true);
        m_docs.Template(EDocKind::MessageOut)
            .SetViewFactory([this](CBlipnoteDoc& doc) -> IDocView* {
                m_views.push_back(std::make_unique<CMsgOutView>(doc, m_viewContext));
                return m_views.back().get();
            });
        m_docs.Template(EDocKind::MessageIn).SetViewFactory([this](CBlipnoteDoc& doc) -> IDocView* {
            m_views.push_back(std::make_unique<CMsgInView>(doc, m_viewContext));
            return m_views.back().get();
        });
    }

    ~NoteViewsTest() override
    {
        m_docs.Template(EDocKind::MessageOut).SetViewFactory({});
        m_docs.Template(EDocKind::MessageIn).SetViewFactory({});
    }

    void SetHosts(const QList<CHostEntry>& hosts) { m_hosts.Replace(hosts); }

    CMsgOutView& NewNote()
    {
        CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageOut);
        return static_cast<CMsgOutView&>(*pDoc->FirstView());
    }

    CMsgInView& Receive(const QByteArray& strText)
    {
        CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageIn, strText);
        pDoc->m_strTime = "07.12.26  12:00:00";
        return static_cast<CMsgInView&>(*pDoc->FirstView());
    }

    static CMsgOutView& ViewOf(CBlipnoteDoc* pDoc)
    {
        return static_cast<CMsgOutView&>(*pDoc->FirstView());
    }

    static QStringList Items(const QComboBox& box)
    {
        QStringList items;
        for (int n = 0; n < box.count(); ++n)
            items.append(box.itemText(n));
        return items;
    }

    std::vector<std::unique_ptr<CNoteView>> m_views;
};

} // namespace

TEST_F(NoteViewsTest, TheRecipientBoxListsHostsAndTheirGroupOnce)
{
    SetHosts({{"ann", "10.0.0.5", "g1"}, {"bob", "10.0.0.6", "g1"}});
    CMsgOutView& view = NewNote();
    EXPECT_EQ(Items(view.RecipientBox()), QStringList({QStringLiteral("ann"), QStringLiteral("bob"),
                                                       QStringLiteral("Group g1")}));
    EXPECT_EQ(m_viewContext.nRecipientCacheRevision, m_hosts.Hosts().Revision());

    view.RecipientBox().setCurrentIndex(2);
    Q_EMIT view.RecipientBox().activated(2);
    EXPECT_EQ(view.RecipientIcon(), CIconList::Group);
    view.Send();
    EXPECT_EQ(view.Document()->m_strAddress, "10.0.0.5/$010.0.0.6/$1");
}

TEST_F(NoteViewsTest, TheRecipientBoxIsSortedWithoutRegardToCase)
{
    SetHosts({{"bob", "10.0.0.6", "Zoo"}, {"Al", "10.0.0.9", "ann's"}, {"ann", "10.0.0.5", "Zoo"}});
    EXPECT_EQ(Items(NewNote().RecipientBox()),
              QStringList({QStringLiteral("Al"), QStringLiteral("ann"), QStringLiteral("bob"),
                           QStringLiteral("Group ann's"), QStringLiteral("Group Zoo")}));
    // The next note takes the entries from the cache, until the host list changes.
    EXPECT_EQ(NewNote().RecipientBox().count(), 5);
    SetHosts(m_hosts.Hosts().Entries() + QList<CHostEntry>{{"carl", "10.0.0.3", "Zoo"}});
    EXPECT_EQ(NewNote().RecipientBox().count(), 6);
}

TEST_F(NoteViewsTest, TwoHostsOfOneNicknameBothGetTheNote)
{
    SetHosts({{"ann", "10.0.0.5", "default"}, {"Ann", "10.0.0.7", "default"}});
    CMsgOutView& view = NewNote();
    EXPECT_EQ(Items(view.RecipientBox()),
              QStringList({QStringLiteral("ann"), QStringLiteral("Group default")}));
    view.RecipientBox().setEditText(QStringLiteral("ann"));
    view.Send();
    EXPECT_EQ(view.Document()->m_strAddress, "10.0.0.5/$0");
    SetHosts(m_hosts.Hosts().Entries() + QList<CHostEntry>{{"ann", "10.0.0.8", "default"}});
    view.Send();
    EXPECT_EQ(view.Document()->m_strAddress, "10.0.0.5/$010.0.0.8/$1");
}

TEST_F(NoteViewsTest, ATypedAddressIsSentToAsItIs)
{
    CMsgOutView& view = NewNote();
    view.RecipientBox().setEditText(QStringLiteral("host.example"));
    EXPECT_EQ(view.Document()->m_strAddress, "host.example");
    view.Send();
    EXPECT_EQ(view.Document()->m_strAddress, "host.example/$0");
}

TEST_F(NoteViewsTest, EverySendAppendsTheSignature)
{
    CMsgOutView& view = NewNote();
    view.Editor().SetNoteText("Hello");
    view.RecipientBox().setEditText(QStringLiteral("host.example"));
    m_autoReply.Start(m_settings.AwayMessage());
    view.Send();
    EXPECT_FALSE(m_autoReply.IsActive());
    view.Send();
    EXPECT_EQ(view.Editor().NoteText(), "Hello\r\n-Blipnote2\r\n-Blipnote2");
    m_settings.SetUseSignature(false);
    view.Send();
    EXPECT_EQ(view.Editor().NoteText(), "Hello\r\n-Blipnote2\r\n-Blipnote2");
}

TEST_F(NoteViewsTest, AnEmptyRecipientBoxAsksWhereToSend)
{
    CMsgOutView& view = NewNote();
    view.RecipientBox().setEditText(QString());
    view.Send();
    EXPECT_EQ(m_prompts.Boxes(), QStringList({QStringLiteral("Where to send?")}));
    EXPECT_EQ(view.Editor().NoteText(), ""); // no signature either
}

TEST_F(NoteViewsTest, ATextTheCodePageCannotHoldIsNotSent)
{
    CMsgOutView& view = NewNote();
    view.Editor().insertPlainText(QStringLiteral("Привет"));
    view.RecipientBox().setEditText(QStringLiteral("host.example"));
    view.Send();
    ASSERT_EQ(m_prompts.Boxes().size(), 1);
    EXPECT_TRUE(m_prompts.Boxes()[0].contains(QStringLiteral("П")));
    EXPECT_EQ(view.Document()->m_strAddress, "host.example"); // no send started
}

TEST_F(NoteViewsTest, ChangeTitleAsksForTheNewTitle)
{
    CMsgOutView& view = NewNote();
    m_prompts.SetTextAnswer(QStringLiteral("Lunch"));
    view.ChangeTitle();
    EXPECT_EQ(view.Document()->Title(), "Lunch");
    EXPECT_TRUE(m_prompts.Events().contains(QStringLiteral("text: Enter new title: MessageOut1")));
    m_prompts.SetTextAnswer(std::nullopt);
    view.ChangeTitle();
    EXPECT_EQ(view.Document()->Title(), "Lunch");
}

TEST_F(NoteViewsTest, TheIncomingViewShowsTheSenderAndThePriority)
{
    CMsgInView& plain = Receive("ann/$0hi/$1PC7/$2T/$30/$4/$510.0.0.5/$6");
    EXPECT_EQ(plain.NicknameText(), QStringLiteral("ann"));
    EXPECT_EQ(plain.SystemText(), QStringLiteral("PC7"));
    EXPECT_EQ(plain.AddressText(), QStringLiteral("10.0.0.5"));
    EXPECT_TRUE(plain.Editor().isReadOnly());
    EXPECT_FALSE(plain.ShowsPriorityMark());

    CMsgInView& urgent = Receive("ann/$0now!/$1PC7/$2T/$31/$4/$510.0.0.5/$6");
    EXPECT_TRUE(urgent.ShowsPriorityMark());
    // The mark is drawn at the right of the header: red pixels there.
    for (CMsgInView* pView : {&plain, &urgent}) {
        pView->resize(400, 200);
        const QImage image = pView->grab().toImage();
        int nRed = 0;
        for (int y = 32; y < 48; ++y) {
            for (int x = 305; x < 321; ++x) {
                const QColor color = image.pixelColor(x, y);
                nRed += color.red() > 180 && color.green() < 90 ? 1 : 0;
            }
        }
        EXPECT_EQ(nRed > 10, pView == &urgent);
    }
    m_settings.SetWriteInMessage(true);
    EXPECT_FALSE(Receive("ann/$0hi/$1PC7/$2T/$30/$4/$510.0.0.5/$6").Editor().isReadOnly());
}

TEST_F(NoteViewsTest, AReplyQuotesAsTheSettingsSay)
{
    const auto ReplyText = [this](int nQuote, int nMarks, int nYouWrote) {
        m_settings.SetUseQuote(nQuote);
        m_settings.SetUseQuoteMarks(nMarks);
        m_settings.SetUseYouWrote(nYouWrote);
        CMsgInView& view = Receive("ann/$0hi/$1PC7/$2Lunch/$30/$4/$510.0.0.5/$6");
        return view.Reply()->m_strBody;
    };
    EXPECT_EQ(ReplyText(0, 1, 1), "");
    EXPECT_EQ(ReplyText(0, 0, 0), "");
    EXPECT_EQ(ReplyText(1, 0, 1), "07.12.26  12:00:00  You Wrote:\r\nhi");
    EXPECT_EQ(ReplyText(1, 1, 1), "07.12.26  12:00:00  You Wrote:\r\n\r\n> hi");
    EXPECT_EQ(ReplyText(1, 1, 0), "\r\n> hi");
    EXPECT_EQ(ReplyText(1, 0, 0), "hi");
}

TEST_F(NoteViewsTest, AReplyGoesBackToTheSender)
{
    SetHosts({{"ann", "10.0.0.5", "default"}, {"bob", "10.0.0.6", "default"}});
    CMsgInView& view = Receive("ann/$0hi/$1PC7/$2Lunch/$31/$4/$510.0.0.5/$6");
    m_autoReply.Start(m_settings.AwayMessage());
    CBlipnoteDoc* pReply = view.Reply();
    ASSERT_NE(pReply, nullptr);
    EXPECT_FALSE(m_autoReply.IsActive());
    EXPECT_EQ(pReply->m_strNickname, "ann");
    EXPECT_EQ(pReply->m_strAddress, "10.0.0.5");
    EXPECT_EQ(pReply->m_strSystem, "MYPC");
    EXPECT_EQ(pReply->Title(), "Lunch");
    EXPECT_EQ(pReply->m_nPriority, 0);
    EXPECT_EQ(ViewOf(pReply).RecipientBox().currentText(), QStringLiteral("ann"));

    // Once ann is no longer a host, the box shows her address.
    SetHosts({{"bob", "10.0.0.6", "default"}});
    CBlipnoteDoc* pSecond = view.Reply();
    EXPECT_EQ(ViewOf(pSecond).RecipientBox().currentText(), QStringLiteral("10.0.0.5"));
}

TEST_F(NoteViewsTest, AReplyAddsNoHost)
{
    m_settings.SetUseAutoAdd(false);
    CMsgInView& view = Receive("carol/$0hi/$1PC7/$2T/$30/$4/$510.0.0.9/$6");
    m_settings.SetUseAutoAdd(true);
    view.Reply();
    EXPECT_EQ(m_hosts.Hosts().Count(), 0);
    EXPECT_TRUE(m_settings.UseAutoAdd());
}

TEST_F(NoteViewsTest, BothViewsPrintTheNote)
{
    CMsgInView& view = Receive(SampleNotes::LunchFrom5);
    QDir().mkpath(QStringLiteral("screens"));
    QPdfWriter pdf(QStringLiteral("screens/incoming.pdf"));
    EXPECT_EQ(view.PrintTo(pdf), 1);
    EXPECT_GT(QFile(QStringLiteral("screens/incoming.pdf")).size(), 1000);

    // Printing a received rich note leaves the bytes it came with: a
    // character the code page cannot hold is not turned into "?" for Save.
    const QByteArray strRtf = "{\\rtf1\\ansi {\\b Privet} \\u1046?}";
    CMsgInView& rich = Receive("ann/$0" + strRtf + "/$1PC/$2T/$30/$4/$510.0.0.5/$6");
    QPdfWriter richPdf(QStringLiteral("screens/incoming-rich.pdf"));
    EXPECT_EQ(rich.PrintTo(richPdf), 1);
    EXPECT_EQ(rich.Document()->m_strBody, strRtf);
    EXPECT_FALSE(rich.IsEdited());
}

TEST_F(NoteViewsTest, TypingIntoANewNoteReplacesTheRecipientItOffers)
{
    SetHosts({{"me", "10.0.0.1", "lab"}, {"bob", "10.0.0.6", "lab"}});
    CMsgOutView& view = NewNote();
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    QComboBox& box = view.RecipientBox();
    EXPECT_EQ(box.currentText(), QStringLiteral("me"));
    box.setFocus();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("bob"));
    EXPECT_EQ(box.currentText(), QStringLiteral("bob"));
}

TEST_F(NoteViewsTest, WhatTheUserTypesIsWhereTheNoteGoes)
{
    // Hosts whose names begin with what is typed must not be completed into it.
    SetHosts({{"127.0.0.15", "127.0.0.15", "lab"}, {"bob", "10.0.0.6", "lab"}});
    for (const char* pszTyped : {"127.0.0.1", "bo"}) {
        CMsgOutView& view = NewNote();
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
        QComboBox& box = view.RecipientBox();
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(&box, QString::fromLatin1(pszTyped));
        EXPECT_EQ(box.currentText(), QString::fromLatin1(pszTyped));
        QTest::keyClick(&box, Qt::Key_Tab);
        view.Send();
        EXPECT_EQ(view.Document()->m_strAddress, QByteArray(pszTyped) + "/$0");
    }
}

TEST_F(NoteViewsTest, NextAndPreviousPaneGoRoundTheNoteWindow)
{
    CMsgOutView& view = NewNote();
    view.show();
    view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    const auto FocusIn = [](const QWidget& pane) {
        const QWidget* pFocus = QApplication::focusWidget();
        return pFocus == &pane || pane.isAncestorOf(pFocus);
    };
    view.Editor().setFocus();
    ASSERT_TRUE(FocusIn(view.Editor()));
    view.MoveFocus(true);
    EXPECT_TRUE(FocusIn(view.RecipientBox()));
    view.MoveFocus(true);
    EXPECT_TRUE(FocusIn(view.PriorityBox()));
    view.MoveFocus(false);
    view.MoveFocus(false);
    EXPECT_TRUE(FocusIn(view.Editor()));
}
