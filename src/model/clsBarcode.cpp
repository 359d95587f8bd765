// SPDX-License-Identifier: MIT
#include "model/clsBarcode.h"

#include "base/TraceLog.h"

namespace quarnel {

clsBarcode::clsBarcode(DateTime timeStamp) : timeStamp_(timeStamp) {
    trace::Initializing("clsBarcode");
}

clsBarcode::~clsBarcode() {
    trace::Terminating("clsBarcode");
}

const std::string& clsBarcode::Barcode() const {
    trace::PropertyGet("clsBarcode.Barcode", barcode_);
    return barcode_;
}

void clsBarcode::SetBarcode(std::string value) {
    trace::PropertyLet("clsBarcode.Barcode", value);
    barcode_ = std::move(value);
}

const std::string& clsBarcode::Symbology() const {
    trace::PropertyGet("clsBarcode.Symbology", symbology_);
    return symbology_;
}

void clsBarcode::SetSymbology(std::string value) {
    trace::PropertyLet("clsBarcode.Symbology", value);
    symbology_ = std::move(value);
}

DateTime clsBarcode::TimeStamp() const {
    if (TraceEnabled(true)) trace::PropertyGet("clsBarcode.TimeStamp", TraceValue(timeStamp_));
    return timeStamp_;
}

void clsBarcode::SetTimeStamp(DateTime value) {
    if (TraceEnabled(true)) trace::PropertyLet("clsBarcode.TimeStamp", TraceValue(value));
    timeStamp_ = value;
}

}  // namespace quarnel
