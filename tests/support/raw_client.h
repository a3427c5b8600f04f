#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <chrono>
#include <future>
#include <memory>

// A plain blocking TCP client on a thread of its own, as a peer on the network
// would be: it connects to 127.0.0.1, writes, and reads the answer until the
// server closes.
struct CRawClientScript
{
    quint16 nPort = 0;
    QByteArray strFirst;           // written right after connecting
    QByteArray strSecond;          // written once the gate opens, when not empty
    std::shared_future<void> gate; // holds the second write back, when valid
    std::shared_ptr<std::promise<void>> pFirstWritten; // set once strFirst is written
    bool bHalfClose = false;                           // shut down the sending side after writing
    bool bCloseWithoutReading = false;
    int nReceiveBuffer = 0;                 // SO_RCVBUF before connecting, when not 0
    std::chrono::milliseconds readPause{0}; // between reads of the answer
};

struct CRawClientResult
{
    bool bConnected = false;
    QByteArray strAnswer;
};

std::future<CRawClientResult> RunRawClient(CRawClientScript script);

// Connects, writes the data and returns the answer, running the event loop
// meanwhile (the server under test may run on it).
QByteArray AskRawClient(quint16 nPort, const QByteArray& strData);
