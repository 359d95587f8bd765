// A raw HTTP server on a free loopback port that records every request and
// answers each with the same bytes, so that tests can play well-behaved and
// misbehaving web shops alike.
#pragma once

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quarnel::test {

class LoopbackServer {
  public:
    // reply: the bytes sent after a request has arrived. With keepOpen the
    // connection then stays open and silent until the server goes.
    explicit LoopbackServer(std::string reply, bool keepOpen = false);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int Port() const { return port_; }
    // Each request as received: head and body.
    std::vector<std::string> Requests() const;

    // A complete HTTP/1.1 reply with that body.
    static std::string HttpReply(const std::string& body, const std::string& status = "200 OK");

  private:
    void Serve();
    bool ReadRequest(int connection, std::string& request);
    bool WaitReadable(int fd);

    std::string reply_;
    bool keepOpen_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    int port_ = 0;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A loopback port on which nothing listens.
int ClosedLoopbackPort();

}  // namespace quarnel::test
