#include "cli/cli_output.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <array>
#include <cerrno>
#include <cstdio>
#include <poll.h>
#include <sys/uio.h>
#include <unistd.h>

namespace CliOutput {

bool WriteLine(const QByteArray& strLine)
{
    // Straight to the descriptor, line and line end in one call: a note's line
    // may be large, and stdio would copy it and write it in three pieces.
    char chEnd = '\n';
    std::array<iovec, 2> parts{
        iovec{const_cast<char*>(strLine.constData()), static_cast<std::size_t>(strLine.size())},
        iovec{&chEnd, 1}};
    iovec* pPart = parts.data();
    int nParts = 2;
    while (nParts > 0) {
        const ssize_t n = ::writev(STDOUT_FILENO, pPart, nParts);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Whoever started us made the output non-blocking: wait for room.
            pollfd output{STDOUT_FILENO, POLLOUT, 0};
            ::poll(&output, 1, -1);
            continue;
        }
        if (n < 0)
            return false;
        // What went is passed over; a part that went in part goes on from there.
        auto nWent = static_cast<std::size_t>(n);
        for (; nParts > 0 && nWent >= pPart->iov_len; ++pPart, --nParts)
            nWent -= pPart->iov_len;
        if (nParts > 0) {
            pPart->iov_base = static_cast<char*>(pPart->iov_base) + nWent;
            pPart->iov_len -= nWent;
        }
    }
    return true;
}

void ErrorLine(const QString& strLine)
{
    const QByteArray strOut = strLine.toUtf8() + '\n';
    std::fwrite(strOut.constData(), 1, static_cast<std::size_t>(strOut.size()), stderr);
    std::fflush(stderr);
}

void WriteHelp(const QCommandLineParser& parser, const char* pszCommand)
{
    const QByteArray strProgram = QCoreApplication::arguments().constFirst().toUtf8();
    WriteLine(
        parser.helpText().toUtf8().replace(strProgram, QByteArray("blipnote-cli ") + pszCommand));
}

} // namespace CliOutput
