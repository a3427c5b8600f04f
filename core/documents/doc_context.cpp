#include "core/documents/doc_context.h"

#include "core/hosts/host_book.h"
#include "core/messaging/auto_reply.h"
#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"

void CDocContext::Wire(const CAppSettings& settings, const SystemInfo::CSystemInfo& system,
                       CHostBook& hosts, const CAutoReply& autoReply)
{
    identity = [&settings, &system] {
        return CNoteIdentity{settings.SenderNickname(), system.strComputerName,
                             system.strLocalAddress};
    };
    addUnknownSender = [&settings, &hosts](const QByteArray& strNickname,
                                           const QByteArray& strAddress) {
        return hosts.AddUnknownSender(strNickname, strAddress, settings.UseAutoAdd());
    };
    sendSettings = [&settings, &system] {
        return SendSettingsOf(settings, system.strComputerName);
    };
    autoReplyActive = [&autoReply] { return autoReply.IsActive(); };
}
