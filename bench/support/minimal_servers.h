#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <thread>

// The least a server of each protocol can do, blocking, one connection after
// the other on a thread of its own: what this machine allows, against which the
// real servers are measured.
class CMinimalServer
{
public:
    enum class EProtocol
    {
        // Reads a note until its end sequence, the peer's end or 110,000 bytes,
        // and answers with the count.
        Note,
        // Reads a query line and answers with the given reply.
        Finger,
    };

    CMinimalServer(EProtocol eProtocol, QByteArray strFingerReply = QByteArray());
    ~CMinimalServer();

    quint16 Port() const { return m_nPort; }

private:
    void Serve(int nConnection) const;

    EProtocol m_eProtocol;
    QByteArray m_strFingerReply;
    int m_nListening = -1;
    quint16 m_nPort = 0;
    std::thread m_thread;
};
