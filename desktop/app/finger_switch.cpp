#include "desktop/app/finger_switch.h"

#include "core/finger/finger_daemon_socket.h"
#include "core/net/held_port.h"
#include "core/settings/app_settings.h"

CFingerSwitch::CFingerSwitch(CAppSettings& settings, CFingerDaemonSocket& server, quint16 nPort,
                             CHeldPort* pHeldPort)
    : m_settings(settings), m_server(server), m_nPort(nPort), m_pHeldPort(pHeldPort)
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
        Stop();
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
        Stop();
}

bool CFingerSwitch::HoldsPort() const
{
    return m_pHeldPort && m_pHeldPort->IsBound();
}

bool CFingerSwitch::OpenPort()
{
    const CConnectionServer::EOpen eOpen =
        HoldsPort() ? m_server.Serve(*m_pHeldPort) : m_server.Open(m_nPort);
    if (eOpen == CConnectionServer::EOpen::NotCreated) {
        // The server switches itself off, also for the next start.
        m_settings.SetUseFingerD(false);
        m_settings.Save(SettingsGroup::Finger);
    }
    return eOpen == CConnectionServer::EOpen::Opened;
}

void CFingerSwitch::Stop()
{
    m_server.Close();
    // The server's own descriptor of the socket is closed; the one held
    // would keep it listening, with connections left waiting unanswered.
    if (HoldsPort())
        m_pHeldPort->StopListening();
}
