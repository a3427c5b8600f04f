// The recent-file list in the File menu, worked as a user does: files opened and
// saved through the real menus, entries chosen by key and by mouse, a file gone
// from the disk, and the list found again at the next start.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/notes/note_file.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/main_menus.h"
#include "desktop/views/note_view.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/sample_notes.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <utility>

namespace {

constexpr CMainMenus::ECommand kRecent[] = {CMainMenus::RecentFile1, CMainMenus::RecentFile2,
                                            CMainMenus::RecentFile3, CMainMenus::RecentFile4};

class RecentFilesMenuTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        Installed();
        StartAgain();
    }

    void StartAgain()
    {
        m_pApp.reset();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(ActivateMainWindow());
    }

    QString NoteFile(const QString& strName)
    {
        const QString strPath = m_dir.filePath(strName);
        EXPECT_TRUE(NoteFile::Save(strPath, SampleNotes::LunchRecord(), "lunch", nullptr));
        return strPath;
    }

    // The recent-file entries of the File menu now in the bar, as shown.
    QStringList Entries()
    {
        QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
        QStringList entries;
        if (!pFile)
            return {QStringLiteral("no File menu")};
        const CMainMenus& menus = m_pApp->MainFrame().Menus();
        for (const QAction* pAction : pFile->actions()) {
            const bool bRecent =
                std::any_of(std::begin(kRecent), std::end(kRecent),
                            [&](CMainMenus::ECommand eId) { return menus.Action(eId) == pAction; });
            if (!bRecent || !pAction->isVisible())
                continue;
            entries.append(pAction->isEnabled()
                               ? pAction->text()
                               : QStringLiteral("(") + pAction->text() + QStringLiteral(")"));
        }
        pFile->close();
        QCoreApplication::processEvents();
        return entries;
    }

    void OpenByMenu(const QString& strPath)
    {
        m_prompts.SetFileAnswer(strPath);
        QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
        ASSERT_NE(pFile, nullptr);
        ASSERT_TRUE(ClickItem(*pFile, QStringLiteral("&Open ...")));
        QCoreApplication::processEvents();
    }

    // a.bni and b.bni opened through the menu and closed again: the list holds
    // b.bni, then a.bni, and no note is open.
    std::pair<QString, QString> TwoRecentFiles()
    {
        const QString strA = NoteFile(QStringLiteral("a.bni"));
        const QString strB = NoteFile(QStringLiteral("b.bni"));
        OpenByMenu(strA);
        OpenByMenu(strB);
        m_pApp->OnDeleteAll();
        QCoreApplication::processEvents();
        EXPECT_EQ(NoteWindows(), 0);
        return {strA, strB};
    }

    // The File menu, then the entry's digit. (The menu is opened with the mouse:
    // on the offscreen platform Alt+F opens it only once per run.)
    void ChooseByKey(Qt::Key eDigit)
    {
        QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
        ASSERT_NE(pFile, nullptr);
        QTest::keyClick(pFile, eDigit);
        QCoreApplication::processEvents();
        EXPECT_FALSE(pFile.isNull());
    }

    QString Shown(const QString& strPath) const
    {
        QString strText = strPath;
        if (strText.startsWith(QDir::homePath() + QLatin1Char('/')))
            strText = QLatin1Char('~') + strText.mid(QDir::homePath().size());
        return strText.replace(QLatin1Char('&'), QStringLiteral("&&"));
    }

    QTemporaryDir m_dir{QDir::tempPath() + QStringLiteral("/recent-XXXXXX")};
};

} // namespace

TEST_F(RecentFilesMenuTest, FilesOpenedAndSavedStandNewestFirstInEveryFileMenu)
{
    EXPECT_EQ(Entries(), QStringList({QStringLiteral("(Recent File)")}));
    const QString strA = NoteFile(QStringLiteral("a.bni"));
    const QString strB = NoteFile(QStringLiteral("b & c.bni"));
    // With nothing used yet, Open starts in the user's documents (or home).
    OpenByMenu(QString());
    const QString strDocuments =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(m_prompts.OpenStartAt(),
              QFileInfo(strDocuments).isDir() ? strDocuments : QDir::homePath());
    OpenByMenu(strA);
    OpenByMenu(strB);
    ASSERT_EQ(NoteWindows(), 2);
    // An incoming note is active: its own File menu has the list too.
    EXPECT_EQ(Entries(), QStringList({QStringLiteral("&1 ") + Shown(strB),
                                      QStringLiteral("&2 ") + Shown(strA)}));

    // Saved under a new name, a note goes to the top. Save As offers the
    // note's own file, and next time the file it was saved to.
    const QString strSaved = m_dir.filePath(QStringLiteral("saved.bni"));
    const auto SaveAs = [this](const QString& strAnswer) {
        m_prompts.SetFileAnswer(strAnswer);
        QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
        ASSERT_NE(pFile, nullptr);
        ASSERT_TRUE(ClickItem(*pFile, QStringLiteral("Save &As ...")));
        QCoreApplication::processEvents();
    };
    SaveAs(strSaved);
    ASSERT_TRUE(QFile::exists(strSaved));
    EXPECT_EQ(Entries().value(0), QStringLiteral("&1 ") + Shown(strSaved));
    SaveAs(QString()); // cancelled
    EXPECT_EQ(
        m_prompts.Events().filter(QStringLiteral("save as: ")),
        QStringList({QStringLiteral("save as: ") + strB, QStringLiteral("save as: ") + strSaved}));

    // A new note is offered in the folder last used under its title (a name,
    // never a path), and Open starts there, whatever the working folder.
    Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    m_prompts.SetTextAnswer(QStringLiteral("Q3/Q4 plans"));
    Choose(QStringLiteral("&Message"), QStringLiteral("&Change Title ..."));
    SaveAs(QString());
    EXPECT_EQ(m_prompts.Events().filter(QStringLiteral("save as: ")).last(),
              QStringLiteral("save as: ") + m_dir.filePath(QStringLiteral("Q3-Q4 plans.bno")));
    OpenByMenu(QString());
    EXPECT_EQ(m_prompts.OpenStartAt(), m_dir.path());
    m_pApp->OnDeleteAll();
    QCoreApplication::processEvents();

    // With no note open the bar has the list as well.
    m_pApp->OnDeleteAll();
    QCoreApplication::processEvents();
    ASSERT_EQ(NoteWindows(), 0);
    EXPECT_EQ(Entries().size(), 3);
}

