// Posting orders and reading the shop's replies, against loopback servers
// that answer as told.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FakeUrlOpener.h"
#include "LoopbackServer.h"
#include "TestSupport.h"
#include "WebshopTestSupport.h"
#include "app/modTexts.h"
#include "webshop/WebshopLink.h"

namespace quarnel::test {
namespace {

class OrderSubmissionTest : public WebshopTest {
  protected:
    WebshopLink Link(int port) {
        return WebshopLink{TestHttpApi(), opener_, "127.0.0.1", port,
                           [this] { return identification_; }};
    }

    std::shared_ptr<FakeUrlOpener> opener_ = std::make_shared<FakeUrlOpener>();
    WebshopIdentification identification_{"100", "jan", "p&s #+%"};
};

TEST_F(OrderSubmissionTest, PostsTheFormAndOpensTheOrderPage) {
    LoopbackServer server(LoopbackServer::HttpReply("orderid:2024-17"));
    auto order = MakeOrder("S1", {{"4711", 3}, {"0815", 0}});
    std::string message = "unchanged";
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 0);
    EXPECT_EQ(message, "unchanged");
    EXPECT_EQ(order->OrderNr(), "2024-17");

    ASSERT_EQ(server.Requests().size(), 1u);
    const auto [head, body] = SplitRequest(server.Requests()[0]);
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "POST /nl/quarnel/quarnel.aspx HTTP/1.1");
    EXPECT_EQ(body, "deb=100&user=jan&pass=p%26s%20%23%2B%25&sid=S1&A1=4711&Q1=3&A2=0815&Q2=");

    ASSERT_EQ(opener_->urls.size(), 1u);
    EXPECT_EQ(opener_->operations[0], "open");
    EXPECT_EQ(opener_->urls[0], "http://127.0.0.1:" + std::to_string(server.Port()) +
                                    "/nl/quarnel/quarnelorder.aspx?order=2024%2D17&deb=100&user="
                                    "jan&pass=p%26s%20%23%2B%25");
}

TEST_F(OrderSubmissionTest, OrderWithoutScannerSendsNoSid) {
    LoopbackServer server(LoopbackServer::HttpReply("orderid:1"));
    auto order = MakeOrder("", {{"A B", -2}});
    std::string message;
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 0);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(SplitRequest(server.Requests()[0]).second,
              "deb=100&user=jan&pass=p%26s%20%23%2B%25&A1=A%20B&Q1=");
}

TEST_F(OrderSubmissionTest, RepliesGiveResultAndMessage) {
    const std::string invalid = GetText(172);
    struct Case {
        std::string reply;
        int32_t result;
        std::string message;
        std::string orderNr;
    };
    const std::vector<Case> cases = {
        {LoopbackServer::HttpReply("ORDERID:17"), 0, "old", "17"},
        {LoopbackServer::HttpReply("orderid:9:x\r\n"), 0, "old", "9:x\r\n"},
        {LoopbackServer::HttpReply("message:Ongeldige inlog"), 5, invalid, ""},
        {LoopbackServer::HttpReply("Message:ONGELDIGE INLOG"), 5, invalid, ""},
        {LoopbackServer::HttpReply("message:Ongeldige inlog."), 5, "Ongeldige inlog.", ""},
        {LoopbackServer::HttpReply("message:Artikel 4711\r\nbestaat niet"), 5,
         "Artikel 4711\r\nbestaat niet", ""},
        {LoopbackServer::HttpReply(":anything"), 5, invalid, ""},
        {LoopbackServer::HttpReply("no colon at all"), 5, "", ""},
        {LoopbackServer::HttpReply("status:ok"), 5, "", ""},
        {LoopbackServer::HttpReply(""), 5, "", ""},
        {LoopbackServer::HttpReply("message:gone", "404 Not Found"), 5, "gone", ""},
        {"not HTTP at all\r\n\r\n", 5, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        LoopbackServer server(c.reply);
        auto order = MakeOrder("S1", {{"4711", 1}});
        std::string message = "old";
        EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), c.result);
        EXPECT_EQ(message, c.message);
        EXPECT_EQ(order->OrderNr(), c.orderNr);
    }
    EXPECT_EQ(opener_->urls.size(), 2u);
}

TEST_F(OrderSubmissionTest, NothingIsSentForAnEmptyOrder) {
    LoopbackServer server(LoopbackServer::HttpReply("orderid:1"));
    auto order = MakeOrder("S1", {});
    std::string message = "old";
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 3);
    EXPECT_EQ(message, "old");
    EXPECT_TRUE(server.Requests().empty());
}

TEST_F(OrderSubmissionTest, UnreachableShopGivesEmptyMessage) {
    auto order = MakeOrder("S1", {{"4711", 1}});
    std::string message = "old";
    EXPECT_EQ(order->SendToWebshop(message, Link(ClosedLoopbackPort())), 5);
    EXPECT_EQ(message, "");
    EXPECT_TRUE(opener_->urls.empty());
}

TEST_F(OrderSubmissionTest, AcceptedOrderStaysAcceptedWhenNoBrowserOpens) {
    LoopbackServer server(LoopbackServer::HttpReply("orderid:5"));
    opener_ = std::make_shared<FakeUrlOpener>(platform::SE_ERR_NOASSOC);
    auto order = MakeOrder("S1", {{"4711", 1}});
    std::string message = "old";
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 4);
    EXPECT_EQ(order->OrderNr(), "5");
    EXPECT_EQ(message, "old");
}

TEST_F(OrderSubmissionTest, MoreLinesThanTheCounterHoldsAreNotPosted) {
    LoopbackServer server(LoopbackServer::HttpReply("orderid:1"));
    auto order = MakeOrder("S1", {});
    for (int i = 0; i < 32768; ++i) {
        auto line = std::make_shared<clsOrderLine>();
        line->SetProductID("4711");
        order->AddLine(line);
    }
    TraceCapture trace(false, true);
    std::string message = "old";
    EXPECT_EQ(order->SendToWebshop(message, Link(server.Port())), 5);
    EXPECT_EQ(message, "");
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_TRUE(trace.Contains("Error posting order: [6] Overflow (Quarnel)"));
}

TEST_F(OrderSubmissionTest, TraceFramesTheSubmission) {
    LoopbackServer server(LoopbackServer::HttpReply("message:Ongeldige inlog"));
    auto order = MakeOrder("", {{"4711", 1}});
    TraceCapture trace;
    std::string message;
    order->SendToWebshop(message, Link(server.Port()));
    const std::vector<std::string> lines = trace.Messages();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "  Entering clsOrder.SendToWebshop");
    EXPECT_EQ(lines.back(),
              "  Exiting clsOrder.SendToWebshop (=5, retMessage = " + GetText(172) + ")");
    EXPECT_TRUE(trace.Contains("  Entering clsOrder.PostOrder"));
    EXPECT_TRUE(trace.Contains("  Exiting clsOrder.PostOrder (=1, retInfo = )"));
    EXPECT_TRUE(trace.Contains(
        "  Exiting clsHTTP.BuildRequest (=deb=100&user=jan&pass=********&A1=4711&Q1=1)"));
    EXPECT_EQ(trace.Bytes().find("p&s"), std::string::npos);
    EXPECT_EQ(trace.Bytes().find("p%26s"), std::string::npos);
}

}  // namespace
}  // namespace quarnel::test
