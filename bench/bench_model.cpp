// SPDX-License-Identifier: MIT
// A read-out of 32,767 barcodes through SaveToFile, ToOrder, SaveAsCSV and
// LoadFromCSV with event tracing on. Each file operation is compared with
// one buffered write of the same bytes: the counter x_floor is the
// operation's time divided by that write's time (goal: at most 3).
//
// LoadFromCSV loads into an order that still holds the previous load, so
// it also releases those lines first. LoadFromCSVNewOrder loads into a new
// order each time, as a saved order is loaded to be sent again; its memory
// is new to the process every time, so the system's page faults (some 350
// a load) make it vary more from machine to machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "FakeRegistry.h"
#include "TestSupport.h"
#include "app/modMain.h"
#include "model/clsOrder.h"
#include "model/clsReadSession.h"

namespace {

using namespace quarnel;
using Clock = std::chrono::steady_clock;

constexpr int32_t kBarcodes = 32767;

// Every third barcode a quantity, the rest EAN-13 product codes.
std::shared_ptr<clsReadSession> MakeSession() {
    auto session = std::make_shared<clsReadSession>(DateTime{2026, 12, 5, 17, 29, 16});
    session->SetDeviceID("OPN2001-000123");
    for (int32_t i = 0; i < kBarcodes; ++i) {
        auto barcode = std::make_shared<clsBarcode>(DateTime{2026, 12, 5, 9, i / 60 % 60, i % 60});
        if (i % 3 == 2) {
            barcode->SetBarcode("Q000" + std::to_string(i % 10));
            barcode->SetSymbology("Code 128");
        } else {
            barcode->SetBarcode("87" + std::to_string(10000000000 + i));
            barcode->SetSymbology("EAN-13");
        }
        session->AddBarcode(barcode);
    }
    return session;
}

// The floor: the whole content handed to the C library in one write.
void WriteOnce(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// The program with its settings, and the trace log with event entries only.
struct Environment {
    Environment() {
        Main("", {std::make_shared<test::FakeRegistry>(), dir.Path(), "/usr/bin/quarnel"});
        Settings()->SetQuantityPositioning(1);
        trace = std::make_unique<test::TraceCapture>(false, true);
        session = MakeSession();
        order = session->ToOrder();
        session->SaveToFile(dir.File("readout.txt"));
        order->SaveAsCSV(dir.File("order.csv"));
    }
    ~Environment() {
        trace.reset();
        ExitApplication();
    }

    test::TempDir dir;
    std::unique_ptr<test::TraceCapture> trace;
    std::shared_ptr<clsReadSession> session;
    std::shared_ptr<clsOrder> order;
    std::shared_ptr<clsOrder> loaded = std::make_shared<clsOrder>();
};

// Times the operation against the floor write of the file it works on;
// prepare runs untimed before each operation.
void Measure(benchmark::State& state, const std::string& file,
             const std::function<bool(Environment&)>& operation,
             const std::function<void(Environment&)>& prepare = {}) {
    Environment env;
    const std::string bytes = test::ReadFileBytes(env.dir.File(file));
    const std::string floorPath = env.dir.File("floor.bin");
    double operationSeconds = 0;
    double floorSeconds = 0;
    for (auto _ : state) {
        if (prepare) prepare(env);
        Clock::time_point start = Clock::now();
        if (!operation(env)) state.SkipWithError("operation failed");
        Clock::time_point middle = Clock::now();
        WriteOnce(floorPath, bytes);
        Clock::time_point end = Clock::now();
        const double seconds = std::chrono::duration<double>(middle - start).count();
        state.SetIterationTime(seconds);
        operationSeconds += seconds;
        floorSeconds += std::chrono::duration<double>(end - middle).count();
    }
    state.counters["floor_us"] =
        benchmark::Counter(floorSeconds * 1e6, benchmark::Counter::kAvgIterations);
    state.counters["x_floor"] = floorSeconds > 0 ? operationSeconds / floorSeconds : 0;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_SaveToFile(benchmark::State& state) {
    Measure(state, "readout.txt",
            [](Environment& env) { return env.session->SaveToFile(env.dir.File("out.txt")); });
}
BENCHMARK(BM_SaveToFile)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_ToOrder(benchmark::State& state) {
    Measure(state, "order.csv", [](Environment& env) {
        std::shared_ptr<clsOrder> order = env.session->ToOrder();
        return order && order->CountLines() > 0;
    });
}
BENCHMARK(BM_ToOrder)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_SaveAsCSV(benchmark::State& state) {
    Measure(state, "order.csv",
            [](Environment& env) { return env.order->SaveAsCSV(env.dir.File("out.csv")); });
}
BENCHMARK(BM_SaveAsCSV)->UseManualTime()->Unit(benchmark::kMicrosecond);

bool LoadOrder(Environment& env) {
    return env.loaded->LoadFromCSV(env.dir.File("order.csv")) &&
           env.loaded->CountLines() == env.order->CountLines();
}

void BM_LoadFromCSV(benchmark::State& state) {
    Measure(state, "order.csv", LoadOrder);
}
BENCHMARK(BM_LoadFromCSV)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_LoadFromCSVNewOrder(benchmark::State& state) {
    Measure(state, "order.csv", LoadOrder,
            [](Environment& env) { env.loaded = std::make_shared<clsOrder>(); });
}
BENCHMARK(BM_LoadFromCSVNewOrder)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
