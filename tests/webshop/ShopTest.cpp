// The reference web shop, started as its own process on a loopback port, and
// the program's submission against it.
#include <sqlite3.h>

#include "ChildProcess.h"
#include "ShopProcess.h"
#include "WebshopTestSupport.h"

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

TEST_F(ShopTest, AcceptsOrdersAndShowsEachOnlyToItsDebtor) {
    StartShop();
    auto order = MakeOrder({{"4711", 3}, {"0815", 0}, {"<b>&", 12}}, "S1");
    ASSERT_EQ(Send(*order), 0);
    EXPECT_EQ(order->OrderNr(), "1");
    const std::string page = Request(shop_->Port(), OrderPageTarget(), {}, "GET");
    for (const std::string part :
         {"<span id=\"scanner\">S1</span>", "<td class=\"product\">&lt;b&gt;&amp;</td>",
          "<td class=\"product\">4711</td><td class=\"quantity\">3</td>",
          "<td class=\"product\">0815</td><td class=\"quantity\"></td>"}) {
        EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
    }
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
    std::vector<std::string> log = {
        "POST /nl/quarnel/quarnel.aspx 200 orderid:1", "GET /nl/quarnel/quarnelorder.aspx 200",
        "POST /nl/quarnel/quarnel.aspx 200 orderid:2", "GET /nl/quarnel/quarnelorder.aspx 200"};
    log.resize(9, "GET /nl/quarnel/quarnelorder.aspx 403");
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

// The rows a query gives: "|" after each column but the last, " " after each row.
std::string Rows(const std::string& database, const char* sql) {
    sqlite3* db = nullptr;
    std::string rows;
    sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(
        db, sql,
        [](void* out, int columns, char** values, char**) {
            for (int i = 0; i < columns; ++i) {
                *static_cast<std::string*>(out) +=
                    std::string(values[i] ? values[i] : "") + (i + 1 < columns ? "|" : " ");
            }
            return 0;
        },
        &rows, nullptr);
    sqlite3_close(db);
    return rows;
}

TEST_F(ShopTest, KeepsOrdersInItsDatabase) {
    TempDir dir;
    const std::string database = dir.File("shop.db");
    StartShop(database);
    // Windows-1252 on the wire, UTF-8 in the shop.
    ASSERT_EQ(Send(*MakeOrder({{"4711", 3}, {"caf\xC3\xA9 \xE2\x82\xAC", 0}}, "S1")), 0);
    StartShop(database);
    auto order = MakeOrder({{"9", 9}});
    ASSERT_EQ(Send(*order), 0);
    EXPECT_EQ(order->OrderNr(), "2");
    shop_.reset();
    EXPECT_EQ(Rows(database, "SELECT number, debtor, scanner_id FROM orders ORDER BY number"),
              "1|100|S1 2|100| ");
    EXPECT_EQ(Rows(database,
                   "SELECT order_number, position, product, quantity FROM order_lines "
                   "ORDER BY order_number, position"),
              "1|1|4711|3 1|2|caf\xC3\xA9 \xE2\x82\xAC| 2|1|9|9 ");
}

TEST_F(ShopTest, OrderPageShowsInAHeadlessBrowser) {
    const std::string chromium = "/usr/bin/chromium";
    if (::access(chromium.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "Chromium is not installed at " << chromium
                     << " (scripts/install-deps.sh installs it where the system offers it)";
    }
    StartShop();
    ASSERT_EQ(Send(*MakeOrder({{"4711", 3}, {"0815", 0}}, "S1")), 0);
    TempDir profile;
    ChildProcess browser({chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                          "--no-first-run", "--disable-background-networking",
                          "--disable-component-update", "--disable-sync",
                          "--user-data-dir=" + profile.Path(), "--dump-dom", opener_->urls.at(0)});
    const std::string dom = browser.ReadAll(std::chrono::seconds(90));
    EXPECT_EQ(browser.Wait(std::chrono::seconds(30)), 0);
    EXPECT_NE(dom.find("<h1>Bestelling 1</h1>"), std::string::npos) << dom;
    EXPECT_NE(dom.find("<td class=\"product\">4711</td><td class=\"quantity\">3</td>"),
              std::string::npos);
    EXPECT_NE(dom.find("<td class=\"product\">0815</td><td class=\"quantity\"></td>"),
              std::string::npos);
}

}  // namespace
}  // namespace quarnel::test
