// SPDX-License-Identifier: MIT
// One read-out of the scanner: when it was taken, which scanner it came
// from and the barcodes in the order the scanner delivered them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "base/DateTime.h"
#include "model/KeyedList.h"
#include "model/clsBarcode.h"

namespace quarnel {

class clsOrder;

class clsReadSession {
  public:
    explicit clsReadSession(DateTime sessionDate = DateTime::Now());
    ~clsReadSession();
    clsReadSession(const clsReadSession&) = delete;
    clsReadSession& operator=(const clsReadSession&) = delete;

    DateTime SessionDate() const;
    const std::string& DeviceID() const;
    void SetDeviceID(std::string value);

    // Index: a 1-based position or a key.
    std::shared_ptr<clsBarcode> Barcode(const ListIndex& index) const;
    int32_t CountBarcodes() const;
    // Removes every barcode; SessionDate and DeviceID stay.
    void Clear();
    // Appends, or inserts before or after the barcode at the given index.
    void AddBarcode(std::shared_ptr<clsBarcode> item, std::optional<std::string> key = std::nullopt,
                    const std::optional<ListIndex>& before = std::nullopt,
                    const std::optional<ListIndex>& after = std::nullopt);
    void RemoveBarcode(const ListIndex& index);

    // Writes the read-out text file; false (with an error entry) on failure.
    bool SaveToFile(const std::string& filename) const;
    // The order the barcodes make; nothing (with an error entry) on failure.
    std::shared_ptr<clsOrder> ToOrder() const;
    // The scanner and each barcode's text and time stamp, as one text: equal
    // for the same read-out read twice.
    std::string ContentKey() const;

  private:
    void WriteFile(const std::string& filename) const;
    void BuildOrder(clsOrder& order) const;

    const DateTime sessionDate_;
    std::string deviceID_;
    KeyedList<clsBarcode> barcodes_;
};

}  // namespace quarnel
