// Preloaded into a program whose start is measured: at its first listen() on a
// TCP socket it writes the monotonic clock and the CPU time the process has
// used so far, in nanoseconds, into the file BLIPNOTE_LISTEN_CLOCK names. The
// CPU time does not grow with what else the machine does, as wall time does.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>
#include <sys/socket.h>

namespace {

long long Nanoseconds(clockid_t eClock)
{
    timespec now{};
    clock_gettime(eClock, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

bool g_bWritten = false;

} // namespace

extern "C" int listen(int nSocket, int nBacklog)
{
    using FListen = int (*)(int, int);
    static const auto pListen = reinterpret_cast<FListen>(dlsym(RTLD_NEXT, "listen"));
    const int nResult = pListen(nSocket, nBacklog);
    sockaddr_storage address{};
    socklen_t nLength = sizeof(address);
    const char* pszFile = std::getenv("BLIPNOTE_LISTEN_CLOCK");
    if (nResult == 0 && !g_bWritten && pszFile &&
        getsockname(nSocket, reinterpret_cast<sockaddr*>(&address), &nLength) == 0 &&
        (address.ss_family == AF_INET || address.ss_family == AF_INET6)) {
        g_bWritten = true;
        const long long nWall = Nanoseconds(CLOCK_MONOTONIC);
        const long long nCpu = Nanoseconds(CLOCK_PROCESS_CPUTIME_ID);
        if (FILE* pFile = std::fopen(pszFile, "w")) {
            std::fprintf(pFile, "%lld %lld\n", nWall, nCpu);
            std::fclose(pFile);
        }
    }
    return nResult;
}
