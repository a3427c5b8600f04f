// The menu commands as a user chooses them: with the keyboard and the mouse on
// the real menu bar. A command that opens, closes or switches a note window
// switches the menu bar while its own menu is still handling the click.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/notes/note_file.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/help_window.h"
#include "desktop/app/main_frame.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"
#include "tests/support/sample_notes.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QWhatsThis>

namespace {

class MainMenusTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        Installed();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(ActivateMainWindow());
    }

    QStringList MenuTitles() const
    {
        QStringList titles;
        for (const QAction* pAction : m_pApp->MainFrame().menuBar()->actions())
            titles.append(pAction->text());
        return titles;
    }
};

} // namespace

TEST_F(MainMenusTest, FileNewByKeyboardKeepsTheMenuItRanFrom)
{
    QPointer<QMenu> pFile = OpenMenuByKey(Qt::Key_F);
    ASSERT_NE(pFile, nullptr);
    EXPECT_EQ(pFile->title(), QStringLiteral("&File"));
    // The first item, New, is the one highlighted: Enter chooses it.
    QTest::keyClick(pFile, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(pFile.isNull());
    EXPECT_EQ(NoteWindows(), 1);
    EXPECT_TRUE(MenuTitles().contains(QStringLiteral("&Message")));
}

TEST_F(MainMenusTest, CommandsThatOpenCloseAndSwitchWindows)
{
    Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    ASSERT_EQ(NoteWindows(), 1);
    Deliver(SampleNotes::LunchFrom5);
    ASSERT_EQ(NoteWindows(), 2);
    // The incoming note is active: its menu bar offers Reply.
    EXPECT_TRUE(m_pApp->MainFrame().ActiveNoteWindow()->View()->Document()->IsIncoming());
    Choose(QStringLiteral("&Message"), QStringLiteral("&Reply"));
    ASSERT_EQ(NoteWindows(), 3);
    Choose(QStringLiteral("&Message"), QStringLiteral("&Next"));
    Choose(QStringLiteral("&Message"), QStringLiteral("&Previous"));
    Choose(QStringLiteral("&Message"), QStringLiteral("&Delete"));
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 2; }));
    Choose(QStringLiteral("&Message"), QStringLiteral("Delete &All"));
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 0; }));
    EXPECT_FALSE(MenuTitles().contains(QStringLiteral("&Message")));
    // Only the alert of the high-priority note: no note asked to be saved.
    EXPECT_EQ(m_prompts.Boxes(),
              QStringList({QStringLiteral("You have received \na High-Priority message !")}));
}

TEST_F(MainMenusTest, MinimisedWindowsMovedAwayAreArrangedAlongTheBottom)
{
    m_pApp->MainFrame().resize(900, 500);
    for (int n = 0; n < 4; ++n)
        Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    ASSERT_EQ(NoteWindows(), 4);
    Choose(QStringLiteral("&Window"), QStringLiteral("&Minimize All"));
    const QList<CChildFrame*> frames = m_pApp->MainFrame().NoteWindows();
    QList<QMdiSubWindow*> icons;
    for (CChildFrame* pFrame : frames) {
        if (pFrame->isMinimized())
            icons.append(pFrame);
    }
    ASSERT_EQ(icons.size(), 3); // all but the active one
    // The user drags two of them somewhere else.
    icons[0]->move(120, 40);
    icons[2]->move(10, 10);
    Choose(QStringLiteral("&Window"), QStringLiteral("&Arrange Icons"));
    const QWidget* pArea = icons[0]->parentWidget();
    ASSERT_GE(pArea->width(), 3 * icons[0]->width());
    int nRight = 0;
    for (const QMdiSubWindow* pIcon : icons) {
        EXPECT_EQ(pIcon->geometry().bottom(), pArea->height() - 1);
        EXPECT_EQ(pIcon->x(), nRight); // side by side, in the order they were opened
        nRight = pIcon->geometry().right() + 1;
    }
    EXPECT_FALSE(frames.last()->isMinimized());

    // In a narrow window a full row goes on above.
    m_pApp->MainFrame().resize(icons[0]->width() * 2 + 120, 500);
    QCoreApplication::processEvents();
    Choose(QStringLiteral("&Window"), QStringLiteral("&Arrange Icons"));
    EXPECT_EQ(icons[1]->pos(), QPoint(icons[0]->width(), icons[0]->y()));
    EXPECT_EQ(icons[2]->pos(), QPoint(0, icons[0]->y() - icons[2]->height()));
}

