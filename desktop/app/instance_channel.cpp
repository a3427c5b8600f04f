#include "desktop/app/instance_channel.h"

#include "core/interfaces/logging.h"
#include "desktop/app/private_folder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace {
// A request is one line: "open" or "print", a tab, the absolute path. The
// running copy answers "ok".
constexpr qint64 kMaxRequest = 16 * 1024;
const QByteArray kOk = "ok\n";

QString SocketName(const QString& strSettingsPath)
{
    const QByteArray strKey =
        QCryptographicHash::hash(QFileInfo(strSettingsPath).absoluteFilePath().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QStringLiteral("blipnote-") + QString::fromLatin1(strKey);
}
} // namespace

CInstanceChannel::CInstanceChannel(const QString& strSettingsPath, QObject* pParent)
    : QObject(pParent), m_strName(SocketName(strSettingsPath)), m_pServer(new QLocalServer(this))
{
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer, &QLocalServer::newConnection, this, &CInstanceChannel::OnConnection);
}

CInstanceChannel::~CInstanceChannel() = default;

QString CInstanceChannel::SocketPath(const QString& strSettingsPath)
{
    QString strProblem;
    const QString strFolder = CPrivateFolder::Find(&strProblem);
    return strFolder.isEmpty() ? QString() : QDir(strFolder).filePath(SocketName(strSettingsPath));
}

QString CInstanceChannel::CheckedPath()
{
    const QString strFolder = CPrivateFolder::Find(&m_strProblem);
    return strFolder.isEmpty() ? QString() : QDir(strFolder).filePath(m_strName);
}

CInstanceChannel::EHandOver CInstanceChannel::HandOver(const CStartupRequest& request,
                                                       std::chrono::milliseconds timeLimit)
{
    const QString strPath = CheckedPath();
    if (strPath.isEmpty())
        return EHandOver::Unsafe;
    m_strProblem = CPrivateFolder::WhyNotOwn(strPath, S_IFSOCK);
    if (!m_strProblem.isEmpty())
        return EHandOver::Unsafe;
    QLocalSocket socket;
    socket.connectToServer(strPath);
    if (!socket.waitForConnected(static_cast<int>(timeLimit.count())))
        return EHandOver::NoneRunning; // no socket, or one a crashed copy left
    // The user's paths go to the user's own copy only.
    if (const auto peer = CPrivateFolder::PeerUser(socket.socketDescriptor());
        peer != ::geteuid()) {
        m_strProblem =
            peer ? QStringLiteral("%1 is answered by a process of %2")
                       .arg(strPath, CPrivateFolder::DescribeUser(*peer))
                 : QStringLiteral("%1: the user at the other end is not known").arg(strPath);
        socket.abort();
        return EHandOver::Unsafe;
    }
    QByteArray strRequest;
    if (!request.strPrintFile.isEmpty())
        strRequest = "print\t" + QFileInfo(request.strPrintFile).absoluteFilePath().toUtf8();
    else if (!request.strOpenFile.isEmpty())
        strRequest = "open\t" + QFileInfo(request.strOpenFile).absoluteFilePath().toUtf8();
    else if (request.bHidden)
        strRequest = "hidden"; // the copy that runs stays as it is
    else
        strRequest = "show";
    socket.write(strRequest + '\n');
    QByteArray strAnswer;
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    while (!strAnswer.endsWith('\n') && std::chrono::steady_clock::now() < deadline &&
           socket.state() == QLocalSocket::ConnectedState) {
        if (socket.bytesAvailable() > 0 || socket.waitForReadyRead(100))
            strAnswer += socket.read(16);
    }
    strAnswer += socket.readAll();
    return strAnswer == kOk ? EHandOver::Taken : EHandOver::NoAnswer;
}

CInstanceChannel::EListen CInstanceChannel::Listen()
{
    const QString strPath = CheckedPath();
    if (strPath.isEmpty())
        return EListen::Failed;
    const QString strLock = strPath + QStringLiteral(".lock");
    // Neither a lock nor a socket of another user is taken over, or believed.
    m_strProblem = CPrivateFolder::WhyNotOwn(strLock, S_IFREG);
    if (m_strProblem.isEmpty())
        m_strProblem = CPrivateFolder::WhyNotOwn(strPath, S_IFSOCK);
    if (!m_strProblem.isEmpty())
        return EListen::Failed;
    // The lock says who runs: the socket alone could be replaced under a
    // running copy. A lock whose process has ended is taken over.
    m_pLock = std::make_unique<QLockFile>(strLock);
    m_pLock->setStaleLockTime(0); // stale only when its process has ended
    if (!m_pLock->tryLock(0)) {
        if (m_pLock->error() == QLockFile::LockFailedError)
            return EListen::OtherCopy;
        m_strProblem = QStringLiteral("%1 cannot be made").arg(strLock);
        return EListen::Failed;
    }
    QLocalServer::removeServer(strPath); // one a crashed copy left
    if (m_pServer->listen(strPath)) {
        m_strPath = strPath;
        // The local server stops listening when a connection cannot be accepted
        // (no file descriptors left): it listens again once it can.
        auto* pKeeper = new QTimer(this);
        connect(pKeeper, &QTimer::timeout, this, &CInstanceChannel::ListenAgain);
        pKeeper->start(RequestTimeLimit);
        return EListen::Listening;
    }
    m_strProblem = QStringLiteral("%1: %2").arg(strPath, m_pServer->errorString());
    m_pLock.reset();
    return EListen::Failed;
}

