// SPDX-License-Identifier: MIT
#include "Emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <utility>

#include "Protocol.h"
#include "Replies.h"

namespace quarnel::opn2001 {
namespace {

using vscan::ScannerFile;

// Noise with false reply starts in it.
constexpr uint8_t kGarbage[] = {0xFF, 0x06, 0x00, 0x13, 0x06, 0x06, 0xAA, 0x55, 0x02};
constexpr int kPollMs = 20;
constexpr auto kWriteWait = std::chrono::seconds(5);

struct Mapping {
    int from;
    int to;
};
// Virtual code ids whose symbology the scanner knows under another id.
constexpr Mapping kCodeIds[] = {{3, 0x06},  {4, 0x04},  {5, 0x07},  {6, 0x03},
                                {7, 0x08},  {8, 0x0B},  {9, 0x0A},  {10, 0x09},
                                {11, 0x0E}, {12, 0x0C}, {14, 0x0F}, {15, 0x30}};

}  // namespace

int WireCodeId(int virtualCodeId) {
    for (const auto& m : kCodeIds)
        if (m.from == virtualCodeId) return m.to;
    return virtualCodeId;
}

struct Emulator::State {
    std::string file;
    Misbehaviour misbehaviour;
    int master = -1;
    int slave = -1;  // kept open so that the library's closing is no hang-up
    std::vector<uint8_t> input;
    std::optional<std::chrono::steady_clock::time_point> firstInterrogation;
    int timesLeft = -1;
    mutable std::mutex mutex;
    std::vector<uint8_t> commands;
    // The file as last read, and its upload reply, while the file's size
    // and time stay the same: like the scanner, the emulator answers from
    // memory.
    std::optional<ScannerFile> cached;
    std::optional<std::vector<uint8_t>> cachedUpload;
    struct stat cachedStat {};

    const ScannerFile* Load() {
        struct stat now {};
        if (stat(file.c_str(), &now) != 0) return nullptr;
        if (!cached || now.st_size != cachedStat.st_size ||
            now.st_mtim.tv_sec != cachedStat.st_mtim.tv_sec ||
            now.st_mtim.tv_nsec != cachedStat.st_mtim.tv_nsec) {
            std::string error;
            cached = vscan::LoadScannerFile(file, error);
            cachedUpload.reset();
            cachedStat = now;
        }
        return cached ? &*cached : nullptr;
    }

    void Save(const ScannerFile& scanner) {
        std::string error;
        std::string port = std::filesystem::path(file).stem().string();
        vscan::SaveScannerFile(file, scanner, port, error);
        cached.reset();
        cachedUpload.reset();
    }

