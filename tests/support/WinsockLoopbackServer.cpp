// SPDX-License-Identifier: MIT
// The loopback server on Winsock, served by one thread.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "LoopbackServer.h"

namespace quarnel::test {
namespace {

void StartWinsockOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("no Winsock");
    });
}

SOCKET BindLoopback(int& port) {
    StartWinsockOnce();
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (socket == INVALID_SOCKET ||
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::listen(socket, 8) != 0) {
        if (socket != INVALID_SOCKET) ::closesocket(socket);
        throw std::runtime_error("cannot bind a loopback port");
    }
    port = ntohs(address.sin_port);
    return socket;
}

// The request read from connection: its head and, by Content-Length, its body.
std::pair<std::string, std::string> ReadRequest(SOCKET connection) {
    std::string request;
    char chunk[65536];
    size_t end = std::string::npos;
    for (int count; (count = ::recv(connection, chunk, sizeof chunk, 0)) > 0;) {
        request.append(chunk, static_cast<size_t>(count));
        end = request.find("\r\n\r\n");
        const size_t length = request.find("\r\nContent-Length:");
        if (end != std::string::npos &&
            request.size() >=
                end + 4 + (length < end ? std::stoul(request.substr(length + 17)) : 0)) {
            break;
        }
    }
    if (end == std::string::npos) end = (request += "\r\n\r\n").find("\r\n\r\n");
    return {request.substr(0, end + 2), request.substr(end + 4)};
}

// Sends all of data, or as much as the client takes before it goes.
void SendAll(SOCKET connection, const std::string& data) {
    for (size_t sent = 0; sent < data.size();) {
        const int count =
            ::send(connection, data.data() + sent,
                   static_cast<int>(std::min<size_t>(data.size() - sent, 1 << 20)), 0);
        if (count <= 0) return;
        sent += static_cast<size_t>(count);
    }
}

}  // namespace

struct LoopbackServer::State {
    int port = 0;
    SOCKET listener = INVALID_SOCKET;
    mutable std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> requests;
    SOCKET connection = INVALID_SOCKET;  // the one being served
    bool stopping = false;
    std::thread thread;
};

LoopbackServer::LoopbackServer(std::string reply, bool keepOpen)
    : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.listener = BindLoopback(state.port);
    state.thread = std::thread([&state, reply = std::move(reply), keepOpen] {
        // Ends when the destructor closes the listener.
        for (SOCKET connection;
             (connection = ::accept(state.listener, nullptr, nullptr)) != INVALID_SOCKET;) {
            {
                std::lock_guard lock(state.mutex);
                if (state.stopping) {
                    ::closesocket(connection);
                    break;
                }
                state.connection = connection;
            }
            auto request = ReadRequest(connection);
            {
                std::lock_guard lock(state.mutex);
                state.requests.push_back(std::move(request));
            }
            SendAll(connection, reply);
            char chunk[4096];
            while (keepOpen && ::recv(connection, chunk, sizeof chunk, 0) > 0) {
            }
            std::lock_guard lock(state.mutex);
            ::closesocket(connection);
            state.connection = INVALID_SOCKET;
        }
    });
}

LoopbackServer::~LoopbackServer() {
    {
        // A client that keeps its connection (WinINet may pool it) must not
        // keep the server thread waiting.
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        if (state_->connection != INVALID_SOCKET) ::shutdown(state_->connection, SD_BOTH);
        ::closesocket(state_->listener);
    }
    state_->thread.join();
}

int LoopbackServer::Port() const {
    return state_->port;
}

std::vector<std::pair<std::string, std::string>> LoopbackServer::Requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

int LoopbackServer::ClosedPort() {
    int port = 0;
    ::closesocket(BindLoopback(port));
    return port;
}

}  // namespace quarnel::test
