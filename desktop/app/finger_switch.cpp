#include "desktop/app/finger_switch.h"

#include "core/finger/finger_daemon_socket.h"
#include "core/settings/app_settings.h"

CFingerSwitch::CFingerSwitch(CAppSettings& settings, CFingerDaemonSocket& server, quint16 nPort)
    : m_settings(settings), m_server(server), m_nPort(nPort)
{}

void CFingerSwitch::Start()
{
    if (m_settings.UseFingerD() && !m_server.IsListening())
        OpenPort();
}

void CFingerSwitch::Toggle()
{
    if (m_settings.UseFingerD()) {
        // In memory only: the next start finds the stored value.
        m_settings.SetUseFingerD(false);
        m_server.Close();
    } else if (!m_server.IsListening()) {
        if (OpenPort())
            m_settings.SetUseFingerD(true);
    }
}

void CFingerSwitch::FollowSettings()
{
    if (m_settings.UseFingerD())
        Start();
    else if (m_server.IsListening())
        m_server.Close();
}

bool CFingerSwitch::OpenPort()
{
    const CConnectionServer::EOpen eOpen = m_server.Open(m_nPort);
    if (eOpen == CConnectionServer::EOpen::NotCreated) {
        // The server switches itself off, also for the next start.
        m_settings.SetUseFingerD(false);
        m_settings.Save(SettingsGroup::Finger);
    }
    return eOpen == CConnectionServer::EOpen::Opened;
}
