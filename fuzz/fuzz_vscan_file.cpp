// SPDX-License-Identifier: MIT
// The virtual scanner's file reader: any text, and what it reads written
// and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "ScannerFile.h"

using namespace quarnel::vscan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto file = ParseScannerFile(text, error);
    if (!file) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    for (const Record& record : file->records) {
        const auto packet = EncodePacket(record);
        if (const auto* barcode = std::get_if<Barcode>(&record)) {
            FUZZ_CHECK(packet.size() == barcode->text.size() + 6);
            FUZZ_CHECK(packet[0] == barcode->text.size() + 5);
        }
    }
    const std::string written = FormatScannerFile(*file, "COM3");
    const auto reread = ParseScannerFile(written, error);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(FormatScannerFile(*reread, "COM3") == written);
    return 0;
}
