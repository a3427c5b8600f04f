#include "core/presence/avahi.h"

#include <QDBusMetaType>

void Avahi::RegisterTypes()
{
    static const bool bRegistered = [] {
        qDBusRegisterMetaType<QByteArrayList>();
        return true;
    }();
    Q_UNUSED(bRegistered);
}
