#include "core/messaging/auto_reply.h"

#include "core/notes/note_record.h"
#include "core/notes/tagged_text.h"
#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"

CAutoReply::CAutoReply(CAppSettings& settings, const SystemInfo::CSystemInfo& system)
    : m_settings(settings), m_system(system)
{}

void CAutoReply::Start(const QByteArray& strAwayMessage)
{
    m_settings.SetAwayMessage(strAwayMessage);
    m_bActive = true;
    m_answered.clear();
}

void CAutoReply::End()
{
    m_bActive = false;
}

std::optional<QByteArray> CAutoReply::TakeReplyText(const CNoteRecord& incoming)
{
    if (m_answered.contains(incoming.m_strAddress))
        return std::nullopt;
    m_answered.insert(incoming.m_strAddress);
    // Priority 0 and no address suffix: the reply's own nickname, the away
    // message as body, the subject answered as title.
    return TaggedText::Compose({m_settings.SenderNickname(), m_settings.AwayMessage(),
                                m_system.strComputerName, incoming.m_strSubject, 0});
}
