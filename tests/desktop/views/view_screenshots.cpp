// Renders the note windows and the Seeker as a person sees them, for the pictures in docs/:
//   QT_QPA_PLATFORM=offscreen build/tests/view_screenshots docs
// A tool, not a test: it writes the pictures into the folder it is given (the
// working folder when none is) and says which it wrote.
#include "core/finger/seek_row.h"
#include "core/messaging/auto_reply.h"
#include "core/messaging/blipnote_doc.h"
#include "core/messaging/doc_context.h"
#include "core/messaging/doc_manager.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/finger/seek_rows_model.h"
#include "desktop/finger/seeker_dlg.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/view_context.h"
#include "tests/support/event_log.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

class CScreenshots
{
public:
    explicit CScreenshots(const QString& strFolder) : m_folder(strFolder)
    {
        m_settings.m_nNoteSizeLimit = 110000;
        m_settings.m_hosts.Replace({{"ann", "10.0.0.5", "office"},
                                    {"bob", "10.0.0.6", "office"},
                                    {"carol", "10.0.0.7", "lab"}});
    }

    bool ComposeView()
    {
        CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageOut);
        pDoc->m_strNickname = "bob";
        pDoc->m_strBody = "Hi Bob,\r\n\r\nshall we go for lunch at noon? The new place on the "
                          "corner has a table by the window.\r\n\r\n-- ann";
        pDoc->m_nSendState = 1;
        CMsgOutView view(*pDoc, m_viewContext);
        return Save(view, "compose_view");
    }

    bool IncomingViews()
    {
        CMsgInView plain(Incoming("ann/$0Hi Bob,\r\n\r\nshall we go for lunch at noon?\r\n\r\n-- "
                                  "ann/$1PC7/$2Lunch/$30/$4/$510.0.0.5/$6"),
                         m_viewContext);
        QFile rich(QStringLiteral(BLIPNOTE_TEST_DATA_DIR "/libreoffice_formats.rtf"));
        if (!rich.open(QIODevice::ReadOnly))
            return false;
        CMsgInView formatted(
            Incoming("carol/$0" + rich.readAll() + "/$1LAB-2/$2Formats/$30/$4/$510.0.0.7/$6"),
            m_viewContext);
        CMsgInView urgent(Incoming("bob/$0The server room is flooding - please come at "
                                   "once!/$1DESK-4/$2Urgent/$31/$4/$510.0.0.6/$6"),
                          m_viewContext);
        return Save(plain, "incoming_plain") && Save(formatted, "incoming_rich") &&
               Save(urgent, "incoming_priority");
    }

    // The Seeker with a row of each kind, as probes of loopback addresses leave
    // them (the rows are made here: nothing is fingered).
    bool SeekerWindow()
    {
        CSeekerDlg seeker(m_settings, m_prompts, [](const QByteArray&) {});
        using std::chrono::milliseconds;
        const QByteArray strReply = "\nSystem:    lab-pc\nPlatform:  Linux 6.1 x86_64\n"
                                    "User:      ann\nUptime:    0 Days  4 Hours  12 Minutes  "
                                    "5 Seconds\nLocaltime: Mon 7 Dec 2026  12:30:05\n";
        seeker.Rows().Append(
            SeekRow::Make({"127.0.0.1", "ann,annie"}, false, milliseconds(3), strReply));
        seeker.Rows().Append(
            SeekRow::Make({"127.0.0.2", "bob"}, false, milliseconds(2), "Login: bob\nUser: bob\n"));
        seeker.Rows().Append(SeekRow::Make({"127.0.0.3", "carol"}, true, milliseconds(1), ""));
        seeker.Rows().Append(SeekRow::Make({"127.0.0.4", "dave"}, true, milliseconds(10000), ""));
        seeker.Rows().Flush();
        seeker.resize(640, 300);
        seeker.show();
        const QString strPath = m_folder.filePath(QStringLiteral("seeker.png"));
        if (!seeker.grab().save(strPath))
            return false;
        std::printf("%s\n", qUtf8Printable(strPath));
        return true;
    }

private:
    CBlipnoteDoc& Incoming(const QByteArray& strText)
    {
        CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageIn, strText);
        pDoc->m_strTime = "07.12.26  12:04:31";
        return *pDoc;
    }

    bool Save(QWidget& view, const char* pszName)
    {
        view.resize(560, 300);
        view.show();
        const QString strPath =
            m_folder.filePath(QString::fromLatin1(pszName) + QStringLiteral(".png"));
        if (!view.grab().save(strPath))
            return false;
        std::printf("%s\n", qUtf8Printable(strPath));
        return true;
    }

    QDir m_folder;
    CMemorySettingsStore m_store;
    CAppSettings m_settings{m_store};
    CDocContext m_docContext{m_settings};
    CDocManager m_docs{m_docContext};
    CEventLog m_prompts;
    CAutoReply m_autoReply{m_settings};
    CViewContext m_viewContext{m_docContext, m_docs, m_prompts, m_autoReply};
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString strFolder = app.arguments().value(1, QStringLiteral("."));
    if (!QDir().mkpath(strFolder))
        return 1;
    CScreenshots screenshots(strFolder);
    return screenshots.ComposeView() && screenshots.IncomingViews() && screenshots.SeekerWindow()
               ? 0
               : 1;
}
