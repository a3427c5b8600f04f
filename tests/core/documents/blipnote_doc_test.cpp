#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/documents/doc_template.h"
#include "core/documents/doc_view.h"
#include "core/messaging/auto_reply.h"
#include "core/messaging/note_listen_socket.h"
#include "core/messaging/send_jobs.h"
#include "core/notes/note_file.h"
#include "core/notes/tagged_text.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "tests/support/event_log.h"
#include "tests/support/event_loop.h"
#include "tests/support/note_documents_fixture.h"
#include "tests/support/recording_status_sink.h"

#include <QFile>
#include <QPointer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// A view that only holds an editor text and a recipient box.
class CFakeView : public IDocView
{
public:
    QByteArray EditorPlainText() const override { return m_strEditor; }
    QString UnencodableCharacters() const override { return m_strUnencodable; }
    bool IsEdited() const override { return m_bEdited; }
    void SetRecipientText(const QByteArray& strText) override { m_strRecipient = strText; }

    QByteArray m_strEditor;
    QByteArray m_strRecipient;
    QString m_strUnencodable;
    bool m_bEdited = true;
};

class BlipnoteDocTest : public CNoteDocumentsFixture
{
protected:
    BlipnoteDocTest()
    {
        m_settings.SetNickname("me");
        m_system.strComputerName = "MYPC";
        m_system.strLocalAddress = "unknown";
        m_settings.SetUseAutoAdd(true);
        m_docContext.now = [] { return QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)); };
    }

    CBlipnoteDoc* Receive(const QByteArray& strText)
    {
        return m_docs.NewNote(EDocKind::MessageIn, strText);
    }
};

} // namespace

TEST_F(BlipnoteDocTest, TwoTemplatesInOrder)
{
    EXPECT_EQ(m_docs.Template(EDocKind::MessageOut).DocName(), QStringLiteral("MessageOut"));
    EXPECT_EQ(m_docs.Template(EDocKind::MessageIn).DocName(), QStringLiteral("MessageIn"));
    EXPECT_EQ(m_docs.Template(EDocKind::MessageIn).FilterName(),
              QStringLiteral("MessageIn Files (*.bni)"));
    EXPECT_EQ(m_docs.Template(EDocKind::MessageIn).FilterExtension(), QStringLiteral("*.bni"));
    EXPECT_EQ(m_docs.Template(EDocKind::MessageOut).DefaultExtension(), QStringLiteral(".bno"));
    EXPECT_EQ(m_docs.Template(EDocKind::MessageOut).TypeIdentifier(),
              QStringLiteral("MsgOut.Document"));
    EXPECT_EQ(m_docs.Template(EDocKind::MessageIn).TypeName(), QStringLiteral("MsgIn Document"));
}

TEST_F(BlipnoteDocTest, NewDocumentsAreNumberedPerType)
{
    EXPECT_EQ(m_docs.NewNote(EDocKind::MessageOut)->Title(), "MessageOut1");
    EXPECT_EQ(m_docs.NewNote(EDocKind::MessageOut)->Title(), "MessageOut2");
    EXPECT_EQ(m_docs.NewNote(EDocKind::MessageIn)->Title(), "MessageIn1");
    EXPECT_EQ(m_docs.Documents().size(), 3);
}

TEST_F(BlipnoteDocTest, CloseAllClosesEveryDocument)
{
    for (int n = 0; n < 5; ++n)
        m_docs.NewNote(n % 2 ? EDocKind::MessageIn : EDocKind::MessageOut);
    QList<CBlipnoteDoc*> closing;
    QObject::connect(&m_docs, &CDocManager::DocumentClosing,
                     [&closing](CBlipnoteDoc* pDoc) { closing.append(pDoc); });
    const QList<CBlipnoteDoc*> open = m_docs.Documents();
    m_docs.CloseAll();
    EXPECT_EQ(closing, open);
    EXPECT_TRUE(m_docs.Documents().isEmpty());
}

