// SPDX-License-Identifier: MIT
#include "TrafficLog.h"

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "TrafficLogFile.h"

namespace quarnel::opn2001 {

std::string HexDump(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

TrafficLog TrafficLog::FromEnvironment() {
    TrafficLog log;
    const char* path = std::getenv(kLogVariable);
    if (path == nullptr || *path == '\0') return log;
    log.file_ = OpenPrivateLogFile(path);
    return log;
}

TrafficLog::~TrafficLog() {
    if (file_ != nullptr) std::fclose(file_);
}

TrafficLog::TrafficLog(TrafficLog&& other) noexcept : file_(std::exchange(other.file_, nullptr)) {}

TrafficLog& TrafficLog::operator=(TrafficLog&& other) noexcept {
    if (this != &other) {
        if (file_ != nullptr) std::fclose(file_);
        file_ = std::exchange(other.file_, nullptr);
    }
    return *this;
}

void TrafficLog::Write(char direction, std::span<const uint8_t> bytes, std::string_view remark) {
    if (file_ == nullptr) return;
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    const std::tm local = LocalTimeOf(seconds);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::fprintf(file_, "%s.%03d %c %s%.*s\n", stamp, static_cast<int>(ms.count()), direction,
                 HexDump(bytes).c_str(), static_cast<int>(remark.size()), remark.data());
    std::fflush(file_);
}

}  // namespace quarnel::opn2001
