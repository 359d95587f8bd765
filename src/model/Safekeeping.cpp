// SPDX-License-Identifier: MIT
#include "model/Safekeeping.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <utility>

#include "base/Utf8Path.h"
#include "model/TextFileWriter.h"
#include "model/clsReadSession.h"
#include "platform/Paths.h"

namespace quarnel::safekeeping {

namespace {

constexpr std::string_view kCopyPrefix = "Unsent order ";
constexpr std::string_view kCopySuffix = ".csv";
constexpr const char* kSentFile = "Last sent order.dat";
constexpr std::string_view kSentMarker = "order ";
// Beyond the key of 32,767 barcodes of the longest packet: anything larger
// is no file of ours.
constexpr std::uintmax_t kMaxSentFileSize = 8u << 20;

// "<length>:<bytes>", unambiguous whatever the bytes.
void AppendCounted(std::string& out, const std::string& bytes) {
    out += std::to_string(bytes.size());
    out += ':';
    out += bytes;
}

std::string FileName(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).filename());
}

}  // namespace

std::string NewRecoveryCopyName(const std::string& folder, const DateTime& when) {
    const std::string base = folder + platform::PathSeparator() + std::string(kCopyPrefix) +
                             Pad(when.year, 4) + Pad(when.month, 2) + Pad(when.day, 2) + " " +
                             Pad(when.hour, 2) + Pad(when.minute, 2) + Pad(when.second, 2);
    std::string name = base + std::string(kCopySuffix);
    std::error_code error;
    for (int n = 2; std::filesystem::exists(PathFromUtf8(name), error); ++n)
        name = base + " (" + std::to_string(n) + ")" + std::string(kCopySuffix);
    return name;
}

bool IsRecoveryCopy(const std::string& folder, const std::string& path) {
    const std::filesystem::path file = PathFromUtf8(path);
    std::error_code error;
    const std::string name = FileName(path);
    return name.starts_with(kCopyPrefix) && name.ends_with(kCopySuffix) &&
           std::filesystem::equivalent(file.parent_path(), PathFromUtf8(folder), error);
}

std::vector<std::string> RecoveryCopies(const std::string& folder) {
    std::vector<std::string> copies;
    std::error_code error;
    for (std::filesystem::directory_iterator it(PathFromUtf8(folder), error), end;
         !error && it != end; it.increment(error)) {
        const std::string name = Utf8FromPath(it->path().filename());
        if (name.starts_with(kCopyPrefix) && name.ends_with(kCopySuffix) &&
            it->is_regular_file(error)) {
            copies.push_back(Utf8FromPath(it->path()));
        }
    }
    std::ranges::sort(copies);
    return copies;
}

std::optional<std::string> SentAs(const std::string& folder, const std::string& key) {
    const std::string path = folder + platform::PathSeparator() + kSentFile;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(PathFromUtf8(path), error);
    if (error || size > kMaxSentFileSize) return std::nullopt;
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    // "order <length>:<number>\n<key>"
    if (!text.starts_with(kSentMarker)) return std::nullopt;
    const size_t colon = text.find(':', kSentMarker.size());
    if (colon == std::string::npos || colon == kSentMarker.size() || colon - kSentMarker.size() > 6)
        return std::nullopt;
    const std::string digits = text.substr(kSentMarker.size(), colon - kSentMarker.size());
    if (!std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const size_t length = std::stoul(digits);
    const size_t keyStart = colon + 1 + length + 1;
    if (keyStart > text.size() || text[keyStart - 1] != '\n') return std::nullopt;
    if (text.compare(keyStart, std::string::npos, key) != 0) return std::nullopt;
    return text.substr(colon + 1, length);
}

void RememberSent(const std::string& folder, const std::string& key, const std::string& orderNr) {
    std::string head(kSentMarker);
    AppendCounted(head, orderNr);
    head += '\n';
    TextFileWriter file(folder + platform::PathSeparator() + kSentFile, true);
    file.WriteBytes(head);
    file.WriteBytes(key);
    file.Close();
}

}  // namespace quarnel::safekeeping

namespace quarnel {

std::string clsReadSession::ContentKey() const {
    std::string key = "sid:";
    safekeeping::AppendCounted(key, deviceID_);
    key += '\n';
    for (const std::shared_ptr<clsBarcode>& barcode : barcodes_.Items()) {
        const DateTime& t = barcode->timeStamp_;
        // Written digit by digit: a read-out may hold 32,767 barcodes.
        for (const auto& [value, width] : {std::pair{t.year, 4},
                                           {t.month, 2},
                                           {t.day, 2},
                                           {t.hour, 2},
                                           {t.minute, 2},
                                           {t.second, 2}}) {
            for (int unit = width == 4 ? 1000 : 10; unit > 0; unit /= 10)
                key += static_cast<char>('0' + value / unit % 10);
        }
        key += ' ';
        safekeeping::AppendCounted(key, barcode->barcode_);
        key += '\n';
    }
    return key;
}

}  // namespace quarnel
