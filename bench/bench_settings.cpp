// SPDX-License-Identifier: MIT
// A full settings Save (twelve values) into the registry store, with the
// store's write-ahead log against the former sync on every write, measured
// in the same run.
#include <benchmark/benchmark.h>

#include "TestSupport.h"
#include "backends/linux/SqliteRegistry.h"
#include "platform/SerialPortTable.h"
#include "settings/clsSettings.h"

namespace {

using quarnel::platform::StoreJournal;

void SaveSettings(benchmark::State& state, StoreJournal journal) {
    quarnel::test::TempDir dir;
    auto registry = std::make_shared<quarnel::platform::SqliteRegistry>(
        dir.File("Quarnel/registry.sqlite3"), dir.File("autostart"),
        quarnel::platform::EmptySerialPortTable(), journal);
    quarnel::clsSettings settings(registry, "/home/user/Quarnel", "/usr/bin/quarnel");
    settings.Save();  // creates the store and the autostart entry
    int round = 0;
    for (auto _ : state) {
        // Changed values, as after the options dialog's OK.
        settings.SetDebtor(std::to_string(++round));
        settings.SetAutoSaveBarcodes(round % 2 == 0);
        settings.Save();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SaveSyncEveryWrite(benchmark::State& state) {
    SaveSettings(state, StoreJournal::SyncEveryWrite);
}
BENCHMARK(BM_SaveSyncEveryWrite)->Unit(benchmark::kMillisecond);

void BM_SaveWriteAhead(benchmark::State& state) {
    SaveSettings(state, StoreJournal::WriteAhead);
}
BENCHMARK(BM_SaveWriteAhead)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
