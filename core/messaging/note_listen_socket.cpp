#include "core/messaging/note_listen_socket.h"

#include "core/interfaces/status_sink.h"
#include "core/messaging/acknowledgement.h"
#include "core/messaging/note_receive_buffer.h"
#include "core/messaging/tagged_text.h"

#include <memory>

// One connection's note: read until its end, answered with its count.
class CNoteListenSocket::CNoteSession : public CSession
{
public:
    CNoteSession(CNoteListenSocket& server, QByteArray strPeer)
        : m_server(server), m_strPeer(std::move(strPeer)), m_buffer(server.m_nSizeLimit)
    {
        m_server.Post("Incoming ...");
    }

    char* ReadRoom(qsizetype nMax) override { return m_buffer.Room(nMax); }
    bool TookRead(qsizetype nLength) override { return m_buffer.Took(nLength); }

    std::optional<QByteArrayList> Answer(EEnd eEnd, const CAnswerLater& later) override
    {
        m_nTotal = m_buffer.Total();
        m_strText = m_buffer.TakeText();
        // A connection that brought nothing, or failed, is no note.
        if (eEnd == EEnd::ReadFailed || m_nTotal == 0 || m_strPeer.isEmpty())
            return QByteArrayList{Acknowledgement::Format(m_nTotal)};
        m_strText += TaggedText::AddressSuffix(m_strPeer);
        if (!m_server.m_keeper) {
            *m_pbKept = true;
            return QByteArrayList{Acknowledgement::Format(m_nTotal)};
        }
        // A note its keeper could not take is answered with 0: its sender sees
        // that nothing arrived.
        const auto answer = [nTotal = m_nTotal](bool bKept) {
            return QByteArrayList{Acknowledgement::Format(bKept ? nTotal : 0)};
        };
        const CKept kept = [pbKept = m_pbKept, later, answer](bool bKept) {
            *pbKept = bKept;
            later(answer(bKept));
        };
        const EKept eKept = m_server.m_keeper(m_strText, m_nTotal, kept);
        if (eKept == EKept::Later)
            return std::nullopt;
        *m_pbKept = eKept == EKept::Kept;
        return answer(*m_pbKept);
    }

    void Answered(bool bSent) override
    {
        if (!bSent)
            m_server.Post("Cannot reply");
        if (!*m_pbKept || !bSent) {
            m_server.Post("Error in receive");
            return;
        }
        Q_EMIT m_server.NoteReceived(m_strText, m_nTotal);
        m_server.Post("Listening");
    }

private:
    CNoteListenSocket& m_server;
    QByteArray m_strPeer;
    CNoteReceiveBuffer m_buffer;
    QByteArray m_strText;
    qint64 m_nTotal = 0;
    // Whether the note was kept; shared with a keeper that tells it later,
    // which may outlive the session.
    std::shared_ptr<bool> m_pbKept = std::make_shared<bool>(false);
};

CNoteListenSocket::CNoteListenSocket(IStatusSink& statusSink, std::chrono::milliseconds timeLimit,
                                     qsizetype nSizeLimit, QObject* pParent)
    : CConnectionServer({.timeLimit = timeLimit}, NoteLimits::ReadChunkSize, pParent),
      m_statusSink(statusSink), m_nSizeLimit(nSizeLimit)
{
    connect(this, &CConnectionServer::AcceptFailed, this, [this] {
        Post("Incoming ...");
        Post("Cannot accept");
        Post("Cannot reply");
        Post("Error in receive");
    });
}

void CNoteListenSocket::Post(const char* pszText)
{
    m_statusSink.PostStatusText(StatusPane::Listening, QString::fromLatin1(pszText));
}

bool CNoteListenSocket::StartListening(quint16 nPort, const QHostAddress& address)
{
    Post("Creating server");
    switch (Open(nPort, address)) {
    case EOpen::NotCreated:
        Post("Error while creating");
        return false;
    case EOpen::NotListening:
        Post("Starting to listen");
        Post("Cannot listen");
        return false;
    case EOpen::NotSelected:
        Post("Starting to listen");
        Post("Cannot select");
        return false;
    case EOpen::Opened:
        break;
    }
    Post("Starting to listen");
    Post("Listening ...");
    return true;
}

bool CNoteListenSocket::ListenOn(int nSocket)
{
    if (!Adopt(nSocket)) {
        Post("Cannot listen");
        return false;
    }
    Post("Listening ...");
    return true;
}

std::unique_ptr<CConnectionServer::CSession>
CNoteListenSocket::NewSession(const QByteArray& strPeer)
{
    return std::make_unique<CNoteSession>(*this, strPeer);
}
