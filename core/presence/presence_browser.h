#pragma once

#include "core/presence/presence_record.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QHash>
#include <QList>
#include <QObject>

#include <deque>

// Finds the copies announced on the local network (`_blipnote._tcp`) through the
// Avahi daemon on a D-Bus connection, and tells when one appears at an address
// and when it goes (withdrawn, or its announcement expired). Every call is
// asynchronous; without a daemon it says so and waits for one to appear. A
// network full of announcements costs bounded memory and work: at most
// MaxServices are followed and MaxResolving looked up at a time.
class CPresenceBrowser : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxServices = 1024;
    static constexpr int MaxResolving = 8;

    explicit CPresenceBrowser(const QDBusConnection& bus, QObject* pParent = nullptr);
    ~CPresenceBrowser() override;

    // Begins browsing (and again whenever a daemon appears).
    void Start();
    // The name this program announces under ("" none). The daemon marks a
    // program's own services, but judges by the names of its entry groups:
    // while a name taken by another copy is being given up, that copy's
    // service is marked too. Such services are looked up once the name they
    // bear is no longer this program's.
    void SetOwnName(const QString& strName);

    bool IsAvailable() const { return m_bAvailable; }
    // Why presence is unavailable ("" while it is available or not yet known).
    QString UnavailableReason() const { return m_strUnavailable; }
    // The copies found now, in the order they appeared.
    QList<CPresencePeer> Peers() const;
    // Whether the first answers are all in: the daemon said so and every
    // service it named then has been looked up.
    bool IsSettled() const { return m_bAllForNow && m_resolving == 0 && m_toResolve.empty(); }

Q_SIGNALS:
    void Appeared(const CPresencePeer& peer);
    void Gone(const CPresencePeer& peer);
    // Told at the first answer and at every change.
    void AvailabilityChanged(bool bAvailable);
    // IsSettled() became true.
    void Settled();

private Q_SLOTS:
    void OnBrowserSignal(const QDBusMessage& message);

private:
    // One service as the daemon reports it: per network interface and protocol.
    struct CItemKey
    {
        int nInterface = 0;
        int nProtocol = 0;
        QString strName;
        QString strDomain;
        bool operator==(const CItemKey&) const = default;
    };
    friend size_t qHash(const CItemKey& key, size_t nSeed)
    {
        return qHashMulti(nSeed, key.nInterface, key.nProtocol, key.strName, key.strDomain);
    }
    struct CItem
    {
        bool bResolved = false;
        bool bOurOwn = false; // marked as this program's: not looked up while its name is
        // Its latest lookup: an answer to an earlier one, or to a service
        // that went and came back meanwhile, is not taken.
        quint64 nLookup = 0;
        CPresencePeer peer;
    };

    void Stop();
    void SetAvailable(bool bAvailable, const QString& strReason);
    void OnItemNew(const CItemKey& key, uint nFlags);
    void OnItemRemove(const CItemKey& key);
    // Looks the service up (again), after those waiting.
    void Queue(const CItemKey& key, CItem& item);
    void ResolveNext();
    void OnResolved(const CItemKey& key, quint64 nLookup, const QDBusMessage& reply);
    void AddPeer(const CPresencePeer& peer);
    void RemovePeer(const CPresencePeer& peer);
    void CheckSettled();

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    bool m_bAvailable = false;
    bool m_bKnown = false; // whether availability was told yet
    QString m_strUnavailable;
    QString m_strBrowserPath;
    QString m_strOwnName;
    // Signals that came before the browser's path was known.
    QList<QDBusMessage> m_early;
    quint64 m_nGeneration = 0;
    bool m_bAllForNow = false;
    bool m_bSettledTold = false;
    QHash<CItemKey, CItem> m_items;
    std::deque<std::pair<CItemKey, quint64>> m_toResolve;
    quint64 m_nLookups = 0;
    int m_resolving = 0;
    // The peers found, with how many items name each.
    QList<QPair<CPresencePeer, int>> m_peers;
};
