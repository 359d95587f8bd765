// SPDX-License-Identifier: MIT
// An order for the web shop: product lines, the scanner they came from and,
// once the shop has accepted it, the shop's order number.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/KeyedList.h"
#include "model/RecordPool.h"
#include "model/clsOrderLine.h"

namespace quarnel {

struct WebshopLink;

class clsOrder {
  public:
    clsOrder();
    ~clsOrder();
    clsOrder(const clsOrder&) = delete;
    clsOrder& operator=(const clsOrder&) = delete;

    // Empty until the shop has accepted the order.
    const std::string& OrderNr() const;
    const std::string& ScannerID() const { return scannerID_; }
    void SetScannerID(std::string value) { scannerID_ = std::move(value); }

    std::shared_ptr<clsOrderLine> Line(int32_t index) const;
    // A new, empty line made from the order's own pool, which is faster for
    // large orders than a line made on its own; it is not added.
    std::shared_ptr<clsOrderLine> NewLine() { return linePool_.Make(); }
    int32_t CountLines() const;
    // Removes every line and empties OrderNr and ScannerID.
    void Clear();
    // Appends, or inserts before or after the given position; lines for the
    // same product are never merged.
    void AddLine(std::shared_ptr<clsOrderLine> item,
                 const std::optional<int32_t>& before = std::nullopt,
                 const std::optional<int32_t>& after = std::nullopt);
    // Whether a line is stored under that key; lines are added without keys.
    bool HasLine(const std::string& productID) const;
    void RemoveLine(int32_t index);

    // Write and read the order CSV file; false (with an error entry) on failure.
    // A durable save returns only once the file is synced to disk.
    bool SaveAsCSV(const std::string& filename, bool durable = false) const;
    bool LoadFromCSV(const std::string& filename);

    // Posts the order to the web shop and opens its order page.
    int32_t SendToWebshop(std::string& retMessage, const WebshopLink& link);

  private:
    // Kept apart from AddLine, which mostly appends.
    void InsertLine(std::shared_ptr<clsOrderLine> item, const std::optional<int32_t>& before,
                    const std::optional<int32_t>& after);
    int32_t PostOrder(std::string& retInfo, const WebshopLink& link);
    void WriteCsv(const std::string& filename, bool durable) const;
    void ReadCsv(const std::string& filename);

    std::string orderNr_;
    std::string scannerID_;
    KeyedList<clsOrderLine> lines_;
    RecordPool<clsOrderLine> linePool_;  // for the lines the order makes itself
};

}  // namespace quarnel
