// How fast one note server takes notes from a local sender over loopback, one
// connection after the other, and how the cost per byte behaves as notes grow.
#include "bench/support/server_thread.h"
#include "core/notes/note_receive_buffer.h"
#include "core/notes/tagged_text.h"
#include "tests/support/loopback.h"

#include <benchmark/benchmark.h>

namespace {

// Sends one note the way a sending job does and returns the acknowledged count.
long SendNote(quint16 nPort, const QByteArray& strNote)
{
    const std::optional<QByteArray> answer = Loopback::Exchange(nPort, strNote);
    return answer ? answer->toLong() : -1;
}

QByteArray NoteOfSize(qsizetype nSize)
{
    // The smallest tagged note, "a/$0/$1P/$2/$30/$4", has 18 bytes; the body fills the rest.
    const QByteArray strEmpty = TaggedText::Compose({"a", "", "P", "", 0});
    const qsizetype nBody = std::max<qsizetype>(0, nSize - strEmpty.size());
    return TaggedText::Compose({"a", QByteArray(nBody, 'x'), "P", "", 0});
}

void RunNotes(benchmark::State& state, const QByteArray& strNote)
{
    CServerThread server;
    for (auto _ : state) {
        if (SendNote(server.Port(), strNote) != strNote.size()) {
            state.SkipWithError("wrong acknowledgement");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * strNote.size());
    state.counters["note_bytes"] = static_cast<double>(strNote.size());
    state.counters["ns_per_byte"] = benchmark::Counter(
        static_cast<double>(state.iterations() * strNote.size()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_SmallNotes(benchmark::State& state)
{
    RunNotes(state, TaggedText::Compose({"ann", "Shall we go?", "PC7", "Lunch", 1}));
}
BENCHMARK(BM_SmallNotes)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_NotesNearTheLimit(benchmark::State& state)
{
    RunNotes(state, NoteOfSize(109900));
}
BENCHMARK(BM_NotesNearTheLimit)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_NoteSize(benchmark::State& state)
{
    RunNotes(state, NoteOfSize(state.range(0)));
}
BENCHMARK(BM_NoteSize)
    ->Arg(20)
    ->Arg(200)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(60000)
    ->Arg(110000)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

// The reading alone, without sockets: a note at the limit arriving in reads of the
// given size. The cost per byte stays flat as reads get smaller.
void BM_ReceiveBufferReads(benchmark::State& state)
{
    const QByteArray strNote = NoteOfSize(109900);
    const qsizetype nRead = state.range(0);
    for (auto _ : state) {
        CNoteReceiveBuffer buffer(110000);
        for (qsizetype nAt = 0; nAt < strNote.size() && !buffer.IsDone(); nAt += nRead)
            buffer.AppendRead(strNote.constData() + nAt, std::min(nRead, strNote.size() - nAt));
        benchmark::DoNotOptimize(buffer.Total());
    }
    state.SetBytesProcessed(state.iterations() * strNote.size());
}
BENCHMARK(BM_ReceiveBufferReads)->Arg(9999)->Arg(1000)->Arg(100)->Arg(10);

} // namespace
