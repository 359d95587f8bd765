// SPDX-License-Identifier: MIT
// The reference web shop's orders, kept in SQLite.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace quarnel::shop {

struct StoredLine {
    std::string product;
    std::string quantity;  // empty when the customer gave none
};

struct StoredOrder {
    int64_t number = 0;
    std::string debtor;
    std::string scannerId;
    std::vector<StoredLine> lines;
};

class ShopStore {
  public:
    // ":memory:" keeps the orders for the life of the process. Throws
    // std::runtime_error when the database cannot be opened.
    explicit ShopStore(const std::string& path);
    ~ShopStore();
    ShopStore(const ShopStore&) = delete;
    ShopStore& operator=(const ShopStore&) = delete;

    // Stores the order and answers its new number.
    int64_t AddOrder(const std::string& debtor, const std::string& scannerId,
                     const std::vector<StoredLine>& lines);
    std::optional<StoredOrder> FindOrder(int64_t number);

  private:
    void Execute(const char* sql);

    std::mutex mutex_;
    sqlite3* db_ = nullptr;
};

}  // namespace quarnel::shop
