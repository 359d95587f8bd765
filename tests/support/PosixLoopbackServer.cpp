// SPDX-License-Identifier: MIT
// The loopback server on POSIX sockets, served by one thread.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <mutex>
#include <stdexcept>
#include <thread>

#include "LoopbackServer.h"

namespace quarnel::test {
namespace {

int BindLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{
        .sin_family = AF_INET, .sin_port = 0, .sin_addr = {htonl(INADDR_LOOPBACK)}, .sin_zero = {}};
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::listen(fd, 8) != 0) {
        throw std::runtime_error("cannot bind a loopback port");
    }
    port = ntohs(address.sin_port);
    return fd;
}

// The request read from connection: its head and, by Content-Length, its body.
std::pair<std::string, std::string> ReadRequest(int connection) {
    std::string request;
    char chunk[65536];
    size_t end = std::string::npos;
    for (ssize_t count; (count = ::recv(connection, chunk, sizeof chunk, 0)) > 0;) {
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

}  // namespace

struct LoopbackServer::State {
    int port = 0;
    int listener = -1;
    mutable std::mutex mutex;
    std::vector<std::pair<std::string, std::string>> requests;
    std::thread thread;
};

LoopbackServer::LoopbackServer(std::string reply, bool keepOpen)
    : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.listener = BindLoopback(state.port);
    state.thread = std::thread([&state, reply = std::move(reply), keepOpen] {
        // Ends when the destructor shuts the listener down.
        for (int connection;
             (connection = ::accept4(state.listener, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            auto request = ReadRequest(connection);
            {
                std::lock_guard lock(state.mutex);
                state.requests.push_back(std::move(request));
            }
            (void)!::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
            char chunk[4096];
            while (keepOpen && ::recv(connection, chunk, sizeof chunk, 0) > 0) {
            }
            ::close(connection);
        }
    });
}

LoopbackServer::~LoopbackServer() {
    ::shutdown(state_->listener, SHUT_RDWR);
    state_->thread.join();
    ::close(state_->listener);
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
    ::close(BindLoopback(port));
    return port;
}

}  // namespace quarnel::test
