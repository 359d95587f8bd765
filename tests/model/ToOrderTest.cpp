#include <gtest/gtest.h>

#include <algorithm>

#include "FakeRegistry.h"
#include "ModelTestHelpers.h"
#include "TestSupport.h"
#include "app/modMain.h"
#include "model/Limits.h"

namespace quarnel {
namespace {

using test::Lines;
using test::LinesOf;
using test::MakeSession;

class ToOrderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Main("", {std::make_shared<test::FakeRegistry>(), dir_.Path(), "/usr/bin/quarnel"});
    }
    void TearDown() override { ExitApplication(); }

    Lines Generate(const std::vector<std::string>& barcodes, int32_t positioning) {
        Settings()->SetQuantityPositioning(positioning);
        std::shared_ptr<clsOrder> order = MakeSession(barcodes)->ToOrder();
        if (!order) ADD_FAILURE() << "no order";
        return order ? LinesOf(*order) : Lines{};
    }

    test::TempDir dir_;
};

TEST_F(ToOrderTest, PairsQuantitiesInBothModes) {
    struct Case {
        std::vector<std::string> barcodes;
        Lines after;   // QuantityPositioning 1
        Lines before;  // QuantityPositioning 0
    } cases[] = {
        {{"P1", "Q0003", "P2", "Q0005"}, {{"P1", 3}, {"P2", 5}}, {{"P1", 0}, {"P2", 3}}},
        {{"Q0003", "P1", "Q0005", "P2"}, {{"P1", 5}, {"P2", 0}}, {{"P1", 3}, {"P2", 5}}},
        {{"P1", "Q0002", "Q0003"}, {{"P1", 5}}, {{"P1", 0}}},
        {{"Q0002", "Q0003", "P1"}, {{"P1", 0}}, {{"P1", 5}}},
        {{"P1", "P1", "P2"}, {{"P1", 0}, {"P1", 0}, {"P2", 0}}, {{"P1", 0}, {"P1", 0}, {"P2", 0}}},
        {{"P1", "Q0000", "P2"}, {{"P1", 0}, {"P2", 0}}, {{"P1", 0}, {"P2", 0}}},
        {{"P1", "Q0004", "P1"}, {{"P1", 4}, {"P1", 0}}, {{"P1", 0}, {"P1", 4}}},
        {{}, {}, {}},
        {{"Q0001", "Q0002"}, {}, {}},
        // Only "Q" and four characters forming a number make a quantity.
        {{"P1", "Q0012", "q0012", "Q012", "Q00012", "Q12A4"},
         {{"P1", 12}, {"q0012", 0}, {"Q012", 0}, {"Q00012", 0}, {"Q12A4", 0}},
         {{"P1", 0}, {"q0012", 12}, {"Q012", 0}, {"Q00012", 0}, {"Q12A4", 0}}},
        {{"P1", "Q 12 ", "P2", "Q1e02"}, {{"P1", 12}, {"P2", 100}}, {{"P1", 0}, {"P2", 12}}},
        // A negative quantity is carried on to the next product.
        {{"P1", "Q-001", "P2", "Q0003"}, {{"P1", 0}, {"P2", 2}}, {{"P1", 0}, {"P2", 0}}},
        // Sums are rounded with halves to the even neighbour.
        {{"A", "Q00.5", "B", "Q01.5", "C", "Q02.5", "D", "Q03.5", "E", "Q-0.5"},
         {{"A", 0}, {"B", 2}, {"C", 2}, {"D", 4}, {"E", 0}},
         {{"A", 0}, {"B", 0}, {"C", 2}, {"D", 2}, {"E", 4}}},
        {{"P1", "Q00.6", "Q00.6"}, {{"P1", 2}}, {{"P1", 0}}},
        // An empty product barcode leaves no product pending.
        {{"Q0003", ""}, {}, {{"", 3}}},
        {{"P1", "", "Q0002"}, {{"P1", 0}}, {{"P1", 0}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Generate(c.barcodes, 1), c.after) << ::testing::PrintToString(c.barcodes);
        EXPECT_EQ(Generate(c.barcodes, 0), c.before) << ::testing::PrintToString(c.barcodes);
    }
}

TEST_F(ToOrderTest, OtherPositioningValuesNeverApplyQuantities) {
    EXPECT_EQ(Generate({"Q0002", "P1", "Q0003", "P2"}, 2), (Lines{{"P1", 0}, {"P2", 0}}));
}

TEST_F(ToOrderTest, DutchUsersMayScanADecimalComma) {
    EXPECT_EQ(Generate({"P1", "Q01,5"}, 1), (Lines{{"P1", 0}, {"Q01,5", 0}}));
    test::ScopedEnv dutch("LC_ALL", "nl_NL.UTF-8");
    EXPECT_EQ(Generate({"P1", "Q01,5"}, 1), (Lines{{"P1", 2}}));
}

TEST_F(ToOrderTest, OrderCarriesTheDeviceAndTracesItsLines) {
    test::TraceCapture trace;
    auto session = MakeSession({"P1", "Q0003"}, "S1");
    trace.Clear();
    std::shared_ptr<clsOrder> order = session->ToOrder();
    ASSERT_TRUE(order);
    EXPECT_EQ(order->ScannerID(), "S1");
    EXPECT_EQ(order->OrderNr(), "");
    EXPECT_EQ(session->CountBarcodes(), 2);
    const std::vector<std::string> expected = {
        "  Initializing clsOrder object",
        "  Entering clsReadSession.ToOrder",
        "  Initializing clsOrderLine object",
        "  Property Let clsOrderLine.ProductID (P1)",
        "  Property Let clsOrderLine.Quantity (3)",
        "  Entering clsOrder.AddLine (Item.ProductID = P1)",
        "  Exiting clsOrder.AddLine",
        "  Exiting clsReadSession.ToOrder",
    };
    std::vector<std::string> messages = trace.Messages();
    messages.resize(std::min(messages.size(), expected.size()));
    EXPECT_EQ(messages, expected);
}

TEST_F(ToOrderTest, FailuresReturnNothing) {
    test::TraceCapture trace(false, true);
    auto tooMany = MakeSession({});
    for (int32_t i = 0; i <= kMaxCountedRows; ++i) tooMany->AddBarcode(test::MakeBarcode("P"));
    const std::pair<std::shared_ptr<clsReadSession>, int32_t> cases[] = {
        {MakeSession({"P1", "Q9e09"}), 1},
        {MakeSession({"P1", "Q9e09"}), 0},
        {MakeSession({"Q-9e9", "P1"}), 0},
        {MakeSession({"P1", "Q9e99", "P2"}), 1},
        {tooMany, 1},
        {tooMany, 0},
    };
    for (const auto& [session, positioning] : cases) {
        trace.Clear();
        Settings()->SetQuantityPositioning(positioning);
        EXPECT_EQ(session->ToOrder(), nullptr);
        EXPECT_EQ(trace.Messages(),
                  std::vector<std::string>{"Error generating order from barcode data: "
                                           "[6] Overflow (Quarnel)"});
    }
}

}  // namespace
}  // namespace quarnel
