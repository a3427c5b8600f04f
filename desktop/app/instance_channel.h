#pragma once

#include "desktop/app/startup_request.h"

#include <QList>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>
#include <memory>

class QLocalServer;
class QLocalSocket;

// One running copy per settings file: a second start hands what its command line
// asks for (a note to open, or to print) to the running copy and ends, without
// touching the ports or the settings. The copies meet on a local socket in the
// user's private folder (see CPrivateFolder), named after the settings file, so
// copies with settings of their own (another XDG_CONFIG_HOME) still run side by
// side. Only the user's own processes take part: a folder, socket or lock of
// another user is never used, and either end checks who is at the other.
class CInstanceChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds AnswerTimeLimit = std::chrono::seconds(5);

    enum class EHandOver
    {
        Taken,       // the running copy took the request: this start ends
        NoneRunning, // no copy runs: this one starts
        NoAnswer,    // a copy runs but does not answer
        Unsafe,      // not the user's own folder, socket or peer: nothing was sent
    };

    explicit CInstanceChannel(const QString& strSettingsPath, QObject* pParent = nullptr);
    ~CInstanceChannel() override;

    // The socket's path for that settings file; empty when the user has no
    // private folder.
    static QString SocketPath(const QString& strSettingsPath);

    // Hands the request (its files made absolute) to a running copy, which has
    // the time limit to answer.
    EHandOver HandOver(const CStartupRequest& request,
                       std::chrono::milliseconds timeLimit = AnswerTimeLimit);
    enum class EListen
    {
        Listening,
        OtherCopy, // another start won the race and listens
        Failed,    // no socket can be made here (Problem says why)
    };

    // Takes the requests of later starts; a socket left by a copy that crashed
    // is replaced.
    EListen Listen();

    // What a start does: hands its request to the running copy, else listens
    // itself. A copy that holds the lock but takes no connection within the time
    // limit does not answer.
    enum class EStart
    {
        HandedOver,   // the running copy took the request: this start ends
        NoAnswer,     // a copy runs but does not answer
        ThisCopyRuns, // listening
        RunsAlone,    // the channel cannot be used (Problem says why): this copy
                      // neither looks for another nor can be found
    };
    EStart Start(const CStartupRequest& request,
                 std::chrono::milliseconds timeLimit = AnswerTimeLimit);

    // Why the channel could not be used, for the user.
    QString Problem() const { return m_strProblem; }

    // Connections served at once, and how long one may take to ask.
    static constexpr int MaxConnections = 16;
    static constexpr std::chrono::milliseconds RequestTimeLimit = std::chrono::seconds(2);

Q_SIGNALS:
    // A later start's request; an empty one asks only for the window.
    void Requested(const CStartupRequest& request);

private:
    // The socket's path, its folder checked (and made) now; empty when unsafe.
    QString CheckedPath();
    void OnConnection();
    void ListenAgain();

    QString m_strName; // the socket's name in the folder
    QString m_strPath; // where this copy listens
    QString m_strProblem;
    std::unique_ptr<QLockFile> m_pLock;
    QLocalServer* m_pServer;
    QList<QLocalSocket*> m_connections; // oldest first
};
