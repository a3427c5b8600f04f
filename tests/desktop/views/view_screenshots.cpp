// Renders the note windows, the Seeker and the setup sheet as a person sees them, for the pictures
// in docs/:
//   QT_QPA_PLATFORM=offscreen build/tests/view_screenshots docs
//   QT_QPA_PLATFORM=offscreen build/tests/view_screenshots docs --dark
// A tool, not a test: it writes the pictures into the folder it is given (the
// working folder when none is) and says which it wrote. With --dark it shows
// the note windows in the Fusion style with a dark palette, as on a dark
// desktop theme, in pictures whose names end in "_dark".
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/finger/seek_row.h"
#include "core/history/history_recorder.h"
#include "core/history/history_store.h"
#include "core/hosts/host_book.h"
#include "core/interfaces/sound_player.h"
#include "core/messaging/auto_reply.h"
#include "core/notes/tagged_text.h"
#include "core/outbox/outbox.h"
#include "core/presence/host_presence.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
#include "desktop/app/autostart_entry.h"
#include "desktop/finger/seek_rows_model.h"
#include "desktop/finger/seeker_dlg.h"
#include "desktop/history/history_window.h"
#include "desktop/history/outbox_window.h"
#include "desktop/presence/presence_texts.h"
#include "desktop/setup/host_range_dlg.h"
#include "desktop/setup/host_rows_model.h"
#include "desktop/setup/page_hosts.h"
#include "desktop/setup/page_network.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/dialog_font_chooser.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/view_context.h"
#include "tests/support/event_log.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>

namespace {

class CScreenshots
{
public:
    CScreenshots(const QString& strFolder, const QString& strSuffix)
        : m_folder(strFolder), m_strSuffix(strSuffix)
    {
        m_docContext.Wire(m_settings, m_system, m_hosts, m_autoReply);
        m_hosts.Replace({{"ann", "10.0.0.5", "office"},
                         {"bob", "10.0.0.6", "office"},
                         {"carol", "10.0.0.7", "lab"}});
        // Who is up, as the program learns it (made here: nothing is announced
        // or sent): ann's copy announced, a note from bob at 11:52, carol's
        // copy gone at 10:31, and dee's copy found but not in the list.
        QDateTime now(QDate::currentDate(), QTime(10, 31));
        m_presence.SetClock([&now] { return now; });
        const auto Copy = [](const char* pszNickname, const char* pszAddress) {
            return CPresencePeer{QString::fromLatin1(pszNickname) + QStringLiteral(" on desk"),
                                 QString::fromLatin1(pszAddress), 7777,
                                 CPresenceRecord{QString::fromLatin1(pszNickname),
                                                 QStringLiteral("desk"), QStringLiteral("2.11")},
                                 false};
        };
        m_presence.PeerAppeared(Copy("carol", "10.0.0.7"));
        m_presence.PeerGone(Copy("carol", "10.0.0.7"));
        now.setTime(QTime(11, 52));
        m_presence.SeenAt("10.0.0.6");
        now.setTime(QTime(12, 4));
        m_presence.PeerAppeared(Copy("ann", "10.0.0.5"));
        m_presence.PeerAppeared(Copy("dee", "10.0.0.12"));
        m_presence.SetClock({});
        m_viewContext.pPresenceTexts = &m_presenceTexts;
    }

    // The recipient box's list open, with who is up beside each choice.
    bool PresenceRecipients()
    {
        CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageOut);
        CMsgOutView view(*pDoc, m_viewContext);
        view.resize(560, 300);
        view.show();
        view.RecipientBox().showPopup();
        QWidget* pPopup = view.RecipientBox().view()->window();
        QTest::qWait(50);
        const QPixmap note = view.grab();
        const QPixmap list = pPopup->grab();
        QPixmap picture(std::max(note.width(), list.width() + 20),
                        std::max(note.height(), list.height() + 40));
        picture.fill(view.palette().color(QPalette::Window));
        QPainter painter(&picture);
        painter.drawPixmap(0, 0, note);
        const QPoint at = view.RecipientBox().mapTo(&view, QPoint(0, view.RecipientBox().height()));
        painter.drawPixmap(at, list);
        painter.end();
        view.RecipientBox().hidePopup();
        const QString strPath = m_folder.filePath(QStringLiteral("presence_recipients") +
                                                  m_strSuffix + QStringLiteral(".png"));
        if (!picture.save(strPath))
            return false;
        std::printf("%s\n", qUtf8Printable(strPath));
        return true;
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
        CSeekerDlg seeker(m_settings, m_hosts.Hosts(), m_prompts, [](const QByteArray&) {});
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

