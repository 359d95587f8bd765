// SPDX-License-Identifier: MIT
#include "model/clsReadSession.h"

#include "base/TraceLog.h"

namespace quarnel {

clsReadSession::clsReadSession(DateTime sessionDate) : sessionDate_(sessionDate) {
    trace::Initializing("clsReadSession");
}

clsReadSession::~clsReadSession() {
    trace::Terminating("clsReadSession");
}

DateTime clsReadSession::SessionDate() const {
    if (TraceEnabled(true)) {
        trace::PropertyGet("clsReadSession.SessionDate", TraceValue(sessionDate_));
    }
    return sessionDate_;
}

const std::string& clsReadSession::DeviceID() const {
    trace::PropertyGet("clsReadSession.DeviceID", deviceID_);
    return deviceID_;
}

void clsReadSession::SetDeviceID(std::string value) {
    trace::PropertyLet("DeviceID", value);
    deviceID_ = std::move(value);
}

std::shared_ptr<clsBarcode> clsReadSession::Barcode(const ListIndex& index) const {
    if (TraceEnabled(true)) {
        trace::Entering("clsReadSession.Barcode", TraceArgs({{"Index", index.Text()}}));
    }
    std::shared_ptr<clsBarcode> item = barcodes_.Item(index);
    trace::ExitingWith("clsReadSession.Barcode", item->barcode_);
    return item;
}

int32_t clsReadSession::CountBarcodes() const {
    trace::Entering("clsReadSession.CountBarcodes");
    int32_t count = barcodes_.Count();
    if (TraceEnabled(true)) trace::ExitingWith("clsReadSession.CountBarcodes", TraceValue(count));
    return count;
}

void clsReadSession::Clear() {
    trace::Entering("clsReadSession.Clear");
    barcodes_.Clear();
    trace::Exiting("clsReadSession.Clear");
}

void clsReadSession::AddBarcode(std::shared_ptr<clsBarcode> item, std::optional<std::string> key,
                                const std::optional<ListIndex>& before,
                                const std::optional<ListIndex>& after) {
    if (!item) RaiseError(ErrNo::InvalidProcedureCall);
    if (TraceEnabled(true)) {
        trace::Entering("clsReadSession.AddBarcode", TraceArgs({{"Item.Barcode", item->barcode_}}));
    }
    barcodes_.Add(std::move(item), std::move(key), before, after);
    trace::Exiting("clsReadSession.AddBarcode");
}

void clsReadSession::RemoveBarcode(const ListIndex& index) {
    if (TraceEnabled(true)) {
        trace::Entering("clsReadSession.RemoveBarcode", TraceArgs({{"Index", index.Text()}}));
    }
    barcodes_.Remove(index);
    trace::Exiting("clsReadSession.RemoveBarcode");
}

}  // namespace quarnel
