// SPDX-License-Identifier: MIT
// The HTTP form client over the system client, against loopback servers.

#include "WebshopTestSupport.h"

namespace quarnel::test {
namespace {

TEST(HttpClientTest, SendsRequestsAsTheFormDictates) {
    // The head and the body the server received.
    auto send = [](const std::string& method, const Fields& fields, bool reload) {
        LoopbackServer server(HttpReply("orderid:1"));
        EXPECT_EQ(Request(server.Port(), "nl/quarnel/quarnel.aspx", fields, method, reload),
                  "orderid:1");
        EXPECT_EQ(server.Requests().size(), 1u);
        return server.Requests().at(0);
    };
    auto has = [](const std::string& head, const std::string& header) {
        return head.find("\r\n" + header) != std::string::npos;
    };
    // Field names ignore case and keep the place they were first set at.
    const Fields fields = {{"y", "1"}, {"x", "2"}, {"Y", "3"}};
    auto [head, body] = send("post", fields, true);
    EXPECT_TRUE(head.starts_with("POST /nl/quarnel/quarnel.aspx HTTP/1.1\r\n")) << head;
    for (const std::string header :
         {"Content-Type: application/x-www-form-urlencoded", "Content-Length: 7",
          "User-Agent: HTTP Client", "Cache-Control: no-cache", "Pragma: no-cache"})
        EXPECT_TRUE(has(head, header + "\r\n")) << header;
    EXPECT_FALSE(has(head, "Expect:") || has(head, "Accept:")) << head;
    EXPECT_EQ(body, "y=3&x=2");

    std::tie(head, body) = send("Get", fields, false);
    EXPECT_TRUE(head.starts_with("GET /nl/quarnel/quarnel.aspx?y=3&x=2 HTTP/1.1\r\n")) << head;
    for (const std::string header : {"Content-Type:", "Content-Length:", "Pragma:", "Cache-"})
        EXPECT_FALSE(has(head, header)) << header;
    EXPECT_EQ(body, "");

    std::tie(head, body) = send("POST", {}, false);
    EXPECT_TRUE(has(head, "Content-Length: 0\r\n") && !has(head, "Content-Type:")) << head;
    EXPECT_EQ(body, "");
}

// The system client's own limits and time-outs are the HTTP contract's.
TEST(HttpClientTest, RepliesFromMisbehavingServers) {
    const std::vector<std::tuple<std::string, bool, std::string>> cases = {
        {HttpReply("<h1>Not found</h1>", "404 Not Found"), false, "<h1>Not found</h1>"},
        {HttpReply("message:caf\xE9"), false, "message:caf\xC3\xA9"},  // Windows-1252 text
        {"SSH-2.0-OpenSSH_9.2\r\n\x01\x02garbage", false, ""},
        {"", true, ""},  // stalls after accepting
        {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\norderid:", true, "orderid:"},
    };
    for (const auto& [served, keepOpen, expected] : cases) {
        LoopbackServer server(served, keepOpen);
        EXPECT_EQ(Request(server.Port(), "x", {{"deb", "1"}}, "POST", true), expected) << served;
    }
}

TEST(HttpClientTest, RefusedOrMissingConnectionGivesEmptyReply) {
    const int closed = LoopbackServer::ClosedPort();
    clsHTTP http(TestHttpApi());
    std::string method = "POST";
    EXPECT_EQ(http.SendRequest("x", method), "");  // never opened
    ASSERT_TRUE(http.OpenHTTP("127.0.0.1", closed));
    EXPECT_EQ(http.SendRequest("x", method), "");
    EXPECT_FALSE(http.OpenHTTP("no host/at all"));
    EXPECT_EQ(http.SendRequest("x", method), "");
    // A NUL must not cut the name short and reach another host.
    EXPECT_FALSE(http.OpenHTTP(std::string("127.0.0.1\0evil", 14), closed));
}

TEST(HttpClientTest, ProxyComesFromTheEnvironment) {
    LoopbackServer proxy(HttpReply("orderid:7")), direct(HttpReply("orderid:8"));
    ScopedEnv useProxy("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port()));
    clsHTTP http(TestHttpApi());
    ASSERT_TRUE(http.OpenHTTP("shop.quarnel.example"));
    std::string method = "POST";
    EXPECT_EQ(http.SendRequest("nl/quarnel/quarnel.aspx", method), "orderid:7");
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_TRUE(proxy.Requests()[0].first.starts_with(
        "POST http://shop.quarnel.example/nl/quarnel/quarnel.aspx HTTP/1.1\r\n"));
    ScopedEnv bypass("no_proxy", "127.0.0.1");
    EXPECT_EQ(Request(direct.Port(), "x"), "orderid:8");
    EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST(HttpClientTest, TraceShowsEachStepButNoPassword) {
    LoopbackServer server(HttpReply("orderid:1"));
    TraceCapture trace;
    std::string method = "post";
    {
        clsHTTP http(TestHttpApi());
        http.SetFields("pass", "geheim");
        ASSERT_TRUE(http.OpenHTTP("127.0.0.1", server.Port(), "jan", "wachtwoord"));
        http.SendRequest("x", method, "", true);
        http.CloseHTTP();
    }
    EXPECT_EQ(method, "POST");
    const std::string read = "  Calling API InternetReadFile...\n  InternetReadFile = True\n";
    EXPECT_EQ(
        trace.Text(),
        "  Initializing clsHTTP object\n"
        "  Property Let clsHTTP.Fields (Name = pass, Value = ********)\n"
        "  Entering clsHTTP.GetFieldIndex (Name = pass, Add = True)\n"
        "  Exiting clsHTTP.GetFieldIndex (=0)\n"
        "  Entering clsHTTP.OpenHTTP (Server = 127.0.0.1, Port = " +
            std::to_string(server.Port()) +
            ", UserName = jan, Password = ********)\n"
            "  Entering clsHTTP.CloseHTTP\n  Exiting clsHTTP.CloseHTTP\n"
            "  Calling API InternetOpen...\n  InternetOpen = 1\n"
            "  Calling API InternetConnect...\n  InternetConnect = 2\n"
            "  Exiting clsHTTP.OpenHTTP (=True)\n"
            "  Entering clsHTTP.SendReqeust (File = x, Method = post, Referer = , Reload = True)\n"
            "  Entering clsHTTP.BuildRequest\n  Exiting clsHTTP.BuildRequest (=pass=********)\n"
            "  Calling API HttpOpenRequest...\n  HttpOpenRequest = 3\n"
            "  Calling API HttpSendRequest\n" +
            read + read +
            "  Calling API InternetCloseHandle (Request)\n"
            "  Exiting clsHTTP.SendRequest (=orderid:1)\n"
            "  Entering clsHTTP.CloseHTTP\n  Calling API InternetCloseHandle (Connection)\n"
            "  Calling API InternetCloseHandle (HTTP)\n  Exiting clsHTTP.CloseHTTP\n"
            "  Terminating clsHTTP object\n");
    EXPECT_EQ(trace.Bytes().find("geheim"), std::string::npos);
    EXPECT_EQ(trace.Bytes().find("wachtwoord"), std::string::npos);
}

}  // namespace
}  // namespace quarnel::test
