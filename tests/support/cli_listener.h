#pragma once

#include "core/hosts/host_book.h"
#include "core/settings/app_settings.h"
#include "core/settings/file_settings_store.h"

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

// "blipnote-cli listen --port 0" in a child process, with helpers to read the port
// it chose and the notes it prints.
class CCliListener
{
public:
    ~CCliListener();

    // Starts the listener on a free port, with the options given; returns the
    // port, or 0 when it did not come up.
    quint16 Start(const QStringList& options = {});
    // Starts it with these options and waits for a line of standard error that
    // matches the pattern; false when it ended instead.
    bool StartWith(const QStringList& options,
                   const QString& strReadyPattern = QStringLiteral("^Listening \\.\\.\\.$"));
    QJsonObject NextNote();
    // The next line of standard output as it was written, without its line end.
    QByteArray NextLine();
    void Signal(int nSignal);
    bool WaitForExit();

    QProcess& Process() { return m_process; }
    QByteArray StandardError();

private:
    QProcess m_process;
    QByteArray m_strOut;
    QByteArray m_strErr;
};

// "blipnote-cli" started by a bash script ("$0" is the tool, "$1" ... the
// arguments), as a user's shell would start it with limits or a pipe: what it
// writes to standard error is collected, and the port it prints is read.
class CCliInShell
{
public:
    // nPassedSocket (when not -1) is given to the shell as descriptor 3, as the
    // service manager passes a socket.
    CCliInShell(const QString& strScript, const QStringList& arguments = {},
                const QByteArray& strReady = "Listening ...", int nPassedSocket = -1);
    ~CCliInShell();

    // 0 when the tool did not come up.
    quint16 Port() const { return m_nPort; }
    // Everything written to standard error so far.
    const QByteArray& Errors();
    QProcess& Process() { return m_shell; }

private:
    QProcess m_shell;
    QByteArray m_strErrors;
    quint16 m_nPort = 0;
};

// Runs "blipnote-cli" with the arguments to its end: exit code and both outputs.
struct CCliRun
{
    int nExitCode = -1;
    QByteArray strOut;
    QByteArray strErr;
};
CCliRun RunCli(const QStringList& arguments, const QByteArray& strInput = QByteArray());

// A settings file of its own for the tools a test starts (they find it through
// XDG_CONFIG_HOME; the test program itself keeps to Qt's test folders).
class CTestSettingsFile
{
public:
    CTestSettingsFile();
    ~CTestSettingsFile();

    CAppSettings& Settings() { return *m_pSettings; }
    // Replacing the list stores it.
    CHostBook& Hosts() { return *m_pHosts; }
    QString Path() const;
    // Saves every group; returns the file's bytes.
    QByteArray Write();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CFileSettingsStore> m_pStore;
    std::unique_ptr<CAppSettings> m_pSettings;
    std::unique_ptr<CHostBook> m_pHosts;
};
