#include "core/messaging/auto_reply.h"

#include "core/notes/note_record.h"
#include "core/notes/tagged_text.h"
#include "core/settings/app_settings.h"

CAutoReply::CAutoReply(CAppSettings& settings) : m_settings(settings) {}

bool CAutoReply::IsActive() const
{
    return m_settings.m_nAutoReplyActive != 0;
}

void CAutoReply::Start(const QByteArray& strAwayMessage)
{
    m_settings.m_strAwayMessage = strAwayMessage;
    m_settings.m_nAutoReplyActive = 1;
    m_answered.clear();
}

void CAutoReply::End()
{
    m_settings.m_nAutoReplyActive = 0;
}

std::optional<QByteArray> CAutoReply::TakeReplyText(const CNoteRecord& incoming)
{
    if (m_answered.contains(incoming.m_strAddress))
        return std::nullopt;
    m_answered.insert(incoming.m_strAddress);
    // Priority 0 and no address suffix: the reply's own nickname, the away
    // message as body, the subject answered as title.
    return TaggedText::Compose({m_settings.m_strNickname, m_settings.m_strAwayMessage,
                                m_settings.m_strComputerName, incoming.m_strSubject, 0});
}
