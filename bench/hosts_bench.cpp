// How long the recipient box's entries take to build from a large host list
// (every compose window that opens after the list changed builds them).
#include "core/hosts/host_list.h"
#include "core/hosts/recipient_builder.h"

#include <benchmark/benchmark.h>

namespace {

void RecipientChoicesOfAHostList(benchmark::State& state)
{
    CHostList hosts;
    const int nHosts = static_cast<int>(state.range(0));
    for (int n = 0; n < nHosts; ++n)
        hosts.Append({"host" + QByteArray::number(n),
                      "10.0." + QByteArray::number(n / 256) + "." + QByteArray::number(n % 256),
                      "group" + QByteArray::number(n % 40)});
    for (auto _ : state)
        benchmark::DoNotOptimize(RecipientChoices(hosts));
    state.SetItemsProcessed(state.iterations() * nHosts);
}
BENCHMARK(RecipientChoicesOfAHostList)
    ->Arg(100)
    ->Arg(8000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

} // namespace
