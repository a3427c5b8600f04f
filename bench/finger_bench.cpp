// Finger queries answered per second on loopback through "blipnote-cli fingerd"
// (the finger server, each query logged and written as a line of JSON), beside
// a minimal blocking server in a process of its own that sends a reply of the
// same bytes (the limit this machine sets), and Debian's efingerd run under
// socat when it is installed. One query per connection, one connection after
// the other, the same client for all, in one run.
#include "bench/support/load.h"
#include "bench/support/minimal_servers.h"
#include "core/finger/finger_reply.h"
#include "core/finger/finger_settings.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
#include "tests/support/loopback.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QThread>

#include <cstdio>
#include <vector>

namespace {

bool Finger(quint16 nPort)
{
    return Loopback::Exchange(nPort, "root\r\n").has_value();
}

double QueriesPerSecond(quint16 nPort)
{
    return PerSecond([nPort] { return Finger(nPort); }, std::chrono::milliseconds(600));
}

// efingerd answers each query in a process of its own, started by socat.
double Efingerd()
{
    const QString strEfingerd = QStringLiteral("/usr/sbin/efingerd");
    if (!QFileInfo::exists(strEfingerd) || !QFileInfo::exists(QStringLiteral("/usr/bin/socat")))
        return -1;
    const quint16 nPort = FreePort();
    QProcess socat;
    socat.start(QStringLiteral("/usr/bin/socat"),
                {QStringLiteral("TCP-LISTEN:%1,reuseaddr,fork,bind=127.0.0.1").arg(nPort),
                 QStringLiteral("EXEC:%1 -n").arg(strEfingerd)});
    for (int n = 0; n < 200 && !Finger(nPort); ++n)
        QThread::msleep(10);
    const double dQueries = QueriesPerSecond(nPort);
    socat.terminate();
    socat.waitForFinished();
    return dQueries;
}

} // namespace

int main(int argc, char* argv[])
{
    // The reply our server sends with the settings it starts with (none stored).
    CMemorySettingsStore store;
    CAppSettings settings(store);
    settings.SetEnvironment({SystemInfo::UserName(), false});
    settings.Load();
    const QByteArray strReply =
        FingerReply::Build(FingerSettingsOf(settings, SystemInfo::Collect()),
                           FingerReply::TimeStamp(QDateTime::currentDateTime()), FormatUptime());
    const CMinimalServer minimal(CMinimalServer::EProtocol::Finger, strReply);
    QCoreApplication app(argc, argv);
    const CCliServer cli({QStringLiteral("fingerd")});
    if (cli.Port() == 0 || minimal.Port() == 0) {
        std::fprintf(stderr, "a finger server did not come up\n");
        return 1;
    }
    // Turn about, so that both meet the same moods of the machine; the median
    // of five rounds each.
    std::vector<double> ours;
    std::vector<double> limit;
    for (int nRound = 0; nRound < 5; ++nRound) {
        ours.push_back(QueriesPerSecond(cli.Port()));
        limit.push_back(QueriesPerSecond(minimal.Port()));
    }
    const double dOurs = Median(ours);
    const double dLimit = Median(limit);
    std::printf("%-28s %14s %8s\n", "finger server", "queries/s", "ratio");
    std::printf("%-28s %14.0f %8.2f\n", "blipnote-cli fingerd", dOurs, dOurs / dLimit);
    std::printf("%-28s %14.0f %8.2f\n", "minimal server", dLimit, 1.0);
    if (const double dEfingerd = Efingerd(); dEfingerd >= 0)
        std::printf("%-28s %14.0f %8.2f\n", "efingerd under socat", dEfingerd, dEfingerd / dLimit);
    else
        std::printf("%-28s %14s\n", "efingerd under socat", "not installed");
    return 0;
}
