// SPDX-License-Identifier: MIT
// The reference web shop as its own process on a loopback port, and orders sent to it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ShopProcess.h"
#include "WebshopTestSupport.h"
#include "base/Ansi.h"

namespace quarnel::test {
namespace {

constexpr const char* kPassword = "p&s #+%";
const std::string kSubmission = "nl/quarnel/quarnel.aspx";
const std::string kOrderPage = "nl/quarnel/quarnelorder.aspx?";

// The raw reply to a request written as is (head without its final blank line).
std::string RawRequest(int port, const std::string& head, const std::string& body = {}) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{.sin_family = AF_INET,
                        .sin_port = htons(static_cast<uint16_t>(port)),
                        .sin_addr = {htonl(INADDR_LOOPBACK)},
                        .sin_zero = {}};
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string request = head + "\r\nConnection: close\r\n\r\n" + body;
    for (size_t sent = 0; sent < request.size();) {
        const ssize_t count =
            ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) break;
        sent += static_cast<size_t>(count);
    }
    std::string reply;
    char chunk[4096];
    for (ssize_t count; (count = ::recv(fd, chunk, sizeof chunk, 0)) > 0;)
        reply.append(chunk, static_cast<size_t>(count));
    ::close(fd);
    return reply;
}

std::string Post(int port, const std::string& body) {
    return RawRequest(port,
                      "POST /nl/quarnel/quarnel.aspx HTTP/1.1\r\nHost: shop\r\n"
                      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                          std::to_string(body.size()),
                      body);
}

class ShopTest : public ::testing::Test {
  protected:
    // Sends the order as jan (or as given); returns the result.
    int32_t Send(clsOrder& order, WebshopIdentification id = {"100", "jan", kPassword}) {
        std::string message;
        return order.SendToWebshop(
            message, {TestHttpApi(), opener_, "127.0.0.1", shop_->Port(), [id] { return id; }});
    }
    // The order page's target, from the URL the program asked to open.
    std::string OrderPageTarget() const {
        const std::string& url = opener_->urls.at(opener_->urls.size() - 1);
        return url.substr(url.find('/', std::string("http://").size()) + 1);
    }
    void StartShop(const std::string& database = {}) {
        shop_.reset();
        shop_.emplace(
            QUARNEL_SHOP_EXE,
            std::vector<std::string>{std::string("100:jan:") + kPassword, "200:piet:geheim"},
            database);
    }

    std::shared_ptr<FakeUrlOpener> opener_ = std::make_shared<FakeUrlOpener>();
    std::optional<ShopProcess> shop_;
};

TEST_F(ShopTest, KeepsOrdersAndShowsEachOnlyToItsDebtor) {
    TempDir dir;
    StartShop(dir.File("shop.db"));
    // Windows-1252 on the wire, UTF-8 in the shop.
    const std::string cafe = "caf\xC3\xA9 \xE2\x82\xAC";
    auto order = MakeOrder({{"4711", 3}, {"0815", 0}, {"<b>&", 12}, {cafe, 1}}, "S1");
    ASSERT_EQ(Send(*order), 0);
    EXPECT_EQ(order->OrderNr(), "1");
    EXPECT_TRUE(
        shop_->NextLogLine().ends_with(" 127.0.0.1 POST /nl/quarnel/quarnel.aspx 200 orderid:1"));
    // The orders outlive the shop's process. The page is UTF-8, which the form client takes
    // for Windows-1252.
    StartShop(dir.File("shop.db"));
    const std::string page = Utf8ToAnsi(Request(shop_->Port(), OrderPageTarget(), {}, "GET"));
    for (const std::string& part : std::vector<std::string>{
             "<span id=\"scanner\">S1</span>", "<td class=\"product\">&lt;b&gt;&amp;</td>",
             "<td class=\"product\">4711</td><td class=\"quantity\">3</td>",
             "<td class=\"product\">0815</td><td class=\"quantity\"></td>",  // no quantity
             "<td class=\"product\">" + cafe + "</td>"})
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
    auto second = MakeOrder({{"1", 1}});
    ASSERT_EQ(Send(*second, {"200", "piet", "geheim"}), 0);
    EXPECT_EQ(second->OrderNr(), "2");
    EXPECT_NE(Request(shop_->Port(), OrderPageTarget(), {}, "GET").find("<h1>Bestelling 2</h1>"),
              std::string::npos);
    for (const std::string query :
         {"order=1&deb=200&user=piet&pass=geheim",            // someone else's order
          "order=1&deb=100&user=jan&pass=p%26s",              // wrong password
          "order=3&deb=100&user=jan&pass=p%26s%20%23%2B%25",  // no such order
          "order=x&deb=100&user=jan&pass=p%26s%20%23%2B%25", "order=1"}) {
        const std::string reply = Request(shop_->Port(), kOrderPage + query, {}, "GET");
        EXPECT_NE(reply.find("Geen toegang"), std::string::npos) << query << ": " << reply;
    }
    // One line per request, none with the password.
    std::vector<std::string> log = {"GET /nl/quarnel/quarnelorder.aspx 200",
                                    "POST /nl/quarnel/quarnel.aspx 200 orderid:2",
                                    "GET /nl/quarnel/quarnelorder.aspx 200"};
    log.resize(8, "GET /nl/quarnel/quarnelorder.aspx 403");
    for (const std::string& end : log) {
        const std::string line = shop_->NextLogLine();
        EXPECT_TRUE(line.ends_with(" 127.0.0.1 " + end)) << line;
        EXPECT_EQ(line.find("p&s"), std::string::npos);
        EXPECT_EQ(line.find("p%26s"), std::string::npos);
    }
}

