// How long the desktop program's event loop is busy when a note arrives whose
// title, nickname, system name or text is as long as a note allows, beside a
// normal note: from the moment the note is sent until it is open in its window
// and the main window has been drawn with it (the median of three), the longest
// single turn of the event loop meanwhile, and how long the Window menu then
// takes to show.
#include "bench/support/desktop_stand_ins.h"
#include "bench/support/load.h"
#include "core/documents/doc_manager.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/messaging/note_listen_socket.h"
#include "core/notes/tagged_text.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/app/main_frame.h"
#include "desktop/app/tray_icon_interface.h"
#include "tests/support/loopback.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

struct CFigures
{
    double dOpenMs = 0;     // sent until open and drawn
    double dLongestMs = 0;  // the longest single turn of the event loop meanwhile
    double dWindowMenu = 0; // the Window menu filled and drawn
};

// A field of about 100 kB, so that the whole note stays within the size limit.
QByteArray Long(char c)
{
    return QByteArray(100000, c);
}

CFigures Measure(CBlipnoteApp& app, const QByteArray& strNote)
{
    CMainFrame& frame = app.MainFrame();
    const qsizetype nBefore = app.Documents().Documents().size();
    const quint16 nPort = app.NoteServer().ServerPort();
    CFigures figures;
    QElapsedTimer timer;
    timer.start();
    std::thread sender([nPort, strNote] { Loopback::Exchange(nPort, strNote); });
    while (app.Documents().Documents().size() == nBefore && timer.elapsed() < 60000) {
        QElapsedTimer turn;
        turn.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        figures.dLongestMs =
            std::max(figures.dLongestMs, static_cast<double>(turn.nsecsElapsed()) / 1e6);
    }
    // What the arrival still left to do, and the window drawn as the screen would.
    QElapsedTimer turn;
    turn.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    frame.grab();
    figures.dLongestMs =
        std::max(figures.dLongestMs, static_cast<double>(turn.nsecsElapsed()) / 1e6);
    figures.dOpenMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    sender.join();

    // The Window menu as a user opens it.
    for (QAction* pAction : frame.menuBar()->actions()) {
        if (pAction->text() != QStringLiteral("&Window"))
            continue;
        QElapsedTimer menuTimer;
        menuTimer.start();
        QMenu* pMenu = pAction->menu();
        pMenu->popup(frame.mapToGlobal(QPoint(0, 0)));
        pMenu->grab();
        pMenu->hide();
        figures.dWindowMenu = static_cast<double>(menuTimer.nsecsElapsed()) / 1e6;
    }
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    CMemorySettingsStore store;
    const QString strSettings = QStringLiteral("Settings");
    store.WriteInt(strSettings, QStringLiteral("version"), 2);
    store.WriteInt(strSettings, QStringLiteral("greetings"), 1);
    store.WriteInt(strSettings, QStringLiteral("IP Port"), 0);
    store.WriteInt(strSettings, QStringLiteral("Use Sound"), 0);
    // Senders are not added to the host list: the host list is not measured here.
    store.WriteInt(strSettings, QStringLiteral("Use AutoAdd"), 0);
    CQuietPrompts prompts;
    CNoTray tray;
    CNoSound sound;
    CBlipnoteApp app(CAppEnvironment{store, prompts, tray, sound, false, 0});
    app.Startup({});

    const std::pair<const char*, TaggedText::CComposeFields> notes[] = {
        {"normal note", {"ann", "Shall we go?", "PC7", "Lunch", 0}},
        {"100 kB title", {"ann", "Shall we go?", "PC7", Long('t'), 0}},
        // A nickname ends within the note's first read (9,999 bytes), or the
        // note reads as untagged.
        {"9 kB nickname", {QByteArray(9000, 'n'), "Shall we go?", "PC7", "Lunch", 0}},
        {"100 kB system name", {"ann", "Shall we go?", Long('s'), "Lunch", 0}},
        {"100 kB text", {"ann", Long('b'), "PC7", "Lunch", 0}},
        {"100 kB text of line feeds", {"ann", QByteArray(100000, '\n'), "PC7", "Lunch", 0}},
        {"100 kB text of short lines",
         {"ann", QByteArray("Shall we go for lunch?\r\n").repeated(4166), "PC7", "Lunch", 0}},
        {"100 kB rich text paragraphs",
         {"ann", "{\\rtf1\\fs3276 " + QByteArray("x\\par ").repeated(16660) + "}", "PC7", "Lunch",
          0}},
        {"100 kB title of words",
         {"ann", "Shall we go?", "PC7", QByteArray("lunch ").repeated(16666), 0}},
    };
    std::printf("%-28s %12s %14s %18s\n", "note", "open (ms)", "longest (ms)", "Window menu (ms)");
    // A word on the command line picks the notes whose name holds it.
    const QString strOnly = QCoreApplication::arguments().value(1);
    for (const auto& [pszName, fields] : notes) {
        if (!QString::fromLatin1(pszName).contains(strOnly))
            continue;
        // The median of three, each note opened beside those before it.
        std::vector<CFigures> runs;
        for (int n = 0; n < 3; ++n)
            runs.push_back(Measure(app, TaggedText::Compose(fields)));
        std::sort(runs.begin(), runs.end(),
                  [](const CFigures& a, const CFigures& b) { return a.dOpenMs < b.dOpenMs; });
        const CFigures& median = runs[1];
        std::printf("%-28s %12.1f %14.1f %18.1f\n", pszName, median.dOpenMs, median.dLongestMs,
                    median.dWindowMenu);
        app.Documents().CloseAll();
        QCoreApplication::processEvents();
    }
    return 0;
}
