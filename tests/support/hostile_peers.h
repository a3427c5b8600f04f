#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <thread>

// Hostile peers on a thread of their own, from addresses other than the honest
// peer's 127.0.0.1 (every 127.x address is this machine; IPv6 addresses need a
// namespace with a local route for their prefix): connections that say nothing,
// that trickle a byte at a time, or that stream without end. They hold on until
// the server closes them or the test lets them go; reconnecting ones come back
// at once.
struct CHostilePlan
{
    quint16 nPort = 0;
    QByteArray strFrom = "127.0.0.2";
    // Connections are spread over this many addresses counted up from strFrom
    // (in the last 64 bits for IPv6), one after the other.
    int nAddresses = 1;
    QByteArray strTo = "127.0.0.1";
    int nIdle = 0;
    int nTrickling = 0;
    QByteArray strFirst{}; // what the trickling ones write at once
    std::chrono::milliseconds trickleEvery{100};
    QByteArray strTrickle = "x"; // written over and over, a byte each time
    // The trickling ones write strTrickle over and over as fast as the server
    // takes it, never a line end.
    bool bStream = false;
    // A connection the server closes is made again from the same address.
    bool bReconnect = false;
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
    // Connections that could not be made (refused, or out of descriptors here).
    int Failed() const { return m_nFailed; }
    // Bytes the server took from the streaming and trickling ones.
    qint64 Written() const { return m_nWritten; }
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
    std::atomic<int> m_nFailed{0};
    std::atomic<qint64> m_nWritten{0};
    std::atomic<bool> m_bAllStarted{false};
    std::atomic<int> m_nLetGo{0}; // 1: orderly, 2: reset
    std::thread m_thread;
};

// Raises this process's descriptor limit as far as it may; returns the limit.
int RaiseDescriptorLimit();
