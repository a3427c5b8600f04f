#include "core/net/socket_closer.h"

#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cerrno>
#include <functional>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {
// Input dropped from one socket before it is closed regardless.
constexpr qint64 kMaxDrained = 1 << 20;
} // namespace

class CLingeringSocket : public QObject
{
public:
    CLingeringSocket(int nDescriptor, std::chrono::milliseconds linger,
                     std::function<void(CLingeringSocket*)> onDone, QObject* pParent)
        : QObject(pParent), m_nDescriptor(nDescriptor),
          m_notifier(nDescriptor, QSocketNotifier::Read), m_onDone(std::move(onDone))
    {
        ::shutdown(m_nDescriptor, SHUT_WR);
        connect(&m_notifier, &QSocketNotifier::activated, this, &CLingeringSocket::Drain);
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &CLingeringSocket::Finish);
        m_timer.start(linger);
    }

    ~CLingeringSocket() override
    {
        m_notifier.setEnabled(false);
        ::close(m_nDescriptor);
    }

private:
    void Drain()
    {
        std::array<char, 4096> buffer;
        for (;;) {
            const ssize_t n = ::recv(m_nDescriptor, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n > 0) {
                m_nDrained += n;
                if (m_nDrained < kMaxDrained)
                    continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                return;
            }
            Finish(); // end of stream, an error, or too much input
            return;
        }
    }

    void Finish()
    {
        m_notifier.setEnabled(false);
        m_timer.stop();
        m_onDone(this);
    }

    int m_nDescriptor;
    QSocketNotifier m_notifier;
    QTimer m_timer;
    std::function<void(CLingeringSocket*)> m_onDone;
    qint64 m_nDrained = 0;
};

CSocketCloser::CSocketCloser(std::chrono::milliseconds linger, std::size_t nMaxLingering,
                             QObject* pParent)
    : QObject(pParent), m_linger(linger), m_nMaxLingering(std::max<std::size_t>(1, nMaxLingering))
{}

CSocketCloser::~CSocketCloser() = default; // the lingering sockets are children

void CSocketCloser::Close(int nDescriptor)
{
    if (nDescriptor < 0)
        return;
    if (static_cast<std::size_t>(m_lingering.size()) >= m_nMaxLingering)
        delete m_lingering.takeFirst();
    m_lingering.append(new CLingeringSocket(
        nDescriptor, m_linger, [this](CLingeringSocket* p) { Forget(p); }, this));
}

void CSocketCloser::CloseAll()
{
    qDeleteAll(std::exchange(m_lingering, {}));
}

int CSocketCloser::LingeringCount() const
{
    return static_cast<int>(m_lingering.size());
}

void CSocketCloser::Forget(CLingeringSocket* pSocket)
{
    m_lingering.removeOne(pSocket);
    pSocket->deleteLater();
}
