#pragma once

#include "core/messaging/note_limits.h"
#include "core/messaging/note_receive_buffer.h"
#include "core/net/serial_server.h"

#include <QByteArray>
#include <QHostAddress>

#include <chrono>
#include <functional>
#include <optional>

class IStatusSink;

// The note server: accepts connections on the note port and reads one note from
// each, answers with the number of bytes it read, closes the connection and hands
// the text on with the sender's address appended. Connections are served one at a
// time, in the order they arrived, without blocking the event loop; a peer that
// stalls is cut off after the time limit so that the next one is served.
//
// A connection whose reading ends early (the peer closed, or the time limit ran
// out) is answered with the count it sent and opened with what arrived, so no
// text is lost; one that sent nothing, or failed, ends in "Error in receive".
class CNoteListenSocket : public CSerialServer
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultTimeLimit = std::chrono::seconds(30);

    explicit CNoteListenSocket(IStatusSink& statusSink,
                               std::chrono::milliseconds timeLimit = DefaultTimeLimit,
                               qsizetype nSizeLimit = NoteLimits::NoteSizeLimit,
                               QObject* pParent = nullptr);

    // Opens the listening socket on the port on every local IPv4 address, or on the
    // one given (port 0 picks a free one, see serverPort()). Returns false on
    // failure; the status pane tells which step failed.
    bool StartListening(quint16 nPort, const QHostAddress& address = QHostAddress::AnyIPv4);

    // Takes a note (the text with the sender's address, and its byte count)
    // before its answer goes out; false answers 0, so that the sender knows the
    // note was not taken. Without a keeper every note is taken.
    using CKeeper = std::function<bool(const QByteArray& strText, qint64 nCount)>;
    void SetKeeper(CKeeper keeper) { m_keeper = std::move(keeper); }

Q_SIGNALS:
    // A received note: the text read, followed by "/$5", the peer's dotted address
    // and "/$6"; and the byte count that was acknowledged.
    void NoteReceived(const QByteArray& strText, qint64 nAcknowledged);

protected:
    void BeginConnection() override;
    bool TakeRead(const char* pData, qsizetype nLength) override;
    void EndConnection(const CConnection& connection, EEnd eEnd) override;
    void AcceptFailed() override;

private:
    void Post(const char* pszText);

    IStatusSink& m_statusSink;
    qsizetype m_nSizeLimit;
    std::optional<CNoteReceiveBuffer> m_buffer;
    CKeeper m_keeper;
};
