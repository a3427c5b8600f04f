#pragma once

#include <QObject>

#include <chrono>

class CLingeringSocket;

// Closes served connections without cutting off the reply. Closing a socket that
// still holds unread input makes the kernel reset the connection, and the peer may
// then lose the reply it has not read yet. So the sending direction is shut down
// first and what the peer still sends is read and dropped until it closes too, a
// time limit passes or enough has been dropped; only then is the socket closed.
// This happens on the event loop and never holds up the next connection.
class CSocketCloser : public QObject
{
    Q_OBJECT

public:
    // At most nMaxLingering sockets linger; beyond, the oldest is closed at once.
    explicit CSocketCloser(std::chrono::milliseconds linger = std::chrono::seconds(5),
                           std::size_t nMaxLingering = 32, QObject* pParent = nullptr);
    ~CSocketCloser() override;

    // Takes ownership of the descriptor.
    void Close(int nDescriptor);

    int LingeringCount() const;
    // Closes every lingering socket now (their descriptors are needed).
    void CloseAll();

private:
    void Forget(CLingeringSocket* pSocket);

    std::chrono::milliseconds m_linger;
    std::size_t m_nMaxLingering;
    QList<CLingeringSocket*> m_lingering;
};