TEST_F(MainMenusTest, TheWindowMenuListsTheNoteWindows)
{
    for (int n = 0; n < 3; ++n)
        Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    const QList<CChildFrame*> frames = m_pApp->MainFrame().NoteWindows();
    // A title may come from the sender of a note: it cannot pose as a shortcut.
    frames[0]->setWindowTitle(QStringLiteral("R&D\tCtrl+Q"));
    frames[1]->showMinimized();
    frames[2]->mdiArea()->setActiveSubWindow(frames[2]);
    const auto Listed = [this] {
        QPointer<QMenu> pMenu = OpenMenuByMouse(QStringLiteral("&Window"));
        QStringList listed;
        bool bAfterSeparator = false;
        for (const QAction* pAction : pMenu->actions()) {
            if (pAction->isSeparator())
                bAfterSeparator = true;
            else if (bAfterSeparator)
                listed.append(pAction->text() +
                              (pAction->isChecked() ? QStringLiteral(" *") : QString()));
        }
        pMenu->close();
        QCoreApplication::processEvents();
        return listed;
    };
    const QString strSecond = frames[1]->windowTitle();
    const QString strThird = frames[2]->windowTitle();
    EXPECT_EQ(Listed(),
              QStringList({QStringLiteral("&1 R&&D\ufffdCtrl+Q"), QStringLiteral("&2 ") + strSecond,
                           QStringLiteral("&3 ") + strThird + QStringLiteral(" *")}));
    // Chosen from the list, a minimised window comes back and is active.
    Choose(QStringLiteral("&Window"), QStringLiteral("&2 ") + strSecond);
    EXPECT_EQ(m_pApp->MainFrame().ActiveNoteWindow(), frames[1]);
    EXPECT_FALSE(frames[1]->isMinimized());
    EXPECT_EQ(Listed().size(), 3); // listed anew, not added again

    // Beyond nine windows the rest are chosen in "Select Window".
    for (int n = 0; n < 8; ++n)
        Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    ASSERT_EQ(NoteWindows(), 11);
    const QStringList listed = Listed();
    ASSERT_EQ(listed.size(), 10);
    EXPECT_EQ(listed.last(), QStringLiteral("&More Windows..."));
    CChildFrame* pEleventh = m_pApp->MainFrame().NoteWindows().last();
    frames[0]->mdiArea()->setActiveSubWindow(frames[0]);
    ASSERT_EQ(m_pApp->MainFrame().ActiveNoteWindow(), frames[0]);
    EXPECT_TRUE(
        OnModal([this] { Choose(QStringLiteral("&Window"), QStringLiteral("&More Windows...")); },
                [](QWidget& box) {
                    auto* pCombo = box.findChild<QComboBox*>();
                    ASSERT_NE(pCombo, nullptr);
                    ASSERT_EQ(pCombo->count(), 11);
                    pCombo->setCurrentIndex(10);
                    QTest::keyClick(&box, Qt::Key_Return);
                }));
    EXPECT_EQ(m_pApp->MainFrame().ActiveNoteWindow(), pEleventh);
}

