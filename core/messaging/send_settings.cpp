#include "core/messaging/send_settings.h"

#include "core/net/net_address.h"
#include "core/settings/app_settings.h"

#include <algorithm>

CSendSettings SendSettingsOf(const CAppSettings& settings, const QByteArray& strComputerName)
{
    CSendSettings send;
    // A stored port out of range sends nowhere: the connection is refused and
    // the send says so, rather than going to a port nobody chose.
    send.nPort = NetAddress::Port(settings.IpPort(), NetAddress::EPortUse::Listen).value_or(0);
    send.bMultiSend = settings.MultiSend();
    send.nMultiSendDelay = std::max(0, settings.MultiSendDelay());
    send.bAutoDelete = settings.AutoDelete();
    send.strNickname = settings.SenderNickname();
    send.strComputerName = strComputerName;
    return send;
}
