#include "tests/support/stand_in_avahi.h"

#include "core/presence/avahi.h"

#include <QDBusConnectionInterface>
#include <QDBusObjectPath>

namespace {

const QString kStandIn = QStringLiteral("stand-in-avahi");

} // namespace

CStandInAvahi::CStandInAvahi(QDBusConnection::BusType eBus)
    : m_bus(QDBusConnection::connectToBus(eBus, kStandIn))
{
    Avahi::RegisterTypes();
    m_bus.registerVirtualObject(QStringLiteral("/"), this, QDBusConnection::SubPath);
}

CStandInAvahi::~CStandInAvahi()
{
    Stop();
    m_bus.unregisterObject(QStringLiteral("/"));
    QDBusConnection::disconnectFromBus(kStandIn);
}

bool CStandInAvahi::Start()
{
    return m_bus.registerService(Avahi::Service);
}

void CStandInAvahi::Stop()
{
    // A daemon that stops forgets its clients' groups and browsers.
    m_bus.unregisterService(Avahi::Service);
    m_groups.clear();
    m_browsers.clear();
}

void CStandInAvahi::Announce(const CService& service)
{
    m_others.append(service);
    TellBrowsers(service, true);
}

void CStandInAvahi::Withdraw(const QString& strName)
{
    for (qsizetype i = 0; i < m_others.size(); ++i) {
        if (m_others.at(i).strName == strName) {
            const CService service = m_others.takeAt(i);
            TellBrowsers(service, false);
            return;
        }
    }
}

QList<CStandInAvahi::CService> CStandInAvahi::Announced() const
{
    QList<CService> services;
    for (const CGroup& group : m_groups) {
        if (group.bCommitted)
            services += group.services;
    }
    return services;
}

void CStandInAvahi::HoldLookups(bool bHold)
{
    m_bHold = bHold;
    if (bHold)
        return;
    const QList<QDBusMessage> held = std::exchange(m_heldLookups, {});
    for (const QDBusMessage& message : held) {
        --m_nResolving;
        Resolve(message);
    }
}

QString CStandInAvahi::introspect(const QString&) const
{
    return QString();
}

bool CStandInAvahi::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    const QString strMember = message.member();
    const QVariantList arguments = message.arguments();
    const QString strPath = message.path();
    if (message.interface() == Avahi::ServerInterface) {
        if (strMember == QStringLiteral("EntryGroupNew")) {
            const QString strGroup = QStringLiteral("/Client/EntryGroup%1").arg(++m_nObjects);
            m_groups.insert(strGroup, CGroup{message.service(), {}, false});
            Reply(message, {QVariant::fromValue(QDBusObjectPath(strGroup))});
        } else if (strMember == QStringLiteral("ServiceBrowserNew")) {
            const QString strBrowser = QStringLiteral("/Client/ServiceBrowser%1").arg(++m_nObjects);
            m_browsers.insert(strBrowser, message.service());
            // What the daemon knows comes before the path, then "all for now".
            for (const CService& service : m_others + Announced())
                TellBrowser(strBrowser, service, true);
            Reply(message, {QVariant::fromValue(QDBusObjectPath(strBrowser))});
            Signal(strBrowser, Avahi::BrowserInterface, QStringLiteral("AllForNow"), {});
        } else if (strMember == QStringLiteral("ResolveService")) {
            ++m_nResolves;
            m_nMostResolving = std::max(m_nMostResolving, ++m_nResolving);
            if (m_bHold)
                m_heldLookups.append(message);
            else
                Resolve(message);
        } else if (strMember == QStringLiteral("GetAlternativeServiceName")) {
            Reply(message, {arguments.value(0).toString() + QStringLiteral(" #2")});
        } else {
            return false;
        }
        return true;
    }
    if (message.interface() == Avahi::EntryGroupInterface && m_groups.contains(strPath)) {
        if (strMember == QStringLiteral("AddService")) {
            CService service;
            service.strName = arguments.value(3).toString();
            service.strAddress = QStringLiteral("127.0.0.1");
            service.nPort = static_cast<quint16>(arguments.value(7).toUInt());
            service.txt = qdbus_cast<QByteArrayList>(arguments.value(8));
            service.bOurs = true;
            service.strOwner = message.service();
            m_groups[strPath].services.append(service);
            Reply(message, {});
        } else if (strMember == QStringLiteral("Commit")) {
            Reply(message, {});
            Commit(strPath, message);
        } else if (strMember == QStringLiteral("Free")) {
            Reply(message, {});
            FreeGroup(strPath);
        } else {
            return false;
        }
        return true;
    }
    if (message.interface() == Avahi::BrowserInterface && strMember == QStringLiteral("Free")) {
        m_browsers.remove(strPath);
        Reply(message, {});
        return true;
    }
    return false;
}

