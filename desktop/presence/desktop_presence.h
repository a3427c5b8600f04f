#pragma once

#include "core/presence/host_presence.h"

#include <QDBusConnection>
#include <QObject>

#include <functional>
#include <memory>

class CAppSettings;
class CPresenceAnnouncer;
class CPresenceBrowser;

// Presence in the desktop program: announces this copy while "Announce this
// copy on the local network" is on and the note server listens, finds the
// other copies, and keeps who is up (CHostPresence) for the recipient box, the
// Hosts page and the Seeker. Without an Avahi daemon nothing fails and nothing
// waits; it is said once, through Unavailable.
class CDesktopPresence : public QObject
{
    Q_OBJECT

public:
    // notePort: the port the note server listens on now (0: not listening);
    // hosts: where who is up is kept (the views read it).
    CDesktopPresence(const CAppSettings& settings, QByteArray strComputerName,
                     std::function<quint16()> notePort, const QDBusConnection& bus,
                     CHostPresence& hosts, QObject* pParent = nullptr);
    ~CDesktopPresence() override;

    // Begins: browses, and announces as the settings say.
    void Start();
    // After the setup sheet, or the note port opened again: announces,
    // changes the announcement or withdraws it at once.
    void FollowSettings();

    bool IsAnnounced() const;
    bool IsAvailable() const;

Q_SIGNALS:
    // Presence cannot be known ("" once it can again): why.
    void Unavailable(const QString& strWhy);
    // A copy was announced at the address: notes waiting for it may go.
    void HostUp(const QByteArray& strAddress);

private:
    void TellOwnName();

    const CAppSettings& m_settings;
    QByteArray m_strComputerName;
    std::function<quint16()> m_notePort;
    CHostPresence& m_hosts;
    std::unique_ptr<CPresenceAnnouncer> m_pAnnouncer;
    std::unique_ptr<CPresenceBrowser> m_pBrowser;
};
