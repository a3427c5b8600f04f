// The Hosts page of the setup sheet with thousands of hosts (offscreen), each
// step timed as the user would feel it: the tab shown and drawn, a key typed into
// a row, a range of 256 added, the page applied and the settings file written.
// Then a peer with a new nickname of 9,900 bytes on every note, over three
// runs: what the host list and the settings file grow to. And the desktop
// program with a settings file of 100,000 and of a million hosts: its start
// until the note port answers (and its memory at rest), the settings read,
// File / New, the recipient box's list opened and a host's name typed into it,
// the setup window opened on its Hosts tab, and the exit that stores one host
// added meanwhile. "--desktop-only N" measures the desktop with N hosts alone.
#include "bench/support/desktop_stand_ins.h"
#include "bench/support/load.h"
#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_manager.h"
#include "core/hosts/host_book.h"
#include "core/messaging/note_listen_socket.h"
#include "core/settings/app_settings.h"
#include "core/settings/file_settings_store.h"
#include "core/settings/system_info.h"
#include "desktop/app/blipnote_app.h"
#include "desktop/setup/host_rows_model.h"
#include "desktop/setup/page_hosts.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/dialog_font_chooser.h"
#include "desktop/views/msg_out_view.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/loopback.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

double Milliseconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void Measure(int nHosts)
{
    QTemporaryDir folder;
    CFileSettingsStore store(folder.filePath(QStringLiteral("Blipnote.conf")));
    CAppSettings settings(store);
    settings.SetEnvironment({SystemInfo::UserName(), false});
    settings.Load();
    QList<CHostEntry> hosts;
    for (int n = 0; n < nHosts; ++n) {
        const QByteArray strAddress = "10." + QByteArray::number(n / 65536) + '.' +
                                      QByteArray::number(n / 256 % 256) + '.' +
                                      QByteArray::number(n % 256);
        hosts.append({"pc" + QByteArray::number(n), strAddress, "lab"});
    }
    CHostBook book(store);
    book.Replace(hosts);
    store.Sync();

    SystemInfo::CSystemInfo system = SystemInfo::Collect();
    CEventLog prompts;
    CFakeSound sound;
    CDialogFontChooser fonts;
    CPSheetSetup sheet({settings, book, system, false, prompts, sound, fonts, {}}, nullptr);
    sheet.resize(620, 420);
    sheet.show();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    sheet.Tabs().setCurrentIndex(1);
    sheet.repaint();
    QApplication::processEvents();
    const double dShow = Milliseconds(timer);

    auto* pPage = qobject_cast<CPageHosts*>(sheet.Page(1));
    pPage->List().setFocus();
    timer.restart();
    QTest::keyClick(&pPage->List(), Qt::Key_End);
    pPage->List().repaint();
    const double dEnd = Milliseconds(timer);

    timer.restart();
    QTest::keyClick(&pPage->NicknameEdit(), Qt::Key_X);
    pPage->List().repaint();
    const double dKey = Milliseconds(timer);

    QList<CHostEntry> range;
    for (int n = 0; n < 256; ++n)
        range.append({"r" + QByteArray::number(n), "10.200.0." + QByteArray::number(n), "lab"});
    timer.restart();
    pPage->Rows().Append(range);
    pPage->List().repaint();
    const double dRange = Milliseconds(timer);

    timer.restart();
    QTest::keyClick(&pPage->List(), Qt::Key_Home);
    QTest::keyClick(&pPage->List(), Qt::Key_Delete);
    pPage->List().repaint();
    const double dDelete = Milliseconds(timer);

    timer.restart();
    sheet.ApplyPages();
    const double dApply = Milliseconds(timer);
    timer.restart();
    store.Sync();
    const double dWrite = Milliseconds(timer);
    // OK again with nothing changed: every entry is compared, none written.
    timer.restart();
    sheet.ApplyPages();
    store.Sync();
    const double dApplyUnchanged = Milliseconds(timer);

    std::printf("%6d hosts: tab shown %6.1f ms, End %5.1f ms, key typed %5.1f ms, "
                "256 rows added %5.1f ms, row deleted %5.1f ms, applied %6.1f ms, "
                "file written %6.1f ms, applied unchanged %6.1f ms\n",
                nHosts, dShow, dEnd, dKey, dRange, dDelete, dApply, dWrite, dApplyUnchanged);
}

