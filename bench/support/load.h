#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>

#include <chrono>
#include <functional>
#include <vector>

// Repeats one exchange (false when it failed) for the duration, after a short
// warm-up; exchanges per second, or 0 when one failed.
double PerSecond(const std::function<bool()>& exchange,
                 std::chrono::milliseconds duration = std::chrono::seconds(2));

// The middle of the figures.
double Median(std::vector<double> figures);

// A loopback port free at this moment.
quint16 FreePort();
// Whether something listens on the loopback port.
bool CanConnect(quint16 nPort);
// The memory a process holds, in KiB (-1 when it cannot be read).
long ResidentKilobytes(qint64 nPid);

// "blipnote-cli" serving on a free loopback port in a process of its own, with
// a settings folder of its own; what it prints goes nowhere.
class CCliServer
{
public:
    // The command and its options; the port option is added (0: a free one).
    // With nDescriptorLimit it runs with that limit of open descriptors (the
    // ordinary one is 1,024).
    explicit CCliServer(const QStringList& arguments, quint16 nPort = 0, int nDescriptorLimit = 0);
    ~CCliServer();

    // 0 when it did not come up.
    quint16 Port() const { return m_nPort; }
    // Processor time it has used so far, in seconds.
    double CpuSeconds() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_nPort = 0;
};
