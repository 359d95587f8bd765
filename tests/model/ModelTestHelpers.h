// SPDX-License-Identifier: MIT
// Builders shared by the tests of read sessions and orders.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "OrderBuilder.h"
#include "TestSupport.h"
#include "model/clsOrder.h"
#include "model/clsReadSession.h"
#include "platform/Paths.h"

namespace quarnel::test {

inline const DateTime kSessionDate{2026, 12, 5, 17, 29, 16};

inline std::shared_ptr<clsBarcode> MakeBarcode(const std::string& text,
                                               const std::string& symbology = "EAN-13") {
    auto barcode = std::make_shared<clsBarcode>(kSessionDate);
    barcode->SetBarcode(text);
    barcode->SetSymbology(symbology);
    return barcode;
}

inline std::shared_ptr<clsReadSession> MakeSession(const std::vector<std::string>& barcodes,
                                                   const std::string& deviceID = "") {
    auto session = std::make_shared<clsReadSession>(kSessionDate);
    session->SetDeviceID(deviceID);
    for (const std::string& text : barcodes) session->AddBarcode(MakeBarcode(text));
    return session;
}

inline Lines LinesOf(const clsOrder& order) {
    Lines lines;
    for (int32_t i = 1; i <= order.CountLines(); ++i)
        lines.emplace_back(order.Line(i)->ProductID(), order.Line(i)->Quantity());
    return lines;
}

// The trace's messages, each ended by a line feed, with folder written as "<dir>".
inline std::string TraceText(const TraceCapture& trace, const std::string& folder = "") {
    std::string text = trace.Text();
    // The folder and the separator after it, so that entries read the same everywhere.
    const std::string inFolder = folder + platform::PathSeparator();
    for (size_t at; !folder.empty() && (at = text.find(inFolder)) != std::string::npos;)
        text.replace(at, inFolder.size(), "<dir>/");
    return text;
}

}  // namespace quarnel::test
