// SPDX-License-Identifier: MIT
// The options dialog against the settings object and its registry store,
// with the folder and file pickers scripted.
#include <filesystem>

#include "FormsTestSupport.h"
#include "platform/Paths.h"
#include "ui/frmOptions.h"

namespace quarnel::test {
namespace {

const std::string kSep(1, platform::PathSeparator());

class OptionsTest : public FormsTest {
  protected:
    // What the registry holds now, read by a settings object of its own.
    clsSettings Stored() const { return clsSettings(registry_, dir_.Path(), "/usr/bin/quarnel"); }

    std::unique_ptr<ui::frmOptions> OpenOptions() {
        auto form = std::make_unique<ui::frmOptions>(
            ui::FormServices{desktop_, metrics_, {}, nullptr, dir_.Path()}, browse_);
        EXPECT_FALSE(Open(*form));
        return form;
    }
    std::string Folder(const std::string& name) const {
        std::filesystem::create_directories(dir_.File(name));
        return dir_.File(name);
    }

    std::shared_ptr<ui::modBrowseFolder> browse_ = std::make_shared<ui::modBrowseFolder>(desktop_);
};

// Cancel and a failed save change nothing stored; OK stores the boxes as
// they stand.
TEST_F(OptionsTest, ShowsTheSettingsAndOnlyASuccessfulOkStoresTheBoxes) {
    Settings()->SetQuantityPositioning(5);
    Settings()->SetAutoSaveBarcodes(false);
    Settings()->SetPassword("abc");
    Settings()->SetDebtor("before");
    Settings()->Save();
    auto form = OpenOptions();
    form->UserText("txtDebtor", "after");
    form->Click("cmdCancel");
    EXPECT_TRUE(form->UnloadRequested());
    EXPECT_EQ(Settings()->Debtor() + Stored().Debtor(), "beforebefore");

    form = OpenOptions();
    EXPECT_EQ(form->Ctl("cboQuantityPlacing").listIndex, 1);
    EXPECT_EQ(form->Ctl("txtPassword").text, "abc" + std::string(17, ' '));
    // Each path box and its button follow their check box, also when ticked.
    EXPECT_FALSE(form->Ctl("txtBarcodesFolder").enabled);
    form->UserValue("chkSaveOrders", 0);
    EXPECT_FALSE(form->Ctl("cmdBrowseOrdersFolder").enabled);
    form->UserText("txtOrdersFolder", "/orders");  // no separator until focus leaves
    form->UserText("txtDebtor", "D1");
    form->UserText("txtPassword", "  p w  ");

    registry_->failWrites = true;
    form->Click("cmdOK");
    EXPECT_FALSE(form->UnloadRequested());
    registry_->failWrites = false;
    EXPECT_EQ(Stored().Debtor(), "before");

    form->Click("cmdOK");
    EXPECT_TRUE(form->UnloadRequested());
    clsSettings stored = Stored();
    EXPECT_EQ(stored.QuantityPositioning(), 0);
    EXPECT_FALSE(stored.AutoSaveOrders());
    EXPECT_EQ(stored.OrdersFolder() + stored.Debtor() + stored.Password(), "/ordersD1p w");
}

TEST_F(OptionsTest, LeavingABoxCompletesFoldersAndPadsThePassword) {
    auto form = OpenOptions();
    const std::string twentyOne = "\xC3\xA9" + std::string(20, 'x');  // é + 20 x
    struct Case {
        std::string box, typed, shown;
    } cases[] = {
        {"txtOrdersFolder", "/data", "/data" + kSep},
        {"txtOrdersFolder", "", ""},
        {"txtBarcodesFolder", "/data" + kSep, "/data" + kSep},
        {"txtTracefile", "/logs", "/logs"},
        {"txtPassword", "", std::string(20, ' ')},
        // Cut after 20 characters, never inside one.
        {"txtPassword", twentyOne, twentyOne.substr(0, 21)},
    };
    for (const auto& c : cases) {
        form->UserText(c.box, c.typed);
        form->LostFocus(c.box);
        EXPECT_EQ(form->Ctl(c.box).text, c.shown) << c.box << " '" << c.typed << "'";
    }
    form->Click("cmdOK");
    EXPECT_EQ(Stored().Password(), "\xC3\xA9" + std::string(19, 'x'));
}

TEST_F(OptionsTest, BrowsingRemembersTheChosenFolderAndSavesItAtOnce) {
    const std::string last = Folder("last"), chosen = Folder("chosen");
    Settings()->SetLastFolder(last);
    auto form = OpenOptions();
    form->UserText("txtBarcodesFolder", "");
    form->UserText("txtDebtor", "unconfirmed");

    // Empty box: the stored last folder is preselected; cancelling changes nothing.
    form->Click("cmdBrowseBarcodesFolder");
    ASSERT_EQ(desktop_->folderRequests.size(), 1u);
    EXPECT_EQ(desktop_->folderRequests[0].selectedFolder, last);
    EXPECT_EQ(desktop_->folderRequests[0].instruction,
              "Choose the folder in which to store read barcodes.");
    EXPECT_EQ(form->Ctl("txtBarcodesFolder").text, "");
    EXPECT_EQ(Stored().LastFolder(), "");

    // A new folder lands in the box and in the store, without the dialog's edits.
    desktop_->folderAnswer = chosen;
    form->Click("cmdBrowseBarcodesFolder");
    EXPECT_EQ(form->Ctl("txtBarcodesFolder").text, chosen + kSep);
    EXPECT_EQ(Stored().LastFolder(), chosen + kSep);
    EXPECT_EQ(Stored().Debtor(), "");

    // The same folder again writes nothing.
    Settings()->SetDebtor("not saved");
    form->Click("cmdBrowseOrdersFolder");
    EXPECT_EQ(Stored().Debtor(), "");

    // A box naming a missing folder opens without preselection; the
    // remembered folder is used again for an empty box.
    form->UserText("txtOrdersFolder", dir_.File("missing"));
    form->Click("cmdBrowseOrdersFolder");
    EXPECT_EQ(desktop_->folderRequests.back().selectedFolder, "");
    form->UserText("txtOrdersFolder", "");
    form->Click("cmdBrowseOrdersFolder");
    EXPECT_EQ(desktop_->folderRequests.back().selectedFolder, chosen + kSep);
}

TEST_F(OptionsTest, TheTraceFilePickerAlwaysStartsAtTheProgramsTraceFile) {
    auto form = OpenOptions();
    form->UserText("txtTracefile", "/elsewhere/other.log");
    form->Click("cmdBrowseTracefile");
    EXPECT_EQ(form->Ctl("txtTracefile").text, "/elsewhere/other.log");

    desktop_->saveResults = {"/logs/new.log"};
    form->Click("cmdBrowseTracefile");
    EXPECT_EQ(form->Ctl("txtTracefile").text, "/logs/new.log");
    ASSERT_EQ(desktop_->saveRequests.size(), 2u);
    const auto& r = desktop_->saveRequests[1];
    EXPECT_EQ(r.title + "|" + r.filter + "|" + r.initialFolder + "|" + r.fileName,
              "Save trace file as...|All files (*.*)|*.*|Log files (*.log)|*.log|" + dir_.Path() +
                  "|Trace.log");
    EXPECT_EQ(r.filterIndex, 2);
    EXPECT_EQ(r.flags, 0x802u);
}

}  // namespace
}  // namespace quarnel::test
