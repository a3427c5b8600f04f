#include "bench/support/server_thread.h"

#include "core/interfaces/status_sink.h"
#include "core/messaging/note_listen_socket.h"

#include <QEventLoop>
#include <QHostAddress>

#include <future>
#include <memory>
#include <vector>

namespace {
class CNullStatusSink : public IStatusSink
{
public:
    void PostStatusText(StatusPane, const QString&) override {}
};
} // namespace

CServerThread::CServerThread(int nListeners)
{
    std::promise<quint16> portPromise;
    auto port = portPromise.get_future();
    m_thread = std::thread([this, nListeners, &portPromise] {
        QEventLoop loop;
        CNullStatusSink sink;
        std::vector<std::unique_ptr<CNoteListenSocket>> servers;
        quint16 nPort = 0;
        for (int n = 1; n <= nListeners; ++n) {
            auto& server = servers.emplace_back(std::make_unique<CNoteListenSocket>(sink));
            server->Open(nPort, QHostAddress(QStringLiteral("127.0.0.%1").arg(n)));
            nPort = server->ServerPort();
        }
        m_pLoop = &loop;
        portPromise.set_value(nPort);
        loop.exec();
    });
    m_nPort = port.get();
}

CServerThread::~CServerThread()
{
    QMetaObject::invokeMethod(m_pLoop, &QEventLoop::quit, Qt::QueuedConnection);
    m_thread.join();
}
