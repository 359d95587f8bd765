// SPDX-License-Identifier: MIT
// The scanner library's functions over the virtual scanner files. Like the
// real library it holds one connection: the port of the last successful
// csp2InitEx. Every call that talks to the scanner looks at the port's file
// afresh, so a scanner that is unplugged or rewritten by the tool is seen at
// once; a file that cannot be read or understood makes the call fail.
// csp2GetPacket and csp2GetCodeType talk to no scanner: like the real
// library's, they answer from what was last read, which keeps a read-out of
// n barcodes free of 2n file checks. Nothing here throws across the C
// interface.
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FileStamp.h"
#include "ScannerFile.h"
#include "Symbologies.h"
#include "platform/Csp2Api.h"

namespace {

using quarnel::vscan::FileStamp;
using quarnel::vscan::ScannerFile;

// Results of this library; success values are as the interface describes.
constexpr Csp2Long kOk = 0;
constexpr Csp2Long kNotConnected = -1;
constexpr Csp2Long kBadFile = -2;
constexpr Csp2Long kBadArgument = -3;
constexpr Csp2Long kUnknown = -4;
constexpr Csp2Long kBufferTooSmall = -5;
constexpr Csp2Long kInternalError = -6;
constexpr Csp2Long kVersionFailed = 2;

constexpr const char* kDllVersion = "Virtual 1.0";

struct Connection {
    bool open = false;
    std::string port;
    std::string path;                           // the port's file
    std::vector<std::vector<uint8_t>> packets;  // fetched by csp2ReadData
};

Connection& TheConnection() {
    static Connection connection;
    return connection;
}

std::string PortFile(const std::string& port) {
    return quarnel::vscan::PortFile(quarnel::vscan::VirtualFolder(), port);
}

// The connected scanner's file as last read, with the identity the file had
// then. A read-out makes two calls per barcode; parsing the whole file for
// each would make reading n barcodes cost n times the file.
struct CachedFile {
    std::string path;
    FileStamp identity;
    std::shared_ptr<ScannerFile> file;

    bool Matches(const std::string& other, const FileStamp& stamp) const {
        return file && path == other && identity == stamp;
    }
};

CachedFile& TheCache() {
    static CachedFile cache;
    return cache;
}

// Points `file` at the connected scanner's file; a result other than kOk
// when there is no usable scanner.
Csp2Long LoadConnected(std::shared_ptr<ScannerFile>& file) {
    Connection& c = TheConnection();
    if (!c.open) return kNotConnected;
    auto stamp = quarnel::vscan::StampOf(c.path);
    if (!stamp) return kNotConnected;
    CachedFile& cache = TheCache();
    if (!cache.Matches(c.path, *stamp)) {
        cache.file.reset();
        std::string error;
        auto loaded = quarnel::vscan::LoadScannerFile(c.path, error);
        if (!loaded) return kBadFile;
        cache = {c.path, *stamp, std::make_shared<ScannerFile>(std::move(*loaded))};
    }
    file = cache.file;
    return kOk;
}

// The connected scanner's file as last read, without looking at it again;
// read afresh when nothing is cached.
Csp2Long LastRead(std::shared_ptr<ScannerFile>& file) {
    const CachedFile& cache = TheCache();
    if (TheConnection().open && cache.file && cache.path == TheConnection().path) {
        file = cache.file;
        return kOk;
    }
    return LoadConnected(file);
}

// Runs one operation on the connected scanner: overrides named in its file
// come first; `work` may change the file, which is then written back.
Csp2Long OnScanner(const char* function, std::optional<int64_t> argument,
                   const std::function<Csp2Long(ScannerFile&, bool& changed)>& work,
                   Csp2Long (*load)(std::shared_ptr<ScannerFile>&) = LoadConnected) {
    try {
        std::shared_ptr<ScannerFile> file;
        if (Csp2Long status = load(file); status != kOk) return status;
        const quarnel::vscan::Override* entry = file->FindOverride(function, argument);
        if (entry != nullptr && entry->skipWork) return entry->result;
        bool changed = false;
        // The work may change the cached file: it is read anew next time
        // unless the change has been written back.
        TheCache().file.reset();
        Csp2Long result = work(*file, changed);
        if (changed) {
            std::string error;
            const Connection& c = TheConnection();
            if (!quarnel::vscan::SaveScannerFile(c.path, *file, c.port, error)) return kBadFile;
        }
        CachedFile& cache = TheCache();
        if (!changed) {
            cache.file = file;
        } else if (auto stamp = quarnel::vscan::StampOf(cache.path)) {
            cache.identity = *stamp;
            cache.file = file;
        }
        return entry != nullptr ? entry->result : result;
    } catch (...) {
        return kInternalError;
    }
}

// Overrides for calls that need no connection, taken from the connected
// scanner's file when there is one.
const quarnel::vscan::Override* OptionalOverride(std::shared_ptr<ScannerFile>& file,
                                                 const char* function,
                                                 std::optional<int64_t> argument,
                                                 Csp2Long (*load)(std::shared_ptr<ScannerFile>&)) {
    if (load(file) != kOk) return nullptr;
    return file->FindOverride(function, argument);
}

Csp2Long WriteText(const std::string& text, Csp2Byte* buffer, Csp2Long capacity) {
    if (buffer == nullptr) return kBadArgument;
    if (capacity < 0 || static_cast<size_t>(capacity) < text.size() + 1) return kBufferTooSmall;
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = 0;
    return static_cast<Csp2Long>(text.size() + 1);
}

}  // namespace