void CStandInAvahi::Commit(const QString& strPath, const QDBusMessage&)
{
    CGroup& group = m_groups[strPath];
    for (const CService& service : std::as_const(group.services)) {
        if (Find(service.strName)) {
            Signal(strPath, Avahi::EntryGroupInterface, QStringLiteral("StateChanged"),
                   {Avahi::GroupCollision, QStringLiteral("Local name collision")});
            return;
        }
    }
    group.bCommitted = true;
    Signal(strPath, Avahi::EntryGroupInterface, QStringLiteral("StateChanged"),
           {Avahi::GroupEstablished, QString()});
    for (const CService& service : std::as_const(group.services))
        TellBrowsers(service, true);
}

void CStandInAvahi::FreeGroup(const QString& strPath)
{
    const CGroup group = m_groups.take(strPath);
    if (group.bCommitted) {
        for (const CService& service : group.services)
            TellBrowsers(service, false);
    }
}

const CStandInAvahi::CService* CStandInAvahi::Find(const QString& strName) const
{
    for (const CService& service : m_others) {
        if (service.strName == strName)
            return &service;
    }
    for (const CGroup& group : m_groups) {
        for (const CService& service : group.services) {
            if (group.bCommitted && service.strName == strName)
                return &service;
        }
    }
    return nullptr;
}

void CStandInAvahi::Resolve(const QDBusMessage& message)
{
    --m_nResolving;
    const QVariantList arguments = message.arguments();
    const CService* pService = Find(arguments.value(2).toString());
    if (!pService) {
        Error(message, QStringLiteral("org.freedesktop.Avahi.TimeoutError"),
              QStringLiteral("Timeout reached"));
        return;
    }
    const unsigned nFlags = pService->bOurs ? Avahi::ResultLocal : 0;
    Reply(message, {arguments.value(0), arguments.value(1), pService->strName, Avahi::ServiceType,
                    QStringLiteral("local"), QStringLiteral("host.local"), Avahi::ProtocolInet,
                    pService->strAddress, QVariant::fromValue(pService->nPort),
                    QVariant::fromValue(pService->txt), nFlags});
}

void CStandInAvahi::TellBrowsers(const CService& service, bool bNew)
{
    for (auto it = m_browsers.cbegin(); it != m_browsers.cend(); ++it)
        TellBrowser(it.key(), service, bNew);
}

void CStandInAvahi::TellBrowser(const QString& strBrowser, const CService& service, bool bNew)
{
    // The daemon tells a program of its own services as such.
    unsigned nFlags = service.bOurs ? Avahi::ResultLocal : 0u;
    if ((service.bOurs && service.strOwner == m_browsers.value(strBrowser)) ||
        m_ours.contains(service.strName))
        nFlags |= Avahi::ResultOurOwn;
    Signal(strBrowser, Avahi::BrowserInterface,
           bNew ? QStringLiteral("ItemNew") : QStringLiteral("ItemRemove"),
           {2, Avahi::ProtocolInet, service.strName, Avahi::ServiceType, QStringLiteral("local"),
            nFlags});
}

void CStandInAvahi::Reply(const QDBusMessage& message, const QVariantList& arguments)
{
    QDBusMessage reply = message.createReply(arguments);
    m_bus.send(reply);
}

void CStandInAvahi::Error(const QDBusMessage& message, const QString& strName,
                          const QString& strText)
{
    m_bus.send(message.createErrorReply(strName, strText));
}

void CStandInAvahi::Signal(const QString& strPath, const QString& strInterface,
                           const QString& strMember, const QVariantList& arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(strPath, strInterface, strMember);
    signal.setArguments(arguments);
    m_bus.send(signal);
}
