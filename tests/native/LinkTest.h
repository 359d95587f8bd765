// SPDX-License-Identifier: MIT
// The built OPN-2001 library, bound as the program binds it, against an
// emulated scanner behind a COM port. Each platform hosts the emulator as it
// can (a pseudo-terminal on Linux, a COM port of the Wine prefix on Windows)
// and adds the checks of its own port handling.
#pragma once

#include <gmock/gmock.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/ScannerLibrary.h"
#include "scanner/clsOPN2001.h"

namespace quarnel::test {

// EAN-13 and Code 128 in the virtual scanner's code ids, and a packet given
// byte for byte, Code 128 with a zero inside its data.
inline const char* const kThreeBarcodes =
    "identity = 000102030A0BFEFF\nsoftware = 2.4\nstatus = 22\n"
    "barcode = 2013-04-23 07:47:28 | 8 | 8712345678906\n"
    "barcode = 2013-04-23 07:47:28 | 6 | Q0002\npacket = 08 03 41 00 42 72 F3 DD 0D\n";

// An emulated scanner on a COM port.
class ScannerHost {
  public:
    virtual ~ScannerHost() = default;
    // Answers from a scanner file with that text, misbehaving as the options
    // say (--silent --on 07 --times 1 --garbage --split --split-pause MS
    // --bad-crc --hang-up --drip MS --switching MS); the COM port's number.
    virtual int Serve(const std::string& fileText, const std::string& options) = 0;
    // Commands answered so far, by opcode.
    virtual std::vector<uint8_t> Commands() = 0;
    virtual size_t Records() = 0;
    virtual std::optional<int> Param(int id) = 0;
    // Stops the emulator; its port goes.
    virtual void Stop() = 0;
};

// Each platform's host.
std::unique_ptr<ScannerHost> MakeScannerHost();

class LinkTest : public ::testing::Test {
  protected:
    void TearDown() override { library_->csp2Restore(); }

    void Serve(const std::string& options = {}) { port_ = host_->Serve(kThreeBarcodes, options); }
    std::unique_ptr<clsOPN2001> Scanner() {
        auto scanner = std::make_unique<clsOPN2001>(library_);
        scanner->SetBarcodesReadHandler([this](auto& session) { raised_.push_back(session); });
        return scanner;
    }

    std::unique_ptr<ScannerHost> host_ = MakeScannerHost();
    int port_ = 0;
    TraceCapture trace_;
    std::shared_ptr<platform::ScannerLibrary> library_ =
        platform::LoadScannerLibrary(QUARNEL_OPN2001_LIBRARY);
    std::vector<std::shared_ptr<clsReadSession>> raised_;
};

}  // namespace quarnel::test
