// Finger queries answered per second on loopback: our finger server beside
// Debian's efingerd run under socat, both measured by the same load generator
// (one query per connection, one connection after the other) in one run.
#include "core/finger/finger_daemon_socket.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "tests/support/loopback.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QThread>

#include <cstdio>
#include <future>
#include <thread>

namespace {

class CQuiet : public IPrompts, public ISoundPlayer
{
public:
    void ShowMessage(const QString&, PromptIcon) override {}
    bool AskYesNo(const QString&) override { return false; }
    std::optional<QString> AskText(const QString&, const QString&) override { return std::nullopt; }
    void Play(const QString&) override {}
};

// One finger query; returns the bytes of the answer, or -1.
long Finger(quint16 nPort)
{
    const std::optional<QByteArray> answer = Loopback::Exchange(nPort, "root\r\n");
    return answer ? answer->size() : -1;
}

// Queries per second over two seconds.
double Measure(quint16 nPort)
{
    for (int n = 0; n < 20; ++n) // warm up
        Finger(nPort);
    QElapsedTimer timer;
    timer.start();
    long nQueries = 0;
    while (timer.elapsed() < 2000) {
        if (Finger(nPort) < 0)
            return 0;
        ++nQueries;
    }
    return static_cast<double>(nQueries) * 1e9 / static_cast<double>(timer.nsecsElapsed());
}

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);

    // Our finger server, on a thread of its own with every reply line on.
    std::promise<quint16> portPromise;
    QEventLoop* pLoop = nullptr;
    std::thread serverThread([&] {
        QEventLoop loop;
        CFingerSettings settings;
        settings.bUseSound = false;
        settings.strPlan = "Out to lunch.";
        CFingerQueryLog log;
        CQuiet quiet;
        CFingerDaemonSocket server([&settings] { return settings; }, log, quiet, quiet);
        server.StartDaemon(0, QHostAddress::LocalHost);
        pLoop = &loop;
        portPromise.set_value(server.ServerPort());
        loop.exec();
    });
    const double dOurs = Measure(portPromise.get_future().get());
    QMetaObject::invokeMethod(pLoop, &QEventLoop::quit, Qt::QueuedConnection);
    serverThread.join();

    double dTheirs = -1;
    const QString strEfingerd = QStringLiteral("/usr/sbin/efingerd");
    if (QFileInfo::exists(strEfingerd) && QFileInfo::exists(QStringLiteral("/usr/bin/socat"))) {
        const quint16 nPort = FreePort();
        QProcess socat;
        socat.start(QStringLiteral("/usr/bin/socat"),
                    {QStringLiteral("TCP-LISTEN:%1,reuseaddr,fork,bind=127.0.0.1").arg(nPort),
                     QStringLiteral("EXEC:%1 -n").arg(strEfingerd)});
        for (int n = 0; n < 200 && Finger(nPort) < 0; ++n)
            QThread::msleep(10);
        dTheirs = Measure(nPort);
        socat.terminate();
        socat.waitForFinished();
    }

    std::printf("%-36s %12s\n", "finger server", "queries/s");
    std::printf("%-36s %12.0f\n", "blipnote (finger server)", dOurs);
    if (dTheirs >= 0)
        std::printf("%-36s %12.0f\n", "efingerd under socat", dTheirs);
    else
        std::printf("%-36s %12s\n", "efingerd under socat", "not installed");
    return 0;
}
