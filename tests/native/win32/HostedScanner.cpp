// SPDX-License-Identifier: MIT
// The line protocol of opn2001-wine-host over a loopback socket.
#include "HostedScanner.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "platform/Windows.h"

namespace quarnel::test {

namespace {
constexpr DWORD kAnswerWaitMs = 60000;
}

struct HostedScanner::Connection {
    SOCKET socket = INVALID_SOCKET;
    std::string input;
    ~Connection() {
        if (socket != INVALID_SOCKET) closesocket(socket);
    }
};

HostedScanner::HostedScanner() : connection_(std::make_unique<Connection>()) {
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    const char* host = std::getenv("QUARNEL_OPN2001_HOST");
    if (!started || host == nullptr) throw std::runtime_error("not run by opn2001-wine-host");
    const std::string address = host;
    const size_t colon = address.rfind(':');
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (colon == std::string::npos ||
        getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints,
                    &found) != 0)
        throw std::runtime_error("bad host address " + address);
    SOCKET s = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    const bool connected =
        s != INVALID_SOCKET && connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) == 0;
    freeaddrinfo(found);
    connection_->socket = s;
    if (!connected) throw std::runtime_error("cannot reach opn2001-wine-host at " + address);
    const DWORD wait = kAnswerWaitMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait);
}

HostedScanner::~HostedScanner() = default;

std::string HostedScanner::Ask(const std::string& line) {
    const std::string out = line + "\n";
    if (send(connection_->socket, out.data(), static_cast<int>(out.size()), 0) !=
        static_cast<int>(out.size()))
        throw std::runtime_error("opn2001-wine-host has gone");
    std::string& input = connection_->input;
    size_t end;
    while ((end = input.find('\n')) == std::string::npos) {
        char chunk[1024];
        const int got = recv(connection_->socket, chunk, sizeof chunk, 0);
        if (got <= 0) throw std::runtime_error("no answer to " + line);
        input.append(chunk, static_cast<size_t>(got));
    }
    std::string answer = input.substr(0, end);
    input.erase(0, end + 1);
    if (answer.rfind("ok", 0) != 0) throw std::runtime_error(line + ": " + answer);
    return answer.size() > 3 ? answer.substr(3) : "";
}

void HostedScanner::SendFile(const std::string& fileText) {
    std::istringstream lines(fileText);
    std::string line;
    while (std::getline(lines, line)) Ask("line " + line);
}

int HostedScanner::Serve(const std::string& fileText, const std::string& options) {
    SendFile(fileText);
    return std::stoi(Ask("serve " + options));
}

int HostedScanner::Link(const std::string& target, const std::string& fileText) {
    SendFile(fileText);
    return std::stoi(Ask("link " + target));
}

std::vector<uint8_t> HostedScanner::Commands() {
    std::istringstream words(Ask("commands"));
    std::vector<uint8_t> commands;
    std::string word;
    while (words >> word) commands.push_back(static_cast<uint8_t>(std::stoi(word, nullptr, 16)));
    return commands;
}

size_t HostedScanner::Records() {
    return std::stoul(Ask("records"));
}

std::optional<int> HostedScanner::Param(int id) {
    const std::string value = Ask("param " + std::to_string(id));
    if (value == "none") return std::nullopt;
    return std::stoi(value);
}

void HostedScanner::Stop() {
    Ask("stop");
}

std::unique_ptr<ScannerHost> MakeScannerHost() {
    return std::make_unique<HostedScanner>();
}

}  // namespace quarnel::test
