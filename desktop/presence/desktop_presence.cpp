#include "desktop/presence/desktop_presence.h"

#include "core/presence/presence_announcer.h"
#include "core/presence/presence_browser.h"
#include "core/settings/app_settings.h"

CDesktopPresence::CDesktopPresence(const CAppSettings& settings, QByteArray strComputerName,
                                   std::function<quint16()> notePort, const QDBusConnection& bus,
                                   CHostPresence& hosts, QObject* pParent)
    : QObject(pParent), m_settings(settings), m_strComputerName(std::move(strComputerName)),
      m_notePort(std::move(notePort)), m_hosts(hosts),
      m_pAnnouncer(std::make_unique<CPresenceAnnouncer>(bus)),
      m_pBrowser(std::make_unique<CPresenceBrowser>(bus))
{
    connect(m_pBrowser.get(), &CPresenceBrowser::Appeared, this, [this](const CPresencePeer& peer) {
        m_hosts.PeerAppeared(peer);
        Q_EMIT HostUp(peer.strAddress.toLatin1());
    });
    connect(m_pBrowser.get(), &CPresenceBrowser::Gone, &m_hosts, &CHostPresence::PeerGone);
    connect(m_pAnnouncer.get(), &CPresenceAnnouncer::StateChanged, this,
            &CDesktopPresence::TellOwnName);
    connect(m_pBrowser.get(), &CPresenceBrowser::AvailabilityChanged, this,
            [this](bool bAvailable) {
                if (!bAvailable)
                    m_hosts.AllGone();
                Q_EMIT Unavailable(bAvailable ? QString() : m_pBrowser->UnavailableReason());
            });
}

CDesktopPresence::~CDesktopPresence() = default;

void CDesktopPresence::Start()
{
    m_pBrowser->Start();
    FollowSettings();
}

void CDesktopPresence::FollowSettings()
{
    const quint16 nPort = m_notePort();
    if (!m_settings.Announce() || nPort == 0) {
        m_pAnnouncer->Withdraw();
    } else {
        CPresenceAnnouncer::CAnnouncement announcement =
            CPresenceAnnouncer::AnnouncementOf(m_settings, m_strComputerName);
        announcement.nPort = nPort;
        m_pAnnouncer->Announce(announcement);
    }
    TellOwnName();
}

void CDesktopPresence::TellOwnName()
{
    // The name changes when another copy has it: the browser learns each.
    m_pBrowser->SetOwnName(m_pAnnouncer->IsWanted() ? m_pAnnouncer->Name() : QString());
}

bool CDesktopPresence::IsAnnounced() const
{
    return m_pAnnouncer->IsAnnounced();
}

bool CDesktopPresence::IsAvailable() const
{
    return m_pBrowser->IsAvailable();
}
