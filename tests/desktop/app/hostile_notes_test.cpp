// Notes a peer sends to the desktop program with every field as long as a note
// may hold: the windows show short forms of the texts, at once, and the note
// keeps its own texts whole for saving and answering.
#include "core/documents/blipnote_doc.h"
#include "core/notes/note_file.h"
#include "core/notes/tagged_text.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/views/msg_in_view.h"
#include "tests/support/desktop_app_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>

namespace {

class HostileNotesTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        Installed();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(ActivateMainWindow());
    }

    // The note windows the Window menu lists, as a user reads them.
    QStringList WindowMenuEntries()
    {
        QPointer<QMenu> pMenu = OpenMenuByMouse(QStringLiteral("&Window"));
        QStringList entries;
        if (!pMenu)
            return entries;
        for (const QAction* pAction : pMenu->actions()) {
            if (pAction->text().startsWith(QLatin1Char('&')) && pAction->isCheckable())
                entries.append(pAction->text());
        }
        pMenu->close();
        QCoreApplication::processEvents();
        return entries;
    }

    CChildFrame* ActiveWindow() const { return m_pApp->MainFrame().ActiveNoteWindow(); }
};

// A title of 100,000 bytes, as long as a note allows beside a short text.
const QByteArray kLongTitle = "Budget " + QByteArray(100000, 'x');
// What the windows show of it: 64 characters, the last an ellipsis.
const QString kShownTitle =
    QStringLiteral("Budget ") + QString(56, QLatin1Char('x')) + QChar(0x2026);

} // namespace

TEST_F(HostileNotesTest, AHundredKilobyteTitleIsShownShortAndKeptWhole)
{
    CBlipnoteDoc* pDoc =
        Deliver(TaggedText::Compose({"ann", "Shall we go?", "PC7", kLongTitle, 0}));
    ASSERT_NE(pDoc, nullptr);
    EXPECT_TRUE(pDoc->Title() == kLongTitle);
    ASSERT_NE(ActiveWindow(), nullptr);
    EXPECT_EQ(ActiveWindow()->windowTitle(), kShownTitle);
    EXPECT_EQ(m_pApp->MainFrame().windowTitle(), QStringLiteral("Blipnote - ") + kShownTitle);
    EXPECT_EQ(WindowMenuEntries(), QStringList({QStringLiteral("&1 ") + kShownTitle}));

    // The answer carries the whole title; its window shows it short too, and so
    // does the box that changes it, which, taken back unchanged, changes nothing.
    Choose(QStringLiteral("&Message"), QStringLiteral("&Reply"));
    CBlipnoteDoc* pReply = ActiveWindow()->View()->Document();
    ASSERT_NE(pReply, pDoc);
    EXPECT_TRUE(pReply->Title() == kLongTitle);
    EXPECT_EQ(ActiveWindow()->windowTitle(), kShownTitle);
    m_prompts.SetTextAnswer(kShownTitle);
    Choose(QStringLiteral("&Message"), QStringLiteral("&Change Title ..."));
    EXPECT_EQ(m_prompts.Events().last(), QStringLiteral("text: Enter new title: ") + kShownTitle);
    EXPECT_TRUE(pReply->Title() == kLongTitle);
    m_prompts.SetTextAnswer(QStringLiteral("Budget"));
    Choose(QStringLiteral("&Message"), QStringLiteral("&Change Title ..."));
    EXPECT_EQ(pReply->Title(), "Budget");
    EXPECT_EQ(WindowMenuEntries(),
              QStringList({QStringLiteral("&1 ") + kShownTitle, QStringLiteral("&2 Budget")}));

    // Saved, the received note's file holds the whole title; the name offered
    // for it is the short one.
    ActiveWindow()->close();
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("budget.bni"));
    m_prompts.SetFileAnswer(strPath);
    Choose(QStringLiteral("&File"), QStringLiteral("Save &As ..."));
    EXPECT_TRUE(m_prompts.Events().last().startsWith(QStringLiteral("save as: /")));
    EXPECT_TRUE(m_prompts.Events().last().endsWith(QLatin1Char('/') + kShownTitle +
                                                   QStringLiteral(".bni")));
    CNoteRecord saved;
    ASSERT_TRUE(NoteFile::Load(strPath, saved, nullptr));
    EXPECT_TRUE(saved.m_strSubject == kLongTitle) << saved.m_strSubject.left(80).data();
    EXPECT_TRUE(m_prompts.Boxes().isEmpty()) << qPrintable(m_prompts.Boxes().join(u'|'));
}

TEST_F(HostileNotesTest, ControlCharactersOfATitleAreShownAsBullets)
{
    // An escape sequence a terminal would obey where window titles are
    // listed, a tab and a line break: each shows as a bullet.
    const QByteArray strTitle = "Esc\x1b]0;pwned\x07 tab\there\r\nnext\x90";
    CBlipnoteDoc* pDoc = Deliver(TaggedText::Compose({"ann", "Shall we go?", "PC7", strTitle, 0}));
    ASSERT_NE(pDoc, nullptr);
    EXPECT_EQ(pDoc->Title(), strTitle);
    const QString strShown =
        QStringLiteral("Esc\u2022]0;pwned\u2022 tab\u2022here\u2022\u2022next\u2022");
    ASSERT_NE(ActiveWindow(), nullptr);
    EXPECT_EQ(ActiveWindow()->windowTitle(), strShown);
    EXPECT_EQ(m_pApp->MainFrame().windowTitle(), QStringLiteral("Blipnote - ") + strShown);
    EXPECT_EQ(WindowMenuEntries(), QStringList({QStringLiteral("&1 ") + strShown}));
}

TEST_F(HostileNotesTest, LongNamesOfTheSenderAreShownShortAndKeptWhole)
{
    // The nickname ends within the note's first read (9,999 bytes), or the note
    // reads as untagged; the system name may fill the rest of the note.
    const QByteArray strNickname = "ann" + QByteArray(9000, 'n');
    const QByteArray strSystem = "PC7" + QByteArray(100000, 's');
    CBlipnoteDoc* pDoc =
        Deliver(TaggedText::Compose({strNickname, "Shall we go?", strSystem, "Lunch", 0}));
    ASSERT_NE(pDoc, nullptr);
    auto* pView = qobject_cast<CMsgInView*>(ActiveWindow()->View());
    ASSERT_NE(pView, nullptr);
    EXPECT_EQ(pView->NicknameText(),
              QStringLiteral("ann") + QString(60, QLatin1Char('n')) + QChar(0x2026));
    EXPECT_EQ(pView->SystemText(),
              QStringLiteral("PC7") + QString(60, QLatin1Char('s')) + QChar(0x2026));
    for (const QLabel* pLabel : pView->findChildren<QLabel*>())
        EXPECT_LT(pLabel->toolTip().size(), 200);

    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("lunch.bni"));
    m_prompts.SetFileAnswer(strPath);
    Choose(QStringLiteral("&File"), QStringLiteral("Save &As ..."));
    CNoteRecord saved;
    ASSERT_TRUE(NoteFile::Load(strPath, saved, nullptr));
    // (Compared as a whole, not printed: a failure would print 100 kB.)
    EXPECT_TRUE(saved.m_strNickname == strNickname) << saved.m_strNickname.left(80).data();
    EXPECT_TRUE(saved.m_strSystem == strSystem) << saved.m_strSystem.left(80).data();
}
