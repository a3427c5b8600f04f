#include "core/presence/presence_announcer.h"

#include "core/interfaces/logging.h"
#include "core/interfaces/version.h"
#include "core/presence/avahi.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

// DNS-SD names are at most 63 bytes of UTF-8.
QString ServiceName(const CPresenceRecord& record)
{
    QString strName = record.strComputer.isEmpty()
                          ? record.strNickname
                          : QStringLiteral("%1 on %2").arg(record.strNickname, record.strComputer);
    if (strName.trimmed().isEmpty())
        strName = QStringLiteral("Blipnote");
    while (strName.toUtf8().size() > 63)
        strName.chop(1);
    return strName;
}

constexpr int kCallTimeoutMs = 10000;

} // namespace

CPresenceAnnouncer::CAnnouncement
CPresenceAnnouncer::AnnouncementOf(const CAppSettings& settings, const QByteArray& strComputerName)
{
    CAnnouncement announcement;
    announcement.nPort = static_cast<quint16>(settings.IpPort());
    announcement.record.strNickname = CodePage::ToUnicode(settings.SenderNickname());
    announcement.record.strComputer = CodePage::ToUnicode(strComputerName);
    announcement.record.strVersion = QString::fromLatin1(Version::Text);
    return announcement;
}

CPresenceAnnouncer::CPresenceAnnouncer(const QDBusConnection& bus, QObject* pParent)
    : QObject(pParent), m_bus(bus),
      m_watcher(Avahi::Service, bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    Avahi::RegisterTypes();
    m_retry.setSingleShot(true);
    m_retry.setInterval(RetryPause);
    connect(&m_retry, &QTimer::timeout, this, &CPresenceAnnouncer::Register);
    // A daemon that starts or restarts knows nothing of us: announce again.
    connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& strNewOwner) {
                m_strGroupPath.clear();
                SetEstablished(false);
                if (m_bWanted && !strNewOwner.isEmpty())
                    Register();
            });
}

CPresenceAnnouncer::~CPresenceAnnouncer()
{
    FreeGroup();
}

void CPresenceAnnouncer::Announce(const CAnnouncement& announcement)
{
    if (m_bWanted && announcement == m_announcement)
        return;
    m_announcement = announcement;
    m_bWanted = true;
    m_strName = ServiceName(announcement.record);
    Register();
}

void CPresenceAnnouncer::Withdraw()
{
    m_bWanted = false;
    m_retry.stop();
    ++m_nGeneration;
    FreeGroup();
    SetEstablished(false);
}

void CPresenceAnnouncer::Register()
{
    m_retry.stop();
    ++m_nGeneration;
    FreeGroup();
    SetEstablished(false);
    if (!m_bWanted || !m_bus.isConnected())
        return;
    const quint64 nGeneration = m_nGeneration;
    Call(QStringLiteral("/"), Avahi::ServerInterface, QStringLiteral("EntryGroupNew"), {},
         [this, nGeneration](const QDBusMessage& reply) {
             if (nGeneration != m_nGeneration)
                 return;
             m_strGroupPath = reply.arguments().value(0).value<QDBusObjectPath>().path();
             if (m_strGroupPath.isEmpty()) {
                 Fail(QStringLiteral("no entry group"));
                 return;
             }
             m_bus.connect(Avahi::Service, m_strGroupPath, Avahi::EntryGroupInterface,
                           QStringLiteral("StateChanged"), this,
                           SLOT(OnGroupStateChanged(int, QString)));
             AddService();
         });
}

