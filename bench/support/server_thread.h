#pragma once

#include <QtGlobal>

#include <thread>

class QEventLoop;

// Note servers on a thread of their own, with their own event loop: one per
// loopback address 127.0.0.1 to 127.0.0.N, all on one port, as N hosts would be.
class CServerThread
{
public:
    explicit CServerThread(int nListeners = 1);
    ~CServerThread();

    quint16 Port() const { return m_nPort; }

private:
    std::thread m_thread;
    QEventLoop* m_pLoop = nullptr;
    quint16 m_nPort = 0;
};
