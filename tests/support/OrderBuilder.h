// SPDX-License-Identifier: MIT
// Orders made up for tests: lines of product and quantity, and a scanner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "model/clsOrder.h"

namespace quarnel::test {

using Lines = std::vector<std::pair<std::string, int32_t>>;

inline std::shared_ptr<clsOrder> MakeOrder(const Lines& lines, const std::string& scannerID = "") {
    auto order = std::make_shared<clsOrder>();
    order->SetScannerID(scannerID);
    for (const auto& [productID, quantity] : lines) {
        auto line = std::make_shared<clsOrderLine>();
        line->SetProductID(productID);
        line->SetQuantity(quantity);
        order->AddLine(line);
    }
    return order;
}

}  // namespace quarnel::test
