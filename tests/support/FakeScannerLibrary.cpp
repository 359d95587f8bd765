// SPDX-License-Identifier: MIT
#include "FakeScannerLibrary.h"

#include <cstring>

namespace quarnel::test {
namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kNotConnected = -1;
constexpr int32_t kBadArgument = -3;
constexpr int32_t kUnknown = -4;
constexpr int32_t kBufferTooSmall = -5;
constexpr int32_t kVersionFailed = 2;

// Writes text and its NUL; the bytes written, or a failure.
int32_t WriteText(const std::string& text, uint8_t* buffer, int32_t capacity) {
    if (buffer == nullptr) return kBadArgument;
    if (capacity < 0 || static_cast<size_t>(capacity) < text.size() + 1) return kBufferTooSmall;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int32_t>(text.size() + 1);
}

bool ValidClock(const uint8_t* c) {
    return c[0] < 60 && c[1] < 60 && c[2] < 24 && c[3] >= 1 && c[3] <= 31 && c[4] >= 1 &&
           c[4] <= 12;
}

}  // namespace

std::vector<uint8_t> FakeScannerLibrary::Packet(int32_t codeId, const std::string& text) {
    std::vector<uint8_t> packet;
    packet.reserve(text.size() + 6);
    packet.push_back(static_cast<uint8_t>(text.size() + 5));
    packet.push_back(static_cast<uint8_t>(codeId));
    for (const char c : text) packet.push_back(static_cast<uint8_t>(c));
    packet.resize(packet.size() + 4, 0);
    return packet;
}

FakeScannerLibrary::Scanner* FakeScannerLibrary::Connected() {
    auto found = scanners.find(port_);
    return port_ != 0 && found != scanners.end() ? &found->second : nullptr;
}

int32_t FakeScannerLibrary::csp2InitEx(int32_t comPort) {
    if (comPort < 1) return kBadArgument;
    if (scanners.count(comPort) == 0) return kNotConnected;
    port_ = comPort;
    read_.clear();
    return kOk;
}

int32_t FakeScannerLibrary::csp2Restore() {
    port_ = 0;
    read_.clear();
    return kOk;
}

int32_t FakeScannerLibrary::csp2DataAvailable() {
    Scanner* scanner = Connected();
    return scanner ? static_cast<int32_t>(scanner->packets.size()) : kNotConnected;
}

int32_t FakeScannerLibrary::csp2ReadData() {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    read_ = scanner->packets;
    return static_cast<int32_t>(read_.size());
}

int32_t FakeScannerLibrary::csp2GetPacket(uint8_t* packet, int32_t index, int32_t capacity) {
    if (port_ == 0) return kNotConnected;
    if (packet == nullptr || index < 0) return kBadArgument;
    if (static_cast<size_t>(index) >= read_.size()) return kUnknown;
    const auto& bytes = read_[static_cast<size_t>(index)];
    if (capacity < 0 || static_cast<size_t>(capacity) < bytes.size()) return kBufferTooSmall;
    std::memcpy(packet, bytes.data(), bytes.size());
    return static_cast<int32_t>(bytes.size());
}

int32_t FakeScannerLibrary::csp2GetCodeType(int32_t codeId, uint8_t* name, int32_t capacity) {
    auto found = codeTypes.find(codeId);
    if (found == codeTypes.end()) return kUnknown;
    const int32_t written = WriteText(found->second, name, capacity);
    return written > 0 ? written - 1 : written;
}

int32_t FakeScannerLibrary::csp2ClearData() {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    scanner->packets.clear();
    return kOk;
}

int32_t FakeScannerLibrary::csp2Interrogate() {
    return Connected() ? kOk : kNotConnected;
}

int32_t FakeScannerLibrary::csp2GetProtocol() {
    Scanner* scanner = Connected();
    return scanner ? scanner->protocol : kNotConnected;
}

int32_t FakeScannerLibrary::csp2GetSystemStatus() {
    Scanner* scanner = Connected();
    return scanner ? scanner->status : kNotConnected;
}

int32_t FakeScannerLibrary::csp2GetSwVersion(uint8_t* version, int32_t capacity) {
    Scanner* scanner = Connected();
    return scanner ? WriteText(scanner->software, version, capacity) : kNotConnected;
}

int32_t FakeScannerLibrary::csp2GetDeviceId(uint8_t* id, int32_t capacity) {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    if (id == nullptr) return kBadArgument;
    if (capacity < static_cast<int32_t>(scanner->identity.size())) return kBufferTooSmall;
    std::memcpy(id, scanner->identity.data(), scanner->identity.size());
    return static_cast<int32_t>(scanner->identity.size());
}

int32_t FakeScannerLibrary::csp2GetDllVersion(uint8_t* version, int32_t capacity) {
    return WriteText(dllVersion, version, capacity) > 0 ? kOk : kVersionFailed;
}

int32_t FakeScannerLibrary::csp2SetDefaults() {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    scanner->params = Scanner{}.params;
    return kOk;
}

int32_t FakeScannerLibrary::csp2GetParam(int32_t paramId, uint8_t* value, int32_t capacity) {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    if (value == nullptr) return kBadArgument;
    if (capacity < 1) return kBufferTooSmall;
    auto found = scanner->params.find(paramId);
    if (found == scanner->params.end()) return kUnknown;
    value[0] = found->second;
    return kOk;
}

int32_t FakeScannerLibrary::csp2SetParam(int32_t paramId, uint8_t* value, int32_t length) {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    if (value == nullptr || length != 1 || paramId < 0) return kBadArgument;
    scanner->params[paramId] = value[0];
    return kOk;
}

int32_t FakeScannerLibrary::csp2GetTime(uint8_t* clock) {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    if (clock == nullptr) return kBadArgument;
    std::memcpy(clock, scanner->clock.data(), scanner->clock.size());
    return kOk;
}

int32_t FakeScannerLibrary::csp2SetTime(uint8_t* clock) {
    Scanner* scanner = Connected();
    if (scanner == nullptr) return kNotConnected;
    if (clock == nullptr || !ValidClock(clock)) return kBadArgument;
    std::memcpy(scanner->clock.data(), clock, scanner->clock.size());
    return kOk;
}

}  // namespace quarnel::test
