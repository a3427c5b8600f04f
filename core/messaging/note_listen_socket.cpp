#include "core/messaging/note_listen_socket.h"

#include "core/interfaces/status_sink.h"
#include "core/messaging/acknowledgement.h"
#include "core/messaging/note_receive_buffer.h"
#include "core/messaging/tagged_text.h"

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

    QByteArrayList Answer(EEnd eEnd) override
    {
        const qint64 nTotal = m_buffer.Total();
        m_strText = m_buffer.TakeText();
        // A connection that brought nothing, or failed, is no note.
        const bool bNote = eEnd != EEnd::ReadFailed && nTotal > 0 && !m_strPeer.isEmpty();
        if (bNote)
            m_strText += TaggedText::AddressSuffix(m_strPeer);
        // A note its keeper could not take is answered with 0: its sender sees
        // that nothing arrived.
        m_bKept = bNote && (!m_server.m_keeper || m_server.m_keeper(m_strText, nTotal));
        m_nTotal = nTotal;
        return {Acknowledgement::Format(bNote && !m_bKept ? 0 : nTotal)};
    }

    void Answered(bool bSent) override
    {
        if (!bSent)
            m_server.Post("Cannot reply");
        if (!m_bKept || !bSent) {
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
    bool m_bKept = false;
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
