#include "core/messaging/send_note_job.h"

#include "core/interfaces/logging.h"
#include "core/interfaces/status_sink.h"
#include "core/net/net_address.h"
#include "core/notes/acknowledgement.h"
#include "core/notes/note_limits.h"
#include "core/text/code_page.h"

CSendNoteJob::CSendNoteJob(CSendJobInput input, IStatusSink& statusSink, QObject* pParent)
    : QObject(pParent), m_input(std::move(input)), m_statusSink(statusSink)
{
    m_timeLimit.setSingleShot(true);
    connect(&m_timeLimit, &QTimer::timeout, this, &CSendNoteJob::OnTimeLimit);
    connect(&m_socket, &QTcpSocket::connected, this, &CSendNoteJob::OnConnected);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &CSendNoteJob::OnBytesWritten);
    connect(&m_socket, &QTcpSocket::readyRead, this, &CSendNoteJob::OnReadyRead);
    connect(&m_socket, &QTcpSocket::disconnected, this, &CSendNoteJob::OnReadyRead);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &CSendNoteJob::OnError);
}

CSendNoteJob::~CSendNoteJob()
{
    // The socket's destructor would report the lost connection to a job whose
    // timer is already gone.
    m_socket.disconnect(this);
    m_socket.abort();
}

void CSendNoteJob::Post(const char* pszText)
{
    m_statusSink.PostStatusText(StatusPane::Sending, QString::fromLatin1(pszText));
}

QString CSendNoteJob::AddressText() const
{
    return CodePage::ToUnicode(m_input.strAddress);
}

void CSendNoteJob::Start()
{
    Post("creating socket ...");
    Post("Looking server ..");
    // An address may name its own port; otherwise our "IP Port" is used.
    const NetAddress::CHostPort target = NetAddress::SplitHostPort(AddressText(), m_input.nPort);
    if (target.nPort == 0) {
        // No port to send to (a stored port out of range): nothing to connect to.
        QMetaObject::invokeMethod(
            this, [this] { OnError(QAbstractSocket::ConnectionRefusedError); },
            Qt::QueuedConnection);
        return;
    }
    if (m_input.connectTimeLimit.count() > 0)
        m_timeLimit.start(m_input.connectTimeLimit);
    // Notes travel between IPv4 hosts; a host name is resolved to its IPv4 address.
    m_socket.connectToHost(target.strHost, target.nPort, QIODevice::ReadWrite,
                           QAbstractSocket::IPv4Protocol);
}

void CSendNoteJob::OnConnected()
{
    // The system's buffer sizes (and their tuning) stand: a large note streams.
    m_ePhase = EPhase::Sending;
    Q_EMIT Connected();
    Post("sending ...");
    m_timeLimit.start(m_input.replyTimeLimit);
    m_socket.write(m_input.strText);
}

void CSendNoteJob::OnBytesWritten()
{
    if (m_ePhase != EPhase::Sending || m_socket.bytesToWrite() > 0)
        return;
    m_ePhase = EPhase::Verifying;
    Post("verifying ...");
    OnReadyRead(); // the answer may already be there
}

void CSendNoteJob::OnReadyRead()
{
    if (m_ePhase != EPhase::Verifying)
        return;
    if (m_socket.bytesAvailable() > 0) {
        // One read of at most 40 bytes, as the acknowledgement is read.
        Verify(Acknowledgement::Parse(m_socket.read(Acknowledgement::MaxLength)));
    } else if (m_socket.state() != QAbstractSocket::ConnectedState) {
        Verify(0); // closed without an answer
    }
}

void CSendNoteJob::OnError(QAbstractSocket::SocketError eError)
{
    qCDebug(lcMessaging, "sending to %s: %s", m_input.strAddress.constData(),
            qUtf8Printable(m_socket.errorString()));
    switch (m_ePhase) {
    case EPhase::Connecting:
        if (eError == QAbstractSocket::SocketResourceError)
            Finish(SocketNotCreated,
                   QStringLiteral("Error during Send !\n\nCannot create socket!"));
        else
            Finish(
                NotConnected,
                QStringLiteral("Error during Send !\n\nCannot connect to %1").arg(AddressText()));
        break;
    case EPhase::Sending:
        // A receiver that stopped reading (the note too large, or untagged)
        // answers and closes while we still write: its answer tells how much
        // it took.
        if (m_socket.bytesAvailable() > 0) {
            m_ePhase = EPhase::Verifying;
            OnReadyRead();
            break;
        }
        Finish(NotAllSent, QStringLiteral("Error during send !\n\nSend operation fail to server %1")
                               .arg(AddressText()));
        break;
    case EPhase::Verifying:
        OnReadyRead();
        break;
    case EPhase::Done:
        break;
    }
}

void CSendNoteJob::OnTimeLimit()
{
    // No answer to connecting, or the bytes not taken in time.
    if (m_ePhase == EPhase::Connecting || m_ePhase == EPhase::Sending)
        OnError(QAbstractSocket::SocketTimeoutError);
    else if (m_ePhase == EPhase::Verifying)
        Verify(0); // no answer in time: nothing was confirmed
}

void CSendNoteJob::Verify(qint32 nCount)
{
    const qsizetype nSent = m_input.strText.size();
    m_nAcknowledged = nCount;
    if (nCount == nSent) {
        Finish(Delivered, QString());
        return;
    }
    Finish(ReplyMismatch,
           QStringLiteral("Error during send !\n\nReply size mismatch. I Sent:%1 bytes but %2 say "
                          "it received %3 bytes")
               .arg(nSent)
               .arg(AddressText())
               .arg(nCount));
}

void CSendNoteJob::Finish(int nResult, const QString& strError)
{
    if (m_ePhase == EPhase::Done)
        return;
    m_ePhase = EPhase::Done;
    m_timeLimit.stop();
    Post("closing ...");
    m_socket.disconnectFromHost();

    CSendableNote* pNote = m_input.pNote.data();
    if (nResult != Delivered) {
        Post("Error during send");
        if (pNote)
            pNote->m_nSendState = -1;
    } else {
        Post("deleting document");
        if (pNote) {
            pNote->m_nSendState = 1;
            if (m_input.bAutoDelete) {
                // Asked for on the next turn of the event loop, so that whoever
                // closes the note does so outside this job's own call chain.
                QMetaObject::invokeMethod(
                    pNote, [pNote] { Q_EMIT pNote->CloseRequested(); }, Qt::QueuedConnection);
            }
        }
        Post("Send successful");
    }
    if (pNote)
        Q_EMIT pNote->SendStateChanged();
    Q_EMIT Finished(m_input.strAddress, nResult, strError);
}
