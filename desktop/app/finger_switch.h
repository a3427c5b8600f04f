#pragma once

#include <QtGlobal>

class CAppSettings;
class CFingerDaemonSocket;

// Whether the finger server listens, following "Use FingerD": at the start,
// from the menu's toggle and after the setup sheet. A port that cannot be had
// switches "Use FingerD" off, also for the next start.
class CFingerSwitch
{
public:
    // nPort: the finger port, 79, or a free one in tests.
    CFingerSwitch(CAppSettings& settings, CFingerDaemonSocket& server, quint16 nPort);

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

    CAppSettings& m_settings;
    CFingerDaemonSocket& m_server;
    quint16 m_nPort;
};
