// SPDX-License-Identifier: MIT
// quarnel-shop: the reference web shop for the program's order protocol.
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "ShopServer.h"

namespace {

constexpr const char* kUsage =
    "usage: quarnel-shop [--listen ADDR:PORT] [--db FILE] [--account DEBTOR:USER:PASSWORD]...\n"
    "  --listen   address and port to serve on (default 127.0.0.1:8080; port 0 picks one)\n"
    "  --db       SQLite file for the orders (default: in memory)\n"
    "  --account  a customer who may place orders; repeatable\n"
    "       quarnel-shop --help | --version\n";

struct Options {
    std::string address = "127.0.0.1";
    int port = 8080;
    std::string database = ":memory:";
    std::vector<quarnel::shop::Account> accounts;
};

bool ParseListen(const std::string& text, Options& options) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    std::string address = text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    if (address.front() == '[' && address.back() == ']')
        address = address.substr(1, address.size() - 2);
    if (port.empty() || port.size() > 5 ||
        port.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    options.port = std::stoi(port);
    options.address = address;
    return !address.empty() && options.port <= 65535;
}

bool ParseAccount(const std::string& text, Options& options) {
    const size_t first = text.find(':');
    const size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos || first == 0 || second == first + 1) return false;
    options.accounts.push_back({text.substr(0, first), text.substr(first + 1, second - first - 1),
                                text.substr(second + 1)});
    return true;
}

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (argument == "--listen") {
            if (!ParseListen(value, options)) return false;
        } else if (argument == "--db") {
            options.database = value;
        } else if (argument == "--account") {
            if (!ParseAccount(value, options)) return false;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string only = argc == 2 ? argv[1] : "";
    if (only == "--help" || only == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (only == "--version") {
        std::printf("quarnel-shop %s\n", QUARNEL_VERSION);
        return 0;
    }
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // SIGINT and SIGTERM stop the server; the server's threads inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        quarnel::shop::ShopServer server(std::move(options.accounts), options.database, stdout);
        const int port = server.Bind(options.address, options.port);
        if (port < 0) {
            std::fprintf(stderr, "quarnel-shop: cannot listen on %s:%d\n", options.address.c_str(),
                         options.port);
            return 1;
        }
        std::printf("quarnel-shop listening on %s:%d\n", options.address.c_str(), port);
        std::fflush(stdout);

        std::atomic<bool> served = false;
        std::atomic<bool> done = false;
        std::thread serving([&] {
            served = server.Run();
            done = true;
            kill(getpid(), SIGTERM);  // wakes the wait below when serving fails
        });
        int received = 0;
        sigwait(&stopSignals, &received);
        // A signal may come before the server listens; stop until it has ended.
        while (!done) {
            server.Stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        serving.join();
        return served ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quarnel-shop: %s\n", error.what());
        return 1;
    }
}
