#include "core/finger/finger_settings.h"

#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"

CFingerSettings FingerSettingsOf(const CAppSettings& settings,
                                 const SystemInfo::CSystemInfo& system)
{
    CFingerSettings finger;
    finger.bSendSystem = settings.SendSystem();
    finger.bSendOs = settings.SendOs();
    finger.bSendUser = settings.SendUser();
    finger.bSendUptime = settings.SendUptime();
    finger.bSendTime = settings.SendTime();
    finger.bSendPlan = settings.SendPlan();
    finger.strComputerName = system.strComputerName;
    finger.strPlatform = system.strPlatform;
    finger.strUserName = system.strUserName;
    finger.strPlan = settings.Plan();
    finger.bUseSound = settings.FingerUseSound();
    finger.strSoundFile = settings.FingerSoundFile();
    return finger;
}
