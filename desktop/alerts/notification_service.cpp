#include "desktop/alerts/notification_service.h"

#include "desktop/resources/icon_list.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QImage>
#include <QVariantMap>

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The program's icon as pixels: servers that look icons up in a theme of their
// own, or run before the program is installed, show it all the same.
struct CImageData
{
    QImage image;
};

QDBusArgument& operator<<(QDBusArgument& argument, const CImageData& data)
{
    argument.beginStructure();
    argument << data.image.width() << data.image.height()
             << static_cast<int>(data.image.bytesPerLine()) << true << 8 << 4
             << QByteArray(reinterpret_cast<const char*>(data.image.constBits()),
                           data.image.sizeInBytes());
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, CImageData& /*data*/)
{
    return argument; // never read
}

QVariant ProgramIcon()
{
    static const QVariant icon = [] {
        qDBusRegisterMetaType<CImageData>();
        constexpr int kSize = 48;
        return QVariant::fromValue(CImageData{CIconList::Named(QStringLiteral("blipnote"))
                                                  .pixmap(kSize, kSize)
                                                  .toImage()
                                                  .convertToFormat(QImage::Format_RGBA8888)});
    }();
    return icon;
}

// The notification's body as markup: a service that reads markup would take
// "<b>" or "&amp;" in a peer's text as its own. Escaped whatever the service
// says it reads, as another process may answer the next call.
QString EscapedBody(const QString& strText)
{
    return strText.toHtmlEscaped();
}
} // namespace

CNotificationService::CNotificationService(const QDBusConnection& bus, QObject* pParent)
    : QObject(pParent), m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    // Only the signals of the process that owns the service's name at the time.
    // (D-Bus signals connect only by the slot's signature.)
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                  SLOT(OnActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                  SLOT(OnClosed(uint, uint)));
    auto* pWatcher =
        new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(pWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &CNotificationService::ServiceChanged);
}

void CNotificationService::Notify(quint32 nReplaces, const CNotification& notification,
                                  const std::function<void(quint32)>& done)
{
    if (!m_bus.isConnected()) {
        done(0);
        return;
    }
    QVariantMap hints;
    hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("blipnote"));
    hints.insert(QStringLiteral("image-data"), ProgramIcon());
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue<uchar>(notification.bCritical ? 2 : 1));
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("Blipnote") << nReplaces << QStringLiteral("blipnote")
         << notification.strSummary << EscapedBody(notification.strBody) << notification.actions
         << hints << -1;
    auto* pWatcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, CallTimeoutMs), this);
    connect(pWatcher, &QDBusPendingCallWatcher::finished, this,
            [done](QDBusPendingCallWatcher* pCall) {
                const QDBusPendingReply<uint> reply = *pCall;
                done(reply.isValid() ? reply.value() : 0);
                pCall->deleteLater();
            });
}

void CNotificationService::Close(quint32 nId)
{
    if (!m_bus.isConnected() || nId == 0)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("CloseNotification"));
    call << nId;
    // Nothing waits for the answer.
    m_bus.asyncCall(call, CallTimeoutMs);
}

void CNotificationService::OnActionInvoked(uint nId, const QString& strKey)
{
    Q_EMIT ActionInvoked(nId, strKey);
}

void CNotificationService::OnClosed(uint nId, uint nReason)
{
    constexpr uint kExpired = 1;
    Q_EMIT Closed(nId, nReason == kExpired);
}
