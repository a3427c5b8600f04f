#include "core/presence/presence_browser.h"

#include "core/interfaces/logging.h"
#include "core/presence/avahi.h"

#include <QDBusArgument>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QHostAddress>

namespace {

constexpr int kCallTimeoutMs = 10000;
// What is kept of the signals that come before the browser's path is known: a
// daemon that knows many services may tell of them all first.
constexpr qsizetype kMaxEarly = 4 * CPresenceBrowser::MaxServices;

const QString kNoDaemon = QStringLiteral("no Avahi daemon runs on the system bus");

// Addresses a note can be sent to: not the link-local IPv6 ones, which need
// their network interface, nor "any", broadcast or multicast ones.
bool IsUsable(const QString& strAddress)
{
    const QHostAddress address(strAddress);
    if (address.isNull() || address.isMulticast() || address.isBroadcast() ||
        address == QHostAddress::AnyIPv4 || address == QHostAddress::AnyIPv6)
        return false;
    return address.protocol() != QAbstractSocket::IPv6Protocol || !address.isLinkLocal();
}

} // namespace

CPresenceBrowser::CPresenceBrowser(const QDBusConnection& bus, QObject* pParent)
    : QObject(pParent), m_bus(bus),
      m_watcher(Avahi::Service, bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    Avahi::RegisterTypes();
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& strNewOwner) {
                Stop();
                if (strNewOwner.isEmpty())
                    SetAvailable(false, kNoDaemon);
                else
                    Start();
            });
}

CPresenceBrowser::~CPresenceBrowser()
{
    // Going away is not the peers going.
    blockSignals(true);
    Stop();
}

void CPresenceBrowser::Start()
{
    Stop();
    if (!m_bus.isConnected()) {
        SetAvailable(false, QStringLiteral("no system bus: %1").arg(m_bus.lastError().message()));
        return;
    }
    // The browser's signals may come before its path does: listen to every
    // browser of the daemon and keep what comes early.
    m_bus.connect(Avahi::Service, QString(), Avahi::BrowserInterface, QString(), this,
                  SLOT(OnBrowserSignal(QDBusMessage)));
    QDBusMessage call =
        QDBusMessage::createMethodCall(Avahi::Service, QStringLiteral("/"), Avahi::ServerInterface,
                                       QStringLiteral("ServiceBrowserNew"));
    call.setArguments(
        {Avahi::InterfaceUnspec, Avahi::ProtocolUnspec, Avahi::ServiceType, QString(), 0u});
    auto* pWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    const quint64 nGeneration = m_nGeneration;
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this,
            [this, nGeneration](QDBusPendingCallWatcher* pCall) {
                pCall->deleteLater();
                if (nGeneration != m_nGeneration)
                    return;
                const QDBusMessage reply = pCall->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    SetAvailable(false,
                                 reply.errorName() ==
                                         QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")
                                     ? kNoDaemon
                                     : reply.errorMessage());
                    return;
                }
                m_strBrowserPath = reply.arguments().value(0).value<QDBusObjectPath>().path();
                SetAvailable(true, QString());
                const QList<QDBusMessage> early = std::exchange(m_early, {});
                for (const QDBusMessage& message : early)
                    OnBrowserSignal(message);
            });
}

void CPresenceBrowser::Stop()
{
    ++m_nGeneration;
    m_bus.disconnect(Avahi::Service, QString(), Avahi::BrowserInterface, QString(), this,
                     SLOT(OnBrowserSignal(QDBusMessage)));
    if (!m_strBrowserPath.isEmpty()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            Avahi::Service, m_strBrowserPath, Avahi::BrowserInterface, QStringLiteral("Free"));
        call.setAutoStartService(false);
        m_bus.asyncCall(call, kCallTimeoutMs);
        m_strBrowserPath.clear();
    }
    m_early.clear();
    m_items.clear();
    m_toResolve.clear();
    m_resolving = 0;
    m_bAllForNow = false;
    m_bSettledTold = false;
    const QList<QPair<CPresencePeer, int>> peers = std::exchange(m_peers, {});
    for (const auto& peer : peers)
        Q_EMIT Gone(peer.first);
}

QList<CPresencePeer> CPresenceBrowser::Peers() const
{
    QList<CPresencePeer> peers;
    peers.reserve(m_peers.size());
    for (const auto& peer : m_peers)
        peers.append(peer.first);
    return peers;
}

void CPresenceBrowser::SetAvailable(bool bAvailable, const QString& strReason)
{
    m_strUnavailable = strReason;
    if (!bAvailable)
        qCInfo(lcPresence, "presence unavailable: %s", qUtf8Printable(strReason));
    if (m_bKnown && m_bAvailable == bAvailable)
        return;
    m_bKnown = true;
    m_bAvailable = bAvailable;
    Q_EMIT AvailabilityChanged(bAvailable);
}

void CPresenceBrowser::OnBrowserSignal(const QDBusMessage& message)
{
    if (m_strBrowserPath.isEmpty()) {
        if (m_early.size() < kMaxEarly)
            m_early.append(message);
        return;
    }
    if (message.path() != m_strBrowserPath)
        return;
    const QString strMember = message.member();
    const QVariantList arguments = message.arguments();
    if (strMember == QStringLiteral("ItemNew") || strMember == QStringLiteral("ItemRemove")) {
        if (arguments.size() < 6 || arguments.at(3).toString() != Avahi::ServiceType)
            return;
        const CItemKey key{arguments.at(0).toInt(), arguments.at(1).toInt(),
                           arguments.at(2).toString(), arguments.at(4).toString()};
        if (strMember == QStringLiteral("ItemNew"))
            OnItemNew(key, arguments.at(5).toUInt());
        else
            OnItemRemove(key);
    } else if (strMember == QStringLiteral("AllForNow")) {
        m_bAllForNow = true;
        CheckSettled();
    } else if (strMember == QStringLiteral("Failure")) {
        const QString strWhy = arguments.value(0).toString();
        Stop();
        SetAvailable(false, strWhy);
    }
}