void CPresenceAnnouncer::AddService()
{
    const quint64 nGeneration = m_nGeneration;
    const QVariantList arguments = {Avahi::InterfaceUnspec,
                                    Avahi::ProtocolUnspec,
                                    0u,
                                    m_strName,
                                    Avahi::ServiceType,
                                    QString(),
                                    QString(),
                                    QVariant::fromValue<quint16>(m_announcement.nPort),
                                    QVariant::fromValue(m_announcement.record.ToTxt())};
    Call(m_strGroupPath, Avahi::EntryGroupInterface, QStringLiteral("AddService"), arguments,
         [this, nGeneration](const QDBusMessage&) {
             if (nGeneration != m_nGeneration)
                 return;
             Call(m_strGroupPath, Avahi::EntryGroupInterface, QStringLiteral("Commit"), {},
                  [](const QDBusMessage&) {});
         });
}

void CPresenceAnnouncer::OnGroupStateChanged(int nState, const QString& strError)
{
    if (nState == Avahi::GroupEstablished) {
        qCInfo(lcPresence, "announced as \"%s\"", qUtf8Printable(m_strName));
        SetEstablished(true);
    } else if (nState == Avahi::GroupCollision) {
        TakeAnotherName();
    } else if (nState == Avahi::GroupFailure) {
        Fail(strError);
    }
}

void CPresenceAnnouncer::TakeAnotherName()
{
    // Another copy has the name, on the network or on this computer: ask the
    // daemon for the next one ("name #2").
    const quint64 nGeneration = ++m_nGeneration;
    FreeGroup();
    SetEstablished(false);
    Call(QStringLiteral("/"), Avahi::ServerInterface, QStringLiteral("GetAlternativeServiceName"),
         {m_strName}, [this, nGeneration](const QDBusMessage& reply) {
             if (nGeneration != m_nGeneration)
                 return;
             m_strName = reply.arguments().value(0).toString();
             Register();
         });
}

void CPresenceAnnouncer::FreeGroup()
{
    if (m_strGroupPath.isEmpty())
        return;
    m_bus.disconnect(Avahi::Service, m_strGroupPath, Avahi::EntryGroupInterface,
                     QStringLiteral("StateChanged"), this, SLOT(OnGroupStateChanged(int, QString)));
    // Freeing the group withdraws its service; nobody waits for the answer.
    QDBusMessage call = QDBusMessage::createMethodCall(
        Avahi::Service, m_strGroupPath, Avahi::EntryGroupInterface, QStringLiteral("Free"));
    call.setAutoStartService(false);
    m_bus.asyncCall(call, kCallTimeoutMs);
    m_strGroupPath.clear();
}

void CPresenceAnnouncer::Fail(const QString& strWhy)
{
    qCInfo(lcPresence, "cannot announce: %s", qUtf8Printable(strWhy));
    ++m_nGeneration;
    FreeGroup();
    SetEstablished(false);
    if (m_bWanted)
        m_retry.start();
}

void CPresenceAnnouncer::SetEstablished(bool bEstablished)
{
    if (m_bEstablished == bEstablished)
        return;
    m_bEstablished = bEstablished;
    Q_EMIT StateChanged();
}

void CPresenceAnnouncer::Call(const QString& strPath, const QString& strInterface,
                              const QString& strMethod, const QVariantList& arguments,
                              const std::function<void(const QDBusMessage&)>& done)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(Avahi::Service, strPath, strInterface, strMethod);
    call.setArguments(arguments);
    auto* pWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    const quint64 nGeneration = m_nGeneration;
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this,
            [this, done, nGeneration, strMethod](QDBusPendingCallWatcher* pCall) {
                pCall->deleteLater();
                const QDBusMessage reply = pCall->reply();
                if (reply.type() == QDBusMessage::ErrorMessage) {
                    // No daemon: the watcher announces when one comes.
                    if (nGeneration != m_nGeneration ||
                        reply.errorName() ==
                            QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"))
                        return;
                    // A name another program of this computer holds is
                    // refused at once, not told as a collision later.
                    if (reply.errorName() ==
                        QStringLiteral("org.freedesktop.Avahi.LocalCollisionError"))
                        TakeAnotherName();
                    else
                        Fail(strMethod + QStringLiteral(": ") + reply.errorMessage());
                    return;
                }
                done(reply);
            });
}
