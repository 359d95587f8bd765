// SPDX-License-Identifier: MIT
// The reference web shop as its own process on a loopback port, and orders sent to it.
#include "ShopProcess.h"
#include "WebshopTestSupport.h"
#include "base/Ansi.h"

namespace quarnel::test {
namespace {

constexpr const char* kPassword = "p&s #+%";
const std::string kSubmission = "nl/quarnel/quarnel.aspx";
const std::string kOrderPage = "nl/quarnel/quarnelorder.aspx?";

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

}  // namespace
}  // namespace quarnel::test
