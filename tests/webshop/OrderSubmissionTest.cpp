// Posting orders and reading the shop's replies, against loopback servers
// that answer as told.
#include "WebshopTestSupport.h"
#include "app/modTexts.h"

namespace quarnel::test {
namespace {

// The identification as the form and the order page carry it.
const std::string kLogin = "deb=100&user=jan&pass=p%26s%20%23%2B%25";

class OrderSubmissionTest : public ::testing::Test {
  protected:
    WebshopLink Link(int port) {
        return WebshopLink{TestHttpApi(), opener_, "127.0.0.1", port, [] {
                               return WebshopIdentification{"100", "jan", "p&s #+%"};
                           }};
    }
    std::shared_ptr<FakeUrlOpener> opener_ = std::make_shared<FakeUrlOpener>();
};

TEST_F(OrderSubmissionTest, PostsTheFormAndOpensTheOrderPage) {
    LoopbackServer server(HttpReply("orderid:2024-17"));
    auto order = MakeOrder({{"4711", 3}, {"0815", 0}}, "S1");
    std::string message = "unchanged";
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 0);
    EXPECT_EQ(message, "unchanged");
    EXPECT_EQ(order->OrderNr(), "2024-17");
    // Without a scanner there is no sid; quantities below 1 are sent empty.
    EXPECT_EQ(MakeOrder({{"A B", -2}})->SendToWebshop(message, Link(server.Port())), 0);

    ASSERT_EQ(server.Requests().size(), 2u);
    const auto [head, body] = server.Requests()[0];
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "POST /nl/quarnel/quarnel.aspx HTTP/1.1");
    EXPECT_EQ(body, kLogin + "&sid=S1&A1=4711&Q1=3&A2=0815&Q2=");
    EXPECT_EQ(server.Requests()[1].second, kLogin + "&A1=A%20B&Q1=");
    ASSERT_EQ(opener_->urls.size(), 2u);
    EXPECT_EQ(opener_->operations[0], "open");
    EXPECT_EQ(opener_->urls[0], "http://127.0.0.1:" + std::to_string(server.Port()) +
                                    "/nl/quarnel/quarnelorder.aspx?order=2024%2D17&" + kLogin);
}

TEST_F(OrderSubmissionTest, RepliesGiveResultAndMessage) {
    const std::string invalid = GetText(172);
    const std::vector<std::tuple<std::string, int32_t, std::string, std::string>> cases = {
        {HttpReply("ORDERID:17"), 0, "old", "17"},
        {HttpReply("orderid:9:x\r\n"), 0, "old", "9:x\r\n"},
        {HttpReply("Message:ONGELDIGE INLOG"), 5, invalid, ""},
        {HttpReply("message:Ongeldige inlog."), 5, "Ongeldige inlog.", ""},
        {HttpReply(":anything"), 5, invalid, ""},
        {HttpReply("no colon at all"), 5, "", ""},
        {HttpReply("status:ok"), 5, "", ""},
        {HttpReply(""), 5, "", ""},
        {HttpReply("message:gone", "404 Not Found"), 5, "gone", ""},
    };
    for (const auto& [reply, result, expectedMessage, orderNr] : cases) {
        SCOPED_TRACE(reply);
        LoopbackServer server(reply);
        auto order = MakeOrder({{"4711", 1}}, "S1");
        std::string message = "old";
        EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), result);
        EXPECT_EQ(message, expectedMessage);
        EXPECT_EQ(order->OrderNr(), orderNr);
    }
    EXPECT_EQ(opener_->urls.size(), 2u);
}

TEST_F(OrderSubmissionTest, OrdersTheShopCannotTakeAreNotSent) {
    LoopbackServer server(HttpReply("orderid:1"));
    std::string message = "old";
    EXPECT_EQ(MakeOrder({}, "S1")->SendToWebshop(message, Link(server.Port())), 3);
    EXPECT_EQ(message, "old");
    // More lines than the counter holds.
    auto order = MakeOrder(Lines(32768, {"4711", 1}), "S1");
    TraceCapture trace(false, true);
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 5);
    EXPECT_EQ(message, "");
    EXPECT_TRUE(trace.Contains("Error posting order: [6] Overflow (Quarnel)"));
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(OrderSubmissionTest, AcceptedOrderStaysAcceptedWhenNoBrowserOpens) {
    LoopbackServer server(HttpReply("orderid:5"));
    opener_ = std::make_shared<FakeUrlOpener>(platform::SE_ERR_NOASSOC);
    auto order = MakeOrder({{"4711", 1}}, "S1");
    std::string message = "old";
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 4);
    EXPECT_EQ(order->OrderNr(), "5");
    EXPECT_EQ(message, "old");
}

TEST_F(OrderSubmissionTest, TraceFramesTheSubmissionWithoutPassword) {
    LoopbackServer server(HttpReply("message:Ongeldige inlog"));
    auto order = MakeOrder({{"4711", 1}});
    TraceCapture trace;
    std::string message;
    order->SendToWebshop(message, Link(server.Port()));
    const std::vector<std::string> lines = trace.Messages();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "  Entering clsOrder.SendToWebshop");
    EXPECT_EQ(lines.back(),
              "  Exiting clsOrder.SendToWebshop (=5, retMessage = " + GetText(172) + ")");
    EXPECT_TRUE(trace.Contains("  Exiting clsOrder.PostOrder (=1, retInfo = )"));
    EXPECT_EQ(trace.Bytes().find("p&s"), std::string::npos);
    EXPECT_EQ(trace.Bytes().find("p%26s"), std::string::npos);
}

}  // namespace
}  // namespace quarnel::test
