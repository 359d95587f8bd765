// SPDX-License-Identifier: MIT
// A scanner library over scanners held in memory, one per COM port, with the
// results the library's C interface documents. Like the real libraries it
// holds one connection, and answers csp2GetPacket from the last read-out.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/ScannerLibrary.h"

namespace quarnel::test {

class FakeScannerLibrary : public platform::ScannerLibrary {
  public:
    struct Scanner {
        std::array<uint8_t, 8> identity{};
        std::string software = "1.0";
        int32_t protocol = 1;
        int32_t status = 0;  // 0: battery good
        std::map<int32_t, uint8_t> params{{2, 1}};
        std::array<uint8_t, 6> clock{0, 0, 0, 1, 1, 20};  // a stopped clock
        // Length byte, code id, data, 4-byte time stamp.
        std::vector<std::vector<uint8_t>> packets;
    };

    // The packet of a barcode as the scanner stores it, with a zero time stamp.
    static std::vector<uint8_t> Packet(int32_t codeId, const std::string& text);

    int32_t csp2InitEx(int32_t comPort) override;
    int32_t csp2Restore() override;
    int32_t csp2DataAvailable() override;
    int32_t csp2ReadData() override;
    int32_t csp2GetPacket(uint8_t* packet, int32_t index, int32_t capacity) override;
    int32_t csp2GetCodeType(int32_t codeId, uint8_t* name, int32_t capacity) override;
    int32_t csp2ClearData() override;
    int32_t csp2Interrogate() override;
    int32_t csp2GetProtocol() override;
    int32_t csp2GetSystemStatus() override;
    int32_t csp2GetSwVersion(uint8_t* version, int32_t capacity) override;
    int32_t csp2GetDeviceId(uint8_t* id, int32_t capacity) override;
    int32_t csp2GetDllVersion(uint8_t* version, int32_t capacity) override;
    int32_t csp2SetDefaults() override;
    int32_t csp2GetParam(int32_t paramId, uint8_t* value, int32_t capacity) override;
    int32_t csp2SetParam(int32_t paramId, uint8_t* value, int32_t length) override;
    int32_t csp2GetTime(uint8_t* clock) override;
    int32_t csp2SetTime(uint8_t* clock) override;

    // The scanners plugged in, by COM port number.
    std::map<int32_t, Scanner> scanners;
    std::map<int32_t, std::string> codeTypes{
        {1, "Code 39"}, {6, "Code 128"}, {7, "UPC-A"}, {8, "EAN-13"}, {9, "EAN-8"}};
    std::string dllVersion = "Fake 1.0";

  private:
    // The connected scanner, or null when it has gone.
    Scanner* Connected();

    int32_t port_ = 0;  // 0: not connected
    std::vector<std::vector<uint8_t>> read_;
};

}  // namespace quarnel::test
