#include "desktop/app/instance_channel.h"

#include "core/interfaces/logging.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

namespace {
// A request is one line: "open" or "print", a tab, the absolute path. The
// running copy answers "ok".
constexpr qint64 kMaxRequest = 16 * 1024;
const QByteArray kOk = "ok\n";
} // namespace

CInstanceChannel::CInstanceChannel(const QString& strSettingsPath, QObject* pParent)
    : QObject(pParent), m_strPath(SocketPath(strSettingsPath)),
      m_lock(m_strPath + QStringLiteral(".lock")), m_pServer(new QLocalServer(this))
{
    m_lock.setStaleLockTime(0); // stale only when its process has ended
    m_pServer->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_pServer, &QLocalServer::newConnection, this, &CInstanceChannel::OnConnection);
    // The local server stops listening when a connection cannot be accepted
    // (no file descriptors left): it listens again once it can.
    auto* pKeeper = new QTimer(this);
    connect(pKeeper, &QTimer::timeout, this, &CInstanceChannel::ListenAgain);
    pKeeper->start(RequestTimeLimit);
}

CInstanceChannel::~CInstanceChannel() = default;

QString CInstanceChannel::SocketPath(const QString& strSettingsPath)
{
    QString strFolder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (strFolder.isEmpty())
        strFolder = QDir::tempPath();
    const QByteArray strKey =
        QCryptographicHash::hash(QFileInfo(strSettingsPath).absoluteFilePath().toUtf8(),
                                 QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return QDir(strFolder).filePath(QStringLiteral("blipnote-") + QString::fromLatin1(strKey));
}

CInstanceChannel::EHandOver CInstanceChannel::HandOver(const CStartupRequest& request,
                                                       std::chrono::milliseconds timeLimit) const
{
    QLocalSocket socket;
    socket.connectToServer(m_strPath);
    if (!socket.waitForConnected(static_cast<int>(timeLimit.count())))
        return EHandOver::NoneRunning; // no socket, or one a crashed copy left
    QByteArray strRequest;
    if (!request.strPrintFile.isEmpty())
        strRequest = "print\t" + QFileInfo(request.strPrintFile).absoluteFilePath().toUtf8();
    else if (!request.strOpenFile.isEmpty())
        strRequest = "open\t" + QFileInfo(request.strOpenFile).absoluteFilePath().toUtf8();
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
    // The lock says who runs: the socket alone could be replaced under a
    // running copy. A lock whose process has ended is taken over.
    if (!m_lock.tryLock(0)) {
        if (m_lock.error() == QLockFile::LockFailedError)
            return EListen::OtherCopy;
        qCWarning(lcNet, "%s.lock cannot be made", qUtf8Printable(m_strPath));
        return EListen::Failed;
    }
    QLocalServer::removeServer(m_strPath); // one a crashed copy left
    if (m_pServer->listen(m_strPath))
        return EListen::Listening;
    qCWarning(lcNet, "%s: %s", qUtf8Printable(m_strPath), qUtf8Printable(m_pServer->errorString()));
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
        case EHandOver::NoneRunning:
            break;
        }
        if (Listen() != EListen::OtherCopy)
            return EStart::ThisCopyRuns;
        // Another start won the race and is about to listen; a copy that holds
        // the lock and never listens does not answer.
        if (std::chrono::steady_clock::now() >= deadline)
            return EStart::NoAnswer;
        QThread::msleep(50);
    }
}

void CInstanceChannel::ListenAgain()
{
    if (!m_lock.isLocked() || m_pServer->isListening())
        return;
    qCWarning(lcNet, "%s: listening again after %s", qUtf8Printable(m_strPath),
              qUtf8Printable(m_pServer->errorString()));
    QLocalServer::removeServer(m_strPath);
    m_pServer->listen(m_strPath);
}

void CInstanceChannel::OnConnection()
{
    while (QLocalSocket* pSocket = m_pServer->nextPendingConnection()) {
        pSocket->setParent(this);
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
            // Taken on from the event loop: a box it shows runs an event loop of
            // its own, which must not delete this socket under its own handler.
            QMetaObject::invokeMethod(
                this, [this, request] { Q_EMIT Requested(request); }, Qt::QueuedConnection);
        });
    }
}
