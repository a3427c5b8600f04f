#pragma once

#include <QByteArrayList>
#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QHash>
#include <QList>
#include <QString>

// The Avahi daemon's D-Bus interface as far as the programs use it, on a
// connection of its own to a private bus, over a "network" the test fills:
// services announced by others, and those the program announces. Browsers
// hear of services before they are told their own path, as the real daemon
// may do; lookups answer at once unless held.
class CStandInAvahi : public QDBusVirtualObject
{
    Q_OBJECT

public:
    struct CService
    {
        QString strName;
        QString strAddress;
        quint16 nPort = 0;
        QByteArrayList txt;
        bool bOurs = false;           // announced through this stand-in by a program
        QString strOwner = QString(); // that program's connection
    };

    // bus: the bus type the stand-in serves on (the tests' private session bus).
    explicit CStandInAvahi(QDBusConnection::BusType eBus = QDBusConnection::SessionBus);
    ~CStandInAvahi() override;

    // Takes the daemon's name on the bus, or gives it up (the daemon stops).
    bool Start();
    void Stop();

    // Another host announces a service, or withdraws it.
    void Announce(const CService& service);
    void Withdraw(const QString& strName);

    // What programs announced through the stand-in (committed groups).
    QList<CService> Announced() const;
    // How many lookups were asked at once at most, and in all.
    int MostResolving() const { return m_nMostResolving; }
    int Resolves() const { return m_nResolves; }
    // Holds lookups until released (to see how many a program asks at once).
    void HoldLookups(bool bHold);
    // Marks services of the name as the browsing program's own, as the real
    // daemon does while one of that program's groups bears the name.
    void MarkAsOurs(const QString& strName) { m_ours.append(strName); }

    QString introspect(const QString& strPath) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    struct CGroup
    {
        QString strOwner;
        QList<CService> services;
        bool bCommitted = false;
    };

    void Reply(const QDBusMessage& message, const QVariantList& arguments);
    void Error(const QDBusMessage& message, const QString& strName, const QString& strText);
    void Signal(const QString& strPath, const QString& strInterface, const QString& strMember,
                const QVariantList& arguments);
    void TellBrowsers(const CService& service, bool bNew);
    void TellBrowser(const QString& strBrowser, const CService& service, bool bNew);
    void Resolve(const QDBusMessage& message);
    const CService* Find(const QString& strName) const;
    void Commit(const QString& strPath, const QDBusMessage& message);
    void FreeGroup(const QString& strPath);

    QDBusConnection m_bus;
    QList<CService> m_others;
    QHash<QString, CGroup> m_groups;
    QHash<QString, QString> m_browsers; // path, owner
    QList<QDBusMessage> m_heldLookups;
    bool m_bHold = false;
    QStringList m_ours;
    int m_nResolving = 0;
    int m_nMostResolving = 0;
    int m_nResolves = 0;
    int m_nObjects = 0;
};
