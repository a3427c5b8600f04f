#pragma once

#include "desktop/app/startup_request.h"

#include <QList>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>

class QLocalServer;
class QLocalSocket;

// One running copy per settings file: a second start hands what its command line
// asks for (a note to open, or to print) to the running copy and ends, without
// touching the ports or the settings. The copies meet on a local socket in the
// user's runtime folder, named after the settings file, so copies with settings
// of their own (another XDG_CONFIG_HOME) still run side by side.
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
    };

    explicit CInstanceChannel(const QString& strSettingsPath, QObject* pParent = nullptr);
    ~CInstanceChannel() override;

    // The socket's path for that settings file.
    static QString SocketPath(const QString& strSettingsPath);

    // Hands the request (its files made absolute) to a running copy, which has
    // the time limit to answer.
    EHandOver HandOver(const CStartupRequest& request,
                       std::chrono::milliseconds timeLimit = AnswerTimeLimit) const;
    enum class EListen
    {
        Listening,
        OtherCopy, // another start won the race and listens
        Failed,    // no socket can be made here: this copy runs on its own
    };

    // Takes the requests of later starts; a socket left by a copy that crashed
    // is replaced.
    EListen Listen();

    // What a start does: hands its request to the running copy, else listens
    // itself. A copy that holds the lock but takes no connection within the time
    // limit does not answer.
    enum class EStart
    {
        HandedOver,  // the running copy took the request: this start ends
        NoAnswer,    // a copy runs but does not answer
        ThisCopyRuns // listening, or running on its own where it cannot listen
    };
    EStart Start(const CStartupRequest& request,
                 std::chrono::milliseconds timeLimit = AnswerTimeLimit);

    // Connections served at once, and how long one may take to ask.
    static constexpr int MaxConnections = 16;
    static constexpr std::chrono::milliseconds RequestTimeLimit = std::chrono::seconds(2);

Q_SIGNALS:
    // A later start's request; an empty one asks only for the window.
    void Requested(const CStartupRequest& request);

private:
    void OnConnection();
    void ListenAgain();

    QString m_strPath;
    QLockFile m_lock;
    QLocalServer* m_pServer;
    QList<QLocalSocket*> m_connections; // oldest first
};
