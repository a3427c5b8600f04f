#pragma once

#include <QDateTime>

#include <functional>

class CAppSettings;
class CBlipnoteDoc;
class CSendJobs;

// What note documents share with the rest of the program. The application object
// owns all of it and hands it to the documents; tests build their own.
struct CDocContext
{
    explicit CDocContext(CAppSettings& appSettings) : settings(appSettings) {}

    CAppSettings& settings;
    CSendJobs* pSendJobs = nullptr;
    // Answers an incoming note while auto-reply is active.
    std::function<void(CBlipnoteDoc&)> sendAutoReply;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};
