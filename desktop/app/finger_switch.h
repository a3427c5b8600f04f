#pragma once

#include <QtGlobal>

class CAppSettings;
class CFingerDaemonSocket;
class CHeldPort;

// Whether the finger server listens, following "Use FingerD": at the start,
// from the menu's toggle and after the setup sheet. A port that cannot be had
// switches "Use FingerD" off, also for the next start.
// With the port bound at the start (pHeldPort, while the program could still
// bind port 79), the server listens on that socket and stops listening on it
// when switched off, the port staying bound, so that switching on needs no
// right to bind it again; without one (or when that bind failed) the port is
// opened and closed each time.
class CFingerSwitch
{
public:
    // nPort: the finger port, 79, or a free one in tests.
    CFingerSwitch(CAppSettings& settings, CFingerDaemonSocket& server, quint16 nPort,
                  CHeldPort* pHeldPort = nullptr);

    // Starts the server when "Use FingerD" is on and it is not listening.
    void Start();
    // The menu's toggle: off closes the server, on opens it.
    void Toggle();
    // After the setup sheet: the server starts or closes as "Use FingerD" now says.
    void FollowSettings();

private:
    // Opens the finger port; when the socket cannot be made, "Use FingerD" goes
    // off and is stored.
    bool OpenPort();
    // Stops serving: connections are refused from now on.
    void Stop();
    bool HoldsPort() const;

    CAppSettings& m_settings;
    CFingerDaemonSocket& m_server;
    quint16 m_nPort;
    CHeldPort* m_pHeldPort;
};
