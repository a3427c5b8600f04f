#include "core/finger/finger_daemon_socket.h"

#include "core/finger/finger_reply.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/app_settings.h"
#include "core/settings/system_info.h"
#include "core/text/code_page.h"

namespace {
constexpr qsizetype kReadSize = 256;
} // namespace

CFingerDaemonSocket::CFingerDaemonSocket(CAppSettings& settings, IPrompts& prompts,
                                         ISoundPlayer& sound,
                                         std::chrono::milliseconds queryTimeLimit, QObject* pParent)
    : CSerialServer(queryTimeLimit, kReadSize, pParent), m_settings(settings), m_prompts(prompts),
      m_sound(sound)
{}

bool CFingerDaemonSocket::StartDaemon(quint16 nPort, const QHostAddress& address,
                                      bool bStoreFailure)
{
    switch (Open(nPort, address)) {
    case EOpen::NotCreated:
        m_prompts.ShowMessage(
            QStringLiteral("Cannot create serversocket for FingerDaemon.\nFingerDaemon disabled."),
            PromptIcon::Stop);
        m_settings.m_nUseFingerD = 0;
        if (bStoreFailure)
            m_settings.Save(SettingsGroup::Finger);
        return false;
    case EOpen::NotListening:
        m_prompts.ShowMessage(QStringLiteral("FingerDaemon cannot listen port 79"),
                              PromptIcon::Stop);
        return false;
    case EOpen::NotSelected:
        m_prompts.ShowMessage(QStringLiteral("FingerDaemon cannot AsyncSelect !"),
                              PromptIcon::Stop);
        return false;
    case EOpen::Opened:
        break;
    }
    m_bListening = 1;
    return true;
}

void CFingerDaemonSocket::Close()
{
    Shut();
    m_bListening = 0;
}

void CFingerDaemonSocket::BeginConnection()
{
    if (m_settings.m_nFingerUseSound)
        m_sound.Play(CodePage::ToUnicode(m_settings.m_strFingerSoundFile));
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
    if (connection.Send(strReply) != strReply.size())
        return; // not answered, not logged
    const QByteArray strTime = time.Text();
    m_settings.m_fingerQueryLog.Append({strTime, strQuery, connection.PeerAddress()});
    Q_EMIT QueryLogged(strTime, strQuery, connection.PeerAddress());
}
