#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <thread>

// Hostile peers on a thread of their own, from an address of the loopback range
// other than 127.0.0.1 (every 127.x address is this machine): connections that
// say nothing, and connections that trickle a byte at a time. They hold on
// until the server closes them or the test lets them go.
struct CHostilePlan
{
    quint16 nPort = 0;
    QByteArray strFrom = "127.0.0.2";
    int nIdle = 0;
    int nTrickling = 0;
    QByteArray strFirst{}; // what the trickling ones write at once
    std::chrono::milliseconds trickleEvery{100};
    QByteArray strTrickle = "x"; // written over and over, a byte each time
};

class CHostilePeers
{
public:
    explicit CHostilePeers(const CHostilePlan& plan);
    // Lets go of every connection still open.
    ~CHostilePeers();

    // Connections the handshake completed for.
    int Connected() const { return m_nConnected; }
    // Connections the server closed (or reset); *pnAnswered of them after
    // sending something first.
    int ClosedByServer() const { return m_nClosedByServer; }
    int Answered() const { return m_nAnswered; }
    // Every connection has been made (or failed to be).
    bool AllStarted() const { return m_bAllStarted; }

    // Closes every connection; with a reset (RST) instead of an orderly end
    // when bReset.
    void LetGo(bool bReset = false);

private:
    void Run(CHostilePlan plan);

    std::atomic<int> m_nConnected{0};
    std::atomic<int> m_nClosedByServer{0};
    std::atomic<int> m_nAnswered{0};
    std::atomic<bool> m_bAllStarted{false};
    std::atomic<int> m_nLetGo{0}; // 1: orderly, 2: reset
    std::thread m_thread;
};
