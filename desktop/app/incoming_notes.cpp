#include "desktop/app/incoming_notes.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/hosts/host_list.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/messaging/auto_reply.h"
#include "core/messaging/note_listen_socket.h"
#include "core/notes/recipient_list.h"
#include "core/notes/tagged_text.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/tray_icon_interface.h"
#include "desktop/views/note_view.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QApplication>

namespace {
// Notes received and waiting to be opened, beyond which the note server takes
// no new connections until the window catches up.
constexpr std::size_t kMaxWaiting = 256;
constexpr qsizetype kMaxWaitingBytes = 32 * 1024 * 1024;
} // namespace

CIncomingNotes::CIncomingNotes(CAppSettings& settings, const CHostList& hosts,
                               CAutoReply& autoReply, CDocManager& documents, CMainFrame& mainFrame,
                               ITrayIcon& tray, IPrompts& prompts, ISoundPlayer& sound,
                               QObject* pParent)
    : QObject(pParent), m_settings(settings), m_hosts(hosts), m_autoReply(autoReply),
      m_documents(documents), m_mainFrame(mainFrame), m_tray(tray), m_prompts(prompts),
      m_sound(sound)
{
    // A closed note may make room for one that waits.
    connect(&m_documents, &CDocManager::DocumentClosing, this, [this] {
        QMetaObject::invokeMethod(this, &CIncomingNotes::OpenNext, Qt::QueuedConnection);
    });
}

void CIncomingNotes::Attach(CNoteListenSocket& server)
{
    m_pServer = &server;
    connect(&server, &CNoteListenSocket::ConnectionArrived, this,
            &CIncomingNotes::OnConnectionArrived);
    connect(&server, &CNoteListenSocket::NoteReceived, this,
            [this](const QByteArray& strText, qint64) { OnNoteReceived(strText); });
    connect(&server, &CNoteListenSocket::ServingStarted, this, &CIncomingNotes::ShowServing);
    connect(&server, &CNoteListenSocket::ServingFinished, this, &CIncomingNotes::ShowServing);
}

CIncomingNotes::~CIncomingNotes()
{
    if (m_bBusyCursor)
        QApplication::restoreOverrideCursor();
}

void CIncomingNotes::ShowServing()
{
    // The pointer says a note is coming in; the windows stay usable meanwhile,
    // as the server reads alongside them.
    const bool bBusy = m_pServer && m_pServer->ServedConnections() > 0;
    if (bBusy == m_bBusyCursor)
        return;
    m_bBusyCursor = bBusy;
    if (bBusy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void CIncomingNotes::OnConnectionArrived()
{
    if (m_settings.UseSound())
        m_sound.Play(CodePage::ToUnicode(m_settings.SoundFile()));
}

void CIncomingNotes::OnNoteReceived(const QByteArray& strText)
{
    m_waiting.push_back(strText);
    m_nWaitingBytes += strText.size();
    UpdateHoldBack();
    if (!m_bOpening)
        QMetaObject::invokeMethod(this, &CIncomingNotes::OpenNext, Qt::QueuedConnection);
}

bool CIncomingNotes::WindowsFull() const
{
    if (m_documents.Documents().size() >= m_nMaxOpenNotes)
        return true;
    // What open notes cost depends on their paragraphs, not only their number.
    qsizetype nParagraphs = 0;
    for (const CBlipnoteDoc* pDoc : m_documents.Documents()) {
        if (const CNoteView* pView = NoteViewOf(*pDoc))
            nParagraphs += pView->Editor().document()->blockCount();
    }
    return nParagraphs >= m_nMaxOpenParagraphs;
}

void CIncomingNotes::UpdateHoldBack()
{
    // While many notes wait, or no more windows may open, new connections wait
    // unread: their senders learn honestly, when their time is up, that nothing
    // was taken.
    if (m_pServer)
        m_pServer->SetAcceptPaused(m_waiting.size() >= kMaxWaiting ||
                                   m_nWaitingBytes >= kMaxWaitingBytes || WindowsFull());
}

void CIncomingNotes::OpenNext()
{
    UpdateHoldBack();
    if (m_bOpening || m_waiting.empty() || WindowsFull())
        return;
    m_bOpening = true; // the alert box below runs an event loop of its own
    const QByteArray strText = m_waiting.front();
    m_waiting.pop_front();
    m_nWaitingBytes -= strText.size();
    UpdateHoldBack();
    AnnounceNote(strText);
    m_bOpening = false;
    if (!m_waiting.empty())
        QMetaObject::invokeMethod(this, &CIncomingNotes::OpenNext, Qt::QueuedConnection);
}

void CIncomingNotes::AnnounceNote(const QByteArray& strText)
{
    if (m_settings.UsePopUp()) {
        m_mainFrame.ShowAndRestore();
    } else {
        m_tray.SetIcon(ITrayIcon::EIcon::NewMail);
        m_tray.SetTip(QStringLiteral("You have new mail"));
    }
    if (m_settings.UsePriority() && TaggedText::AlertPriority(strText) != 0) {
        m_mainFrame.ShowAndRestore();
        m_mainFrame.CenterOnScreen();
        QApplication::alert(&m_mainFrame);
        Q_EMIT PriorityAlertShown(strText);
        m_prompts.ShowMessage(PriorityAlertText(), PromptIcon::Warning);
        Q_EMIT PriorityAlertAnswered();
    }
    if (CBlipnoteDoc* pDoc = m_documents.NewNote(EDocKind::MessageIn, strText))
        Q_EMIT NoteOpened(pDoc);
    // Said once a run, after the first sender the full host list refused.
    if (!m_bHostListFullShown && m_hosts.RefusedSenders() > 0) {
        m_bHostListFullShown = true;
        m_mainFrame.ShowStatusNote(HostListFullText());
    }
}

QString CIncomingNotes::PriorityAlertText()
{
    return QStringLiteral("You have received \na High-Priority message !");
}

QString CIncomingNotes::HostListFullText()
{
    return QStringLiteral("Host list full: new senders are not added");
}

void CIncomingNotes::SendAutoReply(CBlipnoteDoc& incoming)
{
    const std::optional<QByteArray> text = m_autoReply.TakeReplyText(incoming);
    if (!text)
        return;
    // Our own note: no sender to add, and never answered itself.
    CBlipnoteDoc* pReply = m_documents.NewNote(EDocKind::MessageOut, *text,
                                               {.bAddSender = false, .bMayAutoReply = false});
    if (!pReply)
        return;
    pReply->m_strAddress = RecipientList::Compose({incoming.m_strAddress});
    // Left open (without "AutoDelete"), its window must not pass for a note of
    // the user's own.
    pReply->MarkAutomaticAnswer();
    pReply->StartSendJobs();
}
