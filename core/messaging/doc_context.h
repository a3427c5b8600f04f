#pragma once

#include <QByteArray>
#include <QDateTime>

#include <functional>

class CAppSettings;
class CBlipnoteDoc;
class CSendJobs;

// What note documents share with the rest of the program. The application object
// owns all of it and hands it to the documents; tests build their own.
struct CDocContext
{
    CDocContext(CAppSettings& appSettings, QByteArray& strPending)
        : settings(appSettings), strPendingNoteText(strPending)
    {}

    CAppSettings& settings;
    // The tagged text handed to the next new note document, which reads and
    // empties it.
    QByteArray& strPendingNoteText;
    CSendJobs* pSendJobs = nullptr;
    // Answers an incoming note while auto-reply is active.
    std::function<void(CBlipnoteDoc&)> sendAutoReply;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Set while an automatic reply is being built, so that it does not answer itself.
    bool bBuildingAutoReply = false;
};
