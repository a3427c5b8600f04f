#pragma once

#include <QByteArray>

class CAppSettings;
namespace SystemInfo {
struct CSystemInfo;
}

// What the finger server takes from the settings and the system, copied for
// each query: which lines the reply holds and what they say, and the sound.
struct CFingerSettings
{
    bool bSendSystem = true; // "Send System"
    bool bSendOs = true;     // "Send Os"
    bool bSendUser = true;   // "Send User"
    bool bSendUptime = true; // "Send Uptime"
    bool bSendTime = true;   // "Send Time"
    bool bSendPlan = true;   // "Send Plan"
    QByteArray strComputerName;
    QByteArray strPlatform;
    QByteArray strUserName;
    QByteArray strPlan;      // "Plan"
    bool bUseSound = true;   // "Use Sound" of the finger settings
    QByteArray strSoundFile; // "SoundFile" of the finger settings
};

// What the finger server takes, copied from the settings and the system.
CFingerSettings FingerSettingsOf(const CAppSettings& settings,
                                 const SystemInfo::CSystemInfo& system);
