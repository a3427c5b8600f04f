#include "core/finger/finger_daemon_socket.h"

#include "core/finger/finger_query_log.h"
#include "core/finger/finger_reply.h"
#include "core/interfaces/logging.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/system_info.h"
#include "core/text/code_page.h"

namespace {
constexpr qsizetype kReadSize = 256;
} // namespace

CFingerDaemonSocket::CFingerDaemonSocket(CSettingsSource settings, CFingerQueryLog& log,
                                         IPrompts& prompts, ISoundPlayer& sound,
                                         std::chrono::milliseconds queryTimeLimit, QObject* pParent)
    : CSerialServer(queryTimeLimit, kReadSize, pParent), m_settingsSource(std::move(settings)),
      m_log(log), m_prompts(prompts), m_sound(sound)
{}

CSerialServer::EOpen CFingerDaemonSocket::StartDaemon(quint16 nPort, const QHostAddress& address)
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
        m_bListening = true;
        break;
    }
    return eOpen;
}

void CFingerDaemonSocket::Close()
{
    Shut();
    m_bListening = false;
}

void CFingerDaemonSocket::BeginConnection()
{
    m_settings = m_settingsSource();
    if (m_settings.bUseSound)
        m_sound.Play(CodePage::ToUnicode(m_settings.strSoundFile));
    m_reader.emplace();
}

bool CFingerDaemonSocket::TakeRead(const char* pData, qsizetype nLength)
{
    return m_reader->AppendRead(pData, nLength);
}

void CFingerDaemonSocket::EndConnection(const CConnection& connection, EEnd)
{
    // Whatever ended the reading, the part received so far is the query.
    const QByteArray strQuery = m_reader->QueryText();
    m_reader.reset();
    const FingerReply::CTimeStamp time = FingerReply::TimeStamp(m_now());
    const QByteArray strReply = FingerReply::Build(m_settings, time, FormatUptime());
    if (connection.Send(strReply) != strReply.size()) {
        qCDebug(lcFinger, "the query of %s was not answered, so not logged",
                connection.PeerAddress().constData());
        return;
    }
    const QByteArray strTime = time.Text();
    m_log.Append({strTime, strQuery, connection.PeerAddress()});
    Q_EMIT QueryLogged(strTime, strQuery, connection.PeerAddress());
}
