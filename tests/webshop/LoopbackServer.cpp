#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace quarnel::test {

namespace {

int BindLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error("bind failed");
    }
    port = ntohs(address.sin_port);
    return fd;
}

size_t ContentLength(const std::string& head) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) return 0;
    return std::stoul(lower.substr(at + 17));
}

}  // namespace

LoopbackServer::LoopbackServer(std::string reply, bool keepOpen)
    : reply_(std::move(reply)), keepOpen_(keepOpen) {
    listener_ = BindLoopback(port_);
    if (::listen(listener_, 8) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0) {
        ::close(listener_);
        throw std::runtime_error("listen failed");
    }
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer() {
    const char stop = 1;
    (void)!::write(wake_[1], &stop, 1);
    thread_.join();
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

std::vector<std::string> LoopbackServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::string LoopbackServer::HttpReply(const std::string& body, const std::string& status) {
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// False when the server is being stopped.
bool LoopbackServer::WaitReadable(int fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    while (::poll(fds, 2, -1) < 0) {
    }
    return (fds[1].revents & POLLIN) == 0;
}

bool LoopbackServer::ReadRequest(int connection, std::string& request) {
    size_t expected = std::string::npos;
    while (expected == std::string::npos || request.size() < expected) {
        if (!WaitReadable(connection)) return false;
        char chunk[65536];
        const ssize_t count = ::recv(connection, chunk, sizeof chunk, 0);
        if (count <= 0) return true;
        request.append(chunk, static_cast<size_t>(count));
        const size_t headEnd = request.find("\r\n\r\n");
        if (expected == std::string::npos && headEnd != std::string::npos) {
            expected = headEnd + 4 + ContentLength(request.substr(0, headEnd));
        }
    }
    return true;
}

void LoopbackServer::Serve() {
    for (;;) {
        if (!WaitReadable(listener_)) return;
        const int connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        std::string request;
        const bool running = ReadRequest(connection, request);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        if (running) {
            size_t sent = 0;
            while (sent < reply_.size()) {
                const ssize_t count =
                    ::send(connection, reply_.data() + sent, reply_.size() - sent, MSG_NOSIGNAL);
                if (count <= 0) break;
                sent += static_cast<size_t>(count);
            }
        }
        if (running && keepOpen_) {
            // Silent until the server goes, whatever the client does.
            pollfd wake{wake_[0], POLLIN, 0};
            while (::poll(&wake, 1, -1) < 0) {
            }
            ::close(connection);
            return;
        }
        ::close(connection);
        if (!running) return;
    }
}

int ClosedLoopbackPort() {
    int port = 0;
    ::close(BindLoopback(port));
    return port;
}

}  // namespace quarnel::test
