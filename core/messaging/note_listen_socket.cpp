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
    int nErrors = eEnd == EEnd::ReadFailed ? 1 : 0;
    const qint64 nTotal = m_buffer->Total();
    const QByteArray strAck = Acknowledgement::Format(nTotal);
    if (connection.Send(strAck) != strAck.size()) {
        Post("Cannot reply");
        ++nErrors;
    }
    // A connection that brought nothing is no note.
    if (nTotal == 0 || connection.PeerAddress().isEmpty())
        ++nErrors;
    QByteArray strText = m_buffer->TakeText();
    m_buffer.reset();
    if (nErrors != 0) {
        Post("Error in receive");
        return;
    }
    strText += TaggedText::AddressSuffix(connection.PeerAddress());
    Q_EMIT NoteReceived(strText, nTotal);
    Post("Listening");
}