TEST_F(MainMenusTest, FileOpenSwitchesTheBarFromInsideTheFileMenu)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("lunch.bni"));
    ASSERT_TRUE(NoteFile::Save(strPath, SampleNotes::LunchRecord(), "lunch", nullptr));
    m_prompts.SetFileAnswer(strPath);
    Choose(QStringLiteral("&File"), QStringLiteral("&Open ..."));
    ASSERT_EQ(NoteWindows(), 1);
    EXPECT_TRUE(MenuTitles().contains(QStringLiteral("&Message")));
    EXPECT_EQ(m_pApp->Documents().Documents().first()->m_strBody, "Shall we go?\r\nAt noon.");
}

TEST_F(MainMenusTest, ExitInTheMiddleOfASend)
{
    // A receiver that takes the note and never answers: the send waits.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    ASSERT_NE(WriteNote(QStringLiteral("127.0.0.1:%1").arg(silent.serverPort())), nullptr);
    Choose(QStringLiteral("&Message"), QStringLiteral("&Send"));
    ASSERT_TRUE(SpinUntil([&] {
        return m_pApp->MainFrame().StatusText(StatusPane::Sending) ==
               QStringLiteral("verifying ...");
    }));
    Choose(QStringLiteral("&File"), QStringLiteral("E&xit"));
    EXPECT_TRUE(m_bFinished);
    m_pApp.reset(); // the program ends with the job still waiting
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());
}

TEST_F(MainMenusTest, AFileLargerThanANoteOpensCutWithAWord)
{
    // A text file and an incoming note file, each larger than a note may be.
    QTemporaryDir dir;
    const QString strText = dir.filePath(QStringLiteral("long.txt"));
    QFile text(strText);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    for (int n = 0; n < 20000; ++n)
        text.write("line of text\n");
    text.close();
    CNoteRecord record = SampleNotes::LunchRecord();
    record.m_strBody = QByteArray(200000, 'z');
    const QString strIncoming = dir.filePath(QStringLiteral("long.bni"));
    ASSERT_TRUE(NoteFile::Save(strIncoming, record, "long", nullptr));

    for (const QString& strPath : {strText, strIncoming}) {
        m_prompts.SetFileAnswer(strPath);
        Choose(QStringLiteral("&File"), QStringLiteral("&Open ..."));
        ASSERT_TRUE(SpinUntil([&] { return m_prompts.Boxes().size() == 1; }));
        EXPECT_TRUE(m_prompts.Boxes()[0].contains(QStringLiteral("only its first 110000 bytes")))
            << m_prompts.Boxes()[0].toStdString();
        const CNoteView* pView = m_pApp->MainFrame().ActiveNoteWindow()->View();
        const QByteArray strShown = pView->Editor().NoteText();
        EXPECT_EQ(strShown.size(), 110000);
        EXPECT_TRUE(strShown.startsWith(strPath == strText ? "line of text\r\n" : "zzz"));
        m_prompts.ClearBoxes();
    }
}

TEST_F(MainMenusTest, ARichTextNoteWithForeignCharactersIsKeptAndAnswered)
{
    // "П" and a non-breaking hyphen: rich text carries them, the code page not.
    const QByteArray strRich = "{\\rtf1 Hi \\u1055? and\\_more}";
    Deliver("ivan/$0" + strRich + "/$1PC/$2Hello/$30/$4");
    ASSERT_EQ(NoteWindows(), 1);

    // Saved as it arrived.
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("hello.bni"));
    m_prompts.SetFileAnswer(strPath);
    Choose(QStringLiteral("&File"), QStringLiteral("Save &As ..."));
    EXPECT_TRUE(m_prompts.Boxes().isEmpty()) << m_prompts.Boxes().join(u'|').toStdString();
    CNoteRecord saved;
    ASSERT_TRUE(NoteFile::Load(strPath, saved, nullptr));
    EXPECT_EQ(saved.m_strBody, strRich);

    // Answered with the characters as they are shown; sending names them.
    Choose(QStringLiteral("&Message"), QStringLiteral("&Reply"));
    ASSERT_EQ(NoteWindows(), 2);
    auto* pReply = qobject_cast<CMsgOutView*>(m_pApp->MainFrame().ActiveNoteWindow()->View());
    ASSERT_NE(pReply, nullptr);
    EXPECT_TRUE(pReply->Editor().Text().contains(QStringLiteral("> Hi \u041F and\u2011more")))
        << pReply->Editor().Text().toStdString();
    Choose(QStringLiteral("&Message"), QStringLiteral("&Send"));
    ASSERT_EQ(m_prompts.Boxes().size(), 1);
    EXPECT_TRUE(m_prompts.Boxes()[0].startsWith(
        QStringLiteral("This note holds characters that Blipnote cannot keep: \u041F\u2011")))
        << m_prompts.Boxes()[0].toStdString();
}

