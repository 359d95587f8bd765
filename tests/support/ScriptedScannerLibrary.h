// SPDX-License-Identifier: MIT
// A scanner library that answers from a script instead of a scanner, for
// tests of the scanner object on any system. Header-only.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/ScannerLibrary.h"

namespace quarnel::test {

class ScriptedScannerLibrary : public platform::ScannerLibrary {
  public:
    // The packets the scanner holds, as csp2GetPacket hands them out.
    std::vector<std::vector<uint8_t>> packets;
    // Indices whose csp2GetPacket fails.
    std::set<int32_t> unreadable;
    // csp2ReadData's answer when set; otherwise the number of packets.
    int32_t readResult = 0;
    bool failRead = false;
    int32_t initResult = 0;
    std::string swVersion = "RBBV0217";
    std::vector<uint8_t> deviceId = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE};
    // What the object did.
    int32_t openedPort = -1;
    int clears = 0;
    int restores = 0;

    int32_t csp2InitEx(int32_t comPort) override {
        openedPort = comPort;
        return initResult;
    }
    int32_t csp2Restore() override { return ++restores, 0; }
    int32_t csp2DataAvailable() override { return packets.empty() ? 0 : 1; }
    int32_t csp2ReadData() override {
        return failRead ? readResult : static_cast<int32_t>(packets.size());
    }
    int32_t csp2GetPacket(uint8_t* packet, int32_t index, int32_t capacity) override {
        if (unreadable.count(index) || index >= static_cast<int32_t>(packets.size())) return -1;
        const auto& bytes = packets[static_cast<size_t>(index)];
        const size_t n = std::min(bytes.size(), static_cast<size_t>(capacity));
        std::memcpy(packet, bytes.data(), n);
        return static_cast<int32_t>(n);
    }
    int32_t csp2GetCodeType(int32_t codeId, uint8_t* name, int32_t capacity) override {
        const std::string text = codeId == 8 ? "EAN-13" : codeId == 1 ? "Code 39" : "";
        if (text.empty() || static_cast<int32_t>(text.size()) >= capacity) return -1;
        std::memcpy(name, text.c_str(), text.size() + 1);
        return 0;
    }
    int32_t csp2ClearData() override { return ++clears, 0; }
    int32_t csp2Interrogate() override { return 0; }
    int32_t csp2GetProtocol() override { return 3; }
    int32_t csp2GetSystemStatus() override { return 0; }
    int32_t csp2GetSwVersion(uint8_t* version, int32_t capacity) override {
        if (static_cast<int32_t>(swVersion.size()) >= capacity) return -1;
        std::memcpy(version, swVersion.c_str(), swVersion.size() + 1);
        return static_cast<int32_t>(swVersion.size() + 1);
    }
    int32_t csp2GetDeviceId(uint8_t* id, int32_t capacity) override {
        std::memcpy(id, deviceId.data(), std::min(deviceId.size(), static_cast<size_t>(capacity)));
        return 0;
    }
    int32_t csp2GetDllVersion(uint8_t*, int32_t) override { return 2; }
    int32_t csp2SetDefaults() override { return 0; }
    int32_t csp2GetParam(int32_t, uint8_t*, int32_t) override { return -1; }
    int32_t csp2SetParam(int32_t, uint8_t*, int32_t) override { return -1; }
    int32_t csp2GetTime(uint8_t*) override { return -1; }
    int32_t csp2SetTime(uint8_t*) override { return -1; }
};

// A barcode packet: length, code id, the data, and the 4-byte time stamp
// (second, minute, hour, day, month, year - 2000 packed most significant first).
inline std::vector<uint8_t> BarcodePacket(const std::string& data, uint8_t codeId, int year,
                                          int month, int day, int hour, int minute, int second) {
    const uint32_t stamp = static_cast<uint32_t>(second) << 26 |
                           static_cast<uint32_t>(minute) << 20 | static_cast<uint32_t>(hour) << 15 |
                           static_cast<uint32_t>(day) << 10 | static_cast<uint32_t>(month) << 6 |
                           static_cast<uint32_t>(year - 2000);
    std::vector<uint8_t> packet(2 + data.size());
    packet[0] = static_cast<uint8_t>(data.size() + 5);
    packet[1] = codeId;
    std::copy(data.begin(), data.end(), packet.begin() + 2);
    for (int shift = 24; shift >= 0; shift -= 8)
        packet.push_back(static_cast<uint8_t>(stamp >> shift));
    return packet;
}

}  // namespace quarnel::test
