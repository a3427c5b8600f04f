#include "bench/support/load.h"

#include "tests/support/loopback.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTcpServer>
#include <QThread>

#include <algorithm>
#include <sys/resource.h>
#include <unistd.h>

double PerSecond(const std::function<bool()>& exchange, std::chrono::milliseconds duration)
{
    for (int n = 0; n < 50; ++n)
        if (!exchange())
            return 0;
    QElapsedTimer timer;
    timer.start();
    long nDone = 0;
    while (timer.elapsed() < duration.count()) {
        if (!exchange())
            return 0;
        ++nDone;
    }
    return static_cast<double>(nDone) * 1e9 / static_cast<double>(timer.nsecsElapsed());
}

double Median(std::vector<double> figures)
{
    std::sort(figures.begin(), figures.end());
    return figures.empty() ? 0 : figures[figures.size() / 2];
}

quint16 FreePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool CanConnect(quint16 nPort)
{
    const int nSocket = Loopback::Connect(nPort);
    if (nSocket >= 0)
        ::close(nSocket);
    return nSocket >= 0;
}

long ResidentKilobytes(qint64 nPid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(nPid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& strLine : status.readAll().split('\n')) {
        if (strLine.startsWith("VmRSS:"))
            return strLine.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

CCliServer::CCliServer(const QStringList& arguments, quint16 nPort, int nDescriptorLimit)
{
    if (nDescriptorLimit > 0) {
        m_process.setChildProcessModifier([nDescriptorLimit] {
            const rlimit limit{static_cast<rlim_t>(nDescriptorLimit),
                               static_cast<rlim_t>(nDescriptorLimit)};
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.path());
    m_process.setProcessEnvironment(environment);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    // Standard error is read only for the port: a file, so that the status
    // texts of every connection never fill a pipe nobody reads.
    const QString strErrors = m_dir.filePath(QStringLiteral("stderr"));
    m_process.setStandardErrorFile(strErrors);
    // BLIPNOTE_CLI names another build of the tool to measure, for a comparison.
    const QString strTool =
        environment.value(QStringLiteral("BLIPNOTE_CLI"), QStringLiteral(BLIPNOTE_CLI_PATH));
    m_process.start(strTool,
                    arguments + QStringList{QStringLiteral("--port"), QString::number(nPort)});
    const QRegularExpression portLine(QStringLiteral("port (\\d+)\\n"));
    for (int n = 0; n < 500 && m_process.state() != QProcess::NotRunning; ++n) {
        QFile file(strErrors);
        if (file.open(QIODevice::ReadOnly)) {
            const QRegularExpressionMatch match = portLine.match(QString::fromUtf8(file.readAll()));
            if (match.hasMatch()) {
                m_nPort = match.captured(1).toUShort();
                return;
            }
        }
        QThread::msleep(10);
    }
}

double CCliServer::CpuSeconds() const
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(m_process.processId()));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    // The fields after the name in parentheses; user and system time are the
    // 12th and 13th of them, in clock ticks.
    const QByteArray strStat = file.readAll();
    const QList<QByteArray> fields = strStat.mid(strStat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return static_cast<double>(fields[11].toLongLong() + fields[12].toLongLong()) /
           static_cast<double>(::sysconf(_SC_CLK_TCK));
}

CCliServer::~CCliServer()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
}
