// SPDX-License-Identifier: MIT
// What the web shop tests share: a raw loopback HTTP server and a client with short time-outs.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "FakeUrlOpener.h"
#include "OrderBuilder.h"
#include "TestSupport.h"
#include "backends/linux/CurlHttp.h"
#include "webshop/WebshopLink.h"
#include "webshop/clsHTTP.h"

namespace quarnel::test {

using Fields = std::vector<std::pair<std::string, std::string>>;

inline int BindLoopback(int& port) {
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

// Records each request and answers with the same bytes (then, with keepOpen, stays silent).
class LoopbackServer {
  public:
    explicit LoopbackServer(std::string reply, bool keepOpen = false)
        : listener_(BindLoopback(port_)) {
        thread_ = std::thread([this, reply = std::move(reply), keepOpen] {
            // Ends when the destructor shuts the listener down.
            for (int connection;
                 (connection = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
                std::string request;
                char chunk[65536];
                size_t end = std::string::npos;
                for (ssize_t count; (count = ::recv(connection, chunk, sizeof chunk, 0)) > 0;) {
                    request.append(chunk, static_cast<size_t>(count));
                    end = request.find("\r\n\r\n");
                    const size_t length = request.find("\r\nContent-Length:");
                    if (end != std::string::npos &&
                        request.size() >=
                            end + 4 +
                                (length < end ? std::stoul(request.substr(length + 17)) : 0)) {
                        break;
                    }
                }
                if (end == std::string::npos) end = (request += "\r\n\r\n").find("\r\n\r\n");
                {
                    std::lock_guard lock(mutex_);
                    requests_.emplace_back(request.substr(0, end + 2), request.substr(end + 4));
                }
                (void)!::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
                while (keepOpen && ::recv(connection, chunk, sizeof chunk, 0) > 0) {
                }
                ::close(connection);
            }
        });
    }
    ~LoopbackServer() {
        ::shutdown(listener_, SHUT_RDWR);
        thread_.join();
        ::close(listener_);
    }
    int Port() const { return port_; }
    // Each request's head (up to its last line end) and body.
    Fields Requests() const {
        std::lock_guard lock(mutex_);
        return requests_;
    }

  private:
    int port_ = 0;
    int listener_;
    mutable std::mutex mutex_;
    Fields requests_;
    std::thread thread_;
};

// A complete HTTP/1.1 reply with that body.
inline std::string HttpReply(const std::string& body, const std::string& status = "200 OK") {
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// A stalled server (no data for 400 ms) costs the suite little.
inline std::shared_ptr<platform::HttpApi> TestHttpApi() {
    return std::make_shared<platform::CurlHttp>(
        platform::HttpTimeouts{std::chrono::seconds(5), std::chrono::milliseconds(400)});
}

// One request through the form client to the loopback port.
inline std::string Request(int port, const std::string& target, const Fields& fields = {},
                           std::string method = "POST", bool reload = false) {
    clsHTTP http(TestHttpApi());
    for (const auto& [name, value] : fields) http.SetFields(name, value);
    EXPECT_TRUE(http.OpenHTTP("127.0.0.1", port));
    std::string reply = http.SendRequest(target, method, "", reload);
    http.CloseHTTP();
    return reply;
}

}  // namespace quarnel::test