TEST_F(BlipnoteDocTest, FileNewStartsWithTheUsersOwnFields)
{
    CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageOut);
    ASSERT_NE(pDoc, nullptr);
    EXPECT_EQ(pDoc->m_strNickname, "me");
    EXPECT_EQ(pDoc->m_strSystem, "MYPC");
    EXPECT_EQ(pDoc->m_strAddress, "unknown");
    EXPECT_EQ(pDoc->m_strTime, "04.03.26  05:06:07");
    EXPECT_EQ(pDoc->m_strBody, "");
    EXPECT_EQ(pDoc->m_strSubject, "");
    EXPECT_EQ(pDoc->m_nPriority, 0);
    EXPECT_FALSE(pDoc->IsIncoming());
}

TEST_F(BlipnoteDocTest, AReceivedNoteOpensFromThePendingText)
{
    CBlipnoteDoc* pDoc = Receive("  ann /$0Shall we go?/$1PC7/$2Lunch/$31/$4/$510.0.0.5/$6");
    ASSERT_NE(pDoc, nullptr);
    EXPECT_TRUE(pDoc->IsIncoming());
    EXPECT_EQ(pDoc->m_strNickname, "ann");
    EXPECT_EQ(pDoc->m_strBody, "Shall we go?");
    EXPECT_EQ(pDoc->m_strSystem, "PC7");
    EXPECT_EQ(pDoc->m_strSubject, "Lunch");
    EXPECT_EQ(pDoc->Title(), "Lunch");
    EXPECT_EQ(pDoc->m_nPriority, 1);
    EXPECT_EQ(pDoc->m_strAddress, "10.0.0.5");
    EXPECT_EQ(pDoc->m_strTime, "04.03.26  05:06:07");
    // The unknown sender joined the host list.
    EXPECT_EQ(m_hosts.Hosts().Entries(), (QList<CHostEntry>{{"ann", "10.0.0.5", "default"}}));
}

TEST_F(BlipnoteDocTest, DefaultTitlesOfTheSenderAreNotTaken)
{
    EXPECT_EQ(Receive("ann/$0hi/$1PC7/$2MessageOut4/$30/$4/$510.0.0.5/$6")->Title(), "MessageIn1");
    EXPECT_EQ(Receive("ann/$0hi/$1PC7/$2subject/$30/$4/$510.0.0.5/$6")->Title(), "MessageIn2");
    EXPECT_EQ(Receive("plain text/$510.0.0.5/$6")->Title(), "MessageIn3");
}

TEST_F(BlipnoteDocTest, ASenderWithATakenNicknameIsShownNumbered)
{
    m_hosts.Replace({{"ann", "10.0.0.5", "default"}});
    EXPECT_EQ(Receive("ann/$0hi/$1PC/$2T/$30/$4/$510.0.0.6/$6")->m_strNickname, "ann-01");
    EXPECT_EQ(Receive("ann/$0hi/$1PC/$2T/$30/$4/$510.0.0.6/$6")->m_strNickname, "ann-01");
    EXPECT_EQ(m_hosts.Hosts().Count(), 2);
    m_settings.SetUseAutoAdd(false);
    EXPECT_EQ(Receive("bob/$0hi/$1PC/$2T/$30/$4/$510.0.0.7/$6")->m_strNickname, "bob");
    EXPECT_EQ(m_hosts.Hosts().Count(), 2);
}

