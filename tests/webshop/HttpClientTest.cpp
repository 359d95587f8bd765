// The HTTP form client over the system client, against loopback servers.
#include <cctype>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LoopbackServer.h"
#include "TestSupport.h"
#include "WebshopTestSupport.h"
#include "webshop/clsHTTP.h"
#include "webshop/clsURLChecker.h"

namespace quarnel::test {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class HttpClientTest : public WebshopTest {
  protected:
    // One request with the given fields; returns the reply.
    std::string Send(int port, const Fields& fields, std::string& method, bool reload,
                     const std::string& file = "nl/quarnel/quarnel.aspx") {
        clsHTTP http(TestHttpApi());
        for (const auto& [name, value] : fields) http.SetFields(name, value);
        EXPECT_TRUE(http.OpenHTTP("127.0.0.1", port));
        std::string reply = http.SendRequest(file, method, "", reload);
        http.CloseHTTP();
        return reply;
    }
};

TEST_F(HttpClientTest, SendsRequestsAsTheFormDictates) {
    struct Case {
        const char* name;
        std::string method;
        Fields fields;
        bool reload;
        std::string requestLine;
        std::vector<std::string> headers;
        std::vector<std::string> absentHeaders;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"post with fields and reload",
         "post",
         {{"x", "1"}, {"y", "2"}},
         true,
         "POST /nl/quarnel/quarnel.aspx HTTP/1.1",
         {"Content-Type: application/x-www-form-urlencoded", "Content-Length: 7",
          "User-Agent: HTTP Client", "Cache-Control: no-cache", "Pragma: no-cache"},
         {"Expect:", "Accept:"},
         "x=1&y=2"},
        {"get puts the form into the query",
         "Get",
         {{"x", "1"}, {"y", "2"}},
         false,
         "GET /nl/quarnel/quarnel.aspx?x=1&y=2 HTTP/1.1",
         {"User-Agent: HTTP Client"},
         {"Content-Type:", "Content-Length:", "Pragma:", "Cache-Control:"},
         ""},
        {"post without fields has neither header nor body",
         "POST",
         {},
         false,
         "POST /nl/quarnel/quarnel.aspx HTTP/1.1",
         {"Content-Length: 0"},
         {"Content-Type:"},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(LoopbackServer::HttpReply("orderid:1"));
        std::string method = c.method;
        EXPECT_EQ(Send(server.Port(), c.fields, method, c.reload), "orderid:1");
        EXPECT_EQ(method, Upper(c.method));
        ASSERT_EQ(server.Requests().size(), 1u);
        const auto [head, body] = SplitRequest(server.Requests()[0]);
        EXPECT_EQ(head.substr(0, head.find("\r\n")), c.requestLine);
        for (const std::string& header : c.headers) {
            EXPECT_NE(head.find("\r\n" + header + "\r\n"), std::string::npos) << header;
        }
        for (const std::string& header : c.absentHeaders) {
            EXPECT_EQ(head.find("\r\n" + header), std::string::npos) << header;
        }
        EXPECT_EQ(body, c.body);
    }
}

TEST_F(HttpClientTest, FieldNamesIgnoreCaseAndKeepTheirPlace) {
    LoopbackServer server(LoopbackServer::HttpReply("ok"));
    clsHTTP http(TestHttpApi());
    http.SetFields("deb", "1");
    http.SetFields("user", "jan");
    http.SetFields("DEB", "2");
    EXPECT_EQ(http.Fields("Deb"), "2");
    EXPECT_EQ(http.Fields("unknown"), "");
    std::string expected = "deb=2&user=jan";
    for (int i = 1; i <= 12; ++i) {
        http.SetFields("f" + std::to_string(i), std::to_string(i));
        expected += "&f" + std::to_string(i) + "=" + std::to_string(i);
    }
    ASSERT_TRUE(http.OpenHTTP("127.0.0.1", server.Port()));
    std::string method = "POST";
    http.SendRequest("/form", method);
    http.CloseHTTP();
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(SplitRequest(server.Requests()[0]).second, expected);
}

TEST(URLEncodeTest, EncodesWindows1252Bytes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a b-c", "a%20b%2Dc"},
        {"AZaz09", "AZaz09"},
        {"_.~+&=%", "%5F%2E%7E%2B%26%3D%25"},
        {"\xC3\xA9", "%E9"},      // é
        {"\xE2\x82\xAC", "%80"},  // €, a byte of Windows-1252
        {"\xE4\xB8\xAD", "%3F"},  // a character Windows-1252 lacks
        {"", ""},
    };
    for (const auto& [text, encoded] : cases) EXPECT_EQ(clsHTTP::URLEncode(text), encoded) << text;
}

