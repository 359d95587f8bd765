// SPDX-License-Identifier: MIT
// An upload of 10,000 barcodes from the OPN-2001 emulator through the
// scanner library, against the raw transfer of the same reply bytes over a
// pseudo-terminal. A pseudo-terminal has no baud rate, so the comparison
// shows the protocol's overhead: framing, CRC, reply assembly and parsing.
// BM_SingleByteCorruptions shows that no upload with one byte changed is
// taken for a reply.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "Emulator.h"
#include "Protocol.h"
#include "Replies.h"
#include "ReplyAssembler.h"
#include "ScannerFile.h"
#include "TestSupport.h"
#include "backends/linux/ComDevices.h"
#include "platform/ScannerLibrary.h"

namespace {

using namespace quarnel;

constexpr int kBarcodes = 10000;

vscan::ScannerFile FullScanner() {
    vscan::ScannerFile file;
    file.identity = {1, 2, 3, 4, 5, 6, 7, 8};
    const vscan::Clock scanned{2026, 12, 7, 9, 30, 0};
    for (int i = 0; i < kBarcodes; ++i)
        file.records.emplace_back(vscan::Barcode{scanned, 8, std::to_string(8712345000000 + i)});
    return file;
}

// The upload reply the emulator sends for that scanner.
std::vector<uint8_t> UploadReply(const vscan::ScannerFile& file) {
    return opn2001::EncodeReply(opn2001::UploadBodyFor(file));
}

void BM_UploadThroughEmulator(benchmark::State& state) {
    test::TempDir dir;
    std::string error, file = dir.File("COM7.scanner");
    if (!vscan::SaveScannerFile(file, FullScanner(), "COM7", error))
        return state.SkipWithError(error.c_str());
    test::ScopedEnv devices(platform::com_devices::kFolderVariable, dir.File("com"));
    opn2001::Emulator emulator(file);
    if (!emulator.Open(error) || !emulator.Plug(dir.File("com"), "COM7", error))
        return state.SkipWithError(error.c_str());
    emulator.Start();
    auto library = platform::LoadScannerLibrary(QUARNEL_OPN2001_LIBRARY);
    if (library->csp2InitEx(7) != 0) return state.SkipWithError("cannot connect");
    for (auto _ : state) {
        if (library->csp2ReadData() != kBarcodes) return state.SkipWithError("upload failed");
    }
    library->csp2Restore();
    state.SetItemsProcessed(state.iterations() * kBarcodes);
}

// The same bytes over a bare pseudo-terminal: a 5-byte request out, the
// whole reply back, read in the library's chunks.
void BM_RawTransfer(benchmark::State& state) {
    const std::vector<uint8_t> reply = UploadReply(FullScanner());
    int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0)
        return state.SkipWithError("no pseudo-terminal");
    int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    termios raw{};
    tcgetattr(terminal, &raw);
    cfmakeraw(&raw);
    tcsetattr(terminal, TCSANOW, &raw);
    std::thread server([&] {
        std::array<uint8_t, 5> request{};
        while (read(master, request.data(), request.size()) == 5) {
            for (size_t sent = 0; sent < reply.size();) {
                ssize_t n = write(master, reply.data() + sent, reply.size() - sent);
                if (n <= 0) return;
                sent += static_cast<size_t>(n);
            }
        }
    });
    const std::vector<uint8_t> command = *opn2001::EncodeCommand(opn2001::opcode::kUpload, {});
    std::array<uint8_t, 4096> buffer{};
    for (auto _ : state) {
        if (write(terminal, command.data(), command.size()) != 5)
            return state.SkipWithError("write");
        size_t received = 0;
        while (received < reply.size()) {
            ssize_t n = read(terminal, buffer.data(), buffer.size());
            if (n <= 0) return state.SkipWithError("read");
            received += static_cast<size_t>(n);
        }
        benchmark::DoNotOptimize(buffer);
    }
    close(terminal);
    server.join();
    close(master);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
    state.SetItemsProcessed(state.iterations() * kBarcodes);
}