TEST_F(BlipnoteDocTest, TheAutomaticReplyDoesNotAnswerItself)
{
    CAutoReply& autoReply = m_autoReply;
    int nReplies = 0;
    m_docContext.sendAutoReply = [&](CBlipnoteDoc& incoming) {
        ++nReplies;
        const std::optional<QByteArray> text = autoReply.TakeReplyText(incoming);
        if (!text)
            return;
        CBlipnoteDoc* pReply = m_docs.NewNote(EDocKind::MessageOut, *text,
                                              {.bAddSender = false, .bMayAutoReply = false});
        ASSERT_NE(pReply, nullptr);
        EXPECT_EQ(pReply->m_strNickname, "me");
        EXPECT_EQ(pReply->m_strBody, "Away");
        EXPECT_EQ(pReply->Title(), "Lunch");
    };
    Receive("ann/$0hi/$1PC/$2Lunch/$30/$4/$510.0.0.5/$6");
    EXPECT_EQ(nReplies, 0); // auto-reply is off
    autoReply.Start("Away");
    Receive("ann/$0hi/$1PC/$2Lunch/$30/$4/$510.0.0.5/$6");
    EXPECT_EQ(nReplies, 1);
    // The same sender is answered once; another one is answered too.
    Receive("ann/$0again/$1PC/$2Lunch/$30/$4/$510.0.0.5/$6");
    Receive("bob/$0hi/$1PC/$2Lunch/$30/$4/$510.0.0.6/$6");
    EXPECT_EQ(nReplies, 3);
    EXPECT_EQ(m_docs.Documents().size(), 6); // four notes and the two replies made
}

TEST_F(BlipnoteDocTest, AReplyNeverAddsThePersonAnswered)
{
    CBlipnoteDoc* pReply = m_docs.NewNote(
        EDocKind::MessageOut,
        TaggedText::ComposeWithAddress({"ann", "quoted", "MYPC", "Lunch", 0}, "10.0.0.5"),
        {.bAddSender = false});
    ASSERT_NE(pReply, nullptr);
    EXPECT_EQ(pReply->m_strNickname, "ann");
    EXPECT_EQ(pReply->m_strAddress, "10.0.0.5");
    EXPECT_EQ(m_hosts.Hosts().Count(), 0);
    EXPECT_TRUE(m_settings.UseAutoAdd());
}

TEST_F(BlipnoteDocTest, SavingTakesTheEditorTextAndLoadingNamesTheWindow)
{
    CFakeView view;
    m_docs.Template(EDocKind::MessageOut).SetViewFactory([&view](CBlipnoteDoc&) { return &view; });
    CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageOut);
    ASSERT_EQ(pDoc->FirstView(), &view);
    view.m_strEditor = "typed\r\ntext";
    pDoc->m_nReserved = 77;

    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("draft.bno"));
    QString strError;
    ASSERT_TRUE(pDoc->SaveToFile(strPath, &strError));
    EXPECT_EQ(pDoc->m_strBody, "typed\r\ntext");
    EXPECT_EQ(pDoc->Title(), "draft.bno");

    CBlipnoteDoc* pLoaded = m_docs.OpenDocumentFile(strPath, &strError);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_FALSE(pLoaded->IsIncoming());
    EXPECT_EQ(pLoaded->m_strBody, "typed\r\ntext");
    EXPECT_EQ(pLoaded->m_nReserved, 77);
    EXPECT_EQ(pLoaded->Title(), "draft.bno");
    EXPECT_EQ(pLoaded->PathName(), strPath);

    // A typed character the code page cannot hold stops the save, the file stays.
    view.m_strUnencodable = QStringLiteral("Ж");
    view.m_strEditor = "changed";
    EXPECT_FALSE(pDoc->SaveToFile(strPath, &strError));
    EXPECT_TRUE(strError.contains(QStringLiteral("Ж")));
    EXPECT_EQ(m_docs.OpenDocumentFile(strPath, &strError)->m_strBody, "typed\r\ntext");
    view.m_strUnencodable.clear();

    pDoc->SetRecipientText("Group lab");
    EXPECT_EQ(view.m_strRecipient, "Group lab");
    pDoc->RemoveView(&view);
    m_docs.Template(EDocKind::MessageOut).SetViewFactory({});
}

TEST_F(BlipnoteDocTest, ABadFileOpensNoDocument)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("bad.bni"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x01\x00\x00\x00\xFF\xFF\xFF", 7);
    file.close();
    QString strError;
    EXPECT_EQ(m_docs.OpenDocumentFile(strPath, &strError), nullptr);
    EXPECT_EQ(strError, QStringLiteral("Unexpected file format."));
    EXPECT_TRUE(m_docs.Documents().isEmpty());
}

