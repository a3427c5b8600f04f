// 65,536 rows arriving in the Seeker window (offscreen), 256 per turn of the
// event loop as finishing probes bring them: the longest a turn takes (what a
// user would feel as a pause) and the time for all of them. No host is asked.
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/finger/seek_rows_model.h"
#include "desktop/finger/seeker_dlg.h"
#include "tests/support/event_log.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    CMemorySettingsStore store;
    CAppSettings settings(store);
    const CHostList hosts;
    CEventLog prompts;
    CSeekerDlg seeker(settings, hosts, prompts, [](const QByteArray&) {});
    seeker.resize(500, 300);
    seeker.show();
    QApplication::processEvents();

    const QByteArray strReply =
        "\nSystem:    lab-pc\nUser:      ann\nLocaltime: Mon 7 Dec 2026  12:30:05\n";
    QElapsedTimer total;
    total.start();
    qint64 nLongest = 0;
    for (int nBatch = 0; nBatch < 256; ++nBatch) {
        for (int n = 0; n < 256; ++n) {
            const QByteArray strAddress =
                "127.3." + QByteArray::number(nBatch) + '.' + QByteArray::number(n);
            seeker.Rows().Append(
                SeekRow::Make({strAddress, "ann"}, false, std::chrono::milliseconds(1), strReply));
        }
        // The probes' own time between batches, during which the window is free.
        QElapsedTimer turn;
        turn.start();
        QApplication::processEvents();
        QThread::msleep(5);
        QApplication::processEvents();
        nLongest = std::max(nLongest, turn.nsecsElapsed() - 5'000'000);
    }
    seeker.Rows().Flush();
    QApplication::processEvents();
    std::printf("65,536 rows into the Seeker: %.2f s in all, longest turn %.1f ms, %d rows shown\n",
                static_cast<double>(total.nsecsElapsed()) / 1e9,
                static_cast<double>(nLongest) / 1e6, seeker.Rows().rowCount());
    return 0;
}