TEST_F(RecentFilesMenuTest, AnEntryChosenByKeyOpensItsFileAndMovesUp)
{
    const auto [strA, strB] = TwoRecentFiles();

    ChooseByKey(Qt::Key_2);
    ASSERT_EQ(NoteWindows(), 1);
    EXPECT_EQ(m_pApp->Documents().Documents().first()->PathName(), strA);
    EXPECT_EQ(Entries().value(0), QStringLiteral("&1 ") + Shown(strA));

    // A note open already is shown again, not opened a second time.
    OpenByMenu(strB);
    ASSERT_EQ(NoteWindows(), 2);
    m_pApp->MainFrame().NoteWindows().last()->showMinimized();
    ChooseByKey(Qt::Key_1);
    ASSERT_EQ(NoteWindows(), 2);
    CChildFrame* pActive = m_pApp->MainFrame().ActiveNoteWindow();
    ASSERT_NE(pActive, nullptr);
    EXPECT_EQ(pActive->View()->Document()->PathName(), strB);
    EXPECT_FALSE(pActive->isMinimized());
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());
}

TEST_F(RecentFilesMenuTest, AFileGoneFromTheDiskSaysSoAndLeavesTheList)
{
    const auto [strA, strB] = TwoRecentFiles();
    ASSERT_TRUE(QFile::remove(strA));

    QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
    ASSERT_NE(pFile, nullptr);
    ASSERT_TRUE(ClickItem(*pFile, QStringLiteral("&2 ") + Shown(strA)));
    QCoreApplication::processEvents();
    EXPECT_EQ(NoteWindows(), 0);
    EXPECT_EQ(m_prompts.Boxes().size(), 1);
    EXPECT_EQ(Entries(), QStringList({QStringLiteral("&1 ") + Shown(strB)}));
    // Stored at once: the next start does not offer it again.
    EXPECT_FALSE(m_store.Contains(QStringLiteral("Recent File List"), QStringLiteral("File2")));
}

TEST_F(RecentFilesMenuTest, TheListIsThereAtTheNextStartEvenAfterACrash)
{
    const QString strA = NoteFile(QStringLiteral("a.bni"));
    OpenByMenu(strA);
    // No shutdown: the application object is dropped as a crash would leave it.
    StartAgain();
    EXPECT_EQ(Entries(), QStringList({QStringLiteral("&1 ") + Shown(strA)}));

    // A file given on the command line joins the list too.
    const QString strB = NoteFile(QStringLiteral("b.bni"));
    m_pApp.reset();
    CStartupRequest request;
    request.strOpenFile = strB;
    ASSERT_TRUE(Start(request));
    ASSERT_TRUE(ActivateMainWindow());
    EXPECT_EQ(Entries(), QStringList({QStringLiteral("&1 ") + Shown(strB),
                                      QStringLiteral("&2 ") + Shown(strA)}));
}

TEST_F(RecentFilesMenuTest, ALongPathIsShortenedInTheMiddle)
{
    const QString strDeep = m_dir.filePath(QString(80, QLatin1Char('d')));
    ASSERT_TRUE(QDir().mkpath(strDeep));
    const QString strPath = strDeep + QStringLiteral("/lunch.bni");
    ASSERT_TRUE(NoteFile::Save(strPath, SampleNotes::LunchRecord(), "lunch", nullptr));
    OpenByMenu(strPath);
    const QString strEntry = Entries().value(0);
    EXPECT_LE(strEntry.size(), 3 + 60);
    EXPECT_TRUE(strEntry.endsWith(QStringLiteral("/lunch.bni"))) << qPrintable(strEntry);
    EXPECT_TRUE(strEntry.contains(QChar(0x2026)));
    const QAction* pFirst = m_pApp->MainFrame().Menus().Action(CMainMenus::RecentFile1);
    EXPECT_EQ(pFirst->statusTip(), strPath); // the whole path in the status bar

    // Characters that would make an entry read as another file show as such.
    const QString strTricky = m_dir.filePath(QStringLiteral("tab\tCtrl+E \u202eonb.exe.bni"));
    ASSERT_TRUE(NoteFile::Save(strTricky, SampleNotes::LunchRecord(), "lunch", nullptr));
    OpenByMenu(strTricky);
    EXPECT_TRUE(Entries().value(0).endsWith(QStringLiteral("/tab\ufffdCtrl+E \ufffdonb.exe.bni")))
        << qPrintable(Entries().value(0));

    // A long name keeps its beginning; the folders give way.
    const QString strName = QStringLiteral("a_note_with_a_rather_long_name_of_its_own.bni");
    const QString strLongName = strDeep + QLatin1Char('/') + strName;
    ASSERT_TRUE(NoteFile::Save(strLongName, SampleNotes::LunchRecord(), "lunch", nullptr));
    OpenByMenu(strLongName);
    EXPECT_TRUE(Entries().value(0).endsWith(QLatin1Char('/') + strName));
}
