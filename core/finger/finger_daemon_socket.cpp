#include "core/finger/finger_daemon_socket.h"

#include "core/finger/finger_query_log.h"
#include "core/finger/finger_reply.h"
#include "core/interfaces/logging.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/system_info.h"
#include "core/text/code_page.h"

#include <array>

namespace {
constexpr qsizetype kReadSize = 256;
} // namespace

// One query: its line read, the reply built from the settings of its time.
class CFingerDaemonSocket::CFingerSession : public CSession
{
public:
    CFingerSession(CFingerDaemonSocket& server, QByteArray strPeer)
        : m_server(server), m_strPeer(std::move(strPeer)), m_settings(server.m_settingsSource())
    {
        if (m_settings.bUseSound)
            m_server.m_sound.Play(CodePage::ToUnicode(m_settings.strSoundFile));
    }

    char* ReadRoom(qsizetype) override { return m_readRoom.data(); }
    bool TookRead(qsizetype nLength) override
    {
        return m_reader.AppendRead(m_readRoom.data(), nLength);
    }

    std::optional<QByteArrayList> Answer(EEnd, const CAnswerLater&) override
    {
        // Whatever ended the reading, the part received so far is the query.
        m_time = FingerReply::TimeStamp(m_server.m_now());
        return FingerReply::BuildParts(m_settings, m_time, FormatUptime());
    }

    void Answered(bool bSent) override
    {
        if (!bSent) {
            qCDebug(lcFinger, "the query of %s was not answered, so not logged",
                    m_strPeer.constData());
            return;
        }
        const QByteArray strTime = m_time.Text();
        m_server.m_log.Append({strTime, m_reader.QueryText(), m_strPeer});
        Q_EMIT m_server.QueryLogged(strTime, m_reader.QueryText(), m_strPeer);
    }

private:
    CFingerDaemonSocket& m_server;
    QByteArray m_strPeer;
    CFingerSettings m_settings;
    CFingerQueryReader m_reader;
    std::array<char, kReadSize> m_readRoom;
    FingerReply::CTimeStamp m_time;
};

CFingerDaemonSocket::CFingerDaemonSocket(CSettingsSource settings, CFingerQueryLog& log,
                                         IPrompts& prompts, ISoundPlayer& sound,
                                         std::chrono::milliseconds queryTimeLimit, QObject* pParent)
    : CConnectionServer({.timeLimit = queryTimeLimit}, kReadSize, pParent),
      m_settingsSource(std::move(settings)), m_log(log), m_prompts(prompts), m_sound(sound)
{}

CConnectionServer::EOpen CFingerDaemonSocket::StartDaemon(quint16 nPort,
                                                          const QHostAddress& address)
{
    const EOpen eOpen = Open(nPort, address);
    switch (eOpen) {
    case EOpen::NotCreated:
        m_prompts.ShowMessage(
            QStringLiteral("Cannot create serversocket for FingerDaemon.\nFingerDaemon disabled."),
            PromptIcon::Stop);
        break;
    case EOpen::NotListening:
        m_prompts.ShowMessage(QStringLiteral("FingerDaemon cannot listen port 79"),
                              PromptIcon::Stop);
        break;
    case EOpen::NotSelected:
        m_prompts.ShowMessage(QStringLiteral("FingerDaemon cannot AsyncSelect !"),
                              PromptIcon::Stop);
        break;
    case EOpen::Opened:
        break;
    }
    return eOpen;
}

void CFingerDaemonSocket::Close()
{
    Shut();
}

std::unique_ptr<CConnectionServer::CSession>
CFingerDaemonSocket::NewSession(const QByteArray& strPeer)
{
    return std::make_unique<CFingerSession>(*this, strPeer);
}
