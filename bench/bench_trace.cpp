// Event entries per second through WriteTrace, which opens, appends to and
// closes the trace file for every entry.
#include <benchmark/benchmark.h>

#include "TestSupport.h"
#include "app/TraceLog.h"

namespace {

void BM_WriteTraceEvent(benchmark::State& state) {
    quarnel::test::TraceCapture capture(false, true);
    for (auto _ : state) {
        quarnel::WriteTrace("Generating order...");
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteTraceEvent);

void BM_WriteTraceDetailSkipped(benchmark::State& state) {
    quarnel::test::TraceCapture capture(false, true);
    for (auto _ : state) {
        quarnel::trace::Entering("clsOrder.Line", "Index = 1");
        // The flag may change between entries: read it afresh each time.
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteTraceDetailSkipped);

}  // namespace

BENCHMARK_MAIN();