TEST_F(ShopTest, AnswersEachFormAsTheProtocolSays) {
    StartShop();
    const std::string invalid = "message:Ongeldige inlog";
    const std::string noLines = "message:Bestelling zonder regels (A1 ontbreekt)";
    // The fields after jan's login; one set again replaces the login's.
    const std::vector<std::pair<Fields, std::string>> cases = {
        {{{"pass", "x"}, {"A1", "1"}, {"Q1", ""}}, invalid},
        {{{"deb", "200"}, {"A1", "1"}, {"Q1", ""}}, invalid},
        {{}, noLines},
        {{{"A2", "1"}, {"Q2", "1"}}, noLines},
        {{{"A1", "4711"}}, "message:Regel 1 zonder aantal (Q1 ontbreekt)"},
        {{{"A1", "4711"}, {"Q1", "1"}, {"A2", "0815"}},
         "message:Regel 2 zonder aantal (Q2 ontbreekt)"},
        {{{"A1", "4711"}, {"Q1", "drie"}}, "message:Regel 1: ongeldig aantal"},
        {{{"sid", "S9"}, {"A1", "4711"}, {"Q1", ""}}, "orderid:1"},
    };
    for (const auto& [more, reply] : cases) {
        Fields fields = {{"deb", "100"}, {"user", "jan"}, {"pass", kPassword}};
        fields.insert(fields.end(), more.begin(), more.end());
        EXPECT_EQ(Request(shop_->Port(), kSubmission, fields), reply)
            << testing::PrintToString(more);
    }
    EXPECT_EQ(Request(shop_->Port(), kSubmission,
                      {{"deb", "100"}, {"user", "jan"}, {"A1", "1"}, {"Q1", ""}}),
              invalid);  // no password field
}

TEST_F(ShopTest, BoundsWhatOnePostMayCost) {
    StartShop();
    const std::string login = "deb=100&user=jan&pass=p%26s+%23%2B%25";
    std::string fullScanner = login + "&sid=S1";
    for (int n = 1; n <= 32767; ++n) {
        const std::string number = std::to_string(n);
        fullScanner += "&A" + number + "=8712345678906&Q" + number + "=" + number;
    }
    std::string tooManyFields = login + "&A1=1&Q1=";
    for (int i = 0; i < 70000; ++i) tooManyFields += "&x=";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {fullScanner, "orderid:1"},  // the most a scanner can hold still goes through
        {tooManyFields, "message:Bestelling te groot"},
        {"deb=100&user=jan&pass=wrong&" + fullScanner.substr(login.size() + 1),
         "message:Ongeldige inlog"},
    };
    for (const auto& [body, reply] : cases) {
        const std::string answer = Post(shop_->Port(), body);
        EXPECT_TRUE(answer.starts_with("HTTP/1.1 200 ")) << answer.substr(0, 200);
        EXPECT_TRUE(answer.ends_with("\r\n\r\n" + reply)) << answer.substr(0, 200);
    }
    // A body declared larger than 4 MiB is refused before it is sent.
    EXPECT_TRUE(RawRequest(shop_->Port(),
                           "POST /nl/quarnel/quarnel.aspx HTTP/1.1\r\nHost: shop\r\n"
                           "Content-Length: 4194305")
                    .starts_with("HTTP/1.1 413 "));
}

TEST_F(ShopTest, LogsEachRequestOnOneLine) {
    StartShop();
    // A decoded line end, escape and back slash in the path stay inside their own line.
    RawRequest(shop_->Port(),
               "GET /nl%0A2026-01-01%2000:00:00%20127.0.0.1%20POST%20/x%20200%1B[2J%5C HTTP/1.1"
               "\r\nHost: shop");
    RawRequest(shop_->Port(), "GET /next HTTP/1.1\r\nHost: shop");
    EXPECT_TRUE(shop_->NextLogLine().ends_with(
        " 127.0.0.1 GET /nl\\x0a2026-01-01 00:00:00 127.0.0.1 POST /x 200\\x1b[2J\\\\ 404"));
    EXPECT_TRUE(shop_->NextLogLine().ends_with(" 127.0.0.1 GET /next 404"));
}

}  // namespace
}  // namespace quarnel::test
