// SPDX-License-Identifier: MIT
// Read-outs and resends through the main window, from the scanner to the
// reference web shop, and what the user is shown for each outcome.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "MainWindowFixture.h"
#include "base/modTexts.h"

namespace quarnel::test {

ShopProcess* MainWindowTest::shop_ = nullptr;

namespace {

using platform::vbCritical;
using platform::vbExclamation;
using platform::vbYes;
using platform::vbYesNo;
using ::testing::AllOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::IsSupersetOf;
using ::testing::Matcher;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::StartsWith;

const std::string kReadTitle = "Read scanner data now|", kResend = "Resend saved order|";
const std::string kSent = "Bestelling succesvol verzonden|17";
const std::string kNotSent = "The order could not be sent! (information could not be sent";
const std::string kGenerated = "The order is generated with order number '";
const std::string kSaveQuestion =
    "Would you like to save this order? Saved orders can be manually resend later by choosing "
    "'Resend saved order'.";

class PipelineTest : public MainWindowTest {
  protected:
    // Starts afresh with a connected scanner holding text.
    void Load(const std::string& text, const std::string& password = "geheim") {
        Restart();
        // The cases read the same barcodes again and again: each as new.
        std::filesystem::remove(dir_.File("Last sent order.dat"));
        Plug(text);
        Start("extended", password);
        Settings()->SetAutoSaveOrders(autoSaveOrders_);
        Mark();
    }
    // The same, then reads the scanner from the menu.
    void ReadOut(const std::string& text, const std::string& password = "geheim") {
        Load(text, password);
        Choose("mnuReadData");
    }
    // The recovery copies in the program's folder.
    std::vector<std::string> UnsentCopies() const {
        const std::string folder = applicationFolder_.empty() ? dir_.Path() : applicationFolder_;
        std::vector<std::string> copies;
        for (const std::string& name : FilesIn(folder))
            if (name.starts_with("Unsent order ")) copies.push_back(folder + "/" + name);
        return copies;
    }
    // What the virtual scanner still holds.
    std::string ScannerFile() const {
        return ReadFileBytes(platform::virtual_ports::FileOfPort(scanners_.Path(), "COM3"));
    }
    static std::string OrderNumberOf(const std::string& url) {
        const size_t at = url.find("order=") + 6;
        return url.substr(at, url.find('&') - at);
    }
    std::string LastBalloon() const {
        const auto balloons = shell_->Balloons();
        return balloons.empty() ? "" : balloons.back();
    }
    static std::string Describe(const platform::FileDialogRequest& r) {
        return r.title + "|" + r.filter + "|" + std::to_string(r.filterIndex) + "|" +
               r.initialFolder + "|" + std::to_string(r.flags);
    }

