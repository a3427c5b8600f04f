#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

// The desktop's notification service (org.freedesktop.Notifications) on a
// D-Bus connection. Every call is asynchronous and bounded in time: a missing,
// slow or dying service never makes the program wait, its notifications are
// then simply not shown.
class CNotificationService : public QObject
{
    Q_OBJECT

public:
    struct CNotification
    {
        QString strSummary = QString();
        QString strBody = QString(); // plain text; always escaped, as the service may read markup
        bool bCritical = false;
        // Pairs of action key and label; the key "default" is a click on it.
        QStringList actions = QStringList();
    };

    explicit CNotificationService(const QDBusConnection& bus, QObject* pParent = nullptr);

    bool IsConnected() const { return m_bus.isConnected(); }
    // Shows a notification, in place of nReplaces's when that is still shown;
    // done gets its number, or 0 when the service did not take it.
    void Notify(quint32 nReplaces, const CNotification& notification,
                const std::function<void(quint32)>& done);
    void Close(quint32 nId);

    // How long a call may take before it counts as failed: long, as a late
    // answer would leave a notification that can be neither replaced nor withdrawn.
    static constexpr int CallTimeoutMs = 25000;

Q_SIGNALS:
    void ActionInvoked(quint32 nId, const QString& strKey);
    // Closed by the user or the program, or (bExpired) by its time.
    void Closed(quint32 nId, bool bExpired);
    // Another process serves notifications now (or none does): the numbers
    // of earlier notifications are no longer ours.
    void ServiceChanged();

private Q_SLOTS:
    // The service's signals (D-Bus signals are connected by signature).
    void OnActionInvoked(uint nId, const QString& strKey);
    void OnClosed(uint nId, uint nReason);

private:
    QDBusConnection m_bus;
};