    // The History window over a few days of notes, as listed and as searched.
    bool HistoryWindow()
    {
        const QTemporaryDir folder;
        CHistoryRecorder history(folder.filePath(QStringLiteral("history.db")));
        if (!history.Open(nullptr))
            return false;
        CHistoryStore& store = history.Store();
        const qint64 nStart = QDateTime(QDate(2026, 12, 7), QTime(9, 12)).toMSecsSinceEpoch();
        struct CSample
        {
            int nMinutes;
            const char* pszNickname;
            const char* pszFrom;
            const char* pszBody;
        };
        // Kept in the order they came, as the program keeps them; a sent note
        // is from ann, to the addresses it names.
        const CSample notes[] = {
            {0, "ann", "10.0.0.5",
             "Shall we go for lunch at noon?\r\nThe new place on the corner."},
            {5, nullptr, "10.0.0.5", "Yes, lunch at noon is fine."},
            {47, "bob", "10.0.0.7", "Build 4711 is green, the release can go out."},
            {180, "carol", "10.0.0.9", "Printer on the 4th floor is out of toner again"},
            {1440, "ann", "10.0.0.5", "Lunch today? I'll book a table for four."},
            {1445, nullptr, "10.0.0.5 10.0.0.7 10.0.0.9",
             "Lunch at 12:30 for whoever wants to come."},
            {1500, "dave", "10.0.0.12", "Meeting moved to 3 pm, room 4.12"},
        };
        for (const CSample& sample : notes) {
            const qint64 nTime = nStart + sample.nMinutes * 60000;
            if (sample.pszNickname) {
                const QByteArray strText = TaggedText::ComposeWithAddress(
                    {sample.pszNickname, sample.pszBody, "PC", "", 0}, sample.pszFrom);
                store.RecordReceived(strText, strText.size(), nTime, nullptr);
                continue;
            }
            const QByteArray strText = TaggedText::Compose({"ann", sample.pszBody, "PC", "", 0});
            CHistoryNote note = CHistoryStore::NoteOfText(strText);
            note.nTime = nTime;
            note.eDirection = EHistoryDirection::Out;
            const QList<QByteArray> addresses = QByteArray(sample.pszFrom).split(' ');
            note.strHost = addresses.join(", ");
            // The last of several did not answer.
            for (const QByteArray& strAddress : addresses)
                note.recipients.push_back({strAddress,
                                           &strAddress == &addresses.last() && addresses.size() > 1
                                               ? ERecipientResult::Failed
                                               : ERecipientResult::Delivered,
                                           strText.size(), strText.size()});
            store.RecordSent(note, nullptr);
        }
        CHistoryWindow window(history, m_docs, m_prompts);
        window.resize(760, 300);
        window.show();
        window.List().selectRow(1);
        if (!Save(window, "history", false))
            return false;
        QTest::keyClicks(&window.SearchBox(), QStringLiteral("lunch"));
        QTest::qWait(CHistoryWindow::TypingPause * 2);
        window.List().selectRow(0);
        return Save(window, "history_search", false);
    }

    // The Outbox window with a few notes waiting (kept in memory and due in
    // an hour: nothing is sent while the picture is taken).
    bool OutboxWindow()
    {
        COutbox outbox(nullptr, {.firstGap = std::chrono::hours(1)});
        const QString strReason = QStringLiteral("Error during Send !\n\nCannot connect to %1");
        const struct
        {
            QByteArray strTo;
            QByteArray strBody;
        } notes[] = {{"10.0.0.6", "Lunch at noon? The new place on the corner."},
                     {"10.0.0.7", "The printer on the second floor is fixed."},
                     {"carol-pc", "Meeting moved to 3 pm."}};
        for (const auto& note : notes)
            outbox.Queue(0, 0, note.strTo, TaggedText::Compose({"ann", note.strBody, "PC7", "", 0}),
                         strReason.arg(QString::fromLatin1(note.strTo)));
        COutboxWindow window(outbox, m_prompts);
        window.resize(1000, 260);
        window.show();
        window.List().selectRow(0);
        return Save(window, "outbox", false);
    }