// A settings file as a user who typed (or pasted) a large host list has it.
void WriteSettingsFile(const QString& strPath, int nHosts, quint16 nPort)
{
    QDir().mkpath(QFileInfo(strPath).path());
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly))
        return;
    // No finger server: port 79 needs rights the benchmark need not have.
    file.write("[Settings]\nversion=2\ngreetings=1\nUse%20Sound=0\nIP%20Port=" +
               QByteArray::number(nPort) + "\n[FingerD-Settings]\nUse%20FingerD=0\n[Hosts]\n");
    QByteArray strLines;
    for (int n = 0; n < nHosts; ++n) {
        strLines += "Host%20" + QByteArray::number(n) + "=pc" + QByteArray::number(n) + "/$010." +
                    QByteArray::number(n / 65536) + '.' + QByteArray::number(n / 256 % 256) + '.' +
                    QByteArray::number(n % 256) + "/$1lab" + QByteArray::number(n % 40) + "/$2\n";
        if (strLines.size() > (1 << 20)) {
            file.write(strLines);
            strLines.clear();
        }
    }
    file.write(strLines);
}

// The program started as a user starts it, until its note port answers; the
// median of three starts, and the memory after a second at rest.
void MeasureStart(int nHosts, double* pdMs, long* pnMegabytes)
{
    std::vector<double> times;
    for (int nRun = 0; nRun < 3; ++nRun) {
        QTemporaryDir config;
        const quint16 nPort = FreePort();
        WriteSettingsFile(config.filePath(QStringLiteral("Tessaro/Blipnote.conf")), nHosts, nPort);
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral(BLIPNOTE_DESKTOP_PATH));
        while (!CanConnect(nPort) && timer.elapsed() < 60000)
            QThread::usleep(500);
        times.push_back(Milliseconds(timer));
        QThread::sleep(1); // at rest
        *pnMegabytes = ResidentKilobytes(process.processId()) / 1024;
        process.kill();
        process.waitForFinished();
    }
    std::sort(times.begin(), times.end());
    *pdMs = times[times.size() / 2];
}

// Runs act on the modal window that trigger opens, then closes it.
void OnModal(const std::function<void()>& trigger, const std::function<void(QWidget&)>& act)
{
    QTimer::singleShot(0, [&act] {
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            act(*pModal);
            pModal->close();
        }
    });
    trigger();
}