// The library's share without any line: the same reply assembled from the
// pieces a terminal hands out, then its records read.
void BM_AssembleAndParse(benchmark::State& state) {
    const std::vector<uint8_t> reply = UploadReply(FullScanner());
    constexpr size_t kPiece = 4095;
    for (auto _ : state) {
        opn2001::ReplyAssembler assembler(opn2001::ReplyShapeFor(opn2001::opcode::kUpload));
        for (size_t at = 0; at < reply.size(); at += kPiece)
            assembler.Feed(std::span(reply).subspan(at, std::min(kPiece, reply.size() - at)));
        auto upload = opn2001::ParseUpload(assembler.Body());
        if (!upload || upload->records.size() != kBarcodes) return state.SkipWithError("parse");
        benchmark::DoNotOptimize(upload);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(reply.size()));
}

// 1,000,000 valid uploads of 1 to 64 barcodes, each with one byte changed
// at random and fed in random pieces: none may be taken as a reply.
// "accepted" counts corrupted uploads the assembler completed, "altered"
// those of them whose records differ from the ones sent.
void BM_SingleByteCorruptions(benchmark::State& state) {
    constexpr int kCorruptions = 1'000'000;
    std::mt19937_64 random(20260112);
    auto below = [&](size_t n) { return static_cast<size_t>(random() % n); };
    int64_t accepted = 0, altered = 0, bytes = 0;
    for (auto _ : state) {
        for (int run = 0; run < kCorruptions; ++run) {
            std::vector<std::vector<uint8_t>> records(1 + below(64));
            for (auto& record : records) {
                // [N][code id][data][time stamp], any byte values
                record.resize(6 + below(44));
                record[0] = static_cast<uint8_t>(record.size() - 1);
                for (size_t i = 1; i < record.size(); ++i)
                    record[i] = static_cast<uint8_t>(random());
            }
            std::array<uint8_t, 8> identity{};
            for (auto& b : identity) b = static_cast<uint8_t>(random());
            const auto body = opn2001::UploadBody(identity, records);
            std::vector<uint8_t> frame = opn2001::EncodeReply(body);
            frame[below(frame.size())] ^= static_cast<uint8_t>(1 + below(255));
            bytes += static_cast<int64_t>(frame.size());

            opn2001::ReplyAssembler assembler(opn2001::ReplyShapeFor(opn2001::opcode::kUpload));
            for (size_t at = 0; at < frame.size() &&
                                assembler.Current() == opn2001::ReplyAssembler::State::Waiting;) {
                const size_t piece = std::min(1 + below(64), frame.size() - at);
                assembler.Feed(std::span(frame).subspan(at, piece));
                at += piece;
            }
            if (assembler.Current() != opn2001::ReplyAssembler::State::Complete) continue;
            ++accepted;
            auto upload = opn2001::ParseUpload(assembler.Body());
            const auto expected = opn2001::ParseUpload(body);
            if (!upload || upload->identity != identity ||
                upload->records.size() != expected->records.size() ||
                !std::equal(upload->records.begin(), upload->records.end(),
                            expected->records.begin(),
                            [](auto a, auto b) { return std::ranges::equal(a, b); }))
                ++altered;
        }
    }
    if (accepted != 0) state.SkipWithError("a corrupted upload was accepted");
    state.counters["corruptions"] = static_cast<double>(kCorruptions);
    state.counters["accepted"] = static_cast<double>(accepted);
    state.counters["altered"] = static_cast<double>(altered);
    state.SetBytesProcessed(bytes);
}

// The machine's other work makes single runs vary widely; the fastest of
// ten runs is the fairest figure of either.
double Fastest(const std::vector<double>& runs) {
    return *std::min_element(runs.begin(), runs.end());
}

BENCHMARK(BM_UploadThroughEmulator)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ComputeStatistics("min", Fastest)
    ->ReportAggregatesOnly();
BENCHMARK(BM_RawTransfer)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ComputeStatistics("min", Fastest)
    ->ReportAggregatesOnly();
BENCHMARK(BM_AssembleAndParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SingleByteCorruptions)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
