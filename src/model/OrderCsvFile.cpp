// SPDX-License-Identifier: MIT
// The order CSV file: an optional "sid:" line, a header line and one
// "ProductID;Quantity" line per order line.
#include <algorithm>
#include <cmath>
#include <limits>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/Numeric.h"
#include "base/TextCompare.h"
#include "base/TraceLog.h"
#include "model/Limits.h"
#include "model/TextFileWriter.h"
#include "model/TextLineReader.h"
#include "model/clsOrder.h"

namespace quarnel {

namespace {

// No real order line comes near this; longer lines are not kept in memory
// and count as malformed.
constexpr size_t kMaxLineLength = 64 * 1024;
// Room made in advance at most: an order with more lines cannot be saved or
// sent, and a larger file grows the list only as valid lines turn up.
constexpr size_t kMaxReservedLines = kMaxCountedRows;

bool IsScannerLine(std::string_view line) {
    return StartsWithIgnoreCase(line, "sid:");
}

// The quantity field rounded down; false for a line to skip. A number
// beyond the range of a quantity raises 6.
bool CsvQuantity(std::string_view text, platform::Language language, int32_t& quantity) {
    if (PlainWholeNumber(text, quantity)) return true;
    std::optional<double> value = ParseNumeric(text, language);
    if (!value) return false;
    const double rounded = std::floor(*value);
    if (rounded < std::numeric_limits<int32_t>::min() ||
        rounded > std::numeric_limits<int32_t>::max()) {
        RaiseError(ErrNo::Overflow);
    }
    quantity = static_cast<int32_t>(rounded);
    return true;
}

}  // namespace

bool clsOrder::SaveAsCSV(const std::string& filename, bool durable) const {
    if (TraceEnabled(true)) {
        trace::Entering("clsOrder.SaveAsCSV", TraceArgs({{"Filename", filename}}));
    }
    try {
        WriteCsv(filename, durable);
    } catch (...) {
        trace::Error("Error saving order as '" + filename + "': ");
        return false;
    }
    trace::ExitingWith("clsOrder.SaveAsCSV", TraceValue(true));
    return true;
}

void clsOrder::WriteCsv(const std::string& filename, bool durable) const {
    TextFileWriter file(filename, durable);
    if (!scannerID_.empty()) {
        file.WriteBytes("sid:");
        file.Write(scannerID_);
        file.EndLine();
    }
    file.WriteBytes("ProductID;Quantity");
    file.EndLine();
    if (lines_.Count() > kMaxCountedRows) RaiseError(ErrNo::Overflow);
    for (const std::shared_ptr<clsOrderLine>& line : lines_.Items()) {
        file.Write(line->productID_);
        file.WriteBytes(";");
        file.WriteBytes(std::to_string(line->quantity_));
        file.EndLine();
    }
    file.Close();
}

bool clsOrder::LoadFromCSV(const std::string& filename) {
    if (TraceEnabled(true)) {
        trace::Entering("clsOrder.LoadFromCSV", TraceArgs({{"Filename", filename}}));
    }
    try {
        ReadCsv(filename);
    } catch (...) {
        trace::Error("Error loading order from CSV file: ");
        return false;
    }
    // This exit entry carries no class name.
    trace::ExitingWith("LoadFromCSV", TraceValue(true));
    return true;
}

void clsOrder::ReadCsv(const std::string& filename) {
    Clear();
    TextLineReader reader(filename, kMaxLineLength);
    std::string_view line;
    if (!reader.ReadLine(line)) return;
    if (IsScannerLine(line)) {
        // An overlong identifier is not taken; the line still counts as the "sid:" line.
        if (!reader.LastLineTooLong()) scannerID_ = AnsiToUtf8(line.substr(4));
        if (!reader.ReadLine(line)) return;
    }
    // Every order line takes four bytes at least ("a;1" and a line end).
    lines_.Reserve(std::min(reader.FileSize() / 4, kMaxReservedLines));
    // The line read last is the header and is skipped unexamined.
    const platform::Language language = platform::UserLanguage();
    std::string converted;
    while (reader.ReadLine(line)) {
        if (line.empty() || reader.LastLineTooLong()) continue;
        const size_t separator = line.find(';');
        if (separator == std::string_view::npos || separator == 0) continue;
        // A second ';' makes the quantity fail the numeric test, so lines
        // with more than two fields are skipped here too.
        int32_t quantity = 0;
        if (!CsvQuantity(line.substr(separator + 1), language, quantity)) continue;
        std::shared_ptr<clsOrderLine> orderLine = NewLine();
        // Most identifiers are plain ASCII and are taken straight from the line.
        std::string_view productID = line.substr(0, separator);
        if (!IsAscii(productID)) productID = converted = AnsiToUtf8(productID);
        orderLine->SetProductID(productID);
        orderLine->SetQuantity(quantity);
        AddLine(std::move(orderLine));
    }
}

}  // namespace quarnel
