// The reference web shop, started as its own process on a loopback port, and
// the program's submission against it.
#include <sqlite3.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "FakeUrlOpener.h"
#include "ShopProcess.h"
#include "TestSupport.h"
#include "WebshopTestSupport.h"
#include "webshop/WebshopLink.h"
#include "webshop/clsHTTP.h"

namespace quarnel::test {
namespace {

constexpr const char* kPassword = "p&s #+%";

class ShopTest : public WebshopTest {
  protected:
    WebshopLink Link(int port, WebshopIdentification identification = {"100", "jan", kPassword}) {
        return WebshopLink{TestHttpApi(), opener_, "127.0.0.1", port,
                           [identification] { return identification; }};
    }

    // One request for target ("path?query") with the given form fields.
    static std::string Request(
        int port, const std::string& target, const std::string& verb,
        const std::vector<std::pair<std::string, std::string>>& fields = {}) {
        clsHTTP http(TestHttpApi());
        for (const auto& [name, value] : fields) http.SetFields(name, value);
        EXPECT_TRUE(http.OpenHTTP("127.0.0.1", port));
        std::string method = verb;
        std::string reply = http.SendRequest(target, method);
        http.CloseHTTP();
        return reply;
    }

    // The order page's target, from the URL the program asked to open.
    std::string OrderPageTarget(int port) const {
        const std::string prefix = "http://127.0.0.1:" + std::to_string(port) + "/";
        EXPECT_FALSE(opener_->urls.empty());
        if (opener_->urls.empty()) return {};
        const std::string& url = opener_->urls.back();
        EXPECT_EQ(url.rfind(prefix, 0), 0u) << url;
        return url.substr(prefix.size());
    }

    ShopProcess StartShop(const std::string& database = {}) {
        return ShopProcess(QUARNEL_SHOP_EXE,
                           {std::string("100:jan:") + kPassword, "200:piet:geheim"}, database);
    }

