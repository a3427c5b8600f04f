#include "core/presence/host_presence.h"

#include "core/hosts/host_list.h"

#include <QLocale>

namespace {

// At most this many hosts are remembered (a hostile network cannot make the
// book grow without bound).
constexpr qsizetype kMaxRemembered = 65536;

} // namespace

CHostPresence::CHostPresence(QObject* pParent) : QObject(pParent) {}

QDateTime CHostPresence::Now() const
{
    return m_now ? m_now() : QDateTime::currentDateTime();
}

QByteArray CHostPresence::Key(QByteArrayView strAddress)
{
    QByteArray strKey = strAddress.trimmed().toByteArray().toLower();
    // A name or IPv4 address with a port: the host is the same.
    if (const qsizetype nColon = strKey.indexOf(':'); nColon > 0 && strKey.count(':') == 1)
        strKey.truncate(nColon);
    if (strKey.endsWith(".local"))
        strKey.chop(6);
    return strKey;
}

QList<QByteArray> CHostPresence::KeysOf(const CPresencePeer& peer)
{
    QList<QByteArray> keys = {Key(peer.strAddress.toUtf8())};
    const QByteArray strComputer = Key(peer.record.strComputer.toUtf8());
    if (!strComputer.isEmpty() && strComputer != keys.constFirst())
        keys.append(strComputer);
    return keys;
}

void CHostPresence::Set(const QByteArray& strKey, EState eState, bool bSeenNow)
{
    if (!m_states.contains(strKey) && m_states.size() >= kMaxRemembered)
        return;
    CState& state = m_states[strKey];
    state.eState = eState;
    if (bSeenNow)
        state.lastSeen = Now();
}

void CHostPresence::PeerAppeared(const CPresencePeer& peer)
{
    if (m_peers.contains(peer))
        return;
    m_peers.append(peer);
    for (const QByteArray& strKey : KeysOf(peer)) {
        ++m_announced[strKey];
        Set(strKey, EState::Here, true);
    }
    Q_EMIT Changed();
}

void CHostPresence::PeerGone(const CPresencePeer& peer)
{
    if (!m_peers.removeOne(peer))
        return;
    for (const QByteArray& strKey : KeysOf(peer)) {
        auto it = m_announced.find(strKey);
        if (it == m_announced.end() || --*it > 0)
            continue; // announced again under another name
        m_announced.erase(it);
        // Here until this moment.
        Set(strKey, EState::Gone, true);
    }
    Q_EMIT Changed();
}

void CHostPresence::AllGone()
{
    const QList<CPresencePeer> peers = m_peers;
    for (const CPresencePeer& peer : peers)
        PeerGone(peer);
}

void CHostPresence::SeenAt(const QByteArray& strAddress)
{
    const QByteArray strKey = Key(strAddress);
    Set(strKey, m_announced.contains(strKey) ? EState::Here : EState::Seen, true);
    Q_EMIT Changed();
}

void CHostPresence::SeekResult(const QByteArray& strAddress, bool bUp)
{
    const QByteArray strKey = Key(strAddress);
    if (m_announced.contains(strKey))
        Set(strKey, EState::Here, bUp);
    else
        Set(strKey, bUp ? EState::Seen : EState::Gone, bUp);
    Q_EMIT Changed();
}

CHostPresence::CState CHostPresence::StateOf(const QByteArray& strAddress) const
{
    return m_states.value(Key(strAddress));
}

QString CHostPresence::TextOf(const QByteArray& strAddress) const
{
    return StateText(StateOf(strAddress), Now());
}

QString CHostPresence::StateText(const CState& state, const QDateTime& now)
{
    // The time alone today, the day with it before.
    const QLocale locale = QLocale::c();
    const auto when = [&](const QDateTime& time) {
        return time.date() == now.date() ? time.toString(QStringLiteral("HH:mm"))
                                         : locale.toString(time, QStringLiteral("d MMM HH:mm"));
    };
    switch (state.eState) {
    case EState::Here:
        return QStringLiteral("here");
    case EState::Seen:
        return QStringLiteral("seen %1").arg(when(state.lastSeen));
    case EState::Gone:
        return state.lastSeen.isValid()
                   ? QStringLiteral("gone, last seen %1").arg(when(state.lastSeen))
                   : QStringLiteral("gone");
    case EState::Unknown:
        break;
    }
    return QString();
}

QHash<QByteArray, CHostPresence::CGroupCount>
CHostPresence::GroupCounts(const CHostList& hosts) const
{
    QHash<QByteArray, CGroupCount> counts;
    for (const CHostEntry& entry : hosts.Entries()) {
        CGroupCount& count = counts[entry.strGroup];
        ++count.nAll;
        // Here now: announced (a host seen a while ago may be gone since).
        if (StateOf(entry.strAddress).eState == EState::Here)
            ++count.nHere;
    }
    return counts;
}

QList<CPresencePeer> CHostPresence::PeersNotIn(const QList<CHostEntry>& hosts) const
{
    QSet<QByteArray> listed;
    for (const CHostEntry& entry : hosts)
        listed.insert(Key(entry.strAddress));
    QList<CPresencePeer> peers;
    for (const CPresencePeer& peer : m_peers) {
        const QList<QByteArray> keys = KeysOf(peer);
        if (std::none_of(keys.cbegin(), keys.cend(),
                         [&](const QByteArray& strKey) { return listed.contains(strKey); }) &&
            std::none_of(peers.cbegin(), peers.cend(), [&](const CPresencePeer& known) {
                return known.strAddress == peer.strAddress;
            }))
            peers.append(peer);
    }
    return peers;
}
