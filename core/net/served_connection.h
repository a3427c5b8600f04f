#pragma once

#include "core/net/connection_server.h"
#include "core/net/descriptor.h"
#include "core/net/peer_address.h"

#include <QByteArrayList>

#include <chrono>
#include <memory>
#include <optional>

class QSocketNotifier;

// One connection the connection server accepted, from its turn to its answer:
// its socket, its session, how far its reading came, and how far its answer.
class CServedConnection
{
public:
    using CClock = std::chrono::steady_clock;

    // How sending the rest of the answer went.
    enum class ESent
    {
        Whole,
        Blocked, // the peer has no room for more now
        Failed,
    };

    CServedConnection(CDescriptor descriptor, CPeerAddress peer, quint64 nSerial);
    ~CServedConnection();
    CServedConnection(const CServedConnection&) = delete;
    CServedConnection& operator=(const CServedConnection&) = delete;

    void SetAnswer(const QByteArrayList& answer);
    // Sends as much of the rest of the answer as the peer takes now.
    ESent SendAnswer();
    // Whether bytes the peer sent wait unread (closing it would reset it).
    bool HasUnreadBytes() const;

    CDescriptor descriptor;
    CPeerAddress peer;
    quint64 nSerial; // tells a later answer whether its connection is still there
    std::unique_ptr<CConnectionServer::CSession> pSession;
    std::unique_ptr<QSocketNotifier> pNotifier;
    CClock::time_point started;
    CClock::time_point deadline = CClock::time_point::max(); // none while max
    CClock::time_point lastByte; // when its last byte came (its start until one did)
    qint64 nRead = 0;
    bool bAnswering = false;
    bool bPeerClosed = false; // it sent all it will send
    bool bInAnswer = false;   // its session is working out the answer
    bool bAnswerKnown = false;
    std::optional<QByteArrayList> earlyAnswer; // given through "later" before Answer returned
    QByteArrayList answer;
    qsizetype nAnswerSize = 0;
    qsizetype nAnswerSent = 0;
    qsizetype nPart = 0;       // the part being sent
    qsizetype nSentOfPart = 0; // and how much of it went
};
