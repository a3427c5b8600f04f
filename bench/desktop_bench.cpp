// How long the desktop program takes from start to listening (wall time, and
// the CPU time it used, which does not grow with what else the machine does),
// and its memory at rest, beside a minimal Qt widgets program built the same
// way, the two started in turn; and how long it takes to receive and open 200
// notes.
#include "bench/support/desktop_stand_ins.h"
#include "bench/support/load.h"
#include "core/documents/doc_manager.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
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
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct CStartFigures
{
    std::vector<double> wall; // ms from starting the process until it listens
    std::vector<double> cpu;  // ms of CPU time the process had used by then
    long nResidentKb = 0;
};

// Starts the program once and times its start until it listens on its port,
// as the preloaded listen clock saw it; the memory is read after a second at
// rest.
void MeasureStart(const QString& strProgram, bool bBlipnote, CStartFigures& figures,
                  const QStringList& minimalOptions = {})
{
    QTemporaryDir config;
    // The runtime folder of a desktop session is in memory (/run/user/UID):
    // the program's lock file there costs no disk write.
    QTemporaryDir runtime(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                              ? QStringLiteral("/dev/shm/blipnote-bench-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/blipnote-bench-XXXXXX"));
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
        arguments << QString::number(nPort) << minimalOptions;
    }
    const QString strClock = config.filePath(QStringLiteral("listen-clock"));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("LD_PRELOAD"), QStringLiteral(BLIPNOTE_LISTEN_CLOCK_PATH));
    environment.insert(QStringLiteral("BLIPNOTE_LISTEN_CLOCK"), strClock);
    process.setProcessEnvironment(environment);
    timespec started{};
    clock_gettime(CLOCK_MONOTONIC, &started);
    QElapsedTimer timer;
    timer.start();
    process.start(strProgram, arguments);
    while (!CanConnect(nPort) && timer.elapsed() < 20000)
        QThread::usleep(200);
    QFile clock(strClock);
    const QList<QByteArray> times = clock.open(QIODevice::ReadOnly)
                                        ? clock.readAll().trimmed().split(' ')
                                        : QList<QByteArray>();
    if (times.size() == 2) {
        const double dStarted = static_cast<double>(started.tv_sec) * 1e9 + started.tv_nsec;
        figures.wall.push_back((times[0].toDouble() - dStarted) / 1e6);
        figures.cpu.push_back(times[1].toDouble() / 1e6);
    }
    QThread::sleep(1); // at rest
    figures.nResidentKb = ResidentKilobytes(process.processId());
    process.kill();
    process.waitForFinished();
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

    // Side by side: the two programs start in turn, so that whatever else the
    // machine does falls on both alike.
    // Another build of the program (an older one, say) may be given to start
    // beside them.
    const QString strOther = QCoreApplication::arguments().value(1);
    CStartFigures blipnote;
    CStartFigures other;
    CStartFigures minimal;
    CStartFigures minimalWithText;
    for (int nRun = 0; nRun < 11; ++nRun) {
        MeasureStart(QStringLiteral(BLIPNOTE_DESKTOP_PATH), true, blipnote);
        if (!strOther.isEmpty())
            MeasureStart(strOther, true, other);
        MeasureStart(QStringLiteral(BLIPNOTE_MINIMAL_PATH), false, minimal);
        MeasureStart(QStringLiteral(BLIPNOTE_MINIMAL_PATH), false, minimalWithText,
                     {QStringLiteral("--text")});
    }
    std::printf("%-36s %10s %8s %10s %8s %14s\n", "program (median of 11 starts)", "start (ms)",
                "ratio", "CPU (ms)", "ratio", "at rest (KiB)");
    const auto Print = [&minimal](const char* pszName, const CStartFigures& figures) {
        std::printf("%-36s %10.1f %8.2f %10.1f %8.2f %14ld\n", pszName, Median(figures.wall),
                    Median(figures.wall) / Median(minimal.wall), Median(figures.cpu),
                    Median(figures.cpu) / Median(minimal.cpu), figures.nResidentKb);
    };
    Print("blipnote (start to listening)", blipnote);
    if (!strOther.isEmpty())
        Print(qPrintable(strOther), other);
    Print("minimal Qt widgets program", minimal);
    Print("the same with a menu and status text", minimalWithText);
    const double dNotes = MeasureTwoHundredNotes();
    std::printf("receive and open 200 notes: %.0f ms (%.1f ms per note)\n", dNotes, dNotes / 200);
    return 0;
}
