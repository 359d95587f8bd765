// SPDX-License-Identifier: MIT
// One virtual OPN-2001: its identity, state and stored barcodes, kept as a
// human-readable text file that the library and the tool read and rewrite.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quarnel::vscan {

inline constexpr uint8_t kBeeperParam = 2;
inline constexpr size_t kMaxSoftwareLength = 8;   // fits 9 bytes with its NUL
inline constexpr size_t kMaxBarcodeLength = 250;  // the length byte's limit
inline constexpr int32_t kBatteryLow = 22;

// A local date and time, field by field.
struct Clock {
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const Clock&, const Clock&) = default;
};

bool IsValidClock(const Clock& clock);
Clock LocalClock(std::time_t t);
std::time_t ToTimeT(const Clock& clock);
std::string FormatClock(const Clock& clock);  // "yyyy-mm-dd hh:mm:ss"
std::optional<Clock> ParseClock(std::string_view text);

// A barcode as the scanner stores it.
struct Barcode {
    Clock scanned;  // years 2000 to 2063 fit the packed time stamp
    int codeId = 0;
    std::string text;  // bytes as handed out, no NUL, CR or LF
};

// A packet given byte for byte, for scanners that misbehave.
struct RawPacket {
    std::vector<uint8_t> bytes;
};

using Record = std::variant<Barcode, RawPacket>;

// A library function asked to answer `result`: with `skipWork` it does
// nothing else ("fail"), otherwise it does its work first ("result").
struct Override {
    std::string function;             // e.g. "csp2GetPacket"
    std::optional<int64_t> argument;  // packet number, code id or parameter id
    int32_t result = -1;
    bool skipWork = true;
};

struct ScannerFile {
    std::array<uint8_t, 8> identity{};
    std::string software = "1.0";
    int32_t protocol = 1;
    int32_t status = 0;
    int64_t clockOffset = 0;                           // seconds added to the PC's time
    std::optional<std::array<uint8_t, 6>> clockBytes;  // a stopped clock
    std::map<int32_t, uint8_t> params{{kBeeperParam, 1}};
    std::vector<Record> records;
    std::vector<Override> overrides;

    const Override* FindOverride(std::string_view function, std::optional<int64_t> argument) const;
};

// The names of the library functions a fail or result line may name.
std::span<const std::string_view> LibraryFunctions();

// The factory values of the parameters.
std::map<int32_t, uint8_t> DefaultParams();

// The packet of a record: length byte, code id, data, 4-byte time stamp.
std::vector<uint8_t> EncodePacket(const Record& record);
uint32_t PackTimeStamp(const Clock& clock);

// Parsing accepts exactly what FormatScannerFile writes, plus comments,
// blank lines and any order; anything else makes the file unusable.
std::optional<ScannerFile> ParseScannerFile(std::string_view text, std::string& error);
std::string FormatScannerFile(const ScannerFile& file, std::string_view port);

std::optional<ScannerFile> LoadScannerFile(const std::string& path, std::string& error);
// Writes a temporary file and renames it over the old one, so that readers
// and folder watchers never see half a file.
bool SaveScannerFile(const std::string& path, const ScannerFile& file, std::string_view port,
                     std::string& error);

std::string HexBytes(const uint8_t* bytes, size_t count, bool spaced);
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

}  // namespace quarnel::vscan
