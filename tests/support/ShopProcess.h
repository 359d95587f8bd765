// SPDX-License-Identifier: MIT
// The reference web shop started on a free loopback port for one test or
// benchmark. Header-only.
#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace quarnel::test {

class ShopProcess {
  public:
    // accounts: "DEBTOR:USER:PASSWORD" each.
    ShopProcess(const std::string& executable, const std::vector<std::string>& accounts,
                const std::string& database = {})
        : process_(Arguments(executable, accounts, database)) {
        const std::string prefix = "quarnel-shop listening on 127.0.0.1:";
        const std::string first = process_.ReadLine(std::chrono::seconds(30)).value_or("");
        if (!first.starts_with(prefix)) {
            throw std::runtime_error("quarnel-shop did not start: " + first);
        }
        port_ = std::stoi(first.substr(prefix.size()));
    }

    int Port() const { return port_; }
    // The next request's log line ("" when none came in time).
    std::string NextLogLine() { return process_.ReadLine(std::chrono::seconds(10)).value_or(""); }

  private:
    static std::vector<std::string> Arguments(const std::string& executable,
                                              const std::vector<std::string>& accounts,
                                              const std::string& database) {
        std::vector<std::string> argv{executable, "--listen", "127.0.0.1:0"};
        for (const std::string& account : accounts) argv.insert(argv.end(), {"--account", account});
        if (!database.empty()) argv.insert(argv.end(), {"--db", database});
        return argv;
    }

    ChildProcess process_;
    int port_ = 0;
};

}  // namespace quarnel::test