TEST_F(HttpClientTest, RepliesFromMisbehavingServers) {
    struct Case {
        const char* name;
        std::string reply;
        bool keepOpen;
        std::string expected;
    };
    const std::string twoMiB(2 * 1024 * 1024, 'x');
    const std::vector<Case> cases = {
        {"error page is a reply", LoopbackServer::HttpReply("<h1>Not found</h1>", "404 Not Found"),
         false, "<h1>Not found</h1>"},
        {"text without colon", LoopbackServer::HttpReply("hello"), false, "hello"},
        {"colon only", LoopbackServer::HttpReply(":x"), false, ":x"},
        {"Windows-1252 text", LoopbackServer::HttpReply("message:caf\xE9"), false,
         "message:caf\xC3\xA9"},
        {"bytes that are not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\x01\x02garbage", false, ""},
        {"body cut at 1 MiB", LoopbackServer::HttpReply(twoMiB), false,
         std::string(1024 * 1024, 'x')},
        {"stalls after accepting", "", true, ""},
        {"stalls in the body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\norderid:", true,
         "orderid:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.reply, c.keepOpen);
        const auto start = std::chrono::steady_clock::now();
        std::string method = "POST";
        const std::string reply = Send(server.Port(), {{"deb", "1"}}, method, true);
        EXPECT_EQ(reply.size(), c.expected.size());
        EXPECT_TRUE(reply == c.expected);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    }
}

TEST_F(HttpClientTest, RefusedOrMissingConnectionGivesEmptyReply) {
    clsHTTP http(TestHttpApi());
    std::string method = "POST";
    EXPECT_EQ(http.SendRequest("x", method), "");  // never opened
    ASSERT_TRUE(http.OpenHTTP("127.0.0.1", ClosedLoopbackPort()));
    EXPECT_EQ(http.SendRequest("x", method), "");
    EXPECT_FALSE(http.OpenHTTP("no host/at all"));
    EXPECT_EQ(http.SendRequest("x", method), "");
    http.CloseHTTP();
}

TEST_F(HttpClientTest, ReadsTheBodyIn1024BytePieces) {
    LoopbackServer server(LoopbackServer::HttpReply(std::string(2500, 'b')));
    platform::CurlHttp api;
    const auto session = api.InternetOpenA("HTTP Client", 0, "", "", 0);
    const auto connection =
        api.InternetConnectA(session, "127.0.0.1", static_cast<uint16_t>(server.Port()), "", "",
                             platform::INTERNET_SERVICE_HTTP, 0, 0);
    const auto request = api.HttpOpenRequestA(connection, "GET", "x", "HTTP/1.1", "", 0, 0);
    ASSERT_TRUE(api.HttpSendRequestA(request, "", ""));
    std::vector<uint32_t> sizes;
    char buffer[4096];
    uint32_t read = 0;
    while (api.InternetReadFile(request, buffer, 1024, &read) && read > 0) sizes.push_back(read);
    EXPECT_EQ(sizes, (std::vector<uint32_t>{1024, 1024, 452}));
    for (auto handle : {request, connection, session}) EXPECT_TRUE(api.InternetCloseHandle(handle));
}

TEST_F(HttpClientTest, ProxyComesFromTheEnvironment) {
    LoopbackServer proxy(LoopbackServer::HttpReply("orderid:7"));
    ScopedEnv useProxy("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.Port()));
    {
        clsHTTP http(TestHttpApi());
        http.SetFields("deb", "1");
        ASSERT_TRUE(http.OpenHTTP("shop.quarnel.example"));
        std::string method = "POST";
        EXPECT_EQ(http.SendRequest("nl/quarnel/quarnel.aspx", method, "", true), "orderid:7");
        http.CloseHTTP();
    }
    ASSERT_EQ(proxy.Requests().size(), 1u);
    EXPECT_EQ(proxy.Requests()[0].rfind(
                  "POST http://shop.quarnel.example/nl/quarnel/quarnel.aspx HTTP/1.1\r\n", 0),
              0u);

    LoopbackServer direct(LoopbackServer::HttpReply("orderid:8"));
    ScopedEnv bypass("no_proxy", "127.0.0.1");
    std::string method = "POST";
    EXPECT_EQ(Send(direct.Port(), {}, method, false), "orderid:8");
    EXPECT_EQ(proxy.Requests().size(), 1u);
}

TEST_F(HttpClientTest, TraceShowsEachStepButNoPassword) {
    LoopbackServer server(LoopbackServer::HttpReply("orderid:1"));
    TraceCapture trace;
    {
        clsHTTP http(TestHttpApi());
        http.SetFields("deb", "100");
        http.SetFields("pass", "geheim");
        ASSERT_TRUE(http.OpenHTTP("127.0.0.1", server.Port(), "jan", "wachtwoord"));
        std::string method = "post";
        http.SendRequest("x", method, "", true);
        http.CloseHTTP();
    }
    const std::string port = std::to_string(server.Port());
    const std::vector<std::string> expected = {
        "  Initializing clsHTTP object",
        "  Property Let clsHTTP.Fields (Name = deb, Value = 100)",
        "  Entering clsHTTP.GetFieldIndex (Name = deb, Add = True)",
        "  Exiting clsHTTP.GetFieldIndex (=0)",
        "  Property Let clsHTTP.Fields (Name = pass, Value = ********)",
        "  Entering clsHTTP.GetFieldIndex (Name = pass, Add = True)",
        "  Exiting clsHTTP.GetFieldIndex (=1)",
        "  Entering clsHTTP.OpenHTTP (Server = 127.0.0.1, Port = " + port +
            ", UserName = jan, Password = ********)",
        "  Entering clsHTTP.CloseHTTP",
        "  Exiting clsHTTP.CloseHTTP",
        "  Calling API InternetOpen...",
        "  InternetOpen = 1",
        "  Calling API InternetConnect...",
        "  InternetConnect = 2",
        "  Exiting clsHTTP.OpenHTTP (=True)",
        "  Entering clsHTTP.SendReqeust (File = x, Method = post, Referer = , Reload = True)",
        "  Entering clsHTTP.BuildRequest",
        "  Exiting clsHTTP.BuildRequest (=deb=100&pass=********)",
        "  Calling API HttpOpenRequest...",
        "  HttpOpenRequest = 3",
        "  Calling API HttpSendRequest",
        "  Calling API InternetReadFile...",
        "  InternetReadFile = True",
        "  Calling API InternetReadFile...",
        "  InternetReadFile = True",
        "  Calling API InternetCloseHandle (Request)",
        "  Exiting clsHTTP.SendRequest (=orderid:1)",
        "  Entering clsHTTP.CloseHTTP",
        "  Calling API InternetCloseHandle (Connection)",
        "  Calling API InternetCloseHandle (HTTP)",
        "  Exiting clsHTTP.CloseHTTP",
        "  Terminating clsHTTP object",
    };
    EXPECT_EQ(trace.Messages(), expected);
    EXPECT_EQ(trace.Bytes().find("geheim"), std::string::npos);
    EXPECT_EQ(trace.Bytes().find("wachtwoord"), std::string::npos);
}

TEST(URLCheckerTest, AcceptsOnlyAbsoluteUrlsWithAScheme) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"http://shop.quarnel.example/nl/quarnel/quarnelorder.aspx?order=1&deb=2", true},
        {"https://example.com", true},
        {"shop.quarnel.example/nl", false},
        {"http://exa mple.com/", false},
        {"", false},
    };
    clsURLChecker checker;
    for (const auto& [url, valid] : cases) EXPECT_EQ(checker.URLAvailable(url), valid) << url;
}

}  // namespace
}  // namespace quarnel::test
