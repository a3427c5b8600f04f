#include "desktop/alerts/note_notifier.h"

#include "core/documents/blipnote_doc.h"
#include "core/notes/tagged_text.h"
#include "core/settings/app_settings.h"
#include "core/text/editor_text.h"
#include "core/text/rtf_reader.h"
#include "desktop/alerts/unread_notes.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QPointer>
#include <QSet>

#include <algorithm>

CNoteNotifier::CNoteNotifier(CUnreadNotes& unread, CNotificationService& service,
                             const CAppSettings& settings, QObject* pParent)
    : QObject(pParent), m_unread(unread), m_service(service), m_settings(settings)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &CNoteNotifier::Flush);
    connect(&m_unread, &CUnreadNotes::Added, this, &CNoteNotifier::OnAdded);
    connect(&m_unread, &CUnreadNotes::Read, this, &CNoteNotifier::OnRead);
    connect(&m_service, &CNotificationService::ActionInvoked, this, &CNoteNotifier::OnAction);
    connect(&m_service, &CNotificationService::Closed, this, &CNoteNotifier::OnClosed);
    connect(&m_service, &CNotificationService::ServiceChanged, this,
            &CNoteNotifier::OnServiceChanged);
    connect(&m_settings, &CAppSettings::Changed, this, [this](ESetting eSetting) {
        if (eSetting == ESetting::UseNotifications)
            OnOptionChanged();
    });
}

void CNoteNotifier::OnAdded(CBlipnoteDoc* pDoc)
{
    if (!m_settings.UseNotifications() || !m_service.IsConnected())
        return;
    m_pending.append(pDoc);
    Schedule();
}

void CNoteNotifier::OnRead(CBlipnoteDoc* pDoc)
{
    m_pending.removeOne(pDoc);
    if (m_told.removeOne(pDoc) && m_told.isEmpty())
        Withdraw();
}

void CNoteNotifier::OnOptionChanged()
{
    if (m_settings.UseNotifications())
        return;
    m_pending.clear();
    m_told.clear();
    m_timer.stop();
    Withdraw();
}

void CNoteNotifier::Withdraw()
{
    m_service.Close(m_nId);
    m_nId = 0;
}

void CNoteNotifier::Schedule()
{
    if (m_bCalling || m_timer.isActive() || m_pending.isEmpty())
        return;
    std::chrono::milliseconds wait = SettleTime;
    if (m_sinceLast.isValid())
        wait = std::max(wait, Gap - std::chrono::milliseconds(m_sinceLast.elapsed()));
    m_timer.start(wait);
}

void CNoteNotifier::Flush()
{
    if (m_pending.isEmpty())
        return;
    // A notification the user closed is not brought back: only new notes
    // make a new one.
    m_told.append(m_pending);
    m_pending.clear();
    m_bCalling = true;
    m_sinceLast.start();
    const QPointer<CNoteNotifier> pThis(this);
    m_service.Notify(m_nId, Compose(), [pThis](quint32 nId) {
        if (!pThis)
            return;
        pThis->m_bCalling = false;
        pThis->m_nId = nId;
        // Seen while the service was being asked.
        if (pThis->m_told.isEmpty())
            pThis->Withdraw();
        pThis->Schedule();
    });
}

CNotificationService::CNotification CNoteNotifier::Compose() const
{
    CNotificationService::CNotification notification;
    notification.bCritical = std::any_of(m_told.cbegin(), m_told.cend(),
                                         [](const CBlipnoteDoc* p) { return p->m_nPriority != 0; });
    if (m_told.size() == 1) {
        const CBlipnoteDoc& doc = *m_told.constFirst();
        notification.strSummary = CUnreadNotes::SenderOf(doc);
        if (const CNoteView* pView = NoteViewOf(doc))
            notification.strBody = BodyOf(pView->Editor().toPlainText());
        notification.actions = {QStringLiteral("default"), QStringLiteral("Open"),
                                QStringLiteral("reply"), QStringLiteral("Reply")};
        return notification;
    }
    QSet<QByteArray> hosts;
    QSet<QString> senders;
    for (const CBlipnoteDoc* pDoc : m_told) {
        hosts.insert(pDoc->m_strAddress);
        senders.insert(CUnreadNotes::SenderOf(*pDoc));
    }
    // From one sender, from one address (several nicknames), or from several.
    QString strFrom = QStringLiteral("%1 hosts").arg(hosts.size());
    if (senders.size() == 1)
        strFrom = *senders.cbegin();
    else if (hosts.size() == 1)
        strFrom = CUnreadNotes::SenderOf(QByteArray(), *hosts.cbegin());
    notification.strSummary =
        QStringLiteral("%1 new notes from %2").arg(m_told.size()).arg(strFrom);
    notification.strBody = CUnreadNotes::NamesOf(m_told);
    notification.actions = {QStringLiteral("default"), QStringLiteral("Open")};
    return notification;
}

