#include "cli/seek_command.h"

#include "cli/address_ranges.h"
#include "cli/cli_output.h"
#include "cli/cli_settings.h"
#include "cli/command_line.h"
#include "cli/json_line.h"
#include "cli/quit_on_signal.h"
#include "core/finger/seeker.h"
#include "core/net/net_address.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>

#include <cstdio>
#include <unistd.h>

namespace {

const char* StateText(SeekRow::EKind eKind)
{
    switch (eKind) {
    case SeekRow::EKind::Up:
        return "up";
    case SeekRow::EKind::Down:
        return "down";
    case SeekRow::EKind::Unknown:
        break;
    }
    return "unknown";
}

QByteArray RowJson(const SeekRow::CRow& row)
{
    return CJsonLine()
        .CodePageText("address", row.strAddress)
        .CodePageText("localtime", row.strLocaltime)
        .CodePageText("mappedTo", row.strMappedTo)
        .Number("ms", row.nMilliseconds)
        .CodePageText("platform", row.strPlatform)
        .CodePageText("state", StateText(row.eKind))
        .CodePageText("system", row.strSystem)
        .CodePageText("uptime", row.strUptime)
        .CodePageText("user", row.strUser)
        .Take();
}

// The targets for addresses named on the command line: each once, with the
// nicknames the host list has for it.
QList<SeekRow::CTarget> TargetsOf(const QList<QByteArray>& addresses, const CHostList& hosts)
{
    QHash<QByteArray, QByteArray> nicknames;
    for (const SeekRow::CTarget& listed : SeekRow::Targets(hosts.Entries()))
        nicknames.insert(listed.strAddress, listed.strMappedTo);
    QList<CHostEntry> entries;
    entries.reserve(addresses.size());
    for (const QByteArray& strAddress : addresses)
        entries.append({QByteArray(), strAddress, QByteArray()});
    QList<SeekRow::CTarget> targets = SeekRow::Targets(entries);
    for (SeekRow::CTarget& target : targets)
        target.strMappedTo = nicknames.value(target.strAddress);
    return targets;
}

} // namespace

int RunSeekCommand(const QStringList& arguments)
{
    CCommandLine command(
        "seek",
        QStringLiteral("Fingers every address of your host list, or the addresses given "
                       "(ADDRESS, FIRST-LAST such as 127.0.0.1-254 or 127.0.0.1-127.0.1.254, "
                       "or a network such as 127.0.0.0/24), and prints one line of JSON per "
                       "address as it answers, with the keys address, state (up, unknown, "
                       "down), user, mappedTo, system, platform, uptime, localtime and ms."));
    QCommandLineParser& parser = command.Parser();
    const QCommandLineOption portOption({QStringLiteral("p"), QStringLiteral("port")},
                                        QStringLiteral("Finger port to ask (default 79)."),
                                        QStringLiteral("N"), QStringLiteral("79"));
    const QCommandLineOption parallelOption(
        QStringLiteral("parallel"),
        QStringLiteral("Addresses asked at the same time (default 256)."), QStringLiteral("N"),
        QStringLiteral("256"));
    parser.addOptions({portOption, parallelOption});
    parser.addPositionalArgument(QStringLiteral("ADDRESS"),
                                 QStringLiteral("Addresses to seek instead of the host list."),
                                 QStringLiteral("[ADDRESS|FIRST-LAST|NETWORK/BITS ...]"));
    if (const std::optional<int> nDone = command.Parse(arguments, 0, arguments.size()))
        return *nDone;
    const auto nPort =
        NetAddress::ParsePort(parser.value(portOption), NetAddress::EPortUse::Connect);
    if (!nPort)
        return command.Fail(QStringLiteral("invalid port '%1'").arg(parser.value(portOption)));
    bool bParallelOk = false;
    const int nParallel = parser.value(parallelOption).toInt(&bParallelOk);
    if (!bParallelOk || nParallel < 1 || nParallel > 4096)
        return command.Fail(QStringLiteral("invalid --parallel '%1' (1 to 4096)")
                                .arg(parser.value(parallelOption)));

    const CCliSettings stored;
    CSeeker::CPlan plan;
    plan.strNickname = stored.Settings().SenderNickname();
    plan.nPort = *nPort;
    plan.nMaxInFlight = nParallel;
    const QStringList addressArguments = parser.positionalArguments();
    if (addressArguments.isEmpty()) {
        plan.targets = SeekRow::Targets(stored.Hosts().Entries());
    } else {
        QString strError;
        const auto addresses = AddressRanges::Expand(addressArguments, &strError);
        if (!addresses)
            return command.Fail(strError);
        plan.targets = TargetsOf(*addresses, stored.Hosts());
    }

    CQuitOnSignal quitOnSignal;
    CSeeker seeker;
    QHash<SeekRow::EKind, int> counts;
    const bool bTerminal = ::isatty(STDERR_FILENO) != 0;
    QObject::connect(&seeker, &CSeeker::RowReady, [&](const SeekRow::CRow& row) {
        ++counts[row.eKind];
        CliOutput::WriteLine(RowJson(row));
        if (bTerminal)
            std::fprintf(stderr, "\r%d of %d", seeker.Finished(), seeker.Probes());
    });
    QObject::connect(&seeker, &CSeeker::SeekDone, [] {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    });
    QElapsedTimer timer;
    timer.start();
    seeker.Start(plan);
    QCoreApplication::exec();
    if (bTerminal)
        std::fputs("\r\033[K", stderr);
    CliOutput::ErrorLine(QStringLiteral("%1 up, %2 unknown, %3 down in %4 s")
                             .arg(counts.value(SeekRow::EKind::Up))
                             .arg(counts.value(SeekRow::EKind::Unknown))
                             .arg(counts.value(SeekRow::EKind::Down))
                             .arg(static_cast<double>(timer.elapsed()) / 1000.0, 0, 'f', 2));
    return quitOnSignal.ReceivedSignal() != 0 ? 130 : 0;
}