    // The setup sheet on each of its pages, and the range dialog filled in.
    bool SetupSheet()
    {
        m_settings.SetEnvironment({SystemInfo::UserName(), true});
        const QList<CHostEntry> hosts = m_hosts.Hosts().Entries();
        m_settings.Load();
        m_hosts.Replace(hosts + QList<CHostEntry>{{"", "10.0.0.8", "lab"},
                                                  {"erin", "", "lab"},
                                                  {"frank", "10.0.0.9", "default"}});
        m_settings.SetNickname("ann");
        m_settings.SetSignature("-- \r\nAnn Example, room 4.12");
        m_settings.SetSoundFile("/usr/share/sounds/blipnote/ding.wav");
        CDialogFontChooser fonts;
        const QTemporaryDir autostart;
        const CAutostartEntry loginStart(QStringLiteral("blipnote"), autostart.path());
        CPSheetSetup sheet(
            {m_settings, m_hosts, m_system, true, m_prompts, m_silence, fonts,
             [](QObject*, std::function<void(const QByteArray&)> done) { done("127.0.0.1"); },
             &loginStart, &m_presence},
            nullptr);
        sheet.resize(640, 500);
        sheet.show();
        if (!Save(sheet, "setup_preferences", false))
            return false;
        sheet.Tabs().setCurrentIndex(1);
        auto* pHosts = static_cast<CPageHosts*>(sheet.Page(1));
        // Bob's row clicked: it shows in the boxes above the list.
        const QRect bob = pHosts->List().visualRect(pHosts->Rows().index(1, 1));
        QTest::mouseClick(pHosts->List().viewport(), Qt::LeftButton, {}, bob.center());
        if (!Save(sheet, "setup_hosts", false))
            return false;
        m_settings.SetPlan("Back from lunch at two.\nAsk for Ann in room 4.12.");
        sheet.Tabs().setCurrentIndex(2);
        static_cast<CPageNetwork*>(sheet.Page(2))->OnGetAddress();
        const char* const names[] = {"setup_network", "setup_finger", "setup_styles"};
        for (int n = 2; n < 5; ++n) {
            sheet.Tabs().setCurrentIndex(n);
            if (!Save(sheet, names[n - 2], false))
                return false;
        }
        CHostRangeDlg range(nullptr);
        const char* const octets[] = {"10", "0", "0", "250", "255"};
        for (int n = 0; n < 5; ++n)
            range.Octet(n).setText(QString::fromLatin1(octets[n]));
        range.GroupEdit().setText(QStringLiteral("lab"));
        range.show();
        return Save(range, "setup_host_range", false);
    }

private:
    CBlipnoteDoc& Incoming(const QByteArray& strText)
    {
        CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageIn, strText);
        pDoc->m_strTime = "07.12.26  12:04:31";
        return *pDoc;
    }

    bool Save(QWidget& view, const char* pszName, bool bResize = true)
    {
        if (bResize)
            view.resize(560, 300);
        view.show();
        const QString strPath =
            m_folder.filePath(QString::fromLatin1(pszName) + m_strSuffix + QStringLiteral(".png"));
        if (!view.grab().save(strPath))
            return false;
        std::printf("%s\n", qUtf8Printable(strPath));
        return true;
    }

    QDir m_folder;
    QString m_strSuffix;
    CMemorySettingsStore m_store;
    SystemInfo::CSystemInfo m_system;
    CAppSettings m_settings{m_store};
    CHostBook m_hosts{m_store};
    CAutoReply m_autoReply{m_settings, m_system};
    CDocContext m_docContext;
    CDocManager m_docs{m_docContext};
    CEventLog m_prompts;
    struct CSilence : ISoundPlayer
    {
        void Play(const QString&) override {}
    } m_silence;
    CViewContext m_viewContext{m_settings, m_hosts, m_docContext, m_docs, m_prompts, m_autoReply};
    CHostPresence m_presence;
    CPresenceTexts m_presenceTexts{m_hosts.Hosts(), m_presence};
};

// A dark palette as dark desktop themes give one.
QPalette DarkPalette()
{
    QPalette palette;
    const QColor window(0x2B, 0x2B, 0x2B);
    const QColor base(0x1E, 0x1E, 0x1E);
    const QColor text(0xE6, 0xE6, 0xE6);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::Highlight, QColor(0x3D, 0x6E, 0xB4));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    return palette;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString strFolder = app.arguments().value(1, QStringLiteral("."));
    if (!QDir().mkpath(strFolder))
        return 1;
    if (app.arguments().contains(QStringLiteral("--dark"))) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(DarkPalette());
        CScreenshots screenshots(strFolder, QStringLiteral("_dark"));
        return screenshots.ComposeView() && screenshots.IncomingViews() ? 0 : 1;
    }
    CScreenshots screenshots(strFolder, {});
    return screenshots.ComposeView() && screenshots.IncomingViews() && screenshots.SeekerWindow() &&
                   screenshots.HistoryWindow() && screenshots.OutboxWindow() &&
                   screenshots.PresenceRecipients() && screenshots.SetupSheet()
               ? 0
               : 1;
}
