#include "tests/support/finger_server.h"

#include "core/settings/app_settings.h"

std::unique_ptr<CFingerDaemonSocket> MakeFingerServer(CAppSettings& settings, IPrompts& prompts,
                                                      ISoundPlayer& sound,
                                                      std::chrono::milliseconds queryTimeLimit)
{
    return std::make_unique<CFingerDaemonSocket>([&settings] { return settings.FingerSettings(); },
                                                 settings.m_fingerQueryLog, prompts, sound,
                                                 queryTimeLimit);
}

std::unique_ptr<CFingerDaemonSocket>
StartLoopbackFingerServer(CAppSettings& settings, IPrompts& prompts, ISoundPlayer& sound)
{
    auto pServer = MakeFingerServer(settings, prompts, sound);
    if (pServer->Open(0, QHostAddress::LocalHost) != CConnectionServer::EOpen::Opened)
        return nullptr;
    return pServer;
}
