// SPDX-License-Identifier: MIT
// The scanner library's functions over the OPN-2001 serial protocol. Like
// the virtual library it holds one connection: the port of the last
// successful csp2InitEx. Nothing here throws across the C interface.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "CodeTypes.h"
#include "Link.h"
#include "Replies.h"
#include "platform/Csp2Api.h"

namespace {

using namespace quarnel::opn2001;

// Results of this library; success values are as the interface describes.
constexpr Csp2Long kOk = 0;
constexpr Csp2Long kNotConnected = -1;
constexpr Csp2Long kNoPort = -2;
constexpr Csp2Long kBadArgument = -3;
constexpr Csp2Long kUnknown = -4;
constexpr Csp2Long kBufferTooSmall = -5;
constexpr Csp2Long kInternalError = -6;
constexpr Csp2Long kNoReply = -7;
constexpr Csp2Long kSwitching = -8;     // the scanner kept answering 0x05
constexpr Csp2Long kNotSupported = -9;  // no wire command is known

constexpr const char* kDllVersion = QUARNEL_VERSION;

struct Connection {
    std::unique_ptr<Link> link;
    Interrogation info;
    // The last upload, and its records as views into it.
    Reply uploaded;
    std::vector<std::span<const uint8_t>> packets;
    // An upload made by csp2DataAvailable, and its result (the count or
    // the failure), taken over by a csp2ReadData that follows at once, so
    // that a long upload, or the wait for a silent scanner, is not made twice.
    struct Prefetch {
        std::chrono::steady_clock::time_point when;
        Csp2Long result = 0;
    };
    std::optional<Prefetch> prefetched;
};

constexpr auto kPrefetchValid = std::chrono::seconds(1);

std::mutex& Guard() {
    static std::mutex guard;
    return guard;
}

Connection& TheConnection() {
    static Connection connection;
    return connection;
}

// Runs work on the open link under the lock; a link that has hung up is
// dropped, so the next call reports "not connected" at once.
template <typename Work>
Csp2Long OnLink(Work&& work) {
    try {
        std::lock_guard lock(Guard());
        Connection& c = TheConnection();
        if (!c.link) return kNotConnected;
        Csp2Long result = work(c);
        if (c.link->HungUp()) c.link.reset();
        return result;
    } catch (...) {
        return kInternalError;
    }
}

// Interrogates until the scanner stops switching, within the time allowed.
std::optional<Interrogation> Interrogate(Link& link, Csp2Long& failure) {
    const auto start = std::chrono::steady_clock::now();
    const auto limit = std::chrono::milliseconds(link.Times().switchingLimitMs);
    for (;;) {
        auto reply = link.Transact(opcode::kInterrogate);
        auto info = reply ? ParseInterrogation(reply->bytes, reply->Body()) : std::nullopt;
        if (!info) {
            failure = kNoReply;
            return std::nullopt;
        }
        if (info->status != kStatusSwitching) return info;
        auto elapsed = std::chrono::steady_clock::now() - start;
        if (elapsed >= limit) {
            failure = kSwitching;
            return std::nullopt;
        }
        auto pause = std::min<std::chrono::steady_clock::duration>(
            std::chrono::milliseconds(link.Times().switchingPauseMs), limit - elapsed);
        std::this_thread::sleep_for(pause);
    }
}

// Uploads the stored barcodes into c.packets; their number.
Csp2Long UploadRecords(Connection& c) {
    c.packets.clear();
    auto reply = c.link->Transact(opcode::kUpload);
    if (!reply) return kNoReply;
    c.uploaded = std::move(*reply);
    auto upload = ParseUpload(c.uploaded.Body());
    if (!upload) return kNoReply;
    c.packets = std::move(upload->records);
    return static_cast<Csp2Long>(std::min<size_t>(c.packets.size(), INT32_MAX));
}

Csp2Long WriteText(std::string_view text, Csp2Byte* buffer, Csp2Long capacity) {
    if (buffer == nullptr) return kBadArgument;
    if (capacity < 0 || static_cast<size_t>(capacity) < text.size() + 1) return kBufferTooSmall;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = 0;
    return static_cast<Csp2Long>(text.size() + 1);
}

// A command whose reply only confirms it.
Csp2Long Confirmed(uint8_t op, std::span<const uint8_t> payload = {}) {
    return OnLink([&](Connection& c) {
        c.prefetched.reset();
        return c.link->Transact(op, payload) ? kOk : kNoReply;
    });
}

}  // namespace

