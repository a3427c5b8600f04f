#include "core/net/socket_activation.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace SocketActivation {

std::optional<int> TakeListeningSocket(QString* pstrNote)
{
    const QByteArray strPid = qgetenv("LISTEN_PID");
    const QByteArray strCount = qgetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_PID");
    ::unsetenv("LISTEN_FDS");
    ::unsetenv("LISTEN_FDNAMES");
    if (strPid.isEmpty() || strCount.isEmpty())
        return std::nullopt;
    bool bPid = false;
    bool bCount = false;
    const qlonglong nPid = strPid.toLongLong(&bPid);
    const qlonglong nCount = strCount.toLongLong(&bCount);
    // Meant for another process (a parent that did not clear them).
    if (!bPid || nPid != static_cast<qlonglong>(::getpid()))
        return std::nullopt;
    if (bCount && nCount == 0)
        return std::nullopt; // none passed
    if (!bCount || nCount < 0) {
        if (pstrNote)
            *pstrNote = QStringLiteral("LISTEN_FDS=%1 is not a number of sockets")
                            .arg(QString::fromLatin1(strCount));
        return std::nullopt;
    }
    // Only the first is served; the others are not handed on to children. No
    // descriptor lies beyond the process's limit, whatever the count says.
    const long nLimit = ::sysconf(_SC_OPEN_MAX);
    const qlonglong nEnd =
        std::min<qlonglong>(kFirstDescriptor + nCount, nLimit > 0 ? nLimit : 1024);
    for (qlonglong nDescriptor = kFirstDescriptor + 1; nDescriptor < nEnd; ++nDescriptor)
        ::fcntl(static_cast<int>(nDescriptor), F_SETFD, FD_CLOEXEC);
    if (nCount > 1 && pstrNote)
        *pstrNote = QStringLiteral("%1 sockets passed; the first is served").arg(nCount);
    return kFirstDescriptor;
}

} // namespace SocketActivation