extern "C" {

Csp2Long csp2InitEx(Csp2Long comPort) {
    try {
        if (comPort < 1) return kBadArgument;
        std::string port = "COM" + std::to_string(comPort);
        std::string path = PortFile(port);
        auto stamp = quarnel::vscan::StampOf(path);
        if (!stamp) return kNotConnected;
        std::string error;
        auto loaded = quarnel::vscan::LoadScannerFile(path, error);
        if (!loaded) return kBadFile;
        auto file = std::make_shared<ScannerFile>(std::move(*loaded));
        const auto* entry = file->FindOverride("csp2InitEx", std::nullopt);
        if (entry != nullptr && entry->skipWork) return entry->result;
        TheConnection() = Connection{true, port, path, {}};
        // The next call then need not parse the file again.
        TheCache() = {path, *stamp, file};
        return entry != nullptr ? entry->result : kOk;
    } catch (...) {
        return kInternalError;
    }
}

Csp2Long csp2Restore(void) {
    TheConnection() = Connection{};
    return kOk;
}

Csp2Long csp2DataAvailable(void) {
    return OnScanner("csp2DataAvailable", std::nullopt, [](ScannerFile& file, bool&) {
        return static_cast<Csp2Long>(file.records.size());
    });
}

Csp2Long csp2ReadData(void) {
    return OnScanner("csp2ReadData", std::nullopt, [](ScannerFile& file, bool&) {
        auto& packets = TheConnection().packets;
        packets.clear();
        for (const auto& record : file.records)
            packets.push_back(quarnel::vscan::EncodePacket(record));
        return static_cast<Csp2Long>(packets.size());
    });
}

Csp2Long csp2GetPacket(Csp2Byte* packet, Csp2Long index, Csp2Long capacity) {
    return OnScanner(
        "csp2GetPacket", index,
        [&](ScannerFile&, bool&) {
            const auto& packets = TheConnection().packets;
            if (packet == nullptr || index < 0) return kBadArgument;
            if (static_cast<size_t>(index) >= packets.size()) return kUnknown;
            const auto& bytes = packets[static_cast<size_t>(index)];
            if (capacity < 0 || static_cast<size_t>(capacity) < bytes.size())
                return kBufferTooSmall;
            std::memcpy(packet, bytes.data(), bytes.size());
            return static_cast<Csp2Long>(bytes.size());
        },
        LastRead);
}

Csp2Long csp2GetCodeType(Csp2Long codeId, Csp2Byte* name, Csp2Long capacity) {
    try {
        std::shared_ptr<ScannerFile> file;
        const auto* entry = OptionalOverride(file, "csp2GetCodeType", codeId, LastRead);
        if (entry != nullptr && entry->skipWork) return entry->result;
        auto symbology = quarnel::vscan::SymbologyName(codeId);
        Csp2Long result = symbology ? WriteText(std::string(*symbology), name, capacity) : kUnknown;
        if (result > 0) --result;  // the name's length, without its NUL
        return entry != nullptr ? entry->result : result;
    } catch (...) {
        return kInternalError;
    }
}

Csp2Long csp2ClearData(void) {
    return OnScanner("csp2ClearData", std::nullopt, [](ScannerFile& file, bool& changed) {
        changed = !file.records.empty();
        file.records.clear();
        return kOk;
    });
}

Csp2Long csp2Interrogate(void) {
    return OnScanner("csp2Interrogate", std::nullopt, [](ScannerFile&, bool&) { return kOk; });
}

Csp2Long csp2GetProtocol(void) {
    return OnScanner("csp2GetProtocol", std::nullopt,
                     [](ScannerFile& file, bool&) { return file.protocol; });
}

Csp2Long csp2GetSystemStatus(void) {
    return OnScanner("csp2GetSystemStatus", std::nullopt,
                     [](ScannerFile& file, bool&) { return file.status; });
}

Csp2Long csp2GetSwVersion(Csp2Byte* version, Csp2Long capacity) {
    return OnScanner("csp2GetSwVersion", std::nullopt, [&](ScannerFile& file, bool&) {
        return WriteText(file.software, version, capacity);
    });
}

Csp2Long csp2GetDeviceId(Csp2Byte* id, Csp2Long capacity) {
    return OnScanner("csp2GetDeviceId", std::nullopt, [&](ScannerFile& file, bool&) {
        if (id == nullptr) return kBadArgument;
        if (capacity < static_cast<Csp2Long>(file.identity.size())) return kBufferTooSmall;
        std::memcpy(id, file.identity.data(), file.identity.size());
        return static_cast<Csp2Long>(file.identity.size());
    });
}

Csp2Long csp2GetDllVersion(Csp2Byte* version, Csp2Long capacity) {
    try {
        std::shared_ptr<ScannerFile> file;
        const auto* entry =
            OptionalOverride(file, "csp2GetDllVersion", std::nullopt, LoadConnected);
        if (entry != nullptr && entry->skipWork) return entry->result;
        Csp2Long result = WriteText(kDllVersion, version, capacity) > 0 ? kOk : kVersionFailed;
        return entry != nullptr ? entry->result : result;
    } catch (...) {
        return kInternalError;
    }
}

Csp2Long csp2SetDefaults(void) {
    return OnScanner("csp2SetDefaults", std::nullopt, [](ScannerFile& file, bool& changed) {
        file.params = quarnel::vscan::DefaultParams();
        changed = true;
        return kOk;
    });
}

Csp2Long csp2GetParam(Csp2Long paramId, Csp2Byte* value, Csp2Long capacity) {
    return OnScanner("csp2GetParam", paramId, [&](ScannerFile& file, bool&) {
        if (value == nullptr) return kBadArgument;
        if (capacity < 1) return kBufferTooSmall;
        auto found = file.params.find(paramId);
        if (found == file.params.end()) return kUnknown;
        value[0] = found->second;
        return kOk;
    });
}

Csp2Long csp2SetParam(Csp2Long paramId, Csp2Byte* value, Csp2Long length) {
    return OnScanner("csp2SetParam", paramId, [&](ScannerFile& file, bool& changed) {
        if (value == nullptr || length != 1 || paramId < 0) return kBadArgument;
        file.params[paramId] = value[0];
        changed = true;
        return kOk;
    });
}

Csp2Long csp2GetTime(Csp2Byte* clock) {
    return OnScanner("csp2GetTime", std::nullopt, [&](ScannerFile& file, bool&) {
        if (clock == nullptr) return kBadArgument;
        if (file.clockBytes) {
            std::memcpy(clock, file.clockBytes->data(), 6);
            return kOk;
        }
        auto now = quarnel::vscan::LocalClock(std::time(nullptr) + file.clockOffset);
        if (now.year < 2000 || now.year > 2255) return kUnknown;
        const int fields[] = {now.second, now.minute, now.hour,
                              now.day,    now.month,  now.year - 2000};
        for (int i = 0; i < 6; ++i) clock[i] = static_cast<Csp2Byte>(fields[i]);
        return kOk;
    });
}

Csp2Long csp2SetTime(Csp2Byte* clock) {
    return OnScanner("csp2SetTime", std::nullopt, [&](ScannerFile& file, bool& changed) {
        if (clock == nullptr) return kBadArgument;
        quarnel::vscan::Clock wanted{clock[5] + 2000, clock[4], clock[3],
                                     clock[2],        clock[1], clock[0]};
        if (!quarnel::vscan::IsValidClock(wanted)) return kBadArgument;
        file.clockOffset = static_cast<int64_t>(quarnel::vscan::ToTimeT(wanted)) -
                           static_cast<int64_t>(std::time(nullptr));
        file.clockBytes.reset();
        changed = true;
        return kOk;
    });
}

}  // extern "C"
