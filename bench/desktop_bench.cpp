// How long the desktop program takes from start to listening, and its memory at
// rest, beside a minimal Qt widgets program built the same way; and how long it
// takes to receive and open 200 notes.
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/messaging/doc_manager.h"
#include "core/messaging/note_listen_socket.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/tray_icon_interface.h"
#include "tests/support/loopback.h"
#include "tests/support/sample_notes.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

class CQuietPrompts : public IPrompts
{
public:
    void ShowMessage(const QString&, PromptIcon) override {}
    bool AskYesNo(const QString&) override { return false; }
    std::optional<QString> AskText(const QString&, const QString&) override { return std::nullopt; }
};

class CNoTray : public ITrayIcon
{
public:
    bool SetIcon(EIcon) override { return false; }
    void SetTip(const QString&) override {}
    bool IsShown() const override { return false; }
    EIcon Icon() const override { return EIcon::None; }
    QString Tip() const override { return QString(); }
};

class CNoSound : public ISoundPlayer
{
public:
    void Play(const QString&) override {}
};

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

struct CStartFigures
{
    double dMedianMs = 0;
    long nResidentKb = 0;
};

// Starts the program a few times and times each start until its port answers.
CStartFigures MeasureStart(const QString& strProgram, bool bBlipnote)
{
    std::vector<double> times;
    long nResident = 0;
    for (int nRun = 0; nRun < 5; ++nRun) {
        QTemporaryDir config;
        const quint16 nPort = FreePort();
        QStringList arguments;
        if (bBlipnote) {
            QDir().mkpath(config.filePath(QStringLiteral("Tessaro")));
            QFile file(config.filePath(QStringLiteral("Tessaro/Blipnote.conf")));
            file.open(QIODevice::WriteOnly);
            // No finger server: port 79 needs rights the benchmark need not have.
            file.write("[Settings]\nversion=2\ngreetings=1\nIP Port=" + QByteArray::number(nPort) +
                       "\n[FingerD-Settings]\nUse FingerD=0\n");
            file.close();
        } else {
            arguments << QString::number(nPort);
        }
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(strProgram, arguments);
        while (!CanConnect(nPort) && timer.elapsed() < 20000)
            QThread::usleep(500);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        QThread::sleep(1); // at rest
        nResident = ResidentKilobytes(process.processId());
        process.kill();
        process.waitForFinished();
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], nResident};
}

double MeasureTwoHundredNotes()
{
    CMemorySettingsStore store;
    store.WriteInt(QStringLiteral("Settings"), QStringLiteral("version"), 2);
    store.WriteInt(QStringLiteral("Settings"), QStringLiteral("greetings"), 1);
    store.WriteInt(QStringLiteral("Settings"), QStringLiteral("IP Port"), 0);
    store.WriteInt(QStringLiteral("Settings"), QStringLiteral("Use Sound"), 0);
    CQuietPrompts prompts;
    CNoTray tray;
    CNoSound sound;
    CBlipnoteApp app(CAppEnvironment{store, prompts, tray, sound, false, 0});
    app.Startup({});
    const quint16 nPort = app.NoteServer().ServerPort();

    QElapsedTimer timer;
    timer.start();
    std::thread sender([nPort] {
        for (int n = 0; n < 200; ++n)
            Loopback::Exchange(nPort, SampleNotes::Numbered(n));
    });
    while (app.Documents().Documents().size() < 200 && timer.elapsed() < 120000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double dMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    sender.join();
    return dMs;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const CStartFigures blipnote = MeasureStart(QStringLiteral(BLIPNOTE_DESKTOP_PATH), true);
    const CStartFigures minimal = MeasureStart(QStringLiteral(BLIPNOTE_MINIMAL_PATH), false);
    std::printf("%-40s %12s %14s\n", "program", "start (ms)", "at rest (KiB)");
    std::printf("%-40s %12.1f %14ld\n", "blipnote (start to listening)", blipnote.dMedianMs,
                blipnote.nResidentKb);
    std::printf("%-40s %12.1f %14ld\n", "minimal Qt widgets program", minimal.dMedianMs,
                minimal.nResidentKb);
    const double dNotes = MeasureTwoHundredNotes();
    std::printf("receive and open 200 notes: %.0f ms (%.1f ms per note)\n", dNotes, dNotes / 200);
    return 0;
}
