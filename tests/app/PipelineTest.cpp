// Read-outs and resends through the main window, from the scanner to the
// reference web shop, and what the user is shown for each outcome.
#include "MainWindowFixture.h"
#include "app/modTexts.h"

namespace quarnel::test {

ShopProcess* MainWindowTest::shop_ = nullptr;

namespace {

using platform::vbCritical;
using platform::vbExclamation;
using platform::vbNo;
using platform::vbYes;
using platform::vbYesNo;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;

constexpr const char* kReadTitle = "Read scanner data now|";
constexpr const char* kNotSent = "The order could not be sent! (information could not be sent";
constexpr const char* kGenerated = "The order is generated with order number '";
constexpr const char* kSaveQuestion =
    "Would you like to save this order? Saved orders can be manually resend later by choosing "
    "'Resend saved order'.";

class PipelineTest : public MainWindowTest {
  protected:
    // Starts with a connected scanner holding text and reads it from the menu.
    void ReadOut(const std::string& text, const std::string& password = "geheim") {
        Plug(text);
        Start("extended", password);
        Settings()->SetAutoSaveOrders(autoSaveOrders_);
        Mark();
        Choose("mnuReadData");
    }
    std::string LastBalloon() const {
        const auto balloons = shell_->Balloons();
        return balloons.empty() ? "" : balloons.back();
    }
    std::string Orders() const { return dir_.File("Orders"); }

