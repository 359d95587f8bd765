#include "model/clsOrderLine.h"

#include "app/TraceLog.h"

namespace quarnel {

clsOrderLine::clsOrderLine() {
    trace::Initializing("clsOrderLine");
}

clsOrderLine::~clsOrderLine() {
    trace::Terminating("clsOrderLine");
}

const std::string& clsOrderLine::ProductID() const {
    trace::PropertyGet("clsOrderLine.ProductID", productID_);
    return productID_;
}

void clsOrderLine::SetProductID(std::string_view value) {
    trace::PropertyLet("clsOrderLine.ProductID", value);
    productID_.assign(value);
}

int32_t clsOrderLine::Quantity() const {
    // This entry has no "=" in the log, unlike the other getters.
    if (TraceEnabled(true)) {
        trace::Detail("Property Get clsOrderLine.Quantity (" + TraceValue(quantity_) + ")");
    }
    return quantity_;
}

void clsOrderLine::SetQuantity(int32_t value) {
    if (TraceEnabled(true)) trace::PropertyLet("clsOrderLine.Quantity", TraceValue(value));
    quantity_ = value;
}

}  // namespace quarnel
