// How fast a seek is: "blipnote-cli seek" over 1,024 loopback addresses with
// one finger server of ours behind them (the command-line one, on port 79 when
// it may be bound), in one run beside the Debian finger client run 64 at a time
// over the same addresses, and beside nmap's connect-only scan (the lower bound)
// when they are installed; then 65,536 addresses where every port is refused,
// with time and peak memory. Only the loopback range is ever asked, and no
// name is looked up. Every connection to a 127.x address comes from 127.0.0.1,
// so the one server sees a single peer, which it serves 32 at a time (64 more
// may wait, the rest are closed): the seek asks 32 at a time, as it would ask
// 32 different hosts, and every answer is counted.
#include "bench/support/load.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <sys/resource.h>

namespace {

struct CSeekRun
{
    double dSeconds = -1;
    int nUp = 0;
    int nRows = 0;
};

// A seek by the command-line tool: its time and its rows.
CSeekRun Seek(const QStringList& arguments)
{
    QProcess seek;
    seek.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    seek.start(QStringLiteral(BLIPNOTE_CLI_PATH), QStringList{QStringLiteral("seek")} + arguments);
    QByteArray strOut;
    while (seek.state() != QProcess::NotRunning || seek.bytesAvailable() > 0) {
        seek.waitForReadyRead(100);
        strOut += seek.readAllStandardOutput();
    }
    CSeekRun run;
    run.dSeconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    run.nRows = static_cast<int>(strOut.count('\n'));
    run.nUp = static_cast<int>(strOut.count("\"state\":\"up\""));
    return run;
}

// Seconds a shell command took, or -1 when it failed.
double Seconds(const QString& strCommand)
{
    QProcess shell;
    shell.setStandardOutputFile(QProcess::nullDevice());
    shell.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    shell.start(QStringLiteral("bash"), {QStringLiteral("-c"), strCommand});
    if (!shell.waitForFinished(600000) || shell.exitCode() != 0)
        return -1;
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// The largest resident size of the children that have ended, in MiB.
double PeakChildMiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// "127.1.0.0-255 127.1.1.0-255 ...": nRanges times 256 addresses from 127.N.0.0.
QStringList Ranges(int nSecond, int nRanges)
{
    QStringList ranges;
    for (int n = 0; n < nRanges; ++n)
        ranges.append(QStringLiteral("127.%1.%2.0-255").arg(nSecond).arg(n));
    return ranges;
}

void Row(const char* pszWhat, double dSeconds, double dBase)
{
    if (dSeconds < 0)
        std::printf("%-46s %12s\n", pszWhat, "not run");
    else
        std::printf("%-46s %10.3f s %8.2f\n", pszWhat, dSeconds, dSeconds / dBase);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QString strCli = QStringLiteral(BLIPNOTE_CLI_PATH);
    // Our finger server, on port 79 when this process may bind it.
    const CCliServer fingerd({QStringLiteral("fingerd")}, 79);
    const CCliServer* pServer = &fingerd;
    std::unique_ptr<CCliServer> pAnyPort;
    if (fingerd.Port() == 0) {
        pAnyPort = std::make_unique<CCliServer>(QStringList{QStringLiteral("fingerd")});
        pServer = pAnyPort.get();
    }
    if (pServer->Port() == 0) {
        std::fprintf(stderr, "the finger server did not come up\n");
        return 1;
    }
    const QString strPort = QString::number(pServer->Port());
    const QStringList addresses = Ranges(1, 4);

    // The seeks first, so that the peak memory is theirs alone.
    const CSeekRun ours = Seek(QStringList{QStringLiteral("--port"), strPort,
                                           QStringLiteral("--parallel"), QStringLiteral("32")} +
                               addresses);
    const double dOursPeak = PeakChildMiB();
    const CSeekRun refused =
        Seek(QStringList{QStringLiteral("--port"), QStringLiteral("9")} + Ranges(3, 256));
    const double dRefusedPeak = PeakChildMiB();

    double dFinger = -1;
    if (pServer->Port() == 79 && QFileInfo::exists(QStringLiteral("/usr/bin/finger")))
        dFinger = Seconds(QStringLiteral("for a in %1; do p=${a%-255}; for n in $(seq 0 255); do "
                                         "echo ${p%.0}.$n; done; done | "
                                         "xargs -P 64 -I{} finger @{}")
                              .arg(addresses.join(u' ')));
    double dNmap = -1;
    if (QFileInfo::exists(QStringLiteral("/usr/bin/nmap")))
        dNmap = Seconds(QStringLiteral("nmap -n -sT -Pn -T5 -p %1 127.1.0.0/22").arg(strPort));

    std::printf("1,024 loopback addresses, one finger server of ours behind them (port %s)\n",
                qPrintable(strPort));
    std::printf("%-46s %12s %8s\n", "", "time", "ratio");
    Row("blipnote-cli seek --parallel 32", ours.dSeconds, ours.dSeconds);
    Row("finger @ADDRESS, 64 at a time (xargs -P 64)", dFinger, ours.dSeconds);
    Row("nmap -sT -Pn -T5 (connect only)", dNmap, ours.dSeconds);
    std::printf("%d of %d rows up; peak memory of the seek: %.1f MiB\n\n", ours.nUp, ours.nRows,
                dOursPeak);
    std::printf("65,536 loopback addresses, every port refused\n");
    std::printf("%-46s %10.3f s, %d rows, peak memory %.1f MiB\n", "blipnote-cli seek",
                refused.dSeconds, refused.nRows, dRefusedPeak);
    return 0;
}