    bool autoSaveOrders_ = false;
};

TEST_F(PipelineTest, EachSendingOutcomeIsReportedAsTheUserNeedsIt) {
    const std::string rejected = std::string(kNotSent) + ": " + GetText(172) + ")";
    struct Case {
        const char* name;
        std::string password;
        int32_t opener;
        bool openerRaises, autoSave;
        int32_t answer;
        std::string balloon;  // the last balloon's text and flags
        std::vector<std::pair<std::string, int32_t>> boxes;
        size_t savedFiles;  // in the orders folder
    };
    const Case cases[] = {
        {"sent",
         "geheim",
         platform::SE_OPENED,
         false,
         false,
         vbNo,
         "Bestelling succesvol verzonden|17",
         {},
         0},
        {"page not opened",
         "geheim",
         31,
         false,
         true,
         vbNo,
         "Order page could not be opened...|19",
         {{"Order page could not be opened...\r\n\r\n" + std::string(kGenerated), vbCritical}},
         1},
        {"failed with number",
         "geheim",
         platform::SE_OPENED,
         true,
         false,
         vbNo,
         "An unexpected error occurred.|19",
         {{"An unexpected error occurred.\r\n\r\n" + std::string(kGenerated), vbCritical}},
         0},
        {"rejected, not saved",
         "wrong",
         platform::SE_OPENED,
         false,
         false,
         vbNo,
         rejected + "|19",
         {{rejected + "\r\n\r\n" + kSaveQuestion, vbYesNo + vbExclamation}},
         0},
        {"rejected, saved",
         "wrong",
         platform::SE_OPENED,
         false,
         true,
         vbNo,
         rejected + "\r\n\r\nThe order is saved as '" + dir_.File("Orders/"),
         {},
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window_.reset();
        ExitApplication();
        std::filesystem::remove_all(Orders());
        opener_->result = c.opener;
        opener_->raise = c.openerRaises;
        desktop_->msgBoxAnswers = {c.answer};
        autoSaveOrders_ = c.autoSave;
        ReadOut(kOneBarcode, c.password);

        EXPECT_THAT(shell_->Balloons(),
                    testing::IsSupersetOf({std::string(kReadTitle) + "Reading barcode data...|1",
                                           std::string(kReadTitle) + "Generating order...|17",
                                           std::string(kReadTitle) + "Sending order...|17"}));
        EXPECT_THAT(LastBalloon(), HasSubstr(c.balloon));
        ASSERT_EQ(desktop_->msgBoxes.size(), c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); ++i) {
            EXPECT_THAT(desktop_->msgBoxes[i].prompt, HasSubstr(c.boxes[i].first));
            EXPECT_EQ(desktop_->msgBoxes[i].buttons, c.boxes[i].second);
        }
        EXPECT_EQ(FilesIn(Orders()).size(), c.savedFiles);
        EXPECT_TRUE(desktop_->saveRequests.empty());
    }
    // The accepted order's entry names the shop's number.
    ASSERT_GE(opener_->urls.size(), 3u);
    const std::string url = opener_->urls.front();
    const std::string number =
        url.substr(url.find("order=") + 6, url.find('&') - url.find("order=") - 6);
    EXPECT_TRUE(TraceHas("Order " + number + " sent succesfully")) << number;
}

TEST_F(PipelineTest, AnUnsentOrderCanBeSavedAndResent) {
    desktop_->msgBoxAnswers = {vbYes};
    desktop_->saveResults = {dir_.File("later.csv")};
    ReadOut(kOneBarcode, "wrong");
    ASSERT_EQ(desktop_->saveRequests.size(), 1u);
    const platform::FileDialogRequest& save = desktop_->saveRequests[0];
    EXPECT_EQ(save.title, "Save order");
    EXPECT_EQ(save.filter, "All files (*.*)|*.*|CSV (separated by listseparator) (*.csv)|*.csv");
    EXPECT_EQ(save.filterIndex, 2);
    EXPECT_EQ(save.initialFolder, dir_.Path());
    EXPECT_THAT(save.fileName, MatchesRegex("[0-9]{8} [0-9]{6}\\.csv"));
    EXPECT_EQ(save.flags, 0x802u);
    const std::string saved = ReadFileBytes(dir_.File("later.csv"));
    EXPECT_THAT(saved, HasSubstr("ProductID;Quantity\r\n8712345678906;"));

    // Resent with the wrong password again: only the balloon.
    Mark();
    desktop_->openResults = {dir_.File("later.csv")};
    Choose("mnuResend");
    ASSERT_EQ(desktop_->openRequests.size(), 1u);
    const platform::FileDialogRequest& open = desktop_->openRequests[0];
    EXPECT_EQ(open.title, "Resend saved order");
    EXPECT_EQ(open.filter, "CSV (separated by listseparator) (*.csv)|*.csv");
    EXPECT_EQ(open.filterIndex, 1);
    EXPECT_EQ(open.initialFolder, dir_.Path());  // orders are not saved automatically
    EXPECT_EQ(open.flags, 0x1000u);
    EXPECT_THAT(shell_->Balloons(), ElementsAre("Resend saved order|Reading saved order...|1",
                                                "Resend saved order|" + std::string(kNotSent) +
                                                    ": " + GetText(172) + ")|19"));
    EXPECT_TRUE(desktop_->msgBoxes.empty());
    EXPECT_TRUE(NewTraceHas(
        "  Entering frmMain.SendOrder (Order.OrderNr = , SaveFile = , SavedOrder = True)"));

    // With the right password it goes through; a file that cannot be read
    // is named; a cancelled dialog does nothing.
    Settings()->SetPassword("geheim");
    Settings()->SetAutoSaveOrders(true);
    const std::string unreadable = dir_.File("none.csv");
    desktop_->openResults = {dir_.File("later.csv"), unreadable, std::nullopt};
    Mark();
    for (int i = 0; i < 3; ++i) Choose("mnuResend");
    EXPECT_EQ(desktop_->openRequests.back().initialFolder, Settings()->OrdersFolder());
    EXPECT_THAT(
        shell_->Balloons(),
        ElementsAre("Resend saved order|Reading saved order...|1",
                    "Resend saved order|Bestelling succesvol verzonden|17",
                    "Resend saved order|Reading saved order...|1",
                    "Resend saved order|The file '" + unreadable + "' could not be processed.|19"));
}

TEST_F(PipelineTest, SavingFollowsTheFolderSettingsAndNeverStopsTheRun) {
    WriteFileBytes(dir_.File("file"), "");
    struct Case {
        const char* name;
        std::string barcodes, orders;  // folder settings
        std::vector<std::string> boxes;
    };
    const Case cases[] = {
        {"created", dir_.File("new/barcodes/"), dir_.File("new/orders/"), {}},
        {"impossible",
         dir_.File("file/b/"),
         dir_.File("file/o/"),
         {"The barcodes could not be saved in '" + dir_.File("file/b/") +
              "'.\r\n\r\nMake sure you have writing permissions and that this folder exists.",
          "The order could not be saved in '" + dir_.File("file/o/") +
              "'.\r\n\r\nMake sure you have writing permissions and that this folder exists."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window_.reset();
        if (Settings()) ExitApplication();
        Plug(kOneBarcode);
        Start();
        Settings()->SetAutoSaveBarcodes(true);
        Settings()->SetAutoSaveOrders(true);
        Settings()->SetBarcodesFolder(c.barcodes);
        Settings()->SetOrdersFolder(c.orders);
        Mark();
        Choose("mnuReadData");
        ASSERT_EQ(desktop_->msgBoxes.size(), c.boxes.size());
        for (size_t i = 0; i < c.boxes.size(); ++i) {
            EXPECT_EQ(desktop_->msgBoxes[i].prompt, c.boxes[i]);
            EXPECT_EQ(desktop_->msgBoxes[i].buttons, vbExclamation);
        }
        EXPECT_EQ(LastBalloon(), std::string(kReadTitle) + "Bestelling succesvol verzonden|17");
        if (c.boxes.empty()) {
            const auto texts = FilesIn(c.barcodes);
            const auto orders = FilesIn(c.orders);
            ASSERT_EQ(texts.size(), 1u);
            ASSERT_EQ(orders.size(), 1u);
            EXPECT_THAT(texts[0], MatchesRegex("[0-9]{8} [0-9]{6}\\.txt"));
            EXPECT_TRUE(NewTraceHas("Created folder '" + dir_.File("new/barcodes") + "'"));
            EXPECT_TRUE(NewTraceHas("Barcode data saved as '" + c.barcodes + texts[0] + "'"));
            EXPECT_TRUE(NewTraceHas("Order saved as '" + c.orders + orders[0] + "'"));
        } else {
            EXPECT_TRUE(NewTraceHas("The order could not be saved in '" + c.orders +
                                    "'. Make sure you have writing permissions and that this "
                                    "folder exists."));
        }
    }
}

TEST_F(PipelineTest, ReadAndShopFaultsEndInTheirBalloons) {
    const std::string sent = "Bestelling succesvol verzonden|17";
    const std::string unreachable = std::string(kNotSent) + ")|19";
    const std::string unexpected = "An unexpected error occurred.|19";
    LoopbackServer stalling("", true);
    // "orderid:12" of a promised "orderid:123": no number, so the user is
    // asked whether to save the order.
    LoopbackServer cutShort(
        "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\norderid:12");
    struct Case {
        const char* name;
        std::string scanner;
        int port;  // 0: the shop
        std::string balloon;
    };
    const Case cases[] = {
        {"empty scanner", "", 0, "The scanner contains no scanned data|18"},
        {"read-out failed", kOneBarcode + "result csp2ReadData = 32768\n", 0,
         "Error while reading scanned data|19"},
        // Pulled out after the first of three packets: what was read is sent.
        {"pulled out", kOneBarcode + "result csp2ReadData = 3\n", 0, sent},
        {"no order lines", "barcode = 2013-04-23 07:47:28 | 8 | Q0003\n", 0,
         "Generating order...|17"},
        {"shop down", kOneBarcode, 1, unreachable},
        {"shop stalling", kOneBarcode, stalling.Port(), unreachable},
        {"reply cut short", kOneBarcode, cutShort.Port(), unexpected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        window_.reset();
        if (Settings()) ExitApplication();
        shopPort_ = c.port != 0 ? c.port : shop_->Port();
        ReadOut(c.scanner);
        EXPECT_EQ(LastBalloon(), kReadTitle + c.balloon);
        const bool asked = c.balloon == unreachable || c.balloon == unexpected;
        ASSERT_EQ(desktop_->msgBoxes.size(), asked ? 1u : 0u);
        if (asked) EXPECT_THAT(desktop_->msgBoxes[0].prompt, HasSubstr(kSaveQuestion));
    }
    EXPECT_TRUE(NewTraceHas("  Exiting frmMain.SendOrder"));

    // Without a connected scanner the read-out is refused in a box.
    window_.reset();
    ExitApplication();
    Unplug();
    Start();
    Mark();
    window_->mnuReadData_Click();
    ASSERT_EQ(desktop_->msgBoxes.size(), 1u);
    EXPECT_EQ(desktop_->msgBoxes[0].prompt, "The scanner is no longer available.");
    EXPECT_EQ(desktop_->msgBoxes[0].buttons, vbExclamation);
    EXPECT_TRUE(shell_->Balloons().empty());
    EXPECT_TRUE(NewTraceHas("The scanner is no longer available"));
}

}  // namespace
}  // namespace quarnel::test
