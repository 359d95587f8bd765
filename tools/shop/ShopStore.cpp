// SPDX-License-Identifier: MIT
#include "ShopStore.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace quarnel::shop {

namespace {

struct StatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

Statement Prepare(sqlite3* db, const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        throw std::runtime_error(sqlite3_errmsg(db));
    }
    return Statement(statement);
}

void BindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return text == nullptr
               ? std::string()
               : std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

void StepDone(sqlite3* db, sqlite3_stmt* statement) {
    if (sqlite3_step(statement) != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
}

}  // namespace

ShopStore::ShopStore(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string message = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw std::runtime_error("cannot open " + path + ": " + message);
    }
    try {
        Execute(
            "CREATE TABLE IF NOT EXISTS orders ("
            " number INTEGER PRIMARY KEY AUTOINCREMENT,"
            " debtor TEXT NOT NULL,"
            " scanner_id TEXT NOT NULL,"
            " received TEXT NOT NULL DEFAULT CURRENT_TIMESTAMP);"
            "CREATE TABLE IF NOT EXISTS order_lines ("
            " order_number INTEGER NOT NULL REFERENCES orders(number),"
            " position INTEGER NOT NULL,"
            " product TEXT NOT NULL,"
            " quantity TEXT NOT NULL,"
            " PRIMARY KEY (order_number, position));");
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

ShopStore::~ShopStore() {
    sqlite3_close(db_);
}

void ShopStore::Execute(const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error != nullptr ? error : "SQLite failure";
        sqlite3_free(error);
        throw std::runtime_error(message);
    }
}

int64_t ShopStore::AddOrder(const std::string& debtor, const std::string& scannerId,
                            const std::vector<StoredLine>& lines) {
    std::lock_guard lock(mutex_);
    Execute("BEGIN");
    try {
        Statement order = Prepare(db_, "INSERT INTO orders (debtor, scanner_id) VALUES (?, ?)");
        BindText(order.get(), 1, debtor);
        BindText(order.get(), 2, scannerId);
        StepDone(db_, order.get());
        const int64_t number = sqlite3_last_insert_rowid(db_);

        Statement line = Prepare(db_,
                                 "INSERT INTO order_lines (order_number, position, product, "
                                 "quantity) VALUES (?, ?, ?, ?)");
        int64_t position = 0;
        for (const StoredLine& item : lines) {
            sqlite3_reset(line.get());
            sqlite3_bind_int64(line.get(), 1, number);
            sqlite3_bind_int64(line.get(), 2, ++position);
            BindText(line.get(), 3, item.product);
            BindText(line.get(), 4, item.quantity);
            StepDone(db_, line.get());
        }
        Execute("COMMIT");
        return number;
    } catch (...) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

std::optional<StoredOrder> ShopStore::FindOrder(int64_t number) {
    std::lock_guard lock(mutex_);
    Statement order = Prepare(db_, "SELECT debtor, scanner_id FROM orders WHERE number = ?");
    sqlite3_bind_int64(order.get(), 1, number);
    if (sqlite3_step(order.get()) != SQLITE_ROW) return std::nullopt;
    StoredOrder found;
    found.number = number;
    found.debtor = ColumnText(order.get(), 0);
    found.scannerId = ColumnText(order.get(), 1);

    Statement lines = Prepare(db_,
                              "SELECT product, quantity FROM order_lines WHERE order_number = ? "
                              "ORDER BY position");
    sqlite3_bind_int64(lines.get(), 1, number);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(lines.get())) == SQLITE_ROW) {
        found.lines.push_back({ColumnText(lines.get(), 0), ColumnText(lines.get(), 1)});
    }
    if (step != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    return found;
}

}  // namespace quarnel::shop
