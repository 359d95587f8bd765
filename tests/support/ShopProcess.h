// The reference web shop started on a free loopback port for one test or
// benchmark. Header-only.
#pragma once

#include <chrono>
#include <optional>
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
        const std::optional<std::string> first = process_.ReadLine(std::chrono::seconds(30));
        const std::string prefix = "quarnel-shop listening on 127.0.0.1:";
        if (!first || first->rfind(prefix, 0) != 0) {
            throw std::runtime_error("quarnel-shop did not start: " + first.value_or("(nothing)"));
        }
        port_ = std::stoi(first->substr(prefix.size()));
    }

    int Port() const { return port_; }
    // The next request's log line ("" when none came in time).
    std::string NextLogLine() { return process_.ReadLine(std::chrono::seconds(10)).value_or(""); }
    ChildProcess& Process() { return process_; }

  private:
    static std::vector<std::string> Arguments(const std::string& executable,
                                              const std::vector<std::string>& accounts,
                                              const std::string& database) {
        std::vector<std::string> argv{executable, "--listen", "127.0.0.1:0"};
        for (const std::string& account : accounts) {
            argv.push_back("--account");
            argv.push_back(account);
        }
        if (!database.empty()) {
            argv.push_back("--db");
            argv.push_back(database);
        }
        return argv;
    }

    ChildProcess process_;
    int port_ = 0;
};

}  // namespace quarnel::test
