// "&Mapi Send..." as a user chooses it: the note's copy reaches a stand-in for
// the desktop's mail program as an attachment, and what goes wrong is told.
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/notes/note_file.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/mail_sender.h"
#include "desktop/app/main_frame.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/rich_text_ctrl.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/event_loop.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

namespace {

class MailSendTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        Installed();
        // The copies go to a temporary folder of this test, not to /tmp.
        m_strOldTemp = qEnvironmentVariable("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(m_dir.path()));
    }

    void TearDown() override
    {
        m_pApp.reset();
        qputenv("TMPDIR", QFile::encodeName(m_strOldTemp));
    }

    // A mail program that writes its arguments, one a line, and ends with nExit.
    void FakeMailProgram(int nExit, const char* pszBefore = "")
    {
        m_strArgs = m_dir.filePath(QStringLiteral("args"));
        m_strMailProgram = m_dir.filePath(QStringLiteral("mail"));
        QFile script(m_strMailProgram);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\n%1\nprintf '%s\\n' \"$@\" > '%2'\nexit %3\n")
                         .arg(QString::fromLatin1(pszBefore), m_strArgs)
                         .arg(nExit)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    CMsgOutView* NewNote(const QString& strText)
    {
        EXPECT_TRUE(Start());
        EXPECT_TRUE(ActivateMainWindow());
        m_pApp->OnNew();
        auto* pView = qobject_cast<CMsgOutView*>(m_pApp->MainFrame().ActiveNoteWindow()->View());
        if (pView)
            QTest::keyClicks(&pView->Editor(), strText);
        return pView;
    }

    // File / Mapi Send... with the mouse; true once the mail program has ended.
    bool MailByMenu()
    {
        QSignalSpy finished(&m_pApp->MailSender(), &CMailSender::Finished);
        QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
        if (!pFile || !ClickItem(*pFile, QStringLiteral("&Mapi Send...")))
            return false;
        return SpinUntil([&] { return !finished.isEmpty(); });
    }

    QStringList Arguments() const
    {
        QFile file(m_strArgs);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir m_dir;
    QString m_strOldTemp;
    QString m_strArgs;
};

} // namespace

TEST_F(MailSendTest, TheNoteGoesToTheMailProgramAsAnAttachedCopy)
{
    FakeMailProgram(0);
    CMsgOutView* pView = NewNote(QStringLiteral("Lunch at noon?"));
    ASSERT_NE(pView, nullptr);
    CBlipnoteDoc* pDoc = pView->Document();
    const QString strTitle = QString::fromLatin1(pDoc->Title());
    ASSERT_TRUE(MailByMenu());
    const QStringList args = Arguments();
    ASSERT_EQ(args.size(), 5) << qPrintable(args.join(QLatin1Char('|')));
    EXPECT_EQ(args.mid(0, 3),
              QStringList({QStringLiteral("--utf8"), QStringLiteral("--subject"), strTitle}));
    EXPECT_EQ(args[3], QStringLiteral("--attach"));
    EXPECT_EQ(QFileInfo(args[4]).fileName(), strTitle + QStringLiteral(".bno"));
    CNoteRecord copy;
    ASSERT_TRUE(NoteFile::Load(args[4], copy, nullptr));
    EXPECT_EQ(copy.m_strBody, "Lunch at noon?");
    // The note itself keeps no file name: Save still asks for one.
    EXPECT_TRUE(pDoc->PathName().isEmpty());
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());

    // A second copy of the same note does not overwrite the first one.
    ASSERT_TRUE(MailByMenu());
    EXPECT_NE(Arguments().value(4), args[4]);
    EXPECT_TRUE(QFile::exists(args[4]));
}

TEST_F(MailSendTest, WithoutAMailProgramTheUserIsTold)
{
    ASSERT_NE(NewNote(QStringLiteral("hi")), nullptr);
    ASSERT_TRUE(MailByMenu());
    EXPECT_EQ(m_prompts.Boxes(),
              QStringList({QStringLiteral("Unable to load mail system support.")}));
}

TEST_F(MailSendTest, AMailProgramThatFailsIsReported)
{
    FakeMailProgram(3); // what xdg-email says when no mail program is set up
    ASSERT_NE(NewNote(QStringLiteral("hi")), nullptr);
    ASSERT_TRUE(MailByMenu());
    EXPECT_EQ(m_prompts.Boxes(), QStringList({QStringLiteral("Mail failed to send message.")}));
}

