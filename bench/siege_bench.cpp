// How long an honest note and an honest finger query wait while hostile peers
// hold the servers: thousands of addresses each holding a connection that says
// nothing, or trickles a byte a second; clients that stream bytes without a line
// end; addresses that reconnect as soon as they are closed. The servers are
// "blipnote-cli listen" and "blipnote-cli fingerd", each in a process of its own
// with the ordinary limit of 1,024 descriptors; the attackers come from
// 127.1.0.0 upwards, the honest peer from 127.0.0.1.
//
// Usage: siege_bench [ADDRESSES]   (10,000 by default)
#include "bench/support/load.h"
#include "tests/support/hostile_peers.h"
#include "tests/support/sample_notes.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kDescriptorLimit = 1024;
constexpr qint64 kGiveUpMs = 60000; // a sender gives up after a minute
constexpr int kHonestRounds = 5;
constexpr unsigned long kSettleMs = 10000;

// One honest exchange from 127.0.0.1: milliseconds until the whole answer
// came, or -1 when it did not come within a minute.
double HonestExchange(quint16 nPort, const QByteArray& strRequest)
{
    QElapsedTimer timer;
    timer.start();
    const int nSocket = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(nPort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::connect(nSocket, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
    bool bConnected = false;
    qsizetype nWritten = 0;
    QByteArray strAnswer;
    while (timer.elapsed() < kGiveUpMs) {
        pollfd polled{nSocket, static_cast<short>(bConnected ? POLLIN : POLLOUT), 0};
        ::poll(&polled, 1, 100);
        if (polled.revents == 0)
            continue;
        if (!bConnected) {
            int nError = 0;
            socklen_t nLength = sizeof(nError);
            ::getsockopt(nSocket, SOL_SOCKET, SO_ERROR, &nError, &nLength);
            if (nError != 0)
                break;
            bConnected = true;
            while (nWritten < strRequest.size()) {
                const ssize_t n =
                    ::send(nSocket, strRequest.constData() + nWritten,
                           static_cast<std::size_t>(strRequest.size() - nWritten), MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                nWritten += n;
            }
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::recv(nSocket, buffer, sizeof(buffer), MSG_DONTWAIT);
        if (n > 0) {
            strAnswer.append(buffer, n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        break; // closed: the answer is whole
    }
    ::close(nSocket);
    return strAnswer.isEmpty() || strAnswer == "0"
               ? -1
               : static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

struct CServer
{
    const char* pszName;
    QString strCommand;
    QByteArray strRequest;
    QByteArray strFirst; // what a trickling attacker writes first
    QByteArray strTrickle;
};

QByteArray Figures(std::vector<double> latencies)
{
    int nFailed = 0;
    std::vector<double> answered;
    for (const double d : latencies) {
        if (d < 0)
            ++nFailed;
        else
            answered.push_back(d);
    }
    char szText[96];
    if (answered.empty()) {
        std::snprintf(szText, sizeof(szText), "none in %llds",
                      static_cast<long long>(kGiveUpMs / 1000));
        return szText;
    }
    const double dMax = *std::max_element(answered.begin(), answered.end());
    std::snprintf(szText, sizeof(szText), "%.1f ms (max %.1f)%s", Median(answered), dMax,
                  nFailed > 0 ? " some lost" : "");
    QByteArray strText(szText);
    if (nFailed > 0)
        strText.replace("some", QByteArray::number(nFailed));
    return strText;
}

// The honest peer's latencies against a fresh server while the attack runs.
QByteArray UnderAttack(const CServer& server, const std::function<CHostilePlan(quint16)>& attack,
                       double* pdCpuPercent = nullptr)
{
    const CCliServer cli({server.strCommand}, 0, kDescriptorLimit);
    if (cli.Port() == 0)
        return "did not start";
    std::unique_ptr<CHostilePeers> pAttackers;
    if (attack) {
        pAttackers = std::make_unique<CHostilePeers>(attack(cli.Port()));
        while (!pAttackers->AllStarted())
            QThread::msleep(10);
        // Beyond the time the system holds a connection that has sent nothing:
        // the server has met every kind of attacker before the honest peer comes.
        QThread::msleep(kSettleMs);
    }
    const double dCpuBefore = cli.CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    if (pdCpuPercent)
        QThread::msleep(kSettleMs); // a while of churn
    std::vector<double> latencies;
    for (int n = 0; n < (attack ? kHonestRounds : 20); ++n)
        latencies.push_back(HonestExchange(cli.Port(), server.strRequest));
    if (pdCpuPercent) {
        *pdCpuPercent = 100.0 * (cli.CpuSeconds() - dCpuBefore) /
                        (static_cast<double>(timer.elapsed()) / 1000.0);
    }
    QByteArray strFigures = Figures(latencies);
    if (pAttackers) {
        strFigures += " [" + QByteArray::number(pAttackers->Connected()) + " connected, " +
                      QByteArray::number(pAttackers->ClosedByServer()) + " closed]";
        pAttackers->LetGo(true);
    }
    return strFigures;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int nAddresses = argc > 1 ? std::atoi(argv[1]) : 10000;
    if (RaiseDescriptorLimit() < nAddresses + 100) {
        std::fprintf(stderr, "needs %d descriptors\n", nAddresses + 100);
        return 1;
    }
    const std::vector<CServer> servers{
        // A tagged note that never ends: the server reads on.
        {"note (listen)", QStringLiteral("listen"), SampleNotes::Lunch, "bob/$0", "x"},
        {"finger (fingerd)", QStringLiteral("fingerd"), "ann\r\n", "", "u"},
    };
    const QByteArray strMany = QByteArray::number(nAddresses);
    struct CAttack
    {
        QByteArray strName;
        std::function<CHostilePlan(quint16, const CServer&)> plan;
    };
    const std::vector<CAttack> attacks{
        {"unattacked", {}},
        {strMany + " addresses, one idle each",
         [nAddresses](quint16 nPort, const CServer&) {
             return CHostilePlan{.nPort = nPort,
                                 .strFrom = "127.1.0.1",
                                 .nAddresses = nAddresses,
                                 .nIdle = nAddresses};
         }},
        {strMany + " addresses trickling",
         [nAddresses](quint16 nPort, const CServer& server) {
             return CHostilePlan{.nPort = nPort,
                                 .strFrom = "127.1.0.1",
                                 .nAddresses = nAddresses,
                                 .nTrickling = nAddresses,
                                 .strFirst = server.strFirst,
                                 .trickleEvery = std::chrono::seconds(1),
                                 .strTrickle = server.strTrickle};
         }},
        {"one client streaming",
         [](quint16 nPort, const CServer& server) {
             return CHostilePlan{.nPort = nPort,
                                 .nTrickling = 1,
                                 .strFirst = server.strFirst,
                                 .strTrickle = server.strTrickle,
                                 .bStream = true};
         }},
        {"four clients streaming",
         [](quint16 nPort, const CServer& server) {
             return CHostilePlan{.nPort = nPort,
                                 .nAddresses = 4,
                                 .nTrickling = 4,
                                 .strFirst = server.strFirst,
                                 .strTrickle = server.strTrickle,
                                 .bStream = true};
         }},
    };
    std::printf("Honest answer under attack, median of %d (20 unattacked), servers limited to "
                "%d descriptors\n\n",
                kHonestRounds, kDescriptorLimit);
    std::printf("%-40s", "attack");
    for (const CServer& server : servers)
        std::printf(" %-46s", server.pszName);
    std::printf("\n");
    for (const CAttack& attack : attacks) {
        std::printf("%-40s", attack.strName.constData());
        std::fflush(stdout);
        for (const CServer& server : servers) {
            std::function<CHostilePlan(quint16)> plan;
            if (attack.plan)
                plan = [&](quint16 nPort) { return attack.plan(nPort, server); };
            std::printf(" %-46s", UnderAttack(server, plan).constData());
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    // Addresses that come back as soon as they are closed, at the descriptor
    // limit: what the churn costs the server.
    const int nChurning = std::min(nAddresses, 1500);
    std::printf("\n%d addresses reconnecting at once when closed:\n", nChurning);
    for (const CServer& server : servers) {
        double dCpu = 0;
        const QByteArray strFigures = UnderAttack(
            server,
            [&](quint16 nPort) {
                return CHostilePlan{.nPort = nPort,
                                    .strFrom = "127.2.0.1",
                                    .nAddresses = nChurning,
                                    .nIdle = nChurning,
                                    .bReconnect = true};
            },
            &dCpu);
        std::printf("%-40s %-46s server at %.0f %% of a core\n", server.pszName,
                    strFigures.constData(), dCpu);
    }
    return 0;
}
