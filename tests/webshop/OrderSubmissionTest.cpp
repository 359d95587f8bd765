// SPDX-License-Identifier: MIT
// Posting orders and reading the shop's replies, against loopback servers.
#include "WebshopTestSupport.h"
#include "base/modTexts.h"

namespace quarnel::test {
namespace {

// The identification as the form and the order page carry it.
const std::string kLogin = "deb=100&user=jan&pass=p%26s%20%23%2B%25";

std::string Repeat(const std::string& text, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

// Sends the order to the loopback port; returns the result.
int32_t Send(clsOrder& order, int port, std::string& message,
             std::shared_ptr<FakeUrlOpener> opener = std::make_shared<FakeUrlOpener>()) {
    return order.SendToWebshop(message, {TestHttpApi(), opener, "127.0.0.1", port, [] {
                                             return WebshopIdentification{"100", "jan", "p&s #+%"};
                                         }});
}

TEST(OrderSubmissionTest, PostsTheFormAndOpensTheOrderPage) {
    LoopbackServer server(HttpReply("orderid:2024-17"));
    auto opener = std::make_shared<FakeUrlOpener>();
    auto order = MakeOrder({{"4711", 3}, {"0815", 0}}, "S1");
    std::string message = "unchanged";
    EXPECT_EQ(Send(*order, server.Port(), message, opener), 0);
    EXPECT_EQ(order->OrderNr(), "2024-17");
    // Without a scanner there is no sid; quantities below 1 are sent empty.
    EXPECT_EQ(Send(*MakeOrder({{"A B", -2}}), server.Port(), message), 0);
    // An accepted order stays accepted when no browser opens.
    order = MakeOrder({{"4711", 1}});
    EXPECT_EQ(Send(*order, server.Port(), message,
                   std::make_shared<FakeUrlOpener>(platform::SE_ERR_NOASSOC)),
              4);
    EXPECT_EQ(order->OrderNr(), "2024-17");
    EXPECT_EQ(message, "unchanged");

    ASSERT_EQ(server.Requests().size(), 3u);
    EXPECT_EQ(server.Requests()[0].second, kLogin + "&sid=S1&A1=4711&Q1=3&A2=0815&Q2=");
    EXPECT_EQ(server.Requests()[1].second, kLogin + "&A1=A%20B&Q1=");
    EXPECT_EQ(opener->operations, std::vector<std::string>{"open"});
    EXPECT_EQ(opener->urls[0], "http://127.0.0.1:" + std::to_string(server.Port()) +
                                   "/nl/quarnel/quarnelorder.aspx?order=2024%2D17&" + kLogin);
}

TEST(OrderSubmissionTest, RepliesGiveResultAndMessage) {
    const std::string invalid = GetText(172);
    const std::vector<std::tuple<std::string, int32_t, std::string, std::string>> cases = {
        {HttpReply("ORDERID:17"), 0, "old", "17"},
        {HttpReply("orderid:9:x"), 0, "old", "9:x"},
        // 64 characters, each two bytes long in UTF-8, are a number.
        {HttpReply("orderid:" + std::string(64, '\xE9')), 0, "old", Repeat("\xC3\xA9", 64)},
        // An acceptance without a usable number would open no order's page.
        {HttpReply("orderid:"), 5, "", ""},
        {HttpReply("orderid:" + std::string(65, '7')), 5, "", ""},
        // A line end after the number is taken off; one inside it is no number.
        {HttpReply("orderid:9\r\n"), 0, "old", "9"},
        {HttpReply("orderid:9\r\n1"), 5, "", ""},
        {HttpReply("orderid:9\t1"), 5, "", ""},
        {HttpReply("orderid:9\x7F"), 5, "", ""},
        {HttpReply("orderid:9\x81"), 5, "", ""},  // a C1 control once read as Windows-1252
        {HttpReply("Message:ONGELDIGE INLOG"), 5, invalid, ""},
        {HttpReply("message:Ongeldige inlog."), 5, "Ongeldige inlog.", ""},
        {HttpReply(":anything"), 5, invalid, ""},
        {HttpReply("no colon at all"), 5, "", ""},
        {HttpReply("status:ok"), 5, "", ""},
        {HttpReply(""), 5, "", ""},
        {HttpReply("message:gone", "404 Not Found"), 5, "gone", ""},
        // 1,000 characters, the last of them two bytes long in UTF-8, are not cut.
        {HttpReply("message:" + std::string(999, 'm') + "\xE9"), 5,
         std::string(999, 'm') + "\xC3\xA9", ""},
    };
    auto opener = std::make_shared<FakeUrlOpener>();
    for (const auto& [reply, result, expectedMessage, orderNr] : cases) {
        SCOPED_TRACE(reply);
        LoopbackServer server(reply);
        auto order = MakeOrder({{"4711", 1}}, "S1");
        std::string message = "old";
        EXPECT_EQ(Send(*order, server.Port(), message, opener), result);
        EXPECT_EQ(message, expectedMessage);
        EXPECT_EQ(order->OrderNr(), orderNr);
    }
    EXPECT_EQ(opener->urls.size(), 4u);
}

TEST(OrderSubmissionTest, OrdersTheShopCannotTakeAreNotSent) {
    LoopbackServer server(HttpReply("orderid:1"));
    std::string message = "old";
    EXPECT_EQ(Send(*MakeOrder({}, "S1"), server.Port(), message), 3);
    EXPECT_EQ(message, "old");
    TraceCapture trace(false, true);  // more lines than the counter holds
    EXPECT_EQ(Send(*MakeOrder(Lines(32768, {"4711", 1}), "S1"), server.Port(), message), 5);
    EXPECT_EQ(message, "");
    EXPECT_TRUE(trace.Contains("Error posting order: [6] Overflow (Quarnel)"));
    EXPECT_TRUE(server.Requests().empty());
}

TEST(OrderSubmissionTest, RepliesCutShortAreFailedExchanges) {
    // The connection closes, or stalls past the time-out, before the body is
    // complete: "orderid:12" must not be taken for order 12.
    const std::string cut =
        "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 11\r\n\r\norderid:12";
    auto opener = std::make_shared<FakeUrlOpener>();
    for (bool stalls : {false, true}) {
        SCOPED_TRACE(stalls);
        LoopbackServer server(cut, stalls);
        auto order = MakeOrder({{"4711", 1}}, "S1");
        TraceCapture trace(false, true);
        std::string message = "old";
        EXPECT_EQ(Send(*order, server.Port(), message, opener), 6);
        EXPECT_EQ(order->OrderNr(), "");
        EXPECT_EQ(message, "old");
        EXPECT_TRUE(trace.Contains(
            "Error sending order to webshop: [12030] The connection with the server was "
            "terminated before the reply was complete (Quarnel)"));
    }
    EXPECT_TRUE(opener->urls.empty());
}

TEST(OrderSubmissionTest, LongRepliesAreCutForTraceAndUser) {
    // 1,200 characters, the last 201 of them two bytes long in UTF-8; none is cut in half.
    const std::string shopText = std::string(999, 'm') + std::string(201, '\xE9');
    LoopbackServer server(HttpReply("message:" + shopText));
    auto order = MakeOrder({{"4711", 1}});
    TraceCapture trace;
    std::string message;
    EXPECT_EQ(Send(*order, server.Port(), message), 5);
    EXPECT_EQ(message, std::string(999, 'm') + "\xC3\xA9...");
    // The reply and the information each once, the message once more; the trace is Windows-1252.
    const std::string traced = std::string(999, 'm') + "\xE9...";
    EXPECT_TRUE(trace.Contains("  Exiting clsHTTP.SendRequest (=message:" + std::string(992, 'm') +
                               "...)"));
    EXPECT_TRUE(trace.Contains("  Exiting clsOrder.PostOrder (=3, retInfo = " + traced + ")"));
    for (const std::string& line : trace.Messages()) EXPECT_LT(line.size(), 1100u);
    // The submission is framed in the trace, which never shows the password.
    EXPECT_EQ(trace.Messages().front(), "  Entering clsOrder.SendToWebshop");
    EXPECT_EQ(trace.Messages().back(),
              "  Exiting clsOrder.SendToWebshop (=5, retMessage = " + traced + ")");
    for (const char* password : {"p&s", "p%26s"})
        EXPECT_EQ(trace.Bytes().find(password), std::string::npos);
}

}  // namespace
}  // namespace quarnel::test