CInstanceChannel::EStart CInstanceChannel::Start(const CStartupRequest& request,
                                                 std::chrono::milliseconds timeLimit)
{
    const auto deadline = std::chrono::steady_clock::now() + timeLimit;
    for (;;) {
        switch (HandOver(request, timeLimit)) {
        case EHandOver::Taken:
            return EStart::HandedOver;
        case EHandOver::NoAnswer:
            return EStart::NoAnswer;
        case EHandOver::Unsafe:
            return EStart::RunsAlone;
        case EHandOver::NoneRunning:
            break;
        }
        switch (Listen()) {
        case EListen::Listening:
            return EStart::ThisCopyRuns;
        case EListen::Failed:
            return EStart::RunsAlone;
        case EListen::OtherCopy:
            break;
        }
        // Another start won the race and is about to listen; a copy that holds
        // the lock and never listens does not answer.
        if (std::chrono::steady_clock::now() >= deadline)
            return EStart::NoAnswer;
        QThread::msleep(50);
    }
}

void CInstanceChannel::ListenAgain()
{
    if (!m_pLock || !m_pLock->isLocked() || m_pServer->isListening())
        return;
    qCWarning(lcNet, "%s: listening again after %s", qUtf8Printable(m_strPath),
              qUtf8Printable(m_pServer->errorString()));
    // As at the start: only in the user's own folder, over the user's own socket.
    if (CheckedPath() != m_strPath || !CPrivateFolder::WhyNotOwn(m_strPath, S_IFSOCK).isEmpty()) {
        qCWarning(lcNet, "%s: not listening again: %s", qUtf8Printable(m_strPath),
                  qUtf8Printable(m_strProblem));
        return;
    }
    QLocalServer::removeServer(m_strPath);
    m_pServer->listen(m_strPath);
}

void CInstanceChannel::OnConnection()
{
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        pSocket->setParent(this);
        // Requests come from the user's own later starts only.
        if (const auto peer = CPrivateFolder::PeerUser(pSocket->socketDescriptor());
            peer != ::geteuid()) {
            qCWarning(lcNet, "%s: a connection of %s refused", qUtf8Printable(m_strPath),
                      peer ? qUtf8Printable(CPrivateFolder::DescribeUser(*peer))
                           : "an unknown user");
            pSocket->abort();
            pSocket->deleteLater();
            continue;
        }
        // Connections that hang on cannot keep a later start out: the oldest
        // gives way.
        if (m_connections.size() >= MaxConnections) {
            QLocalSocket* pOldest = m_connections.takeFirst();
            pOldest->disconnect(this);
            pOldest->abort();
            pOldest->deleteLater();
        }
        m_connections.append(pSocket);
        connect(pSocket, &QObject::destroyed, this,
                [this, pSocket] { m_connections.removeOne(pSocket); });
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        QTimer::singleShot(RequestTimeLimit, pSocket, [pSocket] {
            pSocket->abort();
            pSocket->deleteLater();
        });
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket] {
            if (!pSocket->canReadLine()) {
                if (pSocket->bytesAvailable() > kMaxRequest)
                    pSocket->abort(); // no request is that long
                return;
            }
            QByteArray strLine = pSocket->readLine(kMaxRequest);
            strLine.chop(1); // the line feed
            const QString strPath = QString::fromUtf8(strLine.mid(strLine.indexOf('\t') + 1));
            // One request per connection: whatever follows is not read.
            m_connections.removeOne(pSocket);
            pSocket->disconnect(this);
            pSocket->write(kOk);
            pSocket->disconnectFromServer();
            CStartupRequest request;
            if (strLine.startsWith("open\t"))
                request.strOpenFile = strPath;
            else if (strLine.startsWith("print\t"))
                request.strPrintFile = strPath;
            else
                request.bHidden = strLine == "hidden";
            // Taken on from the event loop: a box it shows runs an event loop of
            // its own, which must not delete this socket under its own handler.
            QMetaObject::invokeMethod(
                this, [this, request] { Q_EMIT Requested(request); }, Qt::QueuedConnection);
        });
    }
}
