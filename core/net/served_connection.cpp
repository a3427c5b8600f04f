#include "core/net/served_connection.h"

#include "core/interfaces/logging.h"

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>

CServedConnection::CServedConnection(CDescriptor descriptor, CPeerAddress peer, quint64 nSerial)
    : descriptor(std::move(descriptor)), peer(std::move(peer)), nSerial(nSerial)
{}

CServedConnection::~CServedConnection() = default;

void CServedConnection::SetAnswer(const QByteArrayList& answerToSend)
{
    bAnswerKnown = true;
    answer = answerToSend;
    for (const QByteArray& strPart : answerToSend)
        nAnswerSize += strPart.size();
}

CServedConnection::ESent CServedConnection::SendAnswer()
{
    while (nPart < answer.size()) {
        const QByteArray& strPart = answer.at(nPart);
        if (nSentOfPart == strPart.size()) {
            ++nPart;
            nSentOfPart = 0;
            continue;
        }
        // Parts before the last are held back to fill whole segments.
        const bool bLast = nPart == answer.size() - 1;
        const ssize_t n = ::send(descriptor.Get(), strPart.constData() + nSentOfPart,
                                 static_cast<std::size_t>(strPart.size() - nSentOfPart),
                                 MSG_NOSIGNAL | MSG_DONTWAIT | (bLast ? 0 : MSG_MORE));
        if (n > 0) {
            nSentOfPart += n;
            nAnswerSent += n;
            continue;
        }
        const int nError = errno;
        if (n < 0 && nError == EINTR)
            continue;
        if (n < 0 && (nError == EAGAIN || nError == EWOULDBLOCK)) {
            qCDebug(lcNet, "answering %s: %lld of %lld bytes sent, waiting for room",
                    peer.strText.constData(), static_cast<long long>(nAnswerSent),
                    static_cast<long long>(nAnswerSize));
            return ESent::Blocked;
        }
        qCWarning(lcNet, "answering %s failed after %lld of %lld bytes: %s",
                  peer.strText.constData(), static_cast<long long>(nAnswerSent),
                  static_cast<long long>(nAnswerSize), std::strerror(nError));
        return ESent::Failed;
    }
    return ESent::Whole;
}

bool CServedConnection::HasUnreadBytes() const
{
    char c = 0;
    return ::recv(descriptor.Get(), &c, 1, MSG_PEEK | MSG_DONTWAIT) > 0;
}
