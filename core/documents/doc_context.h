#pragma once

#include "core/messaging/send_settings.h"

#include <QByteArray>
#include <QDateTime>

#include <functional>

class CAppSettings;
class CAutoReply;
class CBlipnoteDoc;
class CHostBook;
class CSendJobs;
namespace SystemInfo {
struct CSystemInfo;
}

// Who a new note is from: what it carries as its sender.
struct CNoteIdentity
{
    QByteArray strNickname;
    QByteArray strComputerName;
    QByteArray strAddress;
};

// What note documents take from the rest of the program. The application object
// owns what stands behind it and wires it (Wire); tests build their own.
struct CDocContext
{
    // Wires the context to the program's owners: the settings (nickname,
    // "Use AutoAdd", sending), the system (computer, address), the host book and
    // auto-reply.
    void Wire(const CAppSettings& settings, const SystemInfo::CSystemInfo& system, CHostBook& hosts,
              const CAutoReply& autoReply);

    // Who new notes are from.
    std::function<CNoteIdentity()> identity = [] { return CNoteIdentity(); };
    // Adds the sender of an arriving note to the host list when it is unknown;
    // returns the nickname the note is to be shown under, or an empty text to
    // keep its own.
    std::function<QByteArray(const QByteArray& strNickname, const QByteArray& strAddress)>
        addUnknownSender = [](const QByteArray&, const QByteArray&) { return QByteArray(); };
    // What sending takes.
    std::function<CSendSettings()> sendSettings = [] { return CSendSettings(); };
    CSendJobs* pSendJobs = nullptr;
    // Whether arriving notes are answered (auto-reply is on), and the answer.
    std::function<bool()> autoReplyActive = [] { return false; };
    std::function<void(CBlipnoteDoc&)> sendAutoReply;
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
};
