#pragma once

#include "core/notes/sendable_note.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>

class IStatusSink;

// What one sending job needs, copied when it starts: it owns its text and socket
// and refers to the note only through a guarded pointer, so that a note closed
// while the job runs is simply no longer told the result.
struct CSendJobInput
{
    QByteArray strAddress;
    QByteArray strText;
    quint16 nPort = 0;
    std::chrono::milliseconds replyTimeLimit{0};
    bool bAutoDelete = false;
    QPointer<CSendableNote> pNote;
    // A host that does not answer the connection is given up after this long
    // (0: when the system gives up).
    std::chrono::milliseconds connectTimeLimit{0};
};

// Delivers one note to one address: connects on the note port, writes the tagged
// text, reads the acknowledgement and compares the count. It runs on the event
// loop, never blocking it, and reports each step in the sending status pane.
class CSendNoteJob : public QObject
{
    Q_OBJECT

public:
    // The job results, as the send reports them.
    enum EResult
    {
        Delivered = 0,
        SocketNotCreated = 1,
        NotConnected = 2,
        NotAllSent = 3,
        ReplyMismatch = 4,
    };

    CSendNoteJob(CSendJobInput input, IStatusSink& statusSink, QObject* pParent = nullptr);
    // A job that goes before it has finished (the program ends during a send)
    // reports nothing: its socket is dropped without telling the job.
    ~CSendNoteJob() override;

    void Start();

    // The count the recipient answered (0 before, or without an answer).
    qint32 Acknowledged() const { return m_nAcknowledged; }

Q_SIGNALS:
    // The connection stands: from now on the note's bytes go out, and may
    // arrive whatever the result says.
    void Connected();
    // strError is the text of the error box, empty when delivered.
    void Finished(const QByteArray& strAddress, int nResult, const QString& strError);

private:
    enum class EPhase
    {
        Connecting,
        Sending,
        Verifying,
        Done,
    };

    void Post(const char* pszText);
    void OnConnected();
    void OnBytesWritten();
    void OnReadyRead();
    void OnError(QAbstractSocket::SocketError eError);
    void OnTimeLimit();
    void Verify(qint32 nCount);
    void Finish(int nResult, const QString& strError);
    QString AddressText() const;

    CSendJobInput m_input;
    IStatusSink& m_statusSink;
    qint32 m_nAcknowledged = 0;
    QTcpSocket m_socket;
    QTimer m_timeLimit;
    EPhase m_ePhase = EPhase::Connecting;
};
