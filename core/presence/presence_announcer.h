#pragma once

#include "core/presence/presence_record.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QTimer>

#include <chrono>

class CAppSettings;

// Announces this copy on the local network as a `_blipnote._tcp` service on its
// note port, through the Avahi daemon on a D-Bus connection (the system bus).
// Every call is asynchronous: without a daemon nothing fails and nothing waits;
// the announcement is made again when a daemon appears or restarts, under
// another name when the name is taken, and tried again after a failure.
class CPresenceAnnouncer : public QObject
{
    Q_OBJECT

public:
    struct CAnnouncement
    {
        quint16 nPort = 0;
        CPresenceRecord record = CPresenceRecord();
        bool operator==(const CAnnouncement&) const = default;
    };

    // What the settings say of this copy: its note port ("IP Port"), the
    // nickname it sends with, this computer's name and the version.
    static CAnnouncement AnnouncementOf(const CAppSettings& settings,
                                        const QByteArray& strComputerName);

    explicit CPresenceAnnouncer(const QDBusConnection& bus, QObject* pParent = nullptr);
    ~CPresenceAnnouncer() override;

    // Announces, or changes what is announced; the same announcement again
    // does nothing.
    void Announce(const CAnnouncement& announcement);
    // Withdraws the announcement at once (the daemon tells the network).
    void Withdraw();

    bool IsAnnounced() const { return m_bEstablished; }
    // Whether an announcement is wanted (made, or being made).
    bool IsWanted() const { return m_bWanted; }
    // The name announced under (after a collision, another one).
    QString Name() const { return m_strName; }

    // The pause before trying again after a failure.
    static constexpr std::chrono::seconds RetryPause{10};

Q_SIGNALS:
    // Established, withdrawn or failed.
    void StateChanged();

private Q_SLOTS:
    void OnGroupStateChanged(int nState, const QString& strError);

private:
    void Register();
    void AddService();
    void TakeAnotherName();
    void FreeGroup();
    void Fail(const QString& strWhy);
    void SetEstablished(bool bEstablished);
    // Calls a method of the daemon; done gets the reply on success.
    void Call(const QString& strPath, const QString& strInterface, const QString& strMethod,
              const QVariantList& arguments, const std::function<void(const QDBusMessage&)>& done);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher;
    QTimer m_retry;
    CAnnouncement m_announcement;
    bool m_bWanted = false;
    bool m_bEstablished = false;
    QString m_strName;
    QString m_strGroupPath;
    // Counts the registrations, so that answers to an earlier one are ignored.
    quint64 m_nGeneration = 0;
};
