#pragma once

#include "core/net/connection_server.h"
#include "core/notes/note_limits.h"

#include <QByteArray>
#include <QHostAddress>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class IStatusSink;

// The note server: accepts connections on the note port and reads one note from
// each, answers with the number of bytes it read, closes the connection and hands
// the text on with the sender's address appended. Connections are read side by
// side, each cut off after the time limit, so that a peer that stalls holds up
// nobody; notes are handed on in the order their reading ended. The answer means
// "received", whatever the program does with the note afterwards.
//
// A connection whose reading ends early (the peer closed, or the time limit ran
// out) is answered with the count it sent and opened with what arrived, so no
// text is lost; one that sent nothing, or failed, ends in "Error in receive",
// and one that gave its place away unfinished is answered with 0.
class CNoteListenSocket : public CConnectionServer
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultTimeLimit = std::chrono::seconds(30);

    explicit CNoteListenSocket(IStatusSink& statusSink,
                               std::chrono::milliseconds timeLimit = DefaultTimeLimit,
                               qsizetype nSizeLimit = NoteLimits::NoteSizeLimit,
                               QObject* pParent = nullptr);

    // Opens the listening socket on the port on every local IPv4 address, or on the
    // one given (port 0 picks a free one, see ServerPort()). Returns false on
    // failure; the status pane tells which step failed. (These two stand in for
    // the connection server's own, which say nothing to the status pane.)
    bool Open(quint16 nPort, const QHostAddress& address = QHostAddress::AnyIPv4);
    // The same on a socket that listens already (handed over by the service
    // manager); false when it is not a listening TCP socket.
    bool Adopt(int nSocket);

    // Takes a note (the text with the sender's address, and its byte count)
    // before its answer goes out. It says at once whether it kept the note, or
    // says Later and tells through kept when it knows (within the time limit,
    // else the sender gets no answer). A note not kept is answered with 0, so
    // that the sender knows it was not taken. Without a keeper every note is kept.
    enum class EKept
    {
        Kept,
        NotKept,
        Later,
    };
    // How a keeper that said Later tells, and whether the sender still waits.
    class CKept
    {
    public:
        // The note was kept (or not): its answer goes out.
        void operator()(bool bKept) const;
        // False once the connection has ended unanswered (its time ran out):
        // a note kept after that would be kept without its sender knowing.
        bool Awaited() const;

    private:
        friend class CNoteListenSocket;
        struct CState
        {
            std::optional<bool> kept;
            bool bGaveUp = false;
        };
        std::shared_ptr<CState> m_pState = std::make_shared<CState>();
        CSession::CAnswerLater m_later;
        qint64 m_nCount = 0;
    };
    using CKeeper =
        std::function<EKept(const QByteArray& strText, qint64 nCount, const CKept& kept)>;
    void SetKeeper(CKeeper keeper) { m_keeper = std::move(keeper); }

Q_SIGNALS:
    // A received note: the text read, followed by "/$5", the peer's dotted address
    // and "/$6"; and the byte count that was acknowledged.
    void NoteReceived(const QByteArray& strText, qint64 nAcknowledged);

protected:
    std::unique_ptr<CSession> NewSession(const QByteArray& strPeer) override;

private:
    class CNoteSession;

    void Post(const char* pszText);

    IStatusSink& m_statusSink;
    qsizetype m_nSizeLimit;
    CKeeper m_keeper;
};
