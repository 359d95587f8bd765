// SPDX-License-Identifier: MIT
// A raw HTTP server on a loopback port, for clients under test: it records
// each request and answers with fixed bytes. Each platform's folder holds its
// socket code.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quarnel::test {

class LoopbackServer {
  public:
    // Answers every request with reply, then closes the connection; with
    // keepOpen it stays silent until the client goes.
    explicit LoopbackServer(std::string reply, bool keepOpen = false);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const;
    // Each request's head (up to its last line end) and body.
    std::vector<std::pair<std::string, std::string>> Requests() const;

    // A loopback port on which nothing listens.
    static int ClosedPort();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A complete HTTP/1.1 reply with that body.
inline std::string HttpReply(const std::string& body, const std::string& status = "200 OK") {
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

}  // namespace quarnel::test
