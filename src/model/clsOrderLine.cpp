// SPDX-License-Identifier: MIT
#include "model/clsOrderLine.h"

#include "base/TraceLog.h"

namespace quarnel {

const std::string& clsOrderLine::ProductID() const {
    trace::PropertyGet("clsOrderLine.ProductID", productID_);
    return productID_;
}

int32_t clsOrderLine::Quantity() const {
    // This entry has no "=" in the log, unlike the other getters.
    if (TraceEnabled(true)) {
        trace::Detail("Property Get clsOrderLine.Quantity (" + TraceValue(quantity_) + ")");
    }
    return quantity_;
}

}  // namespace quarnel
