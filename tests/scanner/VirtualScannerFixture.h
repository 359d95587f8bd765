// SPDX-License-Identifier: MIT
// A private folder of virtual scanners for one test, scanner objects bound
// to the virtual library through the real dynamic binding, and the
// quarnel-vscan tool.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

#include "ScannerFile.h"
#include "TestSupport.h"
#include "backends/linux/VirtualPorts.h"
#include "platform/ScannerLibrary.h"
#include "scanner/clsOPN2001.h"

namespace quarnel::test {

// Runs quarnel-vscan on folder dir; its exit status. Its output goes to
// *output when given (otherwise nowhere, so the folder sees no extra file).
inline int RunVscan(const std::string& dir, const std::string& arguments,
                    std::string* output = nullptr) {
    const char* tool = std::getenv("QUARNEL_VSCAN");
    if (tool == nullptr) ADD_FAILURE() << "QUARNEL_VSCAN is not set";
    const std::string out = output ? dir + "/.vscan-output" : "/dev/null";
    int status = std::system((std::string(tool ? tool : "false") + " --dir '" + dir + "' " +
                              arguments + " >'" + out + "' 2>&1")
                                 .c_str());
    if (output != nullptr) *output = ReadFileBytes(out);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class VirtualScannerTest : public ::testing::Test {
  protected:
    // Writes the scanner file of port; an empty text is a scanner with
    // every default.
    void Plug(const std::string& port, const std::string& text) {
        WriteFileBytes(platform::virtual_ports::FileOfPort(dir_.Path(), port), text);
    }
    // The barcodes and packets the scanner file of COM3 holds; -1 when
    // unreadable.
    int StoredRecords() const {
        std::string error, text = ReadFileBytes(dir_.File("COM3.scanner"));
        auto file = vscan::ParseScannerFile(text, error);
        return file ? static_cast<int>(file->records.size()) : -1;
    }

    // A scanner object that records every session its event hands out.
    std::unique_ptr<clsOPN2001> NewScanner(
        std::shared_ptr<platform::ScannerLibrary> library = platform::SystemScannerLibrary()) {
        auto scanner = std::make_unique<clsOPN2001>(std::move(library));
        scanner->SetBarcodesReadHandler([this](auto& session) { raised_.push_back(session); });
        return scanner;
    }
    // A scanner object connected to a scanner on COM3 with file text; the
    // trace starts afresh.
    std::unique_ptr<clsOPN2001> Connected(const std::string& text) {
        Plug("COM3", text);
        auto scanner = NewScanner();
        EXPECT_TRUE(scanner->Connect(3));
        trace_.Clear();
        return scanner;
    }

    // Trace lines of the scanner object itself, without those of the read
    // session and barcode records.
    std::vector<std::string> ScannerTrace() const {
        std::vector<std::string> lines;
        for (const auto& line : trace_.Messages())
            if (line.find("clsReadSession") == std::string::npos &&
                line.find("clsBarcode") == std::string::npos &&
                line.find("Property Let DeviceID") == std::string::npos)
                lines.push_back(line);
        return lines;
    }
    bool TraceHas(const std::string& fragment) const {
        return trace_.Bytes().find(fragment) != std::string::npos;
    }

    TempDir dir_;
    ScopedEnv env_{platform::virtual_ports::kFolderVariable, dir_.Path()};
    TraceCapture trace_;
    std::vector<std::shared_ptr<clsReadSession>> raised_;
};

}  // namespace quarnel::test