TEST_F(MainMenusTest, TheCaptionNamesTheActiveNote)
{
    EXPECT_EQ(m_pApp->MainFrame().windowTitle(), QStringLiteral("Blipnote"));
    Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    EXPECT_EQ(m_pApp->MainFrame().windowTitle(), QStringLiteral("Blipnote - MessageOut1"));
    m_prompts.SetTextAnswer(QStringLiteral("Lunch"));
    Choose(QStringLiteral("&Message"), QStringLiteral("&Change Title ..."));
    EXPECT_EQ(m_pApp->MainFrame().windowTitle(), QStringLiteral("Blipnote - Lunch"));
    Choose(QStringLiteral("&Message"), QStringLiteral("&Delete"));
    ASSERT_TRUE(SpinUntil([&] { return NoteWindows() == 0; }));
    ASSERT_TRUE(
        SpinUntil([&] { return m_pApp->MainFrame().windowTitle() == QStringLiteral("Blipnote"); }));
}

TEST_F(MainMenusTest, TheNotesMenuOpensOverItsHeaderToo)
{
    Deliver(SampleNotes::LunchFrom5);
    CNoteView* pView = m_pApp->MainFrame().ActiveNoteWindow()->View();
    QStringList items;
    // Read the menu once it is open, then close it, as a user who changed their mind.
    QTimer::singleShot(0, [&items] {
        if (auto* pMenu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (const QAction* pAction : pMenu->actions())
                items.append(pAction->text());
            pMenu->close();
        }
    });
    const QPoint header(40, 10); // the nickname field of the header strip
    QContextMenuEvent event(QContextMenuEvent::Mouse, header, pView->mapToGlobal(header));
    QApplication::sendEvent(pView->childAt(header) ? pView->childAt(header) : pView, &event);
    EXPECT_EQ(items, QStringList({QStringLiteral("&Reply"), QStringLiteral("&Save"),
                                  QStringLiteral("Save &As ..."), QStringLiteral("&Print ...")}));
}

TEST_F(MainMenusTest, ThePrinterSetUpIsTheOnePrintedWith)
{
    Deliver(SampleNotes::LunchFrom5);
    // What Print setup chose for this run (the dialog needs a real printer,
    // which a test machine has not): the preview shows the page as set up.
    m_pApp->Printer().setPageOrientation(QPageLayout::Landscape);
    std::optional<QPageLayout::Orientation> previewed;
    QTimer::singleShot(0, [&previewed] {
        if (auto* pDialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget())) {
            previewed = pDialog->printer()->pageLayout().orientation();
            pDialog->reject();
        }
    });
    Choose(QStringLiteral("&File"), QStringLiteral("Print Previe&w"));
    EXPECT_EQ(previewed, QPageLayout::Landscape);
}

TEST_F(MainMenusTest, PrintSetupWithoutAPrinterSaysSo)
{
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "this machine has a printer";
    Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    Choose(QStringLiteral("&File"), QStringLiteral("Print setup ..."));
    EXPECT_EQ(m_prompts.Boxes(), QStringList({QStringLiteral("There is no printer to set up.")}));
}

