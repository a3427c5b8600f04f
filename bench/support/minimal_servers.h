#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <sys/types.h>

// The least a server of each protocol can do, blocking, one connection after
// the other in a process of its own (as the real servers run in theirs): what
// this machine allows, against which the real servers are measured. Made
// before the application object, while the process has one thread only.
class CMinimalServer
{
public:
    enum class EProtocol
    {
        // Reads a note in reads of up to 9,999 bytes until its end sequence,
        // the peer's end or 110,000 bytes, and answers with the count.
        Note,
        // Reads a query line and answers with the given reply.
        Finger,
    };

    CMinimalServer(EProtocol eProtocol, QByteArray strFingerReply = QByteArray());
    ~CMinimalServer();
    CMinimalServer(const CMinimalServer&) = delete;
    CMinimalServer& operator=(const CMinimalServer&) = delete;

    quint16 Port() const { return m_nPort; }

private:
    [[noreturn]] void Run(int nListening) const;
    void Serve(int nConnection) const;

    EProtocol m_eProtocol;
    QByteArray m_strFingerReply;
    quint16 m_nPort = 0;
    pid_t m_nChild = -1;
};
