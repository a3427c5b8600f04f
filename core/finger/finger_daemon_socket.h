#pragma once

#include "core/finger/finger_query.h"
#include "core/finger/finger_reply.h"
#include "core/finger/finger_settings.h"
#include "core/net/connection_server.h"

#include <QDateTime>

#include <chrono>
#include <functional>
#include <optional>

class CFingerQueryLog;
class CHeldPort;
class IPrompts;
class ISoundPlayer;

// The finger server: answers every connection on the finger port with the
// status lines the finger settings switch on, and records each answered query
// in the finger query log once its reply has gone out whole. Connections are
// served side by side on the event loop; the query line is read for at most ten
// seconds, and a client that says nothing, or closes early, is answered with
// what it sent. The settings are asked for at each query, so a change applies to
// the next one.
class CFingerDaemonSocket : public CConnectionServer
{
    Q_OBJECT

public:
    static constexpr quint16 FingerPort = 79;
    static constexpr std::chrono::milliseconds QueryTimeLimit = std::chrono::seconds(10);

    using CSettingsSource = std::function<CFingerSettings()>;
    using CClock = std::function<QDateTime()>;

    CFingerDaemonSocket(CSettingsSource settings, CFingerQueryLog& log, IPrompts& prompts,
                        ISoundPlayer& sound,
                        std::chrono::milliseconds queryTimeLimit = QueryTimeLimit,
                        QObject* pParent = nullptr);

    // Opens the finger port; a failure is told to the user (which the
    // connection server's own Open does not), and the caller decides what it
    // means for the "Use FingerD" setting.
    EOpen Open(quint16 nPort = FingerPort, const QHostAddress& address = QHostAddress::AnyIPv4);
    // Listens on the port bound at the start and serves it, told as Open
    // tells: another socket listening on the port counts as a port that cannot
    // be had. Close() and port.StopListening() switch it off again.
    EOpen Serve(CHeldPort& port);

    // The clock of the time stamps; tests set their own (none: the system's).
    void SetClock(CClock clock) { m_now = std::move(clock); }

Q_SIGNALS:
    // A query was answered and logged.
    void QueryLogged(const QByteArray& strTime, const QByteArray& strQuery,
                     const QByteArray& strFrom);

protected:
    std::unique_ptr<CSession> NewSession(const QByteArray& strPeer) override;

private:
    class CFingerSession;

    // Tells the user why the port cannot be served.
    void Report(EOpen eOpen);

    // The reply of one second, for the settings it was made from.
    struct CReply
    {
        qint64 nSecond = -1;
        quint32 nUptimeSecond = 0;
        CFingerSettings settings;
        FingerReply::CTimeStamp time;
        QByteArrayList parts;
    };
    const CReply& ReplyNow(const CFingerSettings& settings);

    CSettingsSource m_settingsSource;
    CFingerQueryLog& m_log;
    IPrompts& m_prompts;
    ISoundPlayer& m_sound;
    CClock m_now; // the system's clock when empty
    CReply m_reply;
};
