// SPDX-License-Identifier: MIT
// Requests reach the server as asked; replies arrive whole whatever their
// status, are cut at 1 MiB, and a reply cut short or stalled is a failure.
// A session that asks for no proxy gets none.
#include "HttpContract.h"

#include <gmock/gmock.h>

#include <chrono>

#include "LoopbackServer.h"
#include "TestSupport.h"

namespace quarnel::test {

// A platform may have no implementation of its own yet.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(HttpContract);

namespace {

using namespace platform;
using namespace std::chrono_literals;
using namespace std::string_literals;

constexpr size_t kReplyCap = kHttpReplyLimit;

// What one exchange gave: whether the request was sent, the body read, and
// whether reading it ended well.
struct Outcome {
    bool sent = false;
    std::string body;
    bool complete = false;
};

class Exchange {
  public:
    explicit Exchange(HttpApi& api) : api_(api) {
        session_ = api.InternetOpenA("Contract", INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
    }
    ~Exchange() {
        for (HINTERNET handle : {request_, connection_, session_})
            if (handle != 0) api_.InternetCloseHandle(handle);
    }
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;

    Outcome Run(const std::string& host, int port, const std::string& verb = "POST",
                const std::string& path = "/x", const std::string& headers = "",
                const std::string& body = "") {
        Outcome outcome;
        connection_ = api_.InternetConnectA(session_, host, static_cast<uint16_t>(port), "", "",
                                            INTERNET_SERVICE_HTTP, 0, 0);
        if (connection_ == 0) return outcome;
        request_ =
            api_.HttpOpenRequestA(connection_, verb, path, "HTTP/1.1", "", INTERNET_FLAG_RELOAD, 0);
        if (request_ == 0) return outcome;
        outcome.sent = api_.HttpSendRequestA(request_, headers, body);
        if (!outcome.sent) return outcome;
        char buffer[8192];
        for (;;) {
            uint32_t read = 0;
            if (!api_.InternetReadFile(request_, buffer, sizeof buffer, &read)) break;
            if (read == 0) {
                outcome.complete = true;
                break;
            }
            outcome.body.append(buffer, read);
        }
        return outcome;
    }

    HINTERNET session_ = 0, connection_ = 0, request_ = 0;

  private:
    HttpApi& api_;
};

std::shared_ptr<HttpApi> Api(std::chrono::milliseconds noData = 30s) {
    return HttpContract::GetParam().make(HttpTimeouts{30s, noData});
}

TEST_P(HttpContract, RequestsArriveAsAskedAndRepliesWholeWhateverTheStatus) {
    auto api = Api();
    const std::string body = "deb=1&pass=x%26y";
    for (const auto& [status, reply] :
         {std::pair("200 OK", "orderid:1"s), std::pair("404 Not Found", "<h1>Not found</h1>"s),
          std::pair("500 Internal Server Error", ""s)}) {
        LoopbackServer server(HttpReply(reply, status));
        Exchange exchange(*api);
        const Outcome outcome =
            exchange.Run("127.0.0.1", server.Port(), "POST", "/nl/quarnel/quarnel.aspx",
                         "Content-Type: application/x-www-form-urlencoded\r\n", body);
        EXPECT_TRUE(outcome.sent && outcome.complete) << status;
        EXPECT_EQ(outcome.body, reply);
        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 1u);
        const auto& [head, received] = requests[0];
        EXPECT_TRUE(head.starts_with("POST /nl/quarnel/quarnel.aspx HTTP/1.1\r\n")) << head;
        EXPECT_NE(head.find("\r\nContent-Type: application/x-www-form-urlencoded\r\n"),
                  std::string::npos)
            << head;
        EXPECT_EQ(received, body);
    }
    LoopbackServer server(HttpReply("ok"));
    Exchange exchange(*api);
    EXPECT_EQ(exchange.Run("127.0.0.1", server.Port(), "GET", "/x?a=1").body, "ok");
    EXPECT_TRUE(server.Requests().at(0).first.starts_with("GET /x?a=1 HTTP/1.1\r\n"));
}

TEST_P(HttpContract, RepliesStopAtOneMebibyteAndAReplyCutShortFails) {
    auto api = Api();
    const struct {
        std::string served;
        size_t bodySize;
        bool complete;
    } cases[] = {
        {HttpReply(std::string(kReplyCap, 'x')), kReplyCap, true},
        {HttpReply(std::string(kReplyCap + 1, 'x')), kReplyCap, false},
        {HttpReply(std::string(2 * kReplyCap, 'x')), kReplyCap, false},
        // The server closes before the length it announced.
        {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\norderid:", 8, false},
        // A reply without content has no body, whatever length it names.
        {"HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", 0, true},
        // Without a length the body ends where the connection does.
        {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\norderid:", 8, true},
        // A chunked body ends with its empty last chunk, and only there.
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8\r\norderid:\r\n0\r\n\r\n", 8,
         true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n8\r\norderid:\r\n", 8,
         !HttpContract::GetParam().seesBrokenChunks},
    };
    for (const auto& [served, bodySize, complete] : cases) {
        LoopbackServer server(served);
        Exchange exchange(*api);
        const Outcome outcome = exchange.Run("127.0.0.1", server.Port());
        EXPECT_TRUE(outcome.sent);
        EXPECT_EQ(outcome.body.size(), bodySize) << served.size();
        EXPECT_EQ(outcome.complete, complete) << served.size();
    }
}

TEST_P(HttpContract, SilentOrForeignServersAndMissingOnesFail) {
    // No data for longer than the time-out: before the reply, or inside its body.
    auto api = Api(500ms);
    {
        LoopbackServer silent("", true);
        Exchange exchange(*api);
        EXPECT_FALSE(exchange.Run("127.0.0.1", silent.Port()).sent);
    }
    {
        LoopbackServer stalled("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\norderid:", true);
        Exchange exchange(*api);
        const Outcome outcome = exchange.Run("127.0.0.1", stalled.Port());
        EXPECT_FALSE(outcome.complete);
        EXPECT_TRUE(outcome.body.empty() || outcome.body == "orderid:") << outcome.body;
    }
    Exchange refused(*api);
    EXPECT_FALSE(refused.Run("127.0.0.1", LoopbackServer::ClosedPort()).sent);
    // Whatever a server says that is not HTTP/1.x is no reply.
    LoopbackServer foreign("SSH-2.0-OpenSSH_9.2\r\n\x01\x02garbage");
    Exchange greeted(*api);
    EXPECT_FALSE(greeted.Run("127.0.0.1", foreign.Port()).sent);
}

TEST_P(HttpContract, DirectSessionsIgnoreTheProxyVariables) {
    LoopbackServer proxy(HttpReply("from the proxy")), server(HttpReply("direct"));
    const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.Port());
    ScopedEnv http("http_proxy", proxyUrl), all("all_proxy", proxyUrl);
    auto api = Api();
    Exchange exchange(*api);
    EXPECT_EQ(exchange.Run("127.0.0.1", server.Port()).body, "direct");
    EXPECT_TRUE(proxy.Requests().empty());
}

TEST_P(HttpContract, HandlesAreCheckedAndBadNamesRefused) {
    auto api = Api();
    const HINTERNET session = api->InternetOpenA("Contract", INTERNET_OPEN_TYPE_DIRECT, "", "", 0);
    ASSERT_NE(session, 0);
    // A NUL must not cut the name short and reach another host.
    for (const std::string& host : {"no host/at all"s, "127.0.0.1\0evil"s, ""s})
        EXPECT_EQ(api->InternetConnectA(session, host, 80, "", "", INTERNET_SERVICE_HTTP, 0, 0), 0)
            << host;
    LoopbackServer server(HttpReply("ok"));
    const HINTERNET connection =
        api->InternetConnectA(session, "127.0.0.1", static_cast<uint16_t>(server.Port()), "", "",
                              INTERNET_SERVICE_HTTP, 0, 0);
    ASSERT_NE(connection, 0);
    const HINTERNET request = api->HttpOpenRequestA(connection, "POST", "/x", "", "", 0, 0);
    ASSERT_NE(request, 0);
    char buffer[16];
    uint32_t read = 99;
    EXPECT_FALSE(api->InternetReadFile(request, buffer, sizeof buffer, &read));  // not sent yet
    EXPECT_EQ(read, 0u);
    EXPECT_TRUE(api->InternetCloseHandle(request));
    EXPECT_FALSE(api->InternetCloseHandle(request));
    EXPECT_FALSE(api->HttpSendRequestA(request, "", ""));
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(api->InternetCloseHandle(connection));
    EXPECT_EQ(api->HttpOpenRequestA(connection, "POST", "/x", "", "", 0, 0), 0);
    EXPECT_TRUE(api->InternetCloseHandle(session));
}

}  // namespace
}  // namespace quarnel::test
