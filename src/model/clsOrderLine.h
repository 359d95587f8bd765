// SPDX-License-Identifier: MIT
// One line of an order: a product identifier and its quantity.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/TraceLog.h"

namespace quarnel {

class clsOrderLine {
  public:
    // Inline: orders make and release their lines by the ten thousand.
    clsOrderLine() { trace::Initializing("clsOrderLine"); }
    ~clsOrderLine() { trace::Terminating("clsOrderLine"); }
    clsOrderLine(const clsOrderLine&) = delete;
    clsOrderLine& operator=(const clsOrderLine&) = delete;

    const std::string& ProductID() const;
    void SetProductID(std::string_view value) {
        trace::PropertyLet("clsOrderLine.ProductID", value);
        productID_.assign(value);
    }
    // 0 means that no quantity was given.
    int32_t Quantity() const;
    void SetQuantity(int32_t value) {
        if (TraceEnabled(true)) trace::PropertyLet("clsOrderLine.Quantity", TraceValue(value));
        quantity_ = value;
    }

  private:
    // The order reads the fields without trace entries of their own.
    friend class clsOrder;

    std::string productID_;
    int32_t quantity_ = 0;
};

}  // namespace quarnel
