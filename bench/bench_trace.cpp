// SPDX-License-Identifier: MIT
// Event entries per second through WriteTrace, which opens, appends to and
// closes the trace file for every entry, against the least any such entry
// costs: a loop of stat on the folder, open for append, write and close of
// the same line.
#include <benchmark/benchmark.h>

#include <string>

#include "RawAppend.h"
#include "TestSupport.h"
#include "base/TraceLog.h"

namespace {

constexpr const char* kMessage = "Generating order...";

void BM_RawAppendLoop(benchmark::State& state) {
    quarnel::test::TempDir dir;
    const std::string folder = dir.Path() + "/";
    const std::string file = dir.File("Trace.log");
    const std::string line = "07-12-2026 02:30:00\t" + std::string(kMessage) + "\r\n";
    for (auto _ : state) {
        quarnel::bench::RawAppend(folder, file, line);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RawAppendLoop);

void BM_WriteTraceEvent(benchmark::State& state) {
    quarnel::test::TraceCapture capture(false, true);
    for (auto _ : state) {
        quarnel::WriteTrace(kMessage);
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