extern "C" {

Csp2Long csp2InitEx(Csp2Long comPort) {
    try {
        std::lock_guard lock(Guard());
        Connection& c = TheConnection();
        c = Connection{};
        bool known = false;
        auto port = SerialPort::OpenComPort(comPort, known);
        if (!known) return kBadArgument;
        if (!port) return kNoPort;
        auto log = TrafficLog::FromEnvironment();
        log.Write('!', {}, "open " + port->Path());
        auto link =
            std::make_unique<Link>(std::move(port), TimingFromEnvironment(), std::move(log));
        Csp2Long failure = kOk;
        auto info = Interrogate(*link, failure);
        if (!info) return failure;
        c.link = std::move(link);
        c.info = *info;
        return kOk;
    } catch (...) {
        return kInternalError;
    }
}

Csp2Long csp2Restore(void) {
    try {
        std::lock_guard lock(Guard());
        Connection& c = TheConnection();
        if (c.link) c.link->Send(opcode::kPowerDown);
        c = Connection{};
        return kOk;
    } catch (...) {
        return kInternalError;
    }
}

// Without CTS the stored barcodes are uploaded and counted. An upload that
// fails answers 1, so that the read-out runs and reports the failure
// instead of an empty scanner.
Csp2Long csp2DataAvailable(void) {
    return OnLink([](Connection& c) -> Csp2Long {
        c.prefetched.reset();
        if (auto cts = c.link->Cts()) return *cts ? 1 : 0;
        Csp2Long count = UploadRecords(c);
        c.prefetched = Connection::Prefetch{std::chrono::steady_clock::now(), count};
        return count < 0 ? 1 : count;
    });
}

Csp2Long csp2ReadData(void) {
    return OnLink([](Connection& c) {
        auto prefetch = std::exchange(c.prefetched, std::nullopt);
        if (prefetch && std::chrono::steady_clock::now() - prefetch->when < kPrefetchValid)
            return prefetch->result;
        return UploadRecords(c);
    });
}

Csp2Long csp2GetPacket(Csp2Byte* packet, Csp2Long index, Csp2Long capacity) {
    return OnLink([&](Connection& c) -> Csp2Long {
        if (packet == nullptr || index < 0) return kBadArgument;
        if (static_cast<size_t>(index) >= c.packets.size()) return kUnknown;
        const auto& bytes = c.packets[static_cast<size_t>(index)];
        if (capacity < 0 || static_cast<size_t>(capacity) < bytes.size()) return kBufferTooSmall;
        std::memcpy(packet, bytes.data(), bytes.size());
        return static_cast<Csp2Long>(bytes.size());
    });
}

Csp2Long csp2GetCodeType(Csp2Long codeId, Csp2Byte* name, Csp2Long capacity) {
    auto symbology = SymbologyName(codeId);
    if (!symbology) return kUnknown;
    Csp2Long result = WriteText(*symbology, name, capacity);
    return result > 0 ? result - 1 : result;  // the name's length, without its NUL
}

Csp2Long csp2ClearData(void) {
    return Confirmed(opcode::kClear);
}

Csp2Long csp2Interrogate(void) {
    return OnLink([](Connection& c) {
        Csp2Long failure = kOk;
        auto info = Interrogate(*c.link, failure);
        if (!info) return failure;
        c.info = *info;
        return kOk;
    });
}

Csp2Long csp2GetProtocol(void) {
    return OnLink([](Connection& c) -> Csp2Long { return c.info.protocol; });
}

Csp2Long csp2GetSystemStatus(void) {
    return OnLink([](Connection& c) -> Csp2Long { return c.info.status; });
}

Csp2Long csp2GetSwVersion(Csp2Byte* version, Csp2Long capacity) {
    return OnLink([&](Connection& c) { return WriteText(c.info.software, version, capacity); });
}

Csp2Long csp2GetDeviceId(Csp2Byte* id, Csp2Long capacity) {
    return OnLink([&](Connection& c) -> Csp2Long {
        if (id == nullptr) return kBadArgument;
        if (capacity < static_cast<Csp2Long>(c.info.identity.size())) return kBufferTooSmall;
        std::memcpy(id, c.info.identity.data(), c.info.identity.size());
        return static_cast<Csp2Long>(c.info.identity.size());
    });
}

Csp2Long csp2GetDllVersion(Csp2Byte* version, Csp2Long capacity) {
    return WriteText(kDllVersion, version, capacity) > 0 ? kOk : kBufferTooSmall;
}

Csp2Long csp2SetDefaults(void) {
    return kNotSupported;
}

Csp2Long csp2GetParam(Csp2Long paramId, Csp2Byte* value, Csp2Long capacity) {
    if (value == nullptr || paramId < 0 || paramId > 255) return kBadArgument;
    if (capacity < 1) return kBufferTooSmall;
    return OnLink([&](Connection& c) {
        const uint8_t id = static_cast<uint8_t>(paramId);
        auto reply = c.link->Transact(opcode::kGetParam, std::span(&id, 1));
        auto found = reply ? ParseParam(reply->Body(), id) : std::nullopt;
        if (!found) return kNoReply;
        value[0] = *found;
        return kOk;
    });
}

Csp2Long csp2SetParam(Csp2Long paramId, Csp2Byte* value, Csp2Long length) {
    if (value == nullptr || length != 1 || paramId < 0 || paramId > 255) return kBadArgument;
    const uint8_t payload[] = {static_cast<uint8_t>(paramId), value[0]};
    return Confirmed(opcode::kSetParam, payload);
}

Csp2Long csp2GetTime(Csp2Byte* clock) {
    if (clock == nullptr) return kBadArgument;
    return OnLink([&](Connection& c) {
        auto reply = c.link->Transact(opcode::kGetTime);
        auto bytes = reply ? ParseClock(reply->Body()) : std::nullopt;
        if (!bytes) return kNoReply;
        std::copy(bytes->begin(), bytes->end(), clock);
        return kOk;
    });
}

Csp2Long csp2SetTime(Csp2Byte* clock) {
    if (clock == nullptr) return kBadArgument;
    return Confirmed(opcode::kSetTime, std::span<const uint8_t>(clock, 6));
}

}  // extern "C"
