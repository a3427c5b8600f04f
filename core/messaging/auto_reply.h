#pragma once

#include <QByteArray>
#include <QSet>

#include <optional>

class CAppSettings;
struct CNoteRecord;
namespace SystemInfo {
struct CSystemInfo;
}

// Auto-reply: while it is on, the sender of every arriving note gets the away
// message back, each sender once, so that two copies that are both away do not
// answer each other's answers for ever. The switch lives here and is off at
// start; nothing else changes it.
class CAutoReply
{
public:
    // The answers carry the settings' nickname and away message and the
    // computer's name.
    CAutoReply(CAppSettings& settings, const SystemInfo::CSystemInfo& system);

    bool IsActive() const { return m_bActive; }
    // Switches it on with this away message ("AwayMessage", in memory until the
    // next save of the preferences); everybody may be answered again.
    void Start(const QByteArray& strAwayMessage);
    // Switches it off: the user sent or answered a note, or chose the command again.
    void End();

    // The tagged text that answers the incoming note when its sender is due an
    // answer; the sender is then not answered again while auto-reply stays on.
    std::optional<QByteArray> TakeReplyText(const CNoteRecord& incoming);

private:
    CAppSettings& m_settings;
    const SystemInfo::CSystemInfo& m_system;
    bool m_bActive = false;
    QSet<QByteArray> m_answered;
};
