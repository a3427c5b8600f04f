// How fast sending jobs deliver: one note to 250 recipients at once, and one
// sender sending note after note to one listener.
#include "bench/support/server_thread.h"
#include "core/interfaces/prompts.h"
#include "core/interfaces/status_sink.h"
#include "core/messaging/send_jobs.h"
#include "core/notes/recipient_list.h"
#include "core/notes/sendable_note.h"

#include <QEventLoop>

#include <benchmark/benchmark.h>

namespace {

class CQuiet : public IStatusSink, public IPrompts
{
public:
    void PostStatusText(StatusPane, const QString&) override {}
    void ShowMessage(const QString&, PromptIcon) override { ++m_nBoxes; }
    bool AskYesNo(const QString&) override { return false; }
    std::optional<QString> AskText(const QString&, const QString&) override { return std::nullopt; }
    int m_nBoxes = 0;
};

// Sends the note to the list and runs the event loop until every job has ended.
// Returns how many were delivered.
int SendAndWait(CSendJobs& jobs, CSendableNote& note, const CSendSettings& settings,
                const QByteArray& strList)
{
    int nDelivered = 0;
    bool bAllStarted = false;
    QEventLoop loop;
    const auto QuitWhenDone = [&] {
        if (bAllStarted && jobs.RunningJobs() == 0)
            loop.quit();
    };
    const auto finished = QObject::connect(&jobs, &CSendJobs::JobFinished,
                                           [&](const QByteArray&, int nResult, const QString&) {
                                               nDelivered += nResult == 0 ? 1 : 0;
                                               QuitWhenDone();
                                           });
    const auto started = QObject::connect(&jobs, &CSendJobs::AllJobsStarted, [&] {
        bAllStarted = true;
        QuitWhenDone();
    });
    note.m_strAddress = strList;
    jobs.StartSendJobs(note, settings);
    if (!bAllStarted || jobs.RunningJobs() > 0)
        loop.exec();
    QObject::disconnect(finished);
    QObject::disconnect(started);
    return nDelivered;
}

void RunSends(benchmark::State& state, int nRecipients)
{
    CServerThread servers(nRecipients);
    CQuiet quiet;
    CSendJobs jobs(quiet, quiet);
    CSendSettings settings;
    settings.nPort = servers.Port();
    settings.nMultiSendDelay = 0;
    settings.strNickname = "ann";
    settings.strComputerName = "PC7";
    CSendableNote note;
    note.m_strBody = "Shall we go?";
    note.SetTitle("Lunch");

    QList<QByteArray> addresses;
    for (int n = 1; n <= nRecipients; ++n)
        addresses.append("127.0.0." + QByteArray::number(n));
    const QByteArray strList = RecipientList::Compose(addresses);

    for (auto _ : state) {
        if (SendAndWait(jobs, note, settings, strList) != nRecipients) {
            state.SkipWithError("not every recipient got the note");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * nRecipients);
}

// One note to 250 hosts (250 loopback addresses), "MultiSendDelay" 0.
void BM_OneNoteTo250Recipients(benchmark::State& state)
{
    RunSends(state, 250);
}
BENCHMARK(BM_OneNoteTo250Recipients)->UseRealTime()->Unit(benchmark::kMillisecond);

// Note after note from one sender to one listener.
void BM_SingleSenderSingleListener(benchmark::State& state)
{
    RunSends(state, 1);
}
BENCHMARK(BM_SingleSenderSingleListener)->UseRealTime()->Unit(benchmark::kMicrosecond);

} // namespace
