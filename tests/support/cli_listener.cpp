#include "tests/support/cli_listener.h"

#include "tests/support/event_loop.h"

#include <QJsonDocument>
#include <QRegularExpression>

#include <csignal>

namespace {
const QString kCli = QStringLiteral(BLIPNOTE_CLI_PATH);
}

CCliListener::~CCliListener()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

quint16 CCliListener::Start()
{
    m_process.start(kCli,
                    {QStringLiteral("listen"), QStringLiteral("--port"), QStringLiteral("0")});
    const QRegularExpression portLine(QStringLiteral("^port (\\d+)$"),
                                      QRegularExpression::MultilineOption);
    quint16 nPort = 0;
    SpinUntil([&] {
        m_strErr += m_process.readAllStandardError();
        const auto match = portLine.match(QString::fromUtf8(m_strErr));
        if (match.hasMatch())
            nPort = static_cast<quint16>(match.captured(1).toUInt());
        return nPort != 0 || m_process.state() == QProcess::NotRunning;
    });
    return nPort;
}

QJsonObject CCliListener::NextNote()
{
    SpinUntil([&] {
        m_strOut += m_process.readAllStandardOutput();
        return m_strOut.contains('\n') || m_process.state() == QProcess::NotRunning;
    });
    const qsizetype nEnd = m_strOut.indexOf('\n');
    if (nEnd < 0)
        return QJsonObject();
    const QByteArray strLine = m_strOut.left(nEnd);
    m_strOut.remove(0, nEnd + 1);
    return QJsonDocument::fromJson(strLine).object();
}

void CCliListener::Signal(int nSignal)
{
    ::kill(static_cast<pid_t>(m_process.processId()), nSignal);
}

bool CCliListener::WaitForExit()
{
    return SpinUntil([&] { return m_process.state() == QProcess::NotRunning; });
}

QByteArray CCliListener::StandardError()
{
    m_strErr += m_process.readAllStandardError();
    return m_strErr;
}

CCliRun RunCli(const QStringList& arguments, const QByteArray& strInput)
{
    QProcess process;
    process.start(kCli, arguments);
    process.write(strInput);
    process.closeWriteChannel();
    // Spin rather than block: the other end of the test may live in this process.
    SpinUntil([&] { return process.state() == QProcess::NotRunning; });
    CCliRun run;
    run.nExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.strOut = process.readAllStandardOutput();
    run.strErr = process.readAllStandardError();
    return run;
}
