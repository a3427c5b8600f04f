#include "core/messaging/note_listen_socket.h"

#include "core/interfaces/status_sink.h"
#include "core/notes/acknowledgement.h"
#include "core/notes/note_receive_buffer.h"
#include "core/notes/tagged_text.h"

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
        // A connection that brought nothing, or failed, is no note; nor is one
        // that gave its place away unfinished (it would open as many notes as
        // an attacker makes connections): its sender hears that nothing was taken.
        if (eEnd == EEnd::Yielded)
            return QByteArrayList{Acknowledgement::Format(0)};
        if (eEnd == EEnd::ReadFailed || m_nTotal == 0 || m_strPeer.isEmpty())
            return QByteArrayList{Acknowledgement::Format(m_nTotal)};
        m_strText += TaggedText::AddressSuffix(m_strPeer);
        if (!m_server.m_keeper) {
            m_kept.m_pState->kept = true;
            return QByteArrayList{Acknowledgement::Format(m_nTotal)};
        }
        m_kept.m_later = later;
        m_kept.m_nCount = m_nTotal;
        const EKept eKept = m_server.m_keeper(m_strText, m_nTotal, m_kept);
        if (eKept == EKept::Later)
            return std::nullopt;
        m_kept.m_pState->kept = eKept == EKept::Kept;
        return QByteArrayList{Acknowledgement::Format(eKept == EKept::Kept ? m_nTotal : 0)};
    }

    void Answered(bool bSent) override
    {
        const std::optional<bool> kept = m_kept.m_pState->kept;
        if (!kept)
            m_kept.m_pState->bGaveUp = true; // its keeper had not said yet
        if (!bSent)
            m_server.Post("Cannot reply");
        if (!kept.value_or(false) || !bSent) {
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
    // Whether the note was kept; its state is shared with a keeper that tells
    // it later, which may outlive the session.
    CKept m_kept;
};

void CNoteListenSocket::CKept::operator()(bool bKept) const
{
    m_pState->kept = bKept;
    // A note not kept is answered with 0: its sender sees that nothing arrived.
    m_later({Acknowledgement::Format(bKept ? m_nCount : 0)});
}

bool CNoteListenSocket::CKept::Awaited() const
{
    return !m_pState->bGaveUp;
}

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

bool CNoteListenSocket::Open(quint16 nPort, const QHostAddress& address)
{
    Post("Creating server");
    switch (CConnectionServer::Open(nPort, address)) {
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

bool CNoteListenSocket::Adopt(int nSocket)
{
    if (!CConnectionServer::Adopt(nSocket)) {
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
