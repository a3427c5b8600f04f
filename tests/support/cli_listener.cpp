#include "tests/support/cli_listener.h"

#include "core/settings/system_info.h"
#include "tests/support/event_loop.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

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

bool CCliListener::StartWith(const QStringList& options, const QString& strReadyPattern)
{
    m_process.start(kCli, QStringList{QStringLiteral("listen")} + options);
    const QRegularExpression ready(strReadyPattern, QRegularExpression::MultilineOption);
    return SpinUntil([&] {
               m_strErr += m_process.readAllStandardError();
               return ready.match(QString::fromUtf8(m_strErr)).hasMatch() ||
                      m_process.state() == QProcess::NotRunning;
           }) &&
           m_process.state() == QProcess::Running;
}

quint16 CCliListener::Start(const QStringList& options)
{
    const QString strPortLine = QStringLiteral("^port (\\d+)$");
    if (!StartWith(QStringList{QStringLiteral("--port"), QStringLiteral("0")} + options,
                   strPortLine))
        return 0;
    const QRegularExpression portLine(strPortLine, QRegularExpression::MultilineOption);
    return static_cast<quint16>(portLine.match(QString::fromUtf8(m_strErr)).captured(1).toUInt());
}

QJsonObject CCliListener::NextNote()
{
    return QJsonDocument::fromJson(NextLine()).object();
}

QByteArray CCliListener::NextLine()
{
    SpinUntil([&] {
        m_strOut += m_process.readAllStandardOutput();
        return m_strOut.contains('\n') || m_process.state() == QProcess::NotRunning;
    });
    const qsizetype nEnd = m_strOut.indexOf('\n');
    if (nEnd < 0)
        return QByteArray();
    const QByteArray strLine = m_strOut.left(nEnd);
    m_strOut.remove(0, nEnd + 1);
    return strLine;
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

CTestSettingsFile::CTestSettingsFile()
{
    qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    m_pStore = std::make_unique<CFileSettingsStore>(Path());
    m_pSettings = std::make_unique<CAppSettings>(
        *m_pStore, CSettingsEnvironment{SystemInfo::UserName(), false});
    m_pSettings->Load();
    m_pHosts = std::make_unique<CHostBook>(*m_pStore);
    m_pHosts->Load();
}

CTestSettingsFile::~CTestSettingsFile()
{
    qunsetenv("XDG_CONFIG_HOME");
}

QString CTestSettingsFile::Path() const
{
    return m_dir.filePath(QStringLiteral("Tessaro/Blipnote.conf"));
}

QByteArray CTestSettingsFile::Write()
{
    m_pSettings->Save(SettingsGroup::All);
    m_pStore->Sync();
    QFile file(Path());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

CCliInShell::CCliInShell(const QString& strScript, const QStringList& arguments,
                         const QByteArray& strReady, int nPassedSocket)
{
    if (nPassedSocket >= 0) {
        m_shell.setChildProcessModifier([nPassedSocket] {
            // In the child, between fork and exec: only async-signal-safe calls.
            if (nPassedSocket == 3)
                ::fcntl(3, F_SETFD, 0);
            else
                ::dup2(nPassedSocket, 3);
        });
    }
    m_shell.start(QStringLiteral("bash"),
                  QStringList{QStringLiteral("-c"), strScript, kCli} + arguments);
    // The ready line whole, and after "Listening ..." the port line that
    // follows it (a slow start may have written only the first so far).
    const QRegularExpression portLine(QStringLiteral("port (\\d+)\\D"));
    const auto ready = [&] {
        if (m_shell.state() == QProcess::NotRunning)
            return true;
        const QByteArray& strErrors = Errors();
        const qsizetype nAt = strErrors.indexOf(strReady);
        if (nAt < 0 || strErrors.indexOf('\n', nAt) < 0)
            return false;
        return strReady != "Listening ..." ||
               portLine.match(QString::fromUtf8(strErrors)).hasMatch();
    };
    if (!SpinUntil(ready))
        return;
    const QRegularExpressionMatch port = portLine.match(QString::fromUtf8(m_strErrors));
    m_nPort = port.hasMatch() ? port.captured(1).toUShort() : 0;
}

CCliInShell::~CCliInShell()
{
    m_shell.kill();
    m_shell.waitForFinished();
}

const QByteArray& CCliInShell::Errors()
{
    m_shell.waitForReadyRead(10);
    m_strErrors += m_shell.readAllStandardError();
    return m_strErrors;
}
