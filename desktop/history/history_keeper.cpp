#include "desktop/history/history_keeper.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/history/history_recorder.h"
#include "core/interfaces/prompts.h"
#include "core/messaging/note_listen_socket.h"
#include "core/settings/app_settings.h"

CHistoryKeeper::CHistoryKeeper(CAppSettings& settings, IPrompts& prompts, const QString& strPath,
                               QObject* pParent)
    : QObject(pParent), m_settings(settings), m_prompts(prompts)
{
    if (strPath.isEmpty())
        return;
    m_pRecorder = std::make_unique<CHistoryRecorder>(strPath);
    connect(m_pRecorder.get(), &CHistoryRecorder::Notice, this, &CHistoryKeeper::ShowLater);
    connect(m_pRecorder.get(), &CHistoryRecorder::RecordingFailed, this,
            [this](const QString& strText) {
                ShowLater(strText +
                          QStringLiteral("\n\nNotes still arrive and are shown; save those "
                                         "you want to keep."));
            });
    connect(&m_settings, &CAppSettings::Changed, this, [this](ESetting eSetting) {
        if (eSetting == ESetting::KeepNotes || eSetting == ESetting::KeepDays ||
            eSetting == ESetting::HistoryMegabytes)
            ApplySettings();
    });
}

CHistoryKeeper::~CHistoryKeeper() = default;

CHistoryRecorder* CHistoryKeeper::Recorder() const
{
    return m_pRecorder && m_pRecorder->IsOpen() ? m_pRecorder.get() : nullptr;
}

bool CHistoryKeeper::Recording() const
{
    return m_pRecorder && m_pRecorder->IsRecording();
}

void CHistoryKeeper::Start()
{
    if (!m_pRecorder)
        return;
    QString strError;
    if (!m_pRecorder->Open(&strError)) {
        ShowLater(strError + QStringLiteral("\n\nNotes arrive and are shown, but are not kept."));
        return;
    }
    ApplySettings();
}

void CHistoryKeeper::ApplySettings()
{
    if (!Recorder())
        return;
    m_pRecorder->SetPaused(m_settings.KeepNotes() == CAppSettings::KeepNever);
    m_pRecorder->SetKeeping(CHistoryRecorder::KeepingFrom(m_settings));
}

void CHistoryKeeper::Attach(CNoteListenSocket& server, CSendJobs& jobs, CDocManager& documents)
{
    // Recorded before the answer goes out: a note its sender was told arrived
    // is in the history even if the program ends the next instant. Kept in any
    // case: its window holds it, as before there was a history.
    server.SetKeeper(
        [this](const QByteArray& strText, qint64 nCount, const CNoteListenSocket::CKept&) {
            if (Recording())
                m_pRecorder->RecordReceived(strText, nCount);
            return CNoteListenSocket::EKept::Kept;
        });
    if (m_pRecorder)
        m_pRecorder->Attach(jobs); // it records once open, while keeping
    connect(&documents, &CDocManager::FileOpened, this,
            [this](CBlipnoteDoc* pDoc) { RecordFile(*pDoc, QString()); });
    connect(&documents, &CDocManager::DocumentAdded, this, &CHistoryKeeper::OnDocumentAdded);
}

void CHistoryKeeper::OnDocumentAdded(CBlipnoteDoc* pDoc)
{
    // A received note or one opened from a file is kept already; what the user
    // writes is kept when saved (or sent).
    if (pDoc->IsIncoming())
        return;
    connect(pDoc, &CBlipnoteDoc::SavedToFile, this,
            [this, pDoc](const QString& strPath) { RecordFile(*pDoc, strPath); });
}

void CHistoryKeeper::RecordFile(const CBlipnoteDoc& doc, const QString& strPath)
{
    if (Recording())
        m_pRecorder->RecordFile(doc,
                                doc.IsIncoming() ? EHistoryDirection::In : EHistoryDirection::Out,
                                strPath.isEmpty() ? doc.PathName() : strPath);
}

void CHistoryKeeper::ShowLater(const QString& strText)
{
    // Never from inside the note server's answer or a start-up step.
    QMetaObject::invokeMethod(
        this, [this, strText] { m_prompts.ShowMessage(strText, PromptIcon::Warning); },
        Qt::QueuedConnection);
}