TEST_F(MainMenusTest, TheKeysWithoutMenuItems)
{
    QTest::keyClick(&m_pApp->MainFrame(), Qt::Key_N, Qt::ControlModifier);
    auto* pView = qobject_cast<CMsgOutView*>(m_pApp->MainFrame().ActiveNoteWindow()->View());
    ASSERT_NE(pView, nullptr);
    ASSERT_TRUE(ActivateMainWindow());
    CMainMenus& menus = m_pApp->MainFrame().Menus();
    QMap<CMainMenus::ECommand, int> triggered;
    for (const CMainMenus::ECommand eCommand : {CMainMenus::NextPane, CMainMenus::PreviousPane})
        QObject::connect(menus.Action(eCommand), &QAction::triggered,
                         [&triggered, eCommand] { ++triggered[eCommand]; });
    // Typed into the note's text, the keys reach the window's commands.
    QTest::keyClicks(&pView->Editor(), QStringLiteral("typed"));
    EXPECT_EQ(pView->Editor().NoteText(), "typed");
    // (The editor takes Alt+Backspace itself where the desktop's keys say so.)
    QTest::keyClick(&pView->Editor(), Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(pView->Editor().NoteText(), "");
    QTest::keyClick(&pView->Editor(), Qt::Key_F6);
    QTest::keyClick(&pView->Editor(), Qt::Key_F6, Qt::ShiftModifier);
    EXPECT_EQ(triggered.value(CMainMenus::NextPane), 1);
    EXPECT_EQ(triggered.value(CMainMenus::PreviousPane), 1);
    QTest::keyClick(&pView->Editor(), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

TEST_F(MainMenusTest, TheAboutBoxShowsItsPicturesAndClosesWithOk)
{
    EXPECT_TRUE(
        OnModal([this] { Choose(QStringLiteral("&Help"), QStringLiteral("&About Blipnote ...")); },
                [](QWidget& box) {
                    EXPECT_EQ(box.windowTitle(), QStringLiteral("About Blipnote"));
                    // The program's picture, the two kinds of note and
                    // one icon beside each credit line.
                    int nPictures = 0;
                    for (const QLabel* pLabel : box.findChildren<QLabel*>())
                        nPictures += pLabel->pixmap().isNull() ? 0 : 1;
                    EXPECT_EQ(nPictures, 6);
                    auto* pOk = box.findChild<QPushButton*>();
                    ASSERT_NE(pOk, nullptr);
                    QTest::mouseClick(pOk, Qt::LeftButton);
                }));
}

TEST_F(MainMenusTest, F1ShowsTheUsersHelpWithItsPictures)
{
    QTest::keyClick(&m_pApp->MainFrame(), Qt::Key_F1);
    auto* pHelp = m_pApp->MainFrame().findChild<CHelpWindow*>();
    ASSERT_NE(pHelp, nullptr);
    EXPECT_TRUE(pHelp->isVisible());
    const QTextDocument& page = *pHelp->Browser().document();
    const QString strText = page.toPlainText();
    for (const char* pszShown : {"The desktop program", "Setup", "The Seeker", "Ready to install",
                                 "Rich text and printing"})
        EXPECT_TRUE(strText.contains(QLatin1String(pszShown))) << pszShown;
    // Nothing of building, testing or developing it.
    for (const char* pszLeft : {"scripts/", "cmake", "ctest", "benchmark", "For developers",
                                "clang", "Two commands", "build/"})
        EXPECT_FALSE(strText.contains(QLatin1String(pszLeft), Qt::CaseInsensitive)) << pszLeft;
    // Every picture it names is compiled in.
    int nPictures = 0;
    for (QTextBlock block = page.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextImageFormat image = it.fragment().charFormat().toImageFormat();
            if (!image.isValid())
                continue;
            ++nPictures;
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + image.name()))
                << image.name().toStdString();
        }
    }
    EXPECT_GE(nPictures, 10);
    pHelp->close();
}