    std::shared_ptr<FakeUrlOpener> opener_ = std::make_shared<FakeUrlOpener>();
};

TEST_F(ShopTest, AcceptsOrdersAndShowsThemToTheirCustomer) {
    ShopProcess shop = StartShop();
    auto order = MakeOrder("S1", {{"4711", 3}, {"0815", 0}, {"<b>&", 12}});
    std::string message;
    ASSERT_EQ(order->SendToWebshop(message, Link(shop.Port())), 0) << message;
    EXPECT_EQ(order->OrderNr(), "1");

    const std::string page = Request(shop.Port(), OrderPageTarget(shop.Port()), "GET");
    EXPECT_NE(page.find("<span id=\"scanner\">S1</span>"), std::string::npos) << page;
    EXPECT_NE(page.find("<td class=\"product\">4711</td><td class=\"quantity\">3</td>"),
              std::string::npos);
    EXPECT_NE(page.find("<td class=\"product\">0815</td><td class=\"quantity\"></td>"),
              std::string::npos);
    EXPECT_NE(page.find("<td class=\"product\">&lt;b&gt;&amp;</td>"), std::string::npos);

    auto second = MakeOrder("", {{"1", 1}});
    EXPECT_EQ(second->SendToWebshop(message, Link(shop.Port())), 0);
    EXPECT_EQ(second->OrderNr(), "2");

    // One line per request, none with the password.
    const std::vector<std::string> expected = {
        "POST /nl/quarnel/quarnel.aspx 200 orderid:1",
        "GET /nl/quarnel/quarnelorder.aspx 200",
        "POST /nl/quarnel/quarnel.aspx 200 orderid:2",
    };
    for (const std::string& end : expected) {
        const std::string line = shop.NextLogLine();
        EXPECT_TRUE(line.ends_with(" 127.0.0.1 " + end)) << line;
        EXPECT_EQ(line.find("p&s"), std::string::npos);
        EXPECT_EQ(line.find("p%26s"), std::string::npos);
    }
}

TEST_F(ShopTest, AnswersEachFormAsTheProtocolSays) {
    ShopProcess shop = StartShop();
    using Fields = std::vector<std::pair<std::string, std::string>>;
    const Fields login = {{"deb", "100"}, {"user", "jan"}, {"pass", kPassword}};
    auto with = [&login](const Fields& more) {
        Fields fields = login;
        fields.insert(fields.end(), more.begin(), more.end());
        return fields;
    };
    struct Case {
        const char* name;
        Fields fields;
        std::string reply;
    };
    const std::vector<Case> cases = {
        {"wrong password",
         {{"deb", "100"}, {"user", "jan"}, {"pass", "x"}, {"A1", "1"}, {"Q1", ""}},
         "message:Ongeldige inlog"},
        {"other debtor's user",
         {{"deb", "200"}, {"user", "jan"}, {"pass", kPassword}, {"A1", "1"}, {"Q1", ""}},
         "message:Ongeldige inlog"},
        {"no password field",
         {{"deb", "100"}, {"user", "jan"}, {"A1", "1"}, {"Q1", ""}},
         "message:Ongeldige inlog"},
        {"no lines", login, "message:Bestelling zonder regels (A1 ontbreekt)"},
        {"lines not starting at 1", with({{"A2", "1"}, {"Q2", "1"}}),
         "message:Bestelling zonder regels (A1 ontbreekt)"},
        {"A1 without Q1", with({{"A1", "4711"}}), "message:Regel 1 zonder aantal (Q1 ontbreekt)"},
        {"A2 without Q2", with({{"A1", "4711"}, {"Q1", "1"}, {"A2", "0815"}}),
         "message:Regel 2 zonder aantal (Q2 ontbreekt)"},
        {"quantity not a number", with({{"A1", "4711"}, {"Q1", "drie"}}),
         "message:Regel 1: ongeldig aantal"},
        {"accepted", with({{"sid", "S9"}, {"A1", "4711"}, {"Q1", ""}}), "orderid:1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Request(shop.Port(), "nl/quarnel/quarnel.aspx", "POST", c.fields), c.reply);
    }
}

TEST_F(ShopTest, OrderPageIsOnlyForTheOrdersDebtor) {
    ShopProcess shop = StartShop();
    auto order = MakeOrder("S1", {{"4711", 3}});
    std::string message;
    ASSERT_EQ(order->SendToWebshop(message, Link(shop.Port())), 0);
    auto other = MakeOrder("S2", {{"0815", 1}});
    ASSERT_EQ(other->SendToWebshop(message, Link(shop.Port(), {"200", "piet", "geheim"})), 0);
    shop.NextLogLine();
    shop.NextLogLine();

    const std::string page = "nl/quarnel/quarnelorder.aspx?";
    const std::vector<std::string> refused = {
        "order=1&deb=200&user=piet&pass=geheim",            // someone else's order
        "order=1&deb=100&user=jan&pass=p%26s",              // wrong password
        "order=3&deb=100&user=jan&pass=p%26s%20%23%2B%25",  // no such order
        "order=x&deb=100&user=jan&pass=p%26s%20%23%2B%25",
        "order=1",
    };
    for (const std::string& query : refused) {
        SCOPED_TRACE(query);
        const std::string reply = Request(shop.Port(), page + query, "GET");
        EXPECT_NE(reply.find("Geen toegang"), std::string::npos) << reply;
        EXPECT_TRUE(shop.NextLogLine().ends_with("GET /nl/quarnel/quarnelorder.aspx 403"));
    }
    const std::string mine =
        Request(shop.Port(), page + "order=2&deb=200&user=piet&pass=geheim", "GET");
    EXPECT_NE(mine.find("<td class=\"product\">0815</td>"), std::string::npos) << mine;
}

std::vector<std::string> Rows(const std::string& database, const char* sql) {
    sqlite3* db = nullptr;
    std::vector<std::string> rows;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_exec(
            db, sql,
            [](void* out, int columns, char** values, char**) {
                std::string row;
                for (int i = 0; i < columns; ++i)
                    row += (i ? "|" : "") + std::string(values[i] ? values[i] : "");
                static_cast<std::vector<std::string>*>(out)->push_back(row);
                return 0;
            },
            &rows, nullptr);
    }
    sqlite3_close(db);
    return rows;
}

TEST_F(ShopTest, KeepsOrdersInItsDatabase) {
    TempDir dir;
    const std::string database = dir.File("shop.db");
    std::string message;
    {
        ShopProcess shop = StartShop(database);
        // Windows-1252 on the wire, UTF-8 in the shop.
        ASSERT_EQ(MakeOrder("S1", {{"4711", 3}, {"caf\xC3\xA9 \xE2\x82\xAC", 0}})
                      ->SendToWebshop(message, Link(shop.Port())),
                  0);
    }
    {
        ShopProcess shop = StartShop(database);
        auto order = MakeOrder("", {{"9", 9}});
        ASSERT_EQ(order->SendToWebshop(message, Link(shop.Port())), 0);
        EXPECT_EQ(order->OrderNr(), "2");
    }
    EXPECT_EQ(Rows(database, "SELECT number, debtor, scanner_id FROM orders ORDER BY number"),
              (std::vector<std::string>{"1|100|S1", "2|100|"}));
    EXPECT_EQ(Rows(database,
                   "SELECT order_number, position, product, quantity FROM order_lines "
                   "ORDER BY order_number, position"),
              (std::vector<std::string>{"1|1|4711|3", "1|2|caf\xC3\xA9 \xE2\x82\xAC|", "2|1|9|9"}));
}

TEST_F(ShopTest, OrderPageShowsInAHeadlessBrowser) {
    const std::string chromium = "/usr/bin/chromium";
    if (::access(chromium.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "Chromium is not installed at " << chromium
                     << " (scripts/install-deps.sh installs it where the system offers it)";
    }
    ShopProcess shop = StartShop();
    auto order = MakeOrder("S1", {{"4711", 3}, {"0815", 0}});
    std::string message;
    ASSERT_EQ(order->SendToWebshop(message, Link(shop.Port())), 0);
    ASSERT_EQ(opener_->urls.size(), 1u);

    TempDir profile;
    ChildProcess browser(
        {chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
         "--no-first-run", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--user-data-dir=" + profile.Path(), "--dump-dom", opener_->urls[0]},
        true);
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
