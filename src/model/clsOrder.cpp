// SPDX-License-Identifier: MIT
#include "model/clsOrder.h"

#include "base/TraceLog.h"

namespace quarnel {

clsOrder::clsOrder() {
    trace::Initializing("clsOrder");
}

clsOrder::~clsOrder() {
    trace::Terminating("clsOrder");
}

const std::string& clsOrder::OrderNr() const {
    trace::PropertyGet("clsOrder.OrderNr", orderNr_);
    return orderNr_;
}

std::shared_ptr<clsOrderLine> clsOrder::Line(int32_t index) const {
    // Both entries of this accessor are event entries.
    if (TraceEnabled(false)) {
        trace::Event("Entering clsOrder.Line (" + TraceArgs({{"Index", TraceValue(index)}}) + ")");
    }
    std::shared_ptr<clsOrderLine> line = lines_.Item(index);
    if (TraceEnabled(false)) trace::Event("Exiting clsOrder.Line (=" + line->productID_ + ")");
    return line;
}

int32_t clsOrder::CountLines() const {
    trace::Entering("clsOrder.CountLines");
    int32_t count = lines_.Count();
    if (TraceEnabled(true)) trace::ExitingWith("clsOrder.CountLines", TraceValue(count));
    return count;
}

void clsOrder::Clear() {
    trace::Entering("clsOrder.Clear");
    lines_.Clear();
    orderNr_.clear();
    scannerID_.clear();
    trace::Exiting("clsOrder.Clear");
}

void clsOrder::InsertLine(std::shared_ptr<clsOrderLine> item, const std::optional<int32_t>& before,
                          const std::optional<int32_t>& after) {
    std::optional<ListIndex> beforeIndex;
    std::optional<ListIndex> afterIndex;
    if (before) beforeIndex = *before;
    if (after) afterIndex = *after;
    lines_.Add(std::move(item), std::nullopt, beforeIndex, afterIndex);
}

void clsOrder::AddLine(std::shared_ptr<clsOrderLine> item, const std::optional<int32_t>& before,
                       const std::optional<int32_t>& after) {
    if (!item) RaiseError(ErrNo::InvalidProcedureCall);
    if (TraceEnabled(true)) {
        trace::Entering("clsOrder.AddLine", TraceArgs({{"Item.ProductID", item->productID_}}));
    }
    if (before || after) {
        InsertLine(std::move(item), before, after);
    } else {
        lines_.Append(std::move(item));
    }
    trace::Exiting("clsOrder.AddLine");
}

bool clsOrder::HasLine(const std::string& productID) const {
    if (TraceEnabled(true)) {
        trace::Entering("clsOrder.HasLine", TraceArgs({{"ProductID", productID}}));
    }
    bool found = lines_.HasKey(productID);
    trace::ExitingWith("clsOrder.HasLine", TraceValue(found));
    return found;
}

void clsOrder::RemoveLine(int32_t index) {
    if (TraceEnabled(true)) {
        trace::Entering("clsOrder.RemoveLine", TraceArgs({{"Index", TraceValue(index)}}));
    }
    lines_.Remove(index);
    trace::Exiting("clsOrder.RemoveLine");
}

}  // namespace quarnel
