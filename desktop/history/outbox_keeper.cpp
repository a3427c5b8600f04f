#include "desktop/history/outbox_keeper.h"

#include "core/history/history_recorder.h"
#include "core/interfaces/prompts.h"
#include "core/messaging/send_jobs.h"
#include "core/net/net_address.h"
#include "core/settings/app_settings.h"

COutboxKeeper::COutboxKeeper(CAppSettings& settings, IPrompts& prompts, COutboxTuning tuning,
                             QObject* pParent)
    : QObject(pParent), m_settings(settings), m_prompts(prompts), m_tuning(tuning)
{
    connect(&m_settings, &CAppSettings::Changed, this, [this](ESetting eSetting) {
        if (eSetting == ESetting::KeepUndelivered || eSetting == ESetting::GiveUpDays ||
            eSetting == ESetting::IpPort)
            ApplySettings();
    });
}

COutboxKeeper::~COutboxKeeper()
{
    if (m_pJobs && m_pOutbox)
        m_pJobs->SetUndeliveredNotes(nullptr);
}

void COutboxKeeper::Start(CHistoryRecorder* pRecorder, CSendJobs& jobs)
{
    if (!pRecorder)
        return; // the history could not be opened: told already
    m_pJobs = &jobs;
    m_pOutbox = std::make_unique<COutbox>(&pRecorder->Database(), m_tuning);
    m_pOutbox->SetNoteIdOfSend([pRecorder](quint64 nSend) { return pRecorder->NoteIdOf(nSend); });
    connect(m_pOutbox.get(), &COutbox::StoreFailed, this, [this](const QString& strReason) {
        ShowLater(QStringLiteral("The outbox cannot keep what changed: %1.").arg(strReason));
    });
    // The history shows what became of the note: waiting, and then its result.
    connect(m_pOutbox.get(), &COutbox::Queued, pRecorder, &CHistoryRecorder::Changed);
    connect(m_pOutbox.get(), &COutbox::EntryFinished, pRecorder, &CHistoryRecorder::Changed);
    ApplySettings();
    QString strError;
    bool bDamaged = false;
    bool bOpen = m_pOutbox->Open(&strError, &bDamaged);
    // A damaged file goes aside as the history's does: the outbox begins
    // again in the new one (what waited is in the old file, kept aside).
    if (!bOpen && bDamaged && pRecorder->StartAnewDamaged(strError)) {
        bOpen = m_pOutbox->Open(&strError);
    }
    if (!bOpen) {
        ShowLater(QStringLiteral("The outbox cannot be read: %1.").arg(strError));
        m_pOutbox.reset();
        return;
    }
    jobs.SetUndeliveredNotes(m_pOutbox.get());
}

void COutboxKeeper::ApplySettings()
{
    if (!m_pOutbox)
        return;
    m_pOutbox->SetKeepUnasked(m_settings.KeepUndelivered());
    m_pOutbox->SetGiveUpDays(m_settings.GiveUpDays());
    // The note port tried, where an address names none (as the sends do).
    if (const auto nPort = NetAddress::Port(m_settings.IpPort(), NetAddress::EPortUse::Connect))
        m_pOutbox->SetPort(*nPort);
}

void COutboxKeeper::ShowLater(const QString& strText)
{
    QMetaObject::invokeMethod(
        this, [this, strText] { m_prompts.ShowMessage(strText, PromptIcon::Warning); },
        Qt::QueuedConnection);
}
