#pragma once

#include "core/finger/finger_query.h"
#include "core/net/serial_server.h"

#include <QDateTime>

#include <chrono>
#include <functional>
#include <optional>

class CAppSettings;
class IPrompts;
class ISoundPlayer;

// The finger server: answers every connection on the finger port with the
// status lines the finger settings switch on, and records each answered query
// in the finger query log. Connections are served one at a time in the order
// they came, on the event loop; the query line is read for at most ten seconds,
// and a client that says nothing, or closes early, is answered with what it sent.
// Settings are read at each query.
class CFingerDaemonSocket : public CSerialServer
{
    Q_OBJECT

public:
    static constexpr quint16 FingerPort = 79;
    static constexpr std::chrono::milliseconds QueryTimeLimit = std::chrono::seconds(10);

    CFingerDaemonSocket(CAppSettings& settings, IPrompts& prompts, ISoundPlayer& sound,
                        std::chrono::milliseconds queryTimeLimit = QueryTimeLimit,
                        QObject* pParent = nullptr);

    // Opens the finger port. When the socket cannot be made, says so, switches
    // "Use FingerD" off and (when bStoreFailure) stores that in the settings.
    bool StartDaemon(quint16 nPort = FingerPort,
                     const QHostAddress& address = QHostAddress::AnyIPv4,
                     bool bStoreFailure = true);
    // Stops the server.
    void Close();

    // 1 while the server listens.
    int m_bListening = 0;
    // The clock of the time stamps; tests set it.
    std::function<QDateTime()> m_now = [] { return QDateTime::currentDateTime(); };

Q_SIGNALS:
    // A query was answered and logged.
    void QueryLogged(const QByteArray& strTime, const QByteArray& strQuery,
                     const QByteArray& strFrom);

protected:
    void BeginConnection() override;
    bool TakeRead(const char* pData, qsizetype nLength) override;
    void EndConnection(const CConnection& connection, EEnd eEnd) override;

private:
    CAppSettings& m_settings;
    IPrompts& m_prompts;
    ISoundPlayer& m_sound;
    std::optional<CFingerQueryReader> m_reader;
};