    bool autoSaveOrders_ = false;
};

TEST_F(PipelineTest, EachOutcomeOfAReadOutIsReportedAsTheUserNeedsIt) {
    const std::string rejected = kNotSent + ": " + GetText(172) + ")", unreachable = kNotSent + ")";
    const std::string unexpected = "An unexpected error occurred.";
    const std::string notOpened = "Order page could not be opened...";
    const std::string ask = "\r\n\r\n" + kSaveQuestion, told = "\r\n\r\n" + kGenerated;
    const std::string saved = "\r\n\r\nThe order is saved as '" + dir_.File("Orders/");
    // Answered "No": the order stays in its recovery copy, whose name follows.
    const std::string kept = "The order was not sent. It is kept as '" + dir_.File("Unsent order ");
    LoopbackServer stalling("", true);
    // "orderid:12" of a promised "orderid:123": no number, so the user is
    // asked whether to save the order.
    LoopbackServer cutShort(
        "HTTP/1.1 200 OK\r\nContent-Length: 11\r\nConnection: close\r\n\r\norderid:12");
    struct Case {
        std::string balloon, box = "";  // the start of the last balloon and of the box, if any
        std::string scanner = kOneBarcode;
        int port = 0;  // 0: the shop
        std::string password = "geheim";
        int32_t opener = platform::SE_OPENED;  // -1: the opener throws
        bool autoSave = false;                 // and so one order file
    };
    const Case cases[] = {
        {.balloon = kSent},
        {.balloon = notOpened + "|19", .box = notOpened + told, .opener = 31, .autoSave = true},
        {.balloon = unexpected + "|19", .box = unexpected + told, .opener = -1},
        {.balloon = kept, .box = rejected + ask, .password = "wrong"},
        {.balloon = rejected + saved, .password = "wrong", .autoSave = true},
        {.balloon = "The scanner contains no scanned data|18", .scanner = ""},
        {.balloon = "Error while reading scanned data|19",
         .scanner = kOneBarcode + "result csp2ReadData = 32768\n"},
        // Pulled out after the first of three packets: what was read is sent,
        // and the user told of the rest.
        {.balloon = "Bestelling succesvol verzonden\r\n2 barcode(s) could not be read.|17",
         .scanner = kOneBarcode + "result csp2ReadData = 3\n"},
        // A clear that fails: sent, and the user told the barcodes come back.
        {.balloon =
             "Bestelling succesvol verzonden\r\nThe scanner could not be emptied; its barcodes "
             "will be read again next time.|17",
         .scanner = kOneBarcode + "fail csp2ClearData = -5\n"},
        // No order lines.
        {.balloon = "Generating order...|17",
         .scanner = "barcode = 2013-04-23 07:47:28 | 8 | Q0003\n"},
        {.balloon = kept, .box = unreachable + ask, .port = 1},  // shop down
        {.balloon = kept, .box = unreachable + ask, .port = stalling.Port()},
        {.balloon = kept, .box = unexpected + ask, .port = cutShort.Port()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.balloon + " " + c.scanner + std::to_string(c.port));
        std::filesystem::remove_all(dir_.File("Orders"));
        for (const std::string& copy : UnsentCopies()) std::filesystem::remove(copy);
        shopPort_ = c.port != 0 ? c.port : shop_->Port();
        opener_->result = c.opener;
        autoSaveOrders_ = c.autoSave;
        ReadOut(c.scanner, c.password);

        const std::string want = kReadTitle + c.balloon;  // when saved, the file's name follows
        EXPECT_THAT(LastBalloon(), c.balloon.ends_with('/') || c.balloon.ends_with(kept)
                                       ? Matcher<std::string>(StartsWith(want))
                                       : Eq(want));
        if (c.scanner == kOneBarcode) {
            EXPECT_THAT(shell_->Balloons(), IsSupersetOf({kReadTitle + "Reading barcode data...|1",
                                                          kReadTitle + "Generating order...|17",
                                                          kReadTitle + "Sending order...|17"}));
        }
        ASSERT_EQ(desktop_->msgBoxes.size(), c.box.empty() ? 0u : 1u);
        if (!c.box.empty()) {
            EXPECT_THAT(desktop_->msgBoxes[0].prompt, StartsWith(c.box));
            EXPECT_EQ(desktop_->msgBoxes[0].buttons,
                      c.box.ends_with(kSaveQuestion) ? vbYesNo + vbExclamation : vbCritical);
        }
        EXPECT_EQ(FilesIn(dir_.File("Orders")).size(), c.autoSave ? 1u : 0u);
        // Only an order that neither the shop nor a saved file has stays kept.
        const std::vector<std::string> copies = UnsentCopies();
        ASSERT_EQ(copies.size(), c.box.ends_with(kSaveQuestion) ? 1u : 0u);
        if (!copies.empty()) {
            EXPECT_THAT(LastBalloon(), HasSubstr(copies[0] + "'; choose 'Resend saved order'"));
            EXPECT_THAT(ReadFileBytes(copies[0]),
                        HasSubstr("ProductID;Quantity\r\n8712345678906;"));
        }
        EXPECT_TRUE(desktop_->saveRequests.empty());
    }
    EXPECT_TRUE(NewTraceHas("  Exiting frmMain.SendOrder"));
    // The accepted order's entry names the shop's number.
    EXPECT_TRUE(TraceHas("Order " + OrderNumberOf(opener_->urls.at(0)) + " sent succesfully"));
}

TEST_F(PipelineTest, AnUnsentOrderCanBeSavedAndResent) {
    desktop_->msgBoxAnswers = {vbYes};
    desktop_->saveResults = {dir_.File("later.csv")};
    ReadOut(kOneBarcode, "wrong");
    EXPECT_EQ(Describe(desktop_->saveRequests.at(0)),
              "Save order|All files (*.*)|*.*|CSV (separated by listseparator) (*.csv)|*.csv|2|" +
                  dir_.Path() + "|2050");
    EXPECT_THAT(desktop_->saveRequests[0].fileName, MatchesRegex("[0-9]{8} [0-9]{6}\\.csv"));
    EXPECT_THAT(ReadFileBytes(dir_.File("later.csv")),
                HasSubstr("ProductID;Quantity\r\n8712345678906;"));

    // Resent with the wrong password again: only the balloon.
    Mark();
    desktop_->openResults = {dir_.File("later.csv")};
    Choose("mnuResend");
    // Orders are not saved automatically: the dialog opens in the program's folder.
    EXPECT_EQ(Describe(desktop_->openRequests.at(0)),
              "Resend saved order|CSV (separated by listseparator) (*.csv)|*.csv|1|" + dir_.Path() +
                  "|4096");
    EXPECT_THAT(shell_->Balloons(), ElementsAre(kResend + "Reading saved order...|1",
                                                kResend + kNotSent + ": " + GetText(172) + ")|19"));
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
    EXPECT_THAT(shell_->Balloons(),
                ElementsAre(kResend + "Reading saved order...|1", kResend + kSent,
                            kResend + "Reading saved order...|1",
                            kResend + "The file '" + unreadable + "' could not be processed.|19"));
}

TEST_F(PipelineTest, SavingFollowsTheFolderSettingsAndNeverStopsTheRun) {
    WriteFileBytes(dir_.File("file"), "");
    const std::string advice =
        "'.\r\n\r\nMake sure you have writing permissions and that this folder exists.";
    for (const std::string root : {"new", "file"}) {
        SCOPED_TRACE(root);
        const std::string barcodes = dir_.File(root + "/b/"), orders = dir_.File(root + "/o/");
        Load(kOneBarcode);
        Settings()->SetAutoSaveBarcodes(true);
        Settings()->SetAutoSaveOrders(true);
        Settings()->SetBarcodesFolder(barcodes);
        Settings()->SetOrdersFolder(orders);
        Choose("mnuReadData");
        EXPECT_EQ(LastBalloon(), kReadTitle + kSent);
        if (root == "new") {
            EXPECT_TRUE(desktop_->msgBoxes.empty());
            const auto texts = FilesIn(barcodes), saved = FilesIn(orders);
            ASSERT_EQ(texts.size() + saved.size(), 2u);
            EXPECT_THAT(texts.at(0), MatchesRegex("[0-9]{8} [0-9]{6}\\.txt"));
            EXPECT_TRUE(NewTraceHas("Created folder '" + dir_.File("new/b") + "'"));
            EXPECT_TRUE(NewTraceHas("Barcode data saved as '" + barcodes + texts[0] + "'"));
            EXPECT_TRUE(NewTraceHas("Order saved as '" + orders + saved.at(0) + "'"));
            continue;
        }
        ASSERT_EQ(desktop_->msgBoxes.size(), 2u);
        EXPECT_EQ(desktop_->msgBoxes[0].prompt,
                  "The barcodes could not be saved in '" + barcodes + advice);
        EXPECT_EQ(desktop_->msgBoxes[1].prompt,
                  "The order could not be saved in '" + orders + advice);
        EXPECT_EQ(desktop_->msgBoxes[1].buttons, vbExclamation);
        EXPECT_TRUE(NewTraceHas("The order could not be saved in '" + orders +
                                "'. Make sure you have writing permissions and that this "
                                "folder exists."));
    }
}

// An existing folder the program may not write in. Its permissions are enough
// for a user; root needs a read-only file system on it.
struct ReadOnlyFolder {
    explicit ReadOnlyFolder(std::string folder) : path(std::move(folder)) {
        std::filesystem::create_directories(path);
        ::chmod(path.c_str(), 0555);
        if (!ReadOnly()) mount.emplace(path, MS_RDONLY, "size=64k");
    }
    bool ReadOnly() const { return ::access(path.c_str(), W_OK) != 0; }
    std::string path;
    std::optional<ScopedTmpfs> mount;
};

TEST_F(PipelineTest, ReadOnlySaveFoldersStillSendAndOfferToSaveWhatWasNotSent) {
    const ReadOnlyFolder barcodes(dir_.File("locked-b")), orders(dir_.File("locked-o"));
    if (!barcodes.ReadOnly() || !orders.ReadOnly()) GTEST_SKIP() << "no read-only folder here";
    const auto failed = [](const std::string& entry, const ReadOnlyFolder& folder) {
        return Contains(AllOf(StartsWith(entry + folder.path + "/"),
                              EndsWith("': [70] Permission denied (Quarnel)")));
    };
    for (const std::string password : {"geheim", "wrong"}) {
        SCOPED_TRACE(password);
        Load(kOneBarcode, password);
        Settings()->SetAutoSaveBarcodes(true);
        Settings()->SetAutoSaveOrders(true);
        Settings()->SetBarcodesFolder(barcodes.path + "/");
        Settings()->SetOrdersFolder(orders.path + "/");
        desktop_->msgBoxAnswers = {platform::vbOK, platform::vbOK, vbYes};
        desktop_->saveResults = {orders.path + "/mine.csv"};
        Choose("mnuReadData");

        EXPECT_THAT(NewTrace(), failed("Error saving read session to file '", barcodes));
        EXPECT_THAT(NewTrace(), failed("Error saving order as '", orders));
        EXPECT_THAT(NewTrace(), Not(Contains(StartsWith("Order saved as"))));
        // Every failed save is shown, not only traced.
        ASSERT_GE(desktop_->msgBoxes.size(), 2u);
        EXPECT_THAT(desktop_->msgBoxes[0].prompt,
                    StartsWith("The barcodes could not be saved as '" + barcodes.path + "/"));
        EXPECT_THAT(desktop_->msgBoxes[1].prompt,
                    StartsWith("The order could not be saved as '" + orders.path + "/"));
        if (password == "geheim") {
            EXPECT_EQ(LastBalloon(), kReadTitle + kSent);
            EXPECT_EQ(desktop_->msgBoxes.size(), 2u);
            EXPECT_TRUE(UnsentCopies().empty());
        } else {
            // No saved copy exists, so the user is not told of one but asked
            // to save; the save fails too, and the recovery copy stays.
            ASSERT_EQ(desktop_->msgBoxes.size(), 4u);
            EXPECT_THAT(desktop_->msgBoxes[2].prompt, EndsWith(kSaveQuestion));
            EXPECT_THAT(
                desktop_->msgBoxes[3].prompt,
                StartsWith("The order could not be saved as '" + orders.path + "/mine.csv'"));
            EXPECT_EQ(UnsentCopies().size(), 1u);
        }
        EXPECT_TRUE(FilesIn(orders.path).empty());
    }
}

TEST_F(PipelineTest, ADataFolderWithoutRoomLeavesTheBarcodesInTheScanner) {
    applicationFolder_ = dir_.File("data");
    std::filesystem::create_directories(applicationFolder_);
    const ScopedTmpfs disk(applicationFolder_, 0, "size=64k");
    if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs here";
    Load(kOneBarcode);
    Settings()->SetTraceFile(dir_.File("Trace.log"));
    const std::string filler = applicationFolder_ + "/filler";
    WriteFileBytes(filler, std::string(64 * 1024, 'x'));  // as much as fits
    Mark();
    Choose("mnuReadData");

    EXPECT_EQ(LastBalloon(), kReadTitle + "The barcodes could not be stored safely in '" +
                                 applicationFolder_ +
                                 "'. The scanner was not emptied: its barcodes are still in "
                                 "it.|19");
    EXPECT_THAT(NewTrace(), Contains(AllOf(StartsWith("Error saving order as '" +
                                                      applicationFolder_ + "/Unsent order "),
                                           EndsWith("': [61] Disk full (Quarnel)"))));
    EXPECT_TRUE(
        NewTraceHas("The barcodes could not be stored safely in '" + applicationFolder_ + "'"));
    EXPECT_TRUE(NewTraceHas("The scanner's data is not cleared: its barcodes are not safe"));
    EXPECT_FALSE(NewTraceHas("Generating order..."));
    EXPECT_THAT(ScannerFile(), HasSubstr("8712345678906"));
    EXPECT_TRUE(UnsentCopies().empty());
    EXPECT_TRUE(opener_->urls.empty());

    // With room again the same barcodes are sent and the scanner emptied.
    std::filesystem::remove(filler);
    Choose("mnuReadData");
    EXPECT_EQ(LastBalloon(), kReadTitle + kSent);
    EXPECT_THAT(ScannerFile(), Not(HasSubstr("8712345678906")));
    EXPECT_TRUE(UnsentCopies().empty());
}

TEST_F(PipelineTest, AnOrderTheShopDidNotGetWaitsUntilItIsResent) {
    shopPort_ = 1;  // the shop is down; the question is answered "No"
    ReadOut(kOneBarcode);
    const std::vector<std::string> copies = UnsentCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_THAT(ScannerFile(), Not(HasSubstr("8712345678906")));
    EXPECT_TRUE(NewTraceHas("The unsent order is kept as '" + copies[0] + "'"));

    // Each start says so until it is sent.
    const std::string waiting = "Unsent order waiting|1 unsent order(s) waiting in '" +
                                dir_.Path() + "'. Choose 'Resend saved order' to send them.|2";
    Restart();
    shell_->calls.clear();
    Start();
    EXPECT_THAT(shell_->Balloons(), ElementsAre(waiting));
    EXPECT_TRUE(TraceHas("Unsent order waiting in '" + copies[0] + "'"));

    shopPort_ = shop_->Port();
    Mark();
    desktop_->openResults = {copies[0]};
    Choose("mnuResend");
    EXPECT_EQ(LastBalloon(), kResend + kSent);
    EXPECT_TRUE(UnsentCopies().empty());
    EXPECT_TRUE(NewTraceHas("Removed the order kept as '" + copies[0] + "'"));
    Restart();
    shell_->calls.clear();
    Start();
    EXPECT_TRUE(shell_->Balloons().empty());
}

TEST_F(PipelineTest, NoReadOutIsSentTwice) {
    // A scanner that ignores the clear, plugged in twice with a restart
    // between: the shop already has these barcodes.
    const std::string sticky = kOneBarcode + "fail csp2ClearData = 0\n";
    const auto plugIn = [&](const std::string& text) {
        Unplug();
        PortChange(platform::DBT_DEVICEREMOVECOMPLETE);
        desktop_->Tick();
        Plug(text);
        PortChange(platform::DBT_DEVICEARRIVAL);
        desktop_->Tick();
    };
    const std::string plugged = "Connected to scanner 'OPN-2001'|";
    Load(sticky);
    plugIn(sticky);
    EXPECT_EQ(LastBalloon(), plugged + kSent);
    ASSERT_EQ(opener_->urls.size(), 1u);
    const std::string number = OrderNumberOf(opener_->urls.back());
    Restart();
    Start();
    Mark();
    plugIn(sticky);
    EXPECT_EQ(LastBalloon(),
              plugged + "These barcodes were already sent as order " + number + ".|18");
    EXPECT_TRUE(NewTraceHas("These barcodes were already sent as order " + number));
    EXPECT_EQ(opener_->urls.size(), 1u);
    EXPECT_TRUE(UnsentCopies().empty());

    // One more barcode makes another read-out.
    plugIn(sticky + "barcode = 2013-04-23 07:48:00 | 8 | 4006381333931\n");
    EXPECT_EQ(LastBalloon(), plugged + kSent);
    EXPECT_EQ(opener_->urls.size(), 2u);
}

TEST_F(PipelineTest, AReadOutWithoutAConnectedScannerIsRefusedInABox) {
    Start();
    Mark();
    window_->mnuReadData_Click();
    ASSERT_EQ(desktop_->msgBoxes.size(), 1u);
    EXPECT_EQ(desktop_->msgBoxes[0].prompt, "The scanner is no longer available.");
    EXPECT_EQ(desktop_->msgBoxes[0].buttons, vbExclamation);
    EXPECT_TRUE(NewTraceHas("The scanner is no longer available"));
}

}  // namespace
}  // namespace quarnel::test
