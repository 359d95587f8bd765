// SPDX-License-Identifier: MIT
// An upload of 10,000 barcodes through the Windows link under Wine: the
// emulator answers on a pseudo-terminal that is a COM port of the Wine
// prefix, and csp2-opn2001.dll reads it in opn2001-probe.exe; against the
// raw transfer of the same reply bytes over the same kind of port, read by
// the same probe through the same serial port code. Wine starts too slowly
// to be timed from here, so the probe times each round itself and the
// benchmark reports those times (manual time).
//
// Needs QUARNEL_OPN2001_PROBE (opn2001-probe.exe of a Windows build, with
// csp2-opn2001.dll beside it), wine on the path and a prefix (WINEPREFIX)
// whose server runs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "Emulator.h"
#include "Protocol.h"
#include "Replies.h"
#include "ScannerFile.h"
#include "TestSupport.h"

namespace {

using namespace quarnel;
namespace fs = std::filesystem;

constexpr int kBarcodes = 10000;
constexpr int kRounds = 10;

vscan::ScannerFile FullScanner() {
    vscan::ScannerFile file;
    file.identity = {1, 2, 3, 4, 5, 6, 7, 8};
    const vscan::Clock scanned{2026, 12, 7, 9, 30, 0};
    for (int i = 0; i < kBarcodes; ++i)
        file.records.emplace_back(vscan::Barcode{scanned, 8, std::to_string(8712345000000 + i)});
    return file;
}

std::optional<std::string> OnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin";
    for (size_t start = 0; start <= folders.size();) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
        start = end + 1;
    }
    return std::nullopt;
}

fs::path DosDevices() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix != nullptr && *prefix != '\0') return fs::path(prefix) / "dosdevices";
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "") / ".wine" / "dosdevices";
}

// A free COM port of the prefix linked to a terminal; taken away at the end.
class PortLink {
  public:
    explicit PortLink(const std::string& terminal) {
        for (int n = 10; n <= 255 && number_ == 0; ++n) {
            fs::path link = DosDevices() / ("com" + std::to_string(n));
            if (symlink(terminal.c_str(), link.c_str()) == 0) {
                link_ = link;
                number_ = n;
            }
        }
    }
    ~PortLink() {
        std::error_code ec;
        if (number_ != 0) fs::remove(link_, ec);
    }
    int Number() const { return number_; }
    std::string Name() const { return "COM" + std::to_string(number_); }

  private:
    fs::path link_;
    int number_ = 0;
};

// Runs the probe under wine with those arguments and reports the time of
// each of its rounds as one iteration.
void RunProbe(benchmark::State& state, const std::vector<std::string>& arguments) {
    const char* probe = std::getenv("QUARNEL_OPN2001_PROBE");
    const auto wine = OnPath("wine");
    if (probe == nullptr || !wine)
        return state.SkipWithError("needs wine and QUARNEL_OPN2001_PROBE (opn2001-probe.exe)");
    std::vector<std::string> argv{*wine, probe};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    test::ChildProcess child(argv);
    for (auto _ : state) {
        auto line = child.ReadLine(std::chrono::minutes(2));
        const size_t ms = line ? line->find(' ', line->find(' ') + 1) : std::string::npos;
        if (ms == std::string::npos) return state.SkipWithError("the probe failed");
        state.SetIterationTime(std::stod(line->substr(ms + 1)) / 1000);
    }
    child.Wait(std::chrono::minutes(1));
    state.SetItemsProcessed(state.iterations() * kBarcodes);
}

void BM_WineUploadThroughEmulator(benchmark::State& state) {
    test::TempDir dir;
    std::string error, file = dir.File("COM7.scanner");
    if (!vscan::SaveScannerFile(file, FullScanner(), "COM7", error))
        return state.SkipWithError(error.c_str());
    opn2001::Emulator emulator(file);
    if (!emulator.Open(error)) return state.SkipWithError(error.c_str());
    PortLink port(emulator.DevicePath());
    if (port.Number() == 0) return state.SkipWithError("no free COM port in the prefix");
    emulator.Start();
    RunProbe(state, {port.Name(), std::to_string(kRounds)});
}

// The same bytes over a bare pseudo-terminal: the 5-byte upload command
// in, the whole reply out at once.
void BM_WineRawTransfer(benchmark::State& state) {
    const std::vector<uint8_t> reply = opn2001::EncodeReply(opn2001::UploadBodyFor(FullScanner()));
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return state.SkipWithError("no pseudo-terminal");
    const std::string terminal = ptsname(master);
    // Held open, so that the probe's closing is no hang-up.
    int held = open(terminal.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    tcgetattr(held, &raw);
    cfmakeraw(&raw);
    tcsetattr(held, TCSANOW, &raw);
    PortLink port(terminal);
    std::atomic<bool> done{false};
    std::thread server([&] {
        std::array<uint8_t, 5> request{};
        size_t have = 0;
        while (!done) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            ssize_t n = read(master, request.data() + have, request.size() - have);
            if (n <= 0) continue;
            have += static_cast<size_t>(n);
            if (have < request.size()) continue;
            have = 0;
            for (size_t sent = 0; sent < reply.size();) {
                n = write(master, reply.data() + sent, reply.size() - sent);
                if (n > 0) sent += static_cast<size_t>(n);
            }
        }
    });
    if (port.Number() != 0)
        RunProbe(state,
                 {"--raw", port.Name(), std::to_string(reply.size()), std::to_string(kRounds)});
    else
        state.SkipWithError("no free COM port in the prefix");
    done = true;
    server.join();
    close(held);
    close(master);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}

BENCHMARK(BM_WineUploadThroughEmulator)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(kRounds);
BENCHMARK(BM_WineRawTransfer)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(kRounds);

}  // namespace

BENCHMARK_MAIN();
