#include "core/net/descriptor_budget.h"

#include <algorithm>
#include <dirent.h>
#include <limits>
#include <sys/resource.h>
#include <vector>

namespace {

// The servers of one thread are counted together (a process runs its servers
// on one thread; a test or benchmark that runs one on a thread of its own
// counts it alone, and the system's own limit still holds).
thread_local std::vector<const std::function<int()>*> g_servers;
// Descriptors held by others than the servers: the three standard streams
// until they are counted.
thread_local int g_nRest = 3;
thread_local int g_nBound = -1; // what the servers' connections may hold, or -1 until known

int HeldByServers()
{
    int nHeld = 0;
    for (const auto* pHeld : g_servers)
        nHeld += (*pHeld)();
    return nHeld;
}

// Descriptors open in this process, or -1 when it cannot be told.
int OpenDescriptors()
{
    DIR* pFolder = ::opendir("/proc/self/fd");
    if (!pFolder)
        return -1;
    int nCount = 0;
    while (const dirent* pEntry = ::readdir(pFolder)) {
        if (pEntry->d_name[0] != '.')
            ++nCount;
    }
    ::closedir(pFolder);
    return nCount - 1; // less the one this listing of the folder holds itself
}

} // namespace

CDescriptorBudget::CDescriptorBudget(std::function<int()> held) : m_held(std::move(held))
{
    g_servers.push_back(&m_held);
}

CDescriptorBudget::~CDescriptorBudget()
{
    std::erase(g_servers, &m_held);
}

void CDescriptorBudget::CountTheRest()
{
    if (const int nOpen = OpenDescriptors(); nOpen >= 0)
        g_nRest = std::max(nOpen - HeldByServers(), 0);
    g_nBound = -1; // worked out again with the next connection
}

bool CDescriptorBudget::Spent()
{
    // The limit is read again only near the bound it gave (it may have been
    // raised meanwhile); a connection costs no system call for it.
    const int nHeld = HeldByServers();
    if (g_nBound >= 0 && nHeld < g_nBound)
        return false;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > static_cast<rlim_t>(std::numeric_limits<int>::max() / 2)) {
        g_nBound = std::numeric_limits<int>::max();
        return false;
    }
    const int nLimit = static_cast<int>(limit.rlim_cur);
    g_nBound = nLimit - std::clamp(nLimit / 16, 4, 64) - g_nRest;
    return nHeld >= g_nBound;
}
