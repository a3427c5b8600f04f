#pragma once

#include "core/notes/note_limits.h"

#include <QByteArray>

#include <chrono>

class CAppSettings;

// What sending a note takes from the settings and the system.
struct CSendSettings
{
    // A receiver that takes the connection but never answers is given up after this
    // long; it is reported as a size mismatch with the count 0.
    static constexpr std::chrono::milliseconds DefaultReplyTimeLimit = std::chrono::seconds(60);

    quint16 nPort = 7777;       // "IP Port"
    bool bMultiSend = true;     // "Multi Send": off serves only the first recipient
    int nMultiSendDelay = 100;  // "MultiSendDelay", milliseconds between job starts
    bool bAutoDelete = false;   // "AutoDelete": close the note once delivered
    QByteArray strNickname;     // "Nickname"
    QByteArray strComputerName; // the sender's system name
    qsizetype nSizeLimit = NoteLimits::NoteSizeLimit;
    std::chrono::milliseconds replyTimeLimit = DefaultReplyTimeLimit;
};

// What sending takes, copied from the settings; the sender's system name is the
// computer's.
CSendSettings SendSettingsOf(const CAppSettings& settings, const QByteArray& strComputerName);
