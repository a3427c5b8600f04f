#pragma once

#include <QObject>
#include <QString>

#include <memory>

class CAppSettings;
class CBlipnoteDoc;
class CDocManager;
class CHistoryRecorder;
class CNoteListenSocket;
class CSendJobs;
class IPrompts;

// Keeps the desktop program's notes in the history as the user's settings say:
// a received note before the note server answers it, a send and what each
// recipient answered, a note file opened, an outgoing note saved.
//
// When the history cannot record (a full disk, say), notes are still taken,
// answered and shown in their windows, as without a history; the user is told
// once, until recording works again.
class CHistoryKeeper : public QObject
{
    Q_OBJECT

public:
    // strPath empty: no history at all (the tests that do not look at it).
    CHistoryKeeper(CAppSettings& settings, IPrompts& prompts, const QString& strPath,
                   QObject* pParent = nullptr);
    ~CHistoryKeeper() override;

    void Attach(CNoteListenSocket& server, CSendJobs& jobs, CDocManager& documents);
    // Opens the history once the settings are loaded; what cannot be used is
    // told in a box.
    void Start();

    // The open history; none when there is none.
    CHistoryRecorder* Recorder() const;

private:
    bool Recording() const;
    void ApplySettings();
    void OnDocumentAdded(CBlipnoteDoc* pDoc);
    void RecordFile(const CBlipnoteDoc& doc, const QString& strPath);
    void ShowLater(const QString& strText);

    CAppSettings& m_settings;
    IPrompts& m_prompts;
    std::unique_ptr<CHistoryRecorder> m_pRecorder;
};
