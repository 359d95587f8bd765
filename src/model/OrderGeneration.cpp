// SPDX-License-Identifier: MIT
// Turns the barcodes of a read session into an order: every product barcode
// gives a line, and quantity barcodes ("Q" and four characters forming a
// number) give the quantity of the product before or after them.
#include <cmath>
#include <limits>

#include "base/ErrorInfo.h"
#include "base/Numeric.h"
#include "base/TraceLog.h"
#include "model/Limits.h"
#include "model/clsOrder.h"
#include "model/clsReadSession.h"
#include "settings/SharedSettings.h"

namespace quarnel {

namespace {

// Values of the QuantityPositioning setting.
constexpr int32_t kQuantityAfterProduct = 1;
constexpr int32_t kQuantityBeforeProduct = 0;

int32_t QuantityPositioning() {
    std::shared_ptr<clsSettings> settings = Settings();
    // Missing before start-up and after exit.
    if (!settings) RaiseError(ErrNo::ObjectNotSet);
    return settings->QuantityPositioning();
}

// The value of a quantity barcode; nothing for a product barcode. The "Q"
// is case-sensitive.
std::optional<double> QuantityValue(const std::string& barcode, platform::Language language) {
    if (barcode.size() != 5 || barcode[0] != 'Q') return std::nullopt;
    return ParseNumeric(std::string_view(barcode).substr(1), language);
}

// running + value, rounded to the nearest integer with halves to the even
// neighbour; raises 6 beyond the 32-bit range.
int32_t AddQuantity(int32_t running, double value) {
    const double sum = static_cast<double>(running) + value;
    double rounded = std::round(sum);  // halves away from zero
    if (std::fabs(sum - std::trunc(sum)) == 0.5 && std::fmod(rounded, 2.0) != 0.0) {
        rounded -= std::copysign(1.0, sum);
    }
    if (!(rounded >= std::numeric_limits<int32_t>::min() &&
          rounded <= std::numeric_limits<int32_t>::max())) {
        RaiseError(ErrNo::Overflow);
    }
    return static_cast<int32_t>(rounded);
}

}  // namespace

std::shared_ptr<clsOrder> clsReadSession::ToOrder() const {
    // Held outside the handler, so that a failed order is released (with its
    // trace entries) after the error entry.
    std::shared_ptr<clsOrder> order;
    try {
        order = std::make_shared<clsOrder>();
        BuildOrder(*order);
        return order;
    } catch (...) {
        trace::Error("Error generating order from barcode data: ");
        return nullptr;
    }
}

void clsReadSession::BuildOrder(clsOrder& order) const {
    order.SetScannerID(deviceID_);
    trace::Entering("clsReadSession.ToOrder");

    // Read when first needed, so that converting an empty session needs no
    // settings, and then kept: it cannot change during the conversion.
    std::optional<int32_t> positioning;
    auto positionedAt = [&positioning](int32_t mode) {
        if (!positioning) positioning = QuantityPositioning();
        return *positioning == mode;
    };

    std::string pending;
    int32_t running = 0;
    // Adds the line of the pending product; only positioning 1 gives it the
    // running quantity.
    auto addPendingLine = [&] {
        std::shared_ptr<clsOrderLine> line = order.NewLine();
        line->SetProductID(pending);
        if (running > 0 && positionedAt(kQuantityAfterProduct)) {
            line->SetQuantity(running);
            running = 0;
        }
        order.AddLine(std::move(line));
    };

    if (barcodes_.Count() > kMaxCountedRows) RaiseError(ErrNo::Overflow);
    const platform::Language language = platform::UserLanguage();
    for (const std::shared_ptr<clsBarcode>& barcode : barcodes_.Items()) {
        const std::string& text = barcode->barcode_;
        if (std::optional<double> value = QuantityValue(text, language)) {
            if (positionedAt(kQuantityAfterProduct) && pending.empty()) continue;
            running = AddQuantity(running, *value);
            continue;
        }
        if (!pending.empty()) addPendingLine();
        pending = text;
        if (positionedAt(kQuantityBeforeProduct) && running > 0) {
            std::shared_ptr<clsOrderLine> line = order.NewLine();
            line->SetProductID(pending);
            line->SetQuantity(running);
            order.AddLine(std::move(line));
            running = 0;
            pending.clear();
        }
    }
    // A quantity without a product after it is dropped.
    if (!pending.empty()) addPendingLine();

    trace::Exiting("clsReadSession.ToOrder");
}

}  // namespace quarnel