void CPresenceBrowser::OnItemNew(const CItemKey& key, uint nFlags)
{
    if (m_items.contains(key))
        return;
    if (m_items.size() >= MaxServices) {
        qCInfo(lcPresence, "more than %d services announced: \"%s\" ignored", MaxServices,
               qUtf8Printable(key.strName));
        return;
    }
    CItem& item = *m_items.insert(key, CItem());
    item.bOurOwn = (nFlags & Avahi::ResultOurOwn) != 0;
    // This very program's own announcement is not a peer.
    if (item.bOurOwn && key.strName == m_strOwnName)
        return;
    Queue(key, item);
    ResolveNext();
}

void CPresenceBrowser::Queue(const CItemKey& key, CItem& item)
{
    item.nLookup = ++m_nLookups;
    m_toResolve.emplace_back(key, item.nLookup);
}

void CPresenceBrowser::SetOwnName(const QString& strName)
{
    if (strName == m_strOwnName)
        return;
    const QString strFormer = std::exchange(m_strOwnName, strName);
    for (auto it = m_items.begin(); it != m_items.end(); ++it) {
        if (!it->bOurOwn || it.key().strName.isEmpty())
            continue;
        if (it.key().strName == strFormer && !it->bResolved) {
            // Held back under the former name: another copy's now (or this
            // program's former announcement, about to go).
            Queue(it.key(), *it);
        } else if (it.key().strName == strName && it->bResolved) {
            // Found before it was known to be this program's own.
            it->bResolved = false;
            RemovePeer(it->peer);
        }
    }
    ResolveNext();
}

void CPresenceBrowser::OnItemRemove(const CItemKey& key)
{
    const auto it = m_items.find(key);
    if (it == m_items.end())
        return;
    const CItem item = std::move(*it);
    m_items.erase(it);
    if (item.bResolved)
        RemovePeer(item.peer);
}

void CPresenceBrowser::ResolveNext()
{
    while (m_resolving < MaxResolving && !m_toResolve.empty()) {
        const CItemKey key = m_toResolve.front().first;
        const quint64 nLookup = m_toResolve.front().second;
        m_toResolve.pop_front();
        const auto it = m_items.constFind(key);
        if (it == m_items.cend() || it->nLookup != nLookup)
            continue; // gone before its turn, or asked again later
        ++m_resolving;
        QDBusMessage call = QDBusMessage::createMethodCall(Avahi::Service, QStringLiteral("/"),
                                                           Avahi::ServerInterface,
                                                           QStringLiteral("ResolveService"));
        call.setArguments({key.nInterface, key.nProtocol, key.strName, Avahi::ServiceType,
                           key.strDomain, key.nProtocol, 0u});
        auto* pWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
        const quint64 nGeneration = m_nGeneration;
        connect(pWatcher, &QDBusPendingCallWatcher::finished, this,
                [this, key, nLookup, nGeneration](QDBusPendingCallWatcher* pCall) {
                    pCall->deleteLater();
                    if (nGeneration == m_nGeneration)
                        OnResolved(key, nLookup, pCall->reply());
                });
    }
}

void CPresenceBrowser::OnResolved(const CItemKey& key, quint64 nLookup, const QDBusMessage& reply)
{
    --m_resolving;
    auto it = m_items.find(key);
    if (it != m_items.end() && it->nLookup != nLookup)
        it = m_items.end(); // the answer to an earlier question
    const QVariantList arguments = reply.arguments();
    if (it != m_items.end() && reply.type() == QDBusMessage::ReplyMessage &&
        arguments.size() >= 10) {
        if (std::exchange(it->bResolved, false))
            RemovePeer(it->peer); // looked up again: the new answer stands
        CPresencePeer peer;
        peer.strName = CPresenceRecord::CleanValue(key.strName, 63 * 4);
        peer.strAddress = arguments.at(7).toString();
        peer.nPort = static_cast<quint16>(arguments.at(8).toUInt());
        peer.record = CPresenceRecord::FromTxt(qdbus_cast<QByteArrayList>(arguments.at(9)));
        peer.bLocal = (arguments.value(10).toUInt() & Avahi::ResultLocal) != 0;
        if (IsUsable(peer.strAddress) && peer.nPort != 0) {
            it->bResolved = true;
            it->peer = peer;
            AddPeer(peer);
        }
    } else if (it != m_items.end()) {
        qCInfo(lcPresence, "\"%s\" not looked up: %s", qUtf8Printable(key.strName),
               qUtf8Printable(reply.errorMessage()));
    }
    ResolveNext();
    CheckSettled();
}

void CPresenceBrowser::AddPeer(const CPresencePeer& peer)
{
    for (auto& known : m_peers) {
        if (known.first == peer) {
            ++known.second;
            return;
        }
    }
    m_peers.append({peer, 1});
    Q_EMIT Appeared(peer);
}

void CPresenceBrowser::RemovePeer(const CPresencePeer& peer)
{
    for (qsizetype i = 0; i < m_peers.size(); ++i) {
        if (m_peers.at(i).first == peer) {
            if (--m_peers[i].second == 0) {
                m_peers.removeAt(i);
                Q_EMIT Gone(peer);
            }
            return;
        }
    }
}

void CPresenceBrowser::CheckSettled()
{
    if (m_bSettledTold || !IsSettled())
        return;
    m_bSettledTold = true;
    Q_EMIT Settled();
}
