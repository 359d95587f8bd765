// SPDX-License-Identifier: MIT
// The reference web shop: takes orders posted by the program and shows the
// order page to the customer who placed them.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "ShopForm.h"
#include "ShopStore.h"

namespace httplib {
class Server;
}

namespace quarnel::shop {

struct Account {
    std::string debtor;
    std::string user;
    std::string password;
};

// The shop's answer to a posted order form (still encoded): "orderid:" and
// the new number, or "message:" and why it was refused. The order lines are
// decoded only after the login was accepted.
std::string SubmitOrder(std::string_view body, const std::vector<Account>& accounts,
                        ShopStore& store);

// A log line's text with control characters as \xNN (and "\" as "\\"), so
// that no request can start a line of its own.
std::string EscapeForLog(std::string_view text);

class ShopServer {
  public:
    // Writes one line per request to log; passwords never appear in it.
    ShopServer(std::vector<Account> accounts, const std::string& database, std::FILE* log);
    ~ShopServer();
    ShopServer(const ShopServer&) = delete;
    ShopServer& operator=(const ShopServer&) = delete;

    // Port 0 picks a free port. The bound port, or -1.
    int Bind(const std::string& address, int port);
    // Serves until Stop.
    bool Run();
    void Stop();

  private:
    void Log(const std::string& line);

    std::vector<Account> accounts_;
    ShopStore store_;
    std::FILE* log_;
    std::mutex logMutex_;
    std::unique_ptr<httplib::Server> server_;
};

}  // namespace quarnel::shop