    bool WriteAll(std::span<const uint8_t> bytes) {
        auto deadline = std::chrono::steady_clock::now() + kWriteWait;
        while (!bytes.empty()) {
            ssize_t n = write(master, bytes.data(), bytes.size());
            if (n > 0) {
                bytes = bytes.subspan(static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
            if (std::chrono::steady_clock::now() > deadline) return false;
            pollfd p{master, POLLOUT, 0};
            poll(&p, 1, kPollMs);
        }
        return true;
    }
};

Emulator::Emulator(std::string scannerFile, Misbehaviour misbehaviour)
    : state_(std::make_unique<State>()) {
    state_->file = std::move(scannerFile);
    state_->misbehaviour = misbehaviour;
    state_->timesLeft = misbehaviour.times;
}

Emulator::~Emulator() {
    Stop();
    Unplug();
    if (state_->slave >= 0) close(state_->slave);
    if (state_->master >= 0) close(state_->master);
}

bool Emulator::Open(std::string& error) {
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) close(master);
        return false;
    }
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) {
        error = "cannot name the pseudo-terminal";
        close(master);
        return false;
    }
    state_->master = master;
    device_ = name;
    state_->slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Raw from the start, so that nothing is echoed before the library
    // sets its own line settings.
    termios settings{};
    if (state_->slave >= 0 && tcgetattr(state_->slave, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(state_->slave, TCSANOW, &settings);
    }
    return true;
}

bool Emulator::Plug(const std::string& folder, const std::string& port, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::string link = folder + "/" + port;
    std::filesystem::remove(link, ec);
    std::filesystem::create_symlink(device_, link, ec);
    if (ec) {
        error = "cannot link " + link + ": " + ec.message();
        return false;
    }
    link_ = link;
    return true;
}

void Emulator::Unplug() {
    if (link_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(link_, ec);
    link_.clear();
}

void Emulator::Start() {
    stop_ = false;
    thread_ = std::thread([this] { Serve(); });
}

void Emulator::Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

std::vector<uint8_t> Emulator::Commands() const {
    std::lock_guard lock(state_->mutex);
    return state_->commands;
}

namespace {

std::vector<uint8_t> ClockBytes(const ScannerFile& file) {
    if (file.clockBytes) return {file.clockBytes->begin(), file.clockBytes->end()};
    auto now = vscan::LocalClock(std::time(nullptr) + file.clockOffset);
    return {static_cast<uint8_t>(now.second), static_cast<uint8_t>(now.minute),
            static_cast<uint8_t>(now.hour),   static_cast<uint8_t>(now.day),
            static_cast<uint8_t>(now.month),  static_cast<uint8_t>(now.year - 2000)};
}

}  // namespace

std::vector<uint8_t> UploadBodyFor(const vscan::ScannerFile& file) {
    std::vector<std::vector<uint8_t>> records;
    for (const auto& record : file.records) {
        records.push_back(vscan::EncodePacket(record));
        if (std::holds_alternative<vscan::Barcode>(record) && records.back().size() > 1)
            records.back()[1] = static_cast<uint8_t>(WireCodeId(records.back()[1]));
    }
    return UploadBody(file.identity, records);
}

void Emulator::Serve() {
    State& s = *state_;
    std::array<uint8_t, 4096> buffer{};
    while (!stop_ && !hungUp_) {
        pollfd p{s.master, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) continue;
        ssize_t got = read(s.master, buffer.data(), buffer.size());
        if (got <= 0) {
            // EIO while no one holds the terminal open; wait for the next.
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            continue;
        }
        s.input.insert(s.input.end(), buffer.begin(), buffer.begin() + got);
        for (;;) {
            CommandScan scan = ScanCommand(s.input);
            if (scan.result == CommandScan::Result::NeedMore) break;
            s.input.erase(s.input.begin(), s.input.begin() + static_cast<long>(scan.size));
            if (scan.result == CommandScan::Result::Complete) Answer(scan.command);
            if (hungUp_) return;
        }
    }
}

void Emulator::Answer(const Command& command) {
    State& s = *state_;
    {
        std::lock_guard lock(s.mutex);
        s.commands.push_back(command.op);
    }
    // A scanner file that is gone or unreadable: the scanner says nothing.
    const ScannerFile* stored = s.Load();
    if (stored == nullptr) return;
    // Commands that change the scanner work on a copy, which is saved.
    auto changed = [&] { return std::make_unique<ScannerFile>(*stored); };
    const auto& payload = command.payload;
    std::vector<uint8_t> body;
    switch (command.op) {
        case opcode::kInterrogate: {
            auto now = std::chrono::steady_clock::now();
            if (!s.firstInterrogation) s.firstInterrogation = now;
            bool switching = now - *s.firstInterrogation < s.misbehaviour.switching;
            body.push_back(switching ? kStatusSwitching : static_cast<uint8_t>(stored->status));
            body.insert(body.end(), stored->identity.begin(), stored->identity.end());
            std::string software = stored->software.substr(0, 8);
            software.resize(8, '\0');
            body.insert(body.end(), software.begin(), software.end());
            break;
        }
        case opcode::kClear: {
            auto file = changed();
            file->records.clear();
            s.Save(*file);
            break;
        }
        case opcode::kSetParam: {
            if (payload.size() != 2) return;
            auto file = changed();
            file->params[payload[0]] = payload[1];
            s.Save(*file);
            body = payload;
            break;
        }
        case opcode::kPowerDown:
            break;
        case opcode::kUpload:
            if (!s.cachedUpload) s.cachedUpload = EncodeReply(UploadBodyFor(*stored));
            Reply(command.op, *s.cachedUpload);
            return;
        case opcode::kGetParam: {
            if (payload.size() != 1) return;
            auto found = stored->params.find(payload[0]);
            if (found == stored->params.end()) return;
            body = {payload[0], found->second};
            break;
        }
        case opcode::kSetTime: {
            if (payload.size() != 6) return;
            vscan::Clock wanted{payload[5] + 2000, payload[4], payload[3],
                                payload[2],        payload[1], payload[0]};
            if (!vscan::IsValidClock(wanted)) return;
            auto file = changed();
            file->clockOffset = static_cast<int64_t>(vscan::ToTimeT(wanted)) -
                                static_cast<int64_t>(std::time(nullptr));
            file->clockBytes.reset();
            s.Save(*file);
            body = payload;
            break;
        }
        case opcode::kGetTime:
            body = ClockBytes(*stored);
            break;
        default:
            return;
    }
    Reply(command.op, EncodeReply(body));
}

void Emulator::Reply(uint8_t op, std::span<const uint8_t> intact) {
    State& s = *state_;
    const Misbehaviour& m = s.misbehaviour;
    bool applies = (!m.onOpcode || *m.onOpcode == op) && s.timesLeft != 0;
    if (!applies) {
        s.WriteAll(intact);
        return;
    }
    if (s.timesLeft > 0) --s.timesLeft;
    if (m.silent) return;
    std::vector<uint8_t> frame(intact.begin(), intact.end());
    if (m.badCrc) frame.back() ^= 0xFF;
    if (m.drip.count() > 0) {
        Drip();
        return;
    }
    if (m.garbage) s.WriteAll(kGarbage);
    if (m.hangUp) {
        s.WriteAll(std::span<const uint8_t>(frame).first(frame.size() / 2));
        HangUp();
        return;
    }
    if (!m.split) {
        s.WriteAll(frame);
        return;
    }
    for (uint8_t byte : frame) {
        s.WriteAll(std::span(&byte, 1));
        std::this_thread::sleep_for(m.splitPause);
    }
}

void Emulator::Drip() {
    State& s = *state_;
    const int pause = static_cast<int>(s.misbehaviour.drip.count());
    for (size_t i = 0; !stop_; ++i) {
        if (!s.WriteAll(std::span(&kGarbage[i % std::size(kGarbage)], 1))) return;
        pollfd p{s.master, POLLIN, 0};
        if (poll(&p, 1, pause) != 0) return;  // the next command, or a failure
    }
}

// Like pulling the cable: the terminal goes, and its link with it.
void Emulator::HangUp() {
    Unplug();
    if (state_->slave >= 0) close(state_->slave);
    if (state_->master >= 0) close(state_->master);
    state_->slave = state_->master = -1;
    hungUp_ = true;
}

std::optional<Misbehaviour> ParseMisbehaviour(const std::string& options) {
    std::istringstream words(options);
    Misbehaviour m;
    std::string word;
    auto number = [&](int base) -> std::optional<int> {
        std::string value;
        if (!(words >> value)) return std::nullopt;
        try {
            size_t used = 0;
            int n = std::stoi(value, &used, base);
            if (used != value.size() || n < 0) return std::nullopt;
            return n;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    };
    while (words >> word) {
        std::optional<int> n = 0;
        if (word == "--garbage")
            m.garbage = true;
        else if (word == "--split")
            m.split = true;
        else if (word == "--bad-crc")
            m.badCrc = true;
        else if (word == "--silent")
            m.silent = true;
        else if (word == "--hang-up")
            m.hangUp = true;
        else if (word == "--on" && (n = number(16)) && *n <= 255)
            m.onOpcode = static_cast<uint8_t>(*n);
        else if (word == "--times" && (n = number(10)))
            m.times = *n;
        else if (word == "--drip" && (n = number(10)))
            m.drip = std::chrono::milliseconds(*n);
        else if (word == "--switching" && (n = number(10)))
            m.switching = std::chrono::milliseconds(*n);
        else if (word == "--split-pause" && (n = number(10)))
            m.splitPause = std::chrono::milliseconds(*n);
        else
            return std::nullopt;
    }
    return m;
}

}  // namespace quarnel::opn2001
