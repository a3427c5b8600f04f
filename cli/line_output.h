#pragma once

#include <QByteArray>
#include <QObject>

#include <deque>
#include <functional>
#include <memory>

class QSocketNotifier;

// Lines to a descriptor (standard output) that never hold up the event loop: a
// line the reader has no room for yet waits, with those after it, and goes out
// as the reader takes it. Meanwhile the servers go on answering signals and
// their peers, and can hold back new connections (see Blocked()).
class CLineOutput : public QObject
{
    Q_OBJECT

public:
    enum class EWrite
    {
        Written, // whole, at once
        Queued,  // it goes out later: done tells when, or that it could not
        Closed,  // the reader has gone: nothing more can be written
    };
    using CDone = std::function<void(bool bWritten)>;
    // Whether a line that waits is still wanted when its turn comes.
    using CWanted = std::function<bool()>;

    explicit CLineOutput(int nDescriptor, QObject* pParent = nullptr);
    ~CLineOutput() override;

    // The line and a line end. A line that waits and is no longer wanted when
    // its turn comes is not written (done is told false).
    EWrite Write(const QByteArray& strLine, CDone done = {}, CWanted wanted = {});
    // Lines are waiting for the reader.
    bool Blocked() const { return !m_waiting.empty(); }
    // The bytes of the lines that wait.
    qsizetype WaitingBytes() const { return m_nWaitingBytes; }

Q_SIGNALS:
    void BlockedChanged(bool bBlocked);
    // The reader went: lines that waited were not written.
    void Closed();

private:
    struct CLine
    {
        QByteArray strBytes; // with its line end
        CDone done;
        CWanted wanted;
    };

    // Writes what it can of the first waiting line; false when the reader has gone.
    bool WriteSome();
    void Flush();
    void Close();

    int m_nDescriptor;
    bool m_bOwnDescription = false; // a non-blocking opening of our own
    bool m_bSocket = false;
    bool m_bClosed = false;
    std::deque<CLine> m_waiting;
    qsizetype m_nWaitingBytes = 0;
    qsizetype m_nSentOfFirst = 0;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};
