#pragma once

#include "core/outbox/outbox.h"

#include <QObject>
#include <QString>

#include <memory>

class CAppSettings;
class CHistoryRecorder;
class CSendJobs;
class IPrompts;

// The desktop program's outbox: opened in the history file once that is open,
// offered for every note whose host could not be connected (or taking it
// unasked, with "Keep Undelivered"), and following the options ("Give Up
// Days", the note port).
class COutboxKeeper : public QObject
{
    Q_OBJECT

public:
    COutboxKeeper(CAppSettings& settings, IPrompts& prompts, COutboxTuning tuning,
                  QObject* pParent = nullptr);
    ~COutboxKeeper() override;

    // Opens the outbox in the history's file (none: there is no outbox) and
    // offers it to the sends; what waited since the last run is tried again.
    void Start(CHistoryRecorder* pRecorder, CSendJobs& jobs);

    // The open outbox; none when there is no history to keep it in.
    COutbox* Outbox() const { return m_pOutbox.get(); }

private:
    void ApplySettings();
    void ShowLater(const QString& strText);

    CAppSettings& m_settings;
    IPrompts& m_prompts;
    COutboxTuning m_tuning;
    CSendJobs* m_pJobs = nullptr;
    std::unique_ptr<COutbox> m_pOutbox;
};