TEST_F(MailSendTest, ATitleIsMadeAFileNameInsideTheMailFolder)
{
    FakeMailProgram(0);
    CMsgOutView* pView = NewNote(QStringLiteral("x"));
    ASSERT_NE(pView, nullptr);
    CBlipnoteDoc* pDoc = pView->Document();
    const auto Mailed = [&](const QByteArray& strTitle) {
        pDoc->SetTitle(strTitle);
        EXPECT_TRUE(MailByMenu());
        const QString strFile = Arguments().value(4);
        EXPECT_TRUE(QFileInfo(strFile).absolutePath().startsWith(m_dir.path() +
                                                                 QStringLiteral("/blipnote-mail-")))
            << qPrintable(strFile);
        EXPECT_TRUE(QFile::exists(strFile)) << qPrintable(strFile);
        return std::make_pair(QFileInfo(strFile).fileName(), Arguments().value(2));
    };
    // No folder of its own, and not hidden.
    EXPECT_EQ(Mailed("../../etc/\tpasswd").first,
              QStringLiteral("MessageOut.._.._etc_\u2022passwd.bno"));
    EXPECT_EQ(Mailed(".hidden").first, QStringLiteral("MessageOut.hidden.bno"));
    // A backslash, which the mail helper's shell may read as an escape, is
    // neither in the file name nor in the subject.
    const auto [strName, strSubject] = Mailed("\\0057..\\0057etc\\0057hostname\\c");
    EXPECT_EQ(strName, QStringLiteral("_0057.._0057etc_0057hostname_c.bno"));
    EXPECT_FALSE(strSubject.contains(QLatin1Char('\\'))) << qPrintable(strSubject);
    // A long title is cut as the window shows it: a file name of at most 255
    // bytes, also of letters of several bytes, and a subject of one line.
    const QString strLong = Mailed(QByteArray(300, '\x80')).first;
    EXPECT_LE(strLong.toUtf8().size(), 255);
    EXPECT_EQ(strLong, QString(63, QChar(0x20ac)) + QStringLiteral("\u2026.bno"));
    EXPECT_EQ(Arguments().value(2), QString(63, QChar(0x20ac)) + QChar(0x2026));
    // Whatever the title's case, the copy is a note file.
    const QString strCase = Mailed("report.Bni").first;
    EXPECT_EQ(strCase, QStringLiteral("report.Bni.bno"));
    EXPECT_TRUE(m_prompts.Boxes().isEmpty())
        << qPrintable(m_prompts.Boxes().join(QLatin1Char('|')));
}

TEST_F(MailSendTest, AMailFolderClearedAwayIsMadeAgain)
{
    FakeMailProgram(0);
    ASSERT_NE(NewNote(QStringLiteral("hi")), nullptr);
    ASSERT_TRUE(MailByMenu());
    const QString strFirst = Arguments().value(4);
    QDir folder = QFileInfo(strFirst).dir();
    ASSERT_TRUE(folder.cdUp());
    ASSERT_TRUE(folder.removeRecursively()); // as a cleaner of /tmp would
    ASSERT_TRUE(MailByMenu());
    EXPECT_TRUE(QFile::exists(Arguments().value(4)));
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());
}

TEST_F(MailSendTest, TypedCharactersTheNoteCannotCarryStopTheMail)
{
    FakeMailProgram(0);
    CMsgOutView* pView = NewNote(QString());
    ASSERT_NE(pView, nullptr);
    pView->Editor().insertPlainText(QStringLiteral("\u4fbf\u7b8b")); // as an input method types
    QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
    ASSERT_NE(pFile, nullptr);
    ASSERT_TRUE(ClickItem(*pFile, QStringLiteral("&Mapi Send...")));
    ASSERT_TRUE(SpinUntil([&] { return !m_prompts.Boxes().isEmpty(); }));
    EXPECT_TRUE(m_prompts.Boxes().first().contains(QStringLiteral("\u4fbf")));
    EXPECT_TRUE(Arguments().isEmpty()); // the mail program was never started
}

TEST_F(MailSendTest, ExitWhileTheMailProgramStillRuns)
{
    FakeMailProgram(0, "sleep 30");
    ASSERT_NE(NewNote(QStringLiteral("hi")), nullptr);
    QPointer<QMenu> pFile = OpenMenuByMouse(QStringLiteral("&File"));
    ASSERT_NE(pFile, nullptr);
    ASSERT_TRUE(ClickItem(*pFile, QStringLiteral("&Mapi Send...")));
    QCoreApplication::processEvents();
    // The program ends at once; the mail program is not waited for.
    m_pApp->OnExit();
    EXPECT_TRUE(m_bFinished);
    m_pApp.reset();
    EXPECT_TRUE(m_prompts.Boxes().isEmpty());
}
