// SPDX-License-Identifier: MIT
// The order CSV loader on a file holding the input. An input that starts
// with a NUL byte is placed so that it crosses the reader's 64 KiB chunk
// boundary: its second byte says how far before the boundary it starts.
// An order that loads is saved and loaded again and must come back equal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "FuzzCheck.h"
#include "ScratchFile.h"
#include "model/clsOrder.h"

using namespace quarnel;

namespace {

constexpr size_t kChunk = 64 * 1024;

std::string FileContent(const uint8_t* data, size_t size) {
    if (size < 2 || data[0] != 0) return std::string(reinterpret_cast<const char*>(data), size);
    // The header and a line that is no order line fill the space before
    // the input.
    const std::string header = "ProductID;Quantity\r\n";
    const size_t before = kChunk - 1 - data[1];
    std::string content = header + std::string(before - header.size() - 2, 'x') + "\r\n";
    content.append(reinterpret_cast<const char*>(data + 2), size - 2);
    return content;
}

std::vector<std::pair<std::string, int32_t>> Lines(const clsOrder& order) {
    std::vector<std::pair<std::string, int32_t>> lines;
    for (int32_t n = 1; n <= order.CountLines(); ++n) {
        const auto line = order.Line(n);
        lines.emplace_back(line->ProductID(), line->Quantity());
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fuzz::ScratchFile input;
    static const fuzz::ScratchFile saved;
    input.Write(FileContent(data, size));

    clsOrder order;
    if (!order.LoadFromCSV(input.Path())) return 0;
    if (!order.SaveAsCSV(saved.Path())) return 0;
    clsOrder again;
    FUZZ_CHECK(again.LoadFromCSV(saved.Path()));
    FUZZ_CHECK(again.ScannerID() == order.ScannerID());
    FUZZ_CHECK(Lines(again) == Lines(order));
    return 0;
}