TEST_F(BlipnoteDocTest, SendsAndClosesWhenDelivered)
{
    CRecordingStatusSink listenSink;
    CNoteListenSocket listener(listenSink);
    ASSERT_TRUE(listener.Open(0, QHostAddress::LocalHost));
    QList<QByteArray> received;
    QObject::connect(&listener, &CNoteListenSocket::NoteReceived,
                     [&](const QByteArray& strText, qint64) { received.append(strText); });

    CEventLog log;
    CSendJobs jobs(log, log);
    m_docContext.pSendJobs = &jobs;
    m_settings.SetIpPort(listener.ServerPort());
    m_settings.SetMultiSend(true);
    m_settings.SetAutoDelete(true);

    QPointer<CBlipnoteDoc> pDoc = m_docs.NewNote(EDocKind::MessageOut);
    pDoc->m_strBody = "hello";
    pDoc->m_strAddress = "127.0.0.1/$0";
    pDoc->StartSendJobs();
    ASSERT_TRUE(SpinUntil([&] { return pDoc.isNull(); }));
    ASSERT_EQ(received.size(), 1);
    EXPECT_TRUE(received[0].startsWith("me/$0hello/$1MYPC/$2MessageOut1/$30/$4"));
    EXPECT_TRUE(m_docs.Documents().isEmpty());
}

TEST_F(BlipnoteDocTest, ATextExportOfARichNoteWritesWhatItShows)
{
    CFakeView view;
    view.m_bEdited = false;
    view.m_strEditor = "Hello in bold";
    m_docs.Template(EDocKind::MessageIn).SetViewFactory([&view](CBlipnoteDoc&) { return &view; });
    const QByteArray strRtf = "{\\rtf1\\ansi {\\b Hello} in bold}";
    CBlipnoteDoc* pDoc = Receive("ann/$0" + strRtf + "/$1PC/$2T/$30/$4/$510.0.0.5/$6");
    ASSERT_NE(pDoc, nullptr);

    QTemporaryDir dir;
    const QString strText = dir.filePath(QStringLiteral("note.txt"));
    const QString strNote = dir.filePath(QStringLiteral("note.bni"));
    QString strError;
    ASSERT_TRUE(pDoc->SaveCopyToFile(strText, &strError));
    ASSERT_TRUE(pDoc->SaveCopyToFile(strNote, &strError));
    QFile text(strText);
    ASSERT_TRUE(text.open(QIODevice::ReadOnly));
    const QByteArray strWritten = text.readAll();
    EXPECT_TRUE(strWritten.endsWith("Hello in bold")) << strWritten.constData();
    EXPECT_FALSE(strWritten.contains("rtf1"));
    // The note and its own file keep the bytes it came with.
    EXPECT_EQ(pDoc->m_strBody, strRtf);
    EXPECT_EQ(m_docs.OpenDocumentFile(strNote, &strError)->m_strBody, strRtf);
}

TEST_F(BlipnoteDocTest, AFileNameTheCodePageCannotHoldLeavesTheTitle)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("Привет.bno"));
    CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageOut);
    QString strError;
    ASSERT_TRUE(pDoc->SaveToFile(strPath, &strError));
    EXPECT_EQ(pDoc->Title(), "MessageOut1");
    EXPECT_EQ(pDoc->m_strSubject, "");
    CBlipnoteDoc* pLoaded = m_docs.OpenDocumentFile(strPath, &strError);
    ASSERT_NE(pLoaded, nullptr);
    EXPECT_EQ(pLoaded->Title(), "MessageOut2");
    // Only the characters that could not be kept would have been lost: a name
    // the code page holds is the title, accents and all.
    const QString strKept = dir.filePath(QStringLiteral("Café €5.bno"));
    ASSERT_TRUE(pDoc->SaveToFile(strKept, &strError));
    EXPECT_EQ(pDoc->Title(), "Caf\xE9 \x80"
                             "5.bno");
}