QString CNoteNotifier::BodyOf(const QString& strShownText)
{
    // Looked at no further than a body can show.
    QString strText = strShownText.left(BodyLength * 2);
    for (QChar& c : strText) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
        else if (c != u'\n' &&
                 (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format))
            c = u' ';
    }
    QStringList lines = strText.split(u'\n');
    while (!lines.isEmpty() && lines.constFirst().trimmed().isEmpty())
        lines.removeFirst();
    if (lines.size() > BodyLines)
        lines.resize(BodyLines);
    strText = lines.join(u'\n').trimmed();
    if (strText.size() > BodyLength)
        strText = strText.left(BodyLength - 1) + QChar(0x2026);
    return strText;
}

void CNoteNotifier::OnAction(quint32 nId, const QString& strKey)
{
    if (nId != 0 && nId == m_nPriorityId) {
        m_unread.ShowNote(nullptr); // the window, with the alert box over it
        return;
    }
    if (nId == 0 || nId != m_nId)
        return;
    CBlipnoteDoc* pDoc = m_told.size() == 1 ? m_told.constFirst() : nullptr;
    m_unread.ShowNote(pDoc);
    if (strKey == QStringLiteral("reply") && pDoc) {
        // Its answer, which quotes it, takes the front.
        m_unread.MarkRead(pDoc);
        if (auto* pView = qobject_cast<CMsgInView*>(NoteViewOf(*pDoc)))
            pView->Reply();
    }
}

void CNoteNotifier::OnClosed(quint32 nId, bool bExpired)
{
    // While a replacement is on its way, it is what will be shown.
    if (nId == 0 || nId != m_nId || m_bCalling)
        return;
    m_nId = 0;
    // Dismissed, its notes are not told of again; gone by its time, they are
    // counted in the next one.
    if (!bExpired)
        m_told.clear();
}

void CNoteNotifier::OnServiceChanged()
{
    // The new service numbers its notifications afresh: ours are gone with
    // the old one, and their numbers may name another program's. The notes
    // they told of are counted in the next.
    m_nId = 0;
    m_nPriorityId = 0;
}

void CNoteNotifier::OnPriorityAlertShown(const QByteArray& strText)
{
    if (!m_settings.UseNotifications() || !m_service.IsConnected())
        return;
    m_bPriorityBoxOpen = true;
    const TaggedText::CParsedNoteView note = TaggedText::ParseView(strText);
    // No more of a long note is read than a body can show.
    const QByteArray strBody =
        note.body.first(std::min<qsizetype>(note.body.size(), 64 * 1024)).toByteArray();
    CNotificationService::CNotification notification;
    notification.strSummary =
        CUnreadNotes::SenderOf(note.nickname.toByteArray(), note.address.toByteArray());
    notification.strBody = BodyOf(RtfReader::IsRtf(strBody) ? RtfReader::Read(strBody).PlainText()
                                                            : EditorText::FromNote(strBody));
    notification.bCritical = true;
    notification.actions = {QStringLiteral("default"), QStringLiteral("Open")};
    const QPointer<CNoteNotifier> pThis(this);
    m_service.Notify(0, notification, [pThis](quint32 nId) {
        if (!pThis)
            return;
        if (pThis->m_bPriorityBoxOpen)
            pThis->m_nPriorityId = nId;
        else
            pThis->m_service.Close(nId); // answered meanwhile
    });
}

void CNoteNotifier::OnPriorityAlertAnswered()
{
    // The user is at the screen: the note opens in front of them.
    m_bPriorityBoxOpen = false;
    m_service.Close(m_nPriorityId);
    m_nPriorityId = 0;
}
