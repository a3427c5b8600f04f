#include "core/finger/finger_daemon_socket.h"

#include "core/finger/finger_query_log.h"
#include "core/finger/finger_reply.h"
#include "core/interfaces/logging.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/net/held_port.h"
#include "core/settings/system_info.h"
#include "core/text/code_page.h"

#include <array>
#include <cerrno>
#include <cstring>

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
        const CReply& reply = m_server.ReplyNow(m_settings);
        m_time = reply.time;
        return reply.parts;
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

namespace {

// Whether two texts are the same, at once when they share their bytes (a long
// plan is compared only when it changed).
bool Same(const QByteArray& strA, const QByteArray& strB)
{
    return (strA.constData() == strB.constData() && strA.size() == strB.size()) || strA == strB;
}

bool SameReply(const CFingerSettings& a, const CFingerSettings& b)
{
    return a.bSendSystem == b.bSendSystem && a.bSendOs == b.bSendOs && a.bSendUser == b.bSendUser &&
           a.bSendUptime == b.bSendUptime && a.bSendTime == b.bSendTime &&
           a.bSendPlan == b.bSendPlan && Same(a.strComputerName, b.strComputerName) &&
           Same(a.strPlatform, b.strPlatform) && Same(a.strUserName, b.strUserName) &&
           Same(a.strPlan, b.strPlan);
}

} // namespace

const CFingerDaemonSocket::CReply& CFingerDaemonSocket::ReplyNow(const CFingerSettings& settings)
{
    // What a reply says changes at most once a second (and when the settings
    // do): a server answering thousands of queries a second formats the time
    // once a second, not once a query.
    // The system's clock is asked without the local time zone (looking it up
    // costs more than the rest of a reply); a clock of a test's own is asked.
    const QDateTime now = m_now ? m_now() : QDateTime();
    const qint64 nSecond = m_now ? now.toSecsSinceEpoch() : QDateTime::currentSecsSinceEpoch();
    const quint32 nUptimeSecond = SystemInfo::TickCount() / 1000;
    if (m_reply.nSecond != nSecond || m_reply.nUptimeSecond != nUptimeSecond ||
        !SameReply(m_reply.settings, settings)) {
        const QByteArray strUptime = FormatUptime(nUptimeSecond * 1000);
        m_reply.nSecond = nSecond;
        m_reply.nUptimeSecond = nUptimeSecond;
        m_reply.settings = settings;
        m_reply.time = FingerReply::TimeStamp(m_now ? now : QDateTime::currentDateTime());
        m_reply.parts = FingerReply::BuildParts(settings, m_reply.time, strUptime);
    }
    return m_reply;
}

CConnectionServer::EOpen CFingerDaemonSocket::Open(quint16 nPort, const QHostAddress& address)
{
    const EOpen eOpen = CConnectionServer::Open(nPort, address);
    Report(eOpen);
    return eOpen;
}

CConnectionServer::EOpen CFingerDaemonSocket::Serve(CHeldPort& port)
{
    EOpen eOpen = EOpen::Opened;
    if (const std::optional<int> socket = port.Listen()) {
        if (!Adopt(*socket)) {
            CDescriptor(*socket).Reset();
            port.StopListening();
            eOpen = EOpen::NotSelected;
        }
    } else {
        qCWarning(lcFinger, "finger port: %s failed: %s", port.FailedStep(),
                  std::strerror(port.ErrorNumber()));
        eOpen = port.ErrorNumber() == EADDRINUSE ? EOpen::NotCreated : EOpen::NotListening;
    }
    Report(eOpen);
    return eOpen;
}

void CFingerDaemonSocket::Report(EOpen eOpen)
{
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
}

std::unique_ptr<CConnectionServer::CSession>
CFingerDaemonSocket::NewSession(const QByteArray& strPeer)
{
    return std::make_unique<CFingerSession>(*this, strPeer);
}
