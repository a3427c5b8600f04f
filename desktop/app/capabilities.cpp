#include "desktop/app/capabilities.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using CCapSets = std::array<__user_cap_data_struct, _LINUX_CAPABILITY_U32S_3>;

// The process's own sets; false when the system does not tell.
bool Read(CCapSets& sets)
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    return ::syscall(SYS_capget, &header, sets.data()) == 0;
}

bool Holds(const CCapSets& sets)
{
    for (const __user_cap_data_struct& data : sets) {
        if (data.effective != 0 || data.permitted != 0 || data.inheritable != 0)
            return true;
    }
    return false;
}

QString SystemError(const char* pszStep)
{
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(pszStep),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

namespace Capabilities {

bool DropAll(QString* pstrProblem)
{
    // Root's rights come with its user id, not with the capability of the
    // file: a process of root regains every capability at the next program it
    // starts (the mail program, say), so dropping them here would protect
    // nothing, and could only break what an administrator does on purpose.
    if (::getuid() == 0 && ::geteuid() == 0)
        return true;
    CCapSets sets{};
    if (!Read(sets)) {
        *pstrProblem = SystemError("capget");
        return false;
    }
    // The bounding set limits what a program started later may gain; it can be
    // narrowed only with CAP_SETPCAP in the effective set, which the package's
    // file capability does not give, so it normally stays as it is.
    const unsigned nSetPCap = CAP_TO_INDEX(CAP_SETPCAP);
    if ((sets.at(nSetPCap).effective & CAP_TO_MASK(CAP_SETPCAP)) != 0) {
        for (unsigned long nCap = 0; ::prctl(PR_CAPBSET_READ, nCap, 0, 0, 0) >= 0; ++nCap)
            ::prctl(PR_CAPBSET_DROP, nCap, 0, 0, 0);
    }
    // Ambient capabilities would pass to every program started later. (Before
    // Linux 4.3 there are none, and this fails with EINVAL.)
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    // Lowering the sets needs no right; an empty permitted set takes every
    // capability away for good (and with it the ambient ones).
    if (Holds(sets)) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        CCapSets none{};
        if (::syscall(SYS_capset, &header, none.data()) != 0) {
            *pstrProblem = SystemError("capset");
            return false;
        }
    }
    if (!Read(sets) || Holds(sets)) {
        *pstrProblem = QStringLiteral("capabilities are still held after giving them up");
        return false;
    }
    return true;
}

} // namespace Capabilities
