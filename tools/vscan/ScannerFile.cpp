// SPDX-License-Identifier: MIT
#include "ScannerFile.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

#include "FileStamp.h"

namespace quarnel::vscan {
namespace {

// Room for a full scanner: 32,767 barcodes of the longest length.
constexpr size_t kMaxFileSize = 4 << 20;
constexpr int64_t kMaxClockOffset = 200LL * 366 * 24 * 3600;

constexpr std::array<std::string_view, 18> kFunctions{
    "csp2InitEx",        "csp2Restore",         "csp2DataAvailable", "csp2ReadData",
    "csp2GetPacket",     "csp2GetCodeType",     "csp2ClearData",     "csp2Interrogate",
    "csp2GetProtocol",   "csp2GetSystemStatus", "csp2GetSwVersion",  "csp2GetDeviceId",
    "csp2GetDllVersion", "csp2SetDefaults",     "csp2GetParam",      "csp2SetParam",
    "csp2GetTime",       "csp2SetTime"};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The blank-separated words of a line's key. No key has more than three; a
// fourth is kept only to make the line fail. Held in place: a full scanner's
// file has tens of thousands of lines.
struct KeyWords {
    std::array<std::string_view, 4> words{};
    size_t size = 0;

    std::string_view operator[](size_t i) const { return words[i]; }
    bool empty() const { return size == 0; }
};

KeyWords Words(std::string_view text) {
    KeyWords key;
    while (key.size < key.words.size()) {
        text = Trim(text);
        if (text.empty()) break;
        const size_t cut =
            static_cast<size_t>(std::find_if(text.begin(), text.end(), IsBlank) - text.begin());
        key.words[key.size++] = text.substr(0, cut);
        text.remove_prefix(cut);
    }
    return key;
}

template <typename T>
std::optional<T> ParseInteger(std::string_view text, T low, T high) {
    T value{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// As "%02d" prints it.
void AppendPad2(std::string& out, int value) {
    if (value >= 0 && value < 100) {
        out += static_cast<char>('0' + value / 10);
        out += static_cast<char>('0' + value % 10);
    } else {
        out += std::to_string(value);
    }
}

void AppendClock(std::string& out, const Clock& c) {
    out += std::to_string(c.year);
    for (const auto& [separator, value] :
         {std::pair{'-', c.month}, std::pair{'-', c.day}, std::pair{' ', c.hour},
          std::pair{':', c.minute}, std::pair{':', c.second}}) {
        out += separator;
        AppendPad2(out, value);
    }
}

bool IsTextByte(char c) {
    return c != '\0' && c != '\r' && c != '\n';
}

std::optional<Barcode> ParseBarcode(std::string_view value) {
    size_t first = value.find('|');
    if (first == std::string_view::npos) return std::nullopt;
    size_t second = value.find('|', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    auto clock = ParseClock(Trim(value.substr(0, first)));
    auto code = ParseInteger<int>(Trim(value.substr(first + 1, second - first - 1)), 0, 255);
    std::string_view text = Trim(value.substr(second + 1));
    if (!clock || clock->year > 2063 || !code || text.size() > kMaxBarcodeLength ||
        !std::all_of(text.begin(), text.end(), IsTextByte))
        return std::nullopt;
    return Barcode{*clock, *code, std::string(text)};
}

bool ParseLine(std::string_view line, ScannerFile& file) {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    const KeyWords key = Words(line.substr(0, equals));
    std::string_view value = Trim(line.substr(equals + 1));
    if (key.empty()) return false;
    const std::string_view name = key[0];

    if (key.size == 1) {
        if (name == "identity") {
            auto bytes = ParseHexBytes(value);
            if (!bytes || bytes->size() != file.identity.size()) return false;
            std::copy(bytes->begin(), bytes->end(), file.identity.begin());
            return true;
        }
        if (name == "software") {
            if (value.size() > kMaxSoftwareLength ||
                !std::all_of(value.begin(), value.end(), IsTextByte))
                return false;
            file.software = std::string(value);
            return true;
        }
        if (name == "protocol" || name == "status") {
            auto number = ParseInteger<int32_t>(value, INT32_MIN, INT32_MAX);
            if (!number) return false;
            (name == "protocol" ? file.protocol : file.status) = *number;
            return true;
        }
        if (name == "clock-offset") {
            auto offset = ParseInteger<int64_t>(value, -kMaxClockOffset, kMaxClockOffset);
            if (!offset) return false;
            file.clockOffset = *offset;
            return true;
        }
        if (name == "clock-bytes") {
            auto bytes = ParseHexBytes(value);
            if (!bytes || bytes->size() != 6) return false;
            file.clockBytes.emplace();
            std::copy(bytes->begin(), bytes->end(), file.clockBytes->begin());
            return true;
        }
        if (name == "barcode") {
            auto barcode = ParseBarcode(value);
            if (!barcode) return false;
            file.records.emplace_back(std::move(*barcode));
            return true;
        }
        if (name == "packet") {
            auto bytes = ParseHexBytes(value);
            if (!bytes || bytes->empty() || bytes->size() > 255) return false;
            file.records.emplace_back(RawPacket{std::move(*bytes)});
            return true;
        }
        return false;
    }
    if (name == "param" && key.size == 2) {
        auto id = ParseInteger<int32_t>(key[1], 0, INT32_MAX);
        auto byte = ParseInteger<int>(value, 0, 255);
        if (!id || !byte) return false;
        file.params[*id] = static_cast<uint8_t>(*byte);
        return true;
    }
    if ((name == "fail" || name == "result") && key.size <= 3) {
        if (std::find(kFunctions.begin(), kFunctions.end(), key[1]) == kFunctions.end())
            return false;
        Override entry{std::string(key[1]), std::nullopt, -1, name == "fail"};
        if (key.size == 3) {
            entry.argument = ParseInteger<int64_t>(key[2], INT32_MIN, INT32_MAX);
            if (!entry.argument) return false;
        }
        if (!value.empty() || name == "result") {
            auto result = ParseInteger<int32_t>(value, INT32_MIN, INT32_MAX);
            if (!result) return false;
            entry.result = *result;
        }
        file.overrides.push_back(std::move(entry));
        return true;
    }
    return false;
}

}  // namespace

bool IsValidClock(const Clock& c) {
    return c.month >= 1 && c.month <= 12 && c.day >= 1 && c.day <= DaysInMonth(c.year, c.month) &&
           c.hour >= 0 && c.hour <= 23 && c.minute >= 0 && c.minute <= 59 && c.second >= 0 &&
           c.second <= 59;
}

Clock LocalClock(std::time_t t) {
    std::tm parts{};
    localtime_r(&t, &parts);
    return Clock{parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                 parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

std::time_t ToTimeT(const Clock& c) {
    std::tm parts{};
    parts.tm_year = c.year - 1900;
    parts.tm_mon = c.month - 1;
    parts.tm_mday = c.day;
    parts.tm_hour = c.hour;
    parts.tm_min = c.minute;
    parts.tm_sec = c.second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

std::string FormatClock(const Clock& c) {
    std::string text;
    AppendClock(text, c);
    return text;
}

std::optional<Clock> ParseClock(std::string_view text) {
    // yyyy-mm-dd hh:mm:ss
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    auto field = [&](size_t at, size_t width) -> std::optional<int> {
        int value = 0;
        for (char c : text.substr(at, width)) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    auto y = field(0, 4), mo = field(5, 2), d = field(8, 2), h = field(11, 2), mi = field(14, 2),
         s = field(17, 2);
    if (!y || !mo || !d || !h || !mi || !s) return std::nullopt;
    Clock clock{*y, *mo, *d, *h, *mi, *s};
    if (clock.year < 2000 || !IsValidClock(clock)) return std::nullopt;
    return clock;
}

const Override* ScannerFile::FindOverride(std::string_view function,
                                          std::optional<int64_t> argument) const {
    const Override* general = nullptr;
    for (const auto& entry : overrides) {
        if (entry.function != function) continue;
        if (entry.argument && argument && *entry.argument == *argument) return &entry;
        if (!entry.argument && general == nullptr) general = &entry;
    }
    return general;
}

std::span<const std::string_view> LibraryFunctions() {
    return kFunctions;
}

std::map<int32_t, uint8_t> DefaultParams() {
    return {{kBeeperParam, 1}};
}

uint32_t PackTimeStamp(const Clock& c) {
    return (static_cast<uint32_t>(c.second & 63) << 26) |
           (static_cast<uint32_t>(c.minute & 63) << 20) |
           (static_cast<uint32_t>(c.hour & 31) << 15) | (static_cast<uint32_t>(c.day & 31) << 10) |
           (static_cast<uint32_t>(c.month & 15) << 6) | static_cast<uint32_t>((c.year - 2000) & 63);
}

std::vector<uint8_t> EncodePacket(const Record& record) {
    if (const auto* raw = std::get_if<RawPacket>(&record)) return raw->bytes;
    const auto& barcode = std::get<Barcode>(record);
    std::vector<uint8_t> packet;
    packet.push_back(static_cast<uint8_t>(barcode.text.size() + 5));
    packet.push_back(static_cast<uint8_t>(barcode.codeId));
    packet.insert(packet.end(), barcode.text.begin(), barcode.text.end());
    uint32_t stamp = PackTimeStamp(barcode.scanned);
    for (int shift = 24; shift >= 0; shift -= 8)
        packet.push_back(static_cast<uint8_t>(stamp >> shift));
    return packet;
}

std::optional<ScannerFile> ParseScannerFile(std::string_view text, std::string& error) {
    ScannerFile file;
    file.params.clear();
    // Room for a full scanner at most: lines are not all records.
    file.records.reserve(std::min<size_t>(std::count(text.begin(), text.end(), '\n'), 1 << 15));
    int number = 0;
    while (!text.empty()) {
        size_t cut = text.find('\n');
        std::string_view line = Trim(text.substr(0, cut));
        text = cut == std::string_view::npos ? std::string_view{} : text.substr(cut + 1);
        ++number;
        if (line.empty() || line[0] == '#') continue;
        if (!ParseLine(line, file)) {
            error = "line " + std::to_string(number) + " is not understood";
            return std::nullopt;
        }
    }
    for (const auto& [id, value] : DefaultParams()) file.params.emplace(id, value);
    return file;
}

// Built in one string: a full scanner holds tens of thousands of lines.
std::string FormatScannerFile(const ScannerFile& file, std::string_view port) {
    std::string out;
    out.reserve(512 + file.records.size() * 48);
    out.append("# Quarnel virtual OPN-2001 on ").append(port).append("\n");
    out += "# barcode = yyyy-mm-dd hh:mm:ss | code id | text\n";
    out += "# fail|result <function> [packet, code or parameter number] = <answer>\n";
    out.append("identity = ")
        .append(HexBytes(file.identity.data(), file.identity.size(), false))
        .append("\n");
    out.append("software = ").append(file.software).append("\n");
    out.append("protocol = ").append(std::to_string(file.protocol)).append("\n");
    out.append("status = ").append(std::to_string(file.status)).append("\n");
    out.append("clock-offset = ").append(std::to_string(file.clockOffset)).append("\n");
    if (file.clockBytes)
        out.append("clock-bytes = ")
            .append(HexBytes(file.clockBytes->data(), 6, true))
            .append("\n");
    for (const auto& [id, value] : file.params) {
        out.append("param ").append(std::to_string(id)).append(" = ");
        out.append(std::to_string(int(value))).append("\n");
    }
    for (const auto& record : file.records) {
        if (const auto* raw = std::get_if<RawPacket>(&record)) {
            out.append("packet = ")
                .append(HexBytes(raw->bytes.data(), raw->bytes.size(), true))
                .append("\n");
        } else {
            const auto& b = std::get<Barcode>(record);
            out += "barcode = ";
            AppendClock(out, b.scanned);
            out.append(" | ").append(std::to_string(b.codeId)).append(" | ").append(b.text);
            out += '\n';
        }
    }
    for (const auto& o : file.overrides) {
        out.append(o.skipWork ? "fail " : "result ").append(o.function);
        if (o.argument) out.append(" ").append(std::to_string(*o.argument));
        out.append(" = ").append(std::to_string(o.result)).append("\n");
    }
    return out;
}

std::optional<ScannerFile> LoadScannerFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = "cannot read " + path;
        return std::nullopt;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<size_t>(size) > kMaxFileSize) {
        error = size < 0 ? "cannot read " + path : path + " is too large";
        return std::nullopt;
    }
    // One read of the size found: a full scanner's file is megabytes.
    std::string text(static_cast<size_t>(size), '\0');
    in.seekg(0);
    in.read(text.data(), size);
    text.resize(static_cast<size_t>(in.gcount()));
    auto file = ParseScannerFile(text, error);
    if (!file) error = path + ": " + error;
    return file;
}

bool SaveScannerFile(const std::string& path, const ScannerFile& file, std::string_view port,
                     std::string& error) {
    // Beside the file, under a name that is no port's: each system's separators.
    const std::filesystem::path target(path);
    const std::string temporary = (target.parent_path() / ("." + target.filename().string() +
                                                           ".tmp" + std::to_string(getpid())))
                                      .string();
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << FormatScannerFile(file, port);
        out.close();
        if (!out) {
            error = "cannot write " + temporary;
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::string reason;
    if (!MoveOver(temporary, path, reason)) {
        error = "cannot replace " + path + ": " + reason;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::string HexBytes(const uint8_t* bytes, size_t count, bool spaced) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (size_t i = 0; i < count; ++i) {
        if (spaced && i > 0) hex += ' ';
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 15];
    }
    return hex;
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits += c;
    }
    if (digits.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < digits.size(); i += 2) {
        unsigned value = 0;
        std::from_chars(digits.data() + i, digits.data() + i + 2, value, 16);
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return bytes;
}

}  // namespace quarnel::vscan
