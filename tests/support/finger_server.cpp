#include "tests/support/finger_server.h"

#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"

std::unique_ptr<CFingerDaemonSocket> MakeFingerServer(const CAppSettings& settings,
                                                      const SystemInfo::CSystemInfo& system,
                                                      CFingerQueryLog& queries, IPrompts& prompts,
                                                      ISoundPlayer& sound,
                                                      std::chrono::milliseconds queryTimeLimit)
{
    return std::make_unique<CFingerDaemonSocket>(
        [&settings, &system] { return FingerSettingsOf(settings, system); }, queries, prompts,
        sound, queryTimeLimit);
}

std::unique_ptr<CFingerDaemonSocket>
StartLoopbackFingerServer(const CAppSettings& settings, const SystemInfo::CSystemInfo& system,
                          CFingerQueryLog& queries, IPrompts& prompts, ISoundPlayer& sound)
{
    auto pServer = MakeFingerServer(settings, system, queries, prompts, sound);
    if (pServer->Open(0, QHostAddress::LocalHost) != CConnectionServer::EOpen::Opened)
        return nullptr;
    return pServer;
}
