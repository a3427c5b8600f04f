#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>

// "blipnote-cli listen --port 0" in a child process, with helpers to read the port
// it chose and the notes it prints.
class CCliListener
{
public:
    ~CCliListener();

    // Starts the listener; returns its port, or 0 when it did not come up.
    quint16 Start();
    QJsonObject NextNote();
    void Signal(int nSignal);
    bool WaitForExit();

    QProcess& Process() { return m_process; }
    QByteArray StandardError();

private:
    QProcess m_process;
    QByteArray m_strOut;
    QByteArray m_strErr;
};

// Runs "blipnote-cli" with the arguments to its end: exit code and both outputs.
struct CCliRun
{
    int nExitCode = -1;
    QByteArray strOut;
    QByteArray strErr;
};
CCliRun RunCli(const QStringList& arguments, const QByteArray& strInput = QByteArray());
