// The Hosts page of the setup sheet with thousands of hosts (offscreen), each
// step timed as the user would feel it: the tab shown and drawn, a key typed into
// a row, a range of 256 added, the page applied and the settings file written.
#include "core/settings/app_settings.h"
#include "core/settings/file_settings_store.h"
#include "desktop/setup/host_rows_model.h"
#include "desktop/setup/page_hosts.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/dialog_font_chooser.h"
#include "tests/support/desktop_app_fixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <cstdio>

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
    settings.CollectSystemInfo(false);
    settings.Load();
    QList<CHostEntry> hosts;
    for (int n = 0; n < nHosts; ++n) {
        const QByteArray strAddress = "10." + QByteArray::number(n / 65536) + '.' +
                                      QByteArray::number(n / 256 % 256) + '.' +
                                      QByteArray::number(n % 256);
        hosts.append({"pc" + QByteArray::number(n), strAddress, "lab"});
    }
    settings.ReplaceHostList(hosts);
    store.Sync();

    CEventLog prompts;
    CFakeSound sound;
    CDialogFontChooser fonts;
    CPSheetSetup sheet({settings, prompts, sound, fonts, {}}, nullptr);
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

    std::printf("%6d hosts: tab shown %6.1f ms, End %5.1f ms, key typed %5.1f ms, "
                "256 rows added %5.1f ms, row deleted %5.1f ms, applied %6.1f ms, "
                "file written %6.1f ms\n",
                nHosts, dShow, dEnd, dKey, dRange, dDelete, dApply, dWrite);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    for (const int nHosts : {1000, 8000, 50000})
        Measure(nHosts);
    return 0;
}
