#include "core/messaging/note_listen_socket.h"

#include "core/interfaces/status_sink.h"
#include "core/messaging/acknowledgement.h"
#include "core/messaging/tagged_text.h"

CNoteListenSocket::CNoteListenSocket(IStatusSink& statusSink, std::chrono::milliseconds timeLimit,
                                     qsizetype nSizeLimit, QObject* pParent)
    : CSerialServer(timeLimit, NoteLimits::ReadChunkSize, pParent), m_statusSink(statusSink),
      m_nSizeLimit(nSizeLimit)
{}

void CNoteListenSocket::Post(const char* pszText)
{
    m_statusSink.PostStatusText(StatusPane::Listening, QString::fromLatin1(pszText));
}

bool CNoteListenSocket::StartListening(quint16 nPort, const QHostAddress& address)
{
    Post("Creating server");
    switch (Open(nPort, address, NoteLimits::SocketBufferSize)) {
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

void CNoteListenSocket::BeginConnection()
{
    m_buffer.emplace(m_nSizeLimit);
    Post("Incoming ...");
}

bool CNoteListenSocket::TakeRead(const char* pData, qsizetype nLength)
{
    return m_buffer->AppendRead(pData, nLength);
}

void CNoteListenSocket::AcceptFailed()
{
    Post("Incoming ...");
    Post("Cannot accept");
    Post("Cannot reply");
    Post("Error in receive");
}

void CNoteListenSocket::EndConnection(const CConnection& connection, EEnd eEnd)
{
    const qint64 nTotal = m_buffer->Total();
    QByteArray strText = m_buffer->TakeText();
    m_buffer.reset();
    // A connection that brought nothing, or failed, is no note.
    const bool bNote =
        eEnd != EEnd::ReadFailed && nTotal > 0 && !connection.PeerAddress().isEmpty();
    if (bNote)
        strText += TaggedText::AddressSuffix(connection.PeerAddress());
    // A note its keeper could not take is answered with 0: its sender sees
    // that nothing arrived.
    const bool bKept = bNote && (!m_keeper || m_keeper(strText, nTotal));
    const QByteArray strAck = Acknowledgement::Format(bNote && !bKept ? 0 : nTotal);
    const bool bAnswered = connection.Send(strAck) == strAck.size();
    if (!bAnswered)
        Post("Cannot reply");
    if (!bKept || !bAnswered) {
        Post("Error in receive");
        return;
    }
    Q_EMIT NoteReceived(strText, nTotal);
    Post("Listening");
}
