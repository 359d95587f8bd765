// SPDX-License-Identifier: MIT
// One scanned barcode: its text, the name of its barcode type and when it
// was scanned.
#pragma once

#include <string>

#include "base/DateTime.h"

namespace quarnel {

class clsBarcode {
  public:
    // timeStamp: when the scanner read the code; the scanner driver sets the
    // real value afterwards.
    explicit clsBarcode(DateTime timeStamp = DateTime::Now());
    ~clsBarcode();
    clsBarcode(const clsBarcode&) = delete;
    clsBarcode& operator=(const clsBarcode&) = delete;

    const std::string& Barcode() const;
    void SetBarcode(std::string value);
    const std::string& Symbology() const;
    void SetSymbology(std::string value);
    DateTime TimeStamp() const;
    void SetTimeStamp(DateTime value);

  private:
    // The session reads the fields without trace entries of their own.
    friend class clsReadSession;

    std::string barcode_;
    std::string symbology_;
    DateTime timeStamp_;
};

}  // namespace quarnel