void MeasureDesktop(int nHosts)
{
    double dStart = 0;
    long nMegabytes = 0;
    MeasureStart(nHosts, &dStart, &nMegabytes);

    QTemporaryDir config;
    const QString strPath = config.filePath(QStringLiteral("Tessaro/Blipnote.conf"));
    WriteSettingsFile(strPath, nHosts, 0);
    QElapsedTimer timer;
    timer.start();
    double dLoad = 0;
    {
        CFileSettingsStore store(strPath);
        CAppSettings settings(store);
        settings.SetEnvironment({SystemInfo::UserName(), false});
        settings.Load();
        CHostBook(store).Load();
        dLoad = Milliseconds(timer);
    }

    auto pStore = std::make_unique<CFileSettingsStore>(strPath);
    CEventLog prompts;
    CFakeTray tray;
    CFakeSound sound;
    auto pApp =
        std::make_unique<CBlipnoteApp>(CAppEnvironment{*pStore, prompts, tray, sound, false, 0});
    pApp->Startup({});
    QApplication::processEvents();

    timer.restart();
    pApp->OnNew();
    QApplication::processEvents();
    const double dNew = Milliseconds(timer);
    timer.restart();
    pApp->OnNew();
    QApplication::processEvents();
    const double dNewAgain = Milliseconds(timer);

    // The recipient box of the last note: its list opened, and a host's name typed
    // (each key filters the hosts offered).
    auto* pView = dynamic_cast<CMsgOutView*>(pApp->Documents().Documents().last()->FirstView());
    QComboBox& box = pView->RecipientBox();
    pView->window()->show();
    timer.restart();
    box.showPopup();
    QApplication::processEvents();
    const double dPopup = Milliseconds(timer);
    box.hidePopup();
    QApplication::processEvents();
    box.setFocus();
    box.clearEditText();
    double dSlowestKey = 0;
    for (const QChar key : QStringLiteral("pc9999")) {
        timer.restart();
        QTest::keyClick(box.lineEdit(), key.toLatin1());
        QApplication::processEvents();
        dSlowestKey = std::max(dSlowestKey, Milliseconds(timer));
    }
    const int nOffered = box.completer()->completionCount();
    if (box.currentText() != QStringLiteral("pc9999") || nOffered < 1)
        std::printf("the recipient box shows \"%s\" and offers %d hosts\n",
                    qUtf8Printable(box.currentText()), nOffered);
    // Enter takes what is typed (the box looks for an entry of that text).
    timer.restart();
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
    QApplication::processEvents();
    dSlowestKey = std::max(dSlowestKey, Milliseconds(timer));

    double dHostsTab = 0;
    timer.restart();
    OnModal([&pApp] { pApp->OnSetup(); },
            [&](QWidget& sheet) {
                static_cast<CPSheetSetup&>(sheet).Tabs().setCurrentIndex(1);
                sheet.repaint();
                QApplication::processEvents();
                dHostsTab = Milliseconds(timer);
            });

    // A sender new to the list, then Exit: the list is stored.
    pApp->HostBook().AddUnknownSender("new", "10.255.0.1", true);
    timer.restart();
    pApp->OnExit();
    pApp.reset();
    pStore.reset();
    const double dExit = Milliseconds(timer);

    std::printf("%7d hosts: start %7.1f ms (%4ld MiB at rest), settings read %7.1f ms, "
                "New note %7.1f ms (again %6.1f ms), recipient list opened %6.1f ms, "
                "slowest key typed %6.1f ms, Hosts tab %7.1f ms, Exit storing one more "
                "%7.1f ms\n",
                nHosts, dStart, nMegabytes, dLoad, dNew, dNewAgain, dPopup, dSlowestKey, dHostsTab,
                dExit);
    std::fflush(stdout);
}

// A peer that calls itself something new, with a nickname of 9,900 bytes, on
// each of 2,000 notes, in each of three runs: the senders go through the
// incoming handling's adding, and what is added is stored as at Exit.
void MeasurePeerFlood()
{
    QTemporaryDir config;
    const QString strPath = config.filePath(QStringLiteral("Blipnote.conf"));
    for (int nRun = 1; nRun <= 3; ++nRun) {
        QElapsedTimer timer;
        timer.start();
        qsizetype nHosts = 0;
        {
            CFileSettingsStore store(strPath);
            CHostBook book(store);
            book.Load();
            for (int n = 0; n < 2000; ++n) {
                const QByteArray strNumber = QByteArray::number(nRun * 10000 + n);
                book.AddUnknownSender(strNumber + QByteArray(9900 - strNumber.size(), 'x'),
                                      "10.7." + QByteArray::number(n / 256) + '.' +
                                          QByteArray::number(n % 256),
                                      true);
            }
            if (book.HasUnsavedChanges())
                book.Save();
            nHosts = book.Hosts().Count();
        }
        std::printf("peer flood, run %d: %6lld hosts listed, settings file %8.2f MB "
                    "(%.0f ms for the run)\n",
                    nRun, static_cast<long long>(nHosts),
                    static_cast<double>(QFileInfo(strPath).size()) / 1e6, Milliseconds(timer));
    }
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (!arguments.removeAll(QStringLiteral("--desktop-only"))) {
        for (const int nHosts : {1000, 8000, 50000, 100000})
            Measure(nHosts);
    }
    if (arguments.isEmpty())
        MeasurePeerFlood();
    QList<int> desktopHosts = {100000, 1000000};
    if (!arguments.isEmpty())
        desktopHosts = {arguments.first().toInt()};
    for (const int nHosts : desktopHosts)
        MeasureDesktop(nHosts);
    return 0;
}
