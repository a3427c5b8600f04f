#pragma once

#include "core/presence/presence_record.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>

#include <functional>

class CHostList;
struct CHostEntry;

// Who is up, as far as this run knows without asking anyone: a host whose
// copy is announced on the network is here until its announcement goes; a
// host that sent a note, or answered the Seeker, was here at that moment; one
// the Seeker found down was gone then. Hosts are looked up by their address as
// the host list writes it: an IP address, or a computer name that an
// announcement gives (with or without ".local"). Nothing here sends anything.
class CHostPresence : public QObject
{
    Q_OBJECT

public:
    enum class EState
    {
        Unknown,
        Here, // announced now
        Seen, // sent a note or answered, at lastSeen
        Gone, // withdrawn, or found down, at lastSeen or changed
    };
    struct CState
    {
        EState eState = EState::Unknown;
        // When the host was last known to be up (invalid: never in this run).
        QDateTime lastSeen = QDateTime();
    };

    using CClock = std::function<QDateTime()>;

    explicit CHostPresence(QObject* pParent = nullptr);

    void SetClock(CClock clock) { m_now = std::move(clock); }

    // From the network.
    void PeerAppeared(const CPresencePeer& peer);
    void PeerGone(const CPresencePeer& peer);
    // Presence cannot be known (no daemon): the announced hosts count as gone.
    void AllGone();
    // The host at the address was up just now: a note came from it, or one
    // was delivered to it ("ADDRESS:PORT" counts for the address).
    void SeenAt(const QByteArray& strAddress);
    // The Seeker's answer for the address: up or down.
    void SeekResult(const QByteArray& strAddress, bool bUp);

    CState StateOf(const QByteArray& strAddress) const;
    // Nothing is known of any host.
    bool IsEmpty() const { return m_states.isEmpty(); }
    // "here", "gone, last seen 14:02", "seen 7 Dec 14:02", or "" when unknown.
    QString TextOf(const QByteArray& strAddress) const;
    // Per group of the list: how many of its hosts are here (announced now),
    // of all of them; one pass over the list.
    struct CGroupCount
    {
        int nHere = 0;
        int nAll = 0;
    };
    QHash<QByteArray, CGroupCount> GroupCounts(const CHostList& hosts) const;
    // The copies announced now, in the order they appeared.
    const QList<CPresencePeer>& Peers() const { return m_peers; }
    // Those of them whose address (or computer name) no host of the list has,
    // once per address.
    QList<CPresencePeer> PeersNotIn(const QList<CHostEntry>& hosts) const;

    static QString StateText(const CState& state, const QDateTime& now);

Q_SIGNALS:
    // Something changed (the views repaint; nothing is asked of them).
    void Changed();

private:
    static QByteArray Key(QByteArrayView strAddress);
    // The keys an announcement answers to: its address, its computer's name.
    static QList<QByteArray> KeysOf(const CPresencePeer& peer);
    QDateTime Now() const;
    void Set(const QByteArray& strKey, EState eState, bool bSeenNow);

    CClock m_now;
    QList<CPresencePeer> m_peers;
    // Per key: how many announcements name it now.
    QHash<QByteArray, int> m_announced;
    QHash<QByteArray, CState> m_states;
};
