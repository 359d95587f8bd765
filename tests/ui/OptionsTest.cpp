// SPDX-License-Identifier: MIT
// The options dialog against the settings object and its registry store,
// with the folder and file pickers scripted.
#include <filesystem>

#include "FormsTestSupport.h"
#include "platform/Paths.h"
#include "ui/frmOptions.h"

namespace quarnel::test {
namespace {

using namespace platform;

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

// Cancel and a failed save change nothing stored; OK stores the edited
// boxes as they stand.
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
    EXPECT_EQ(stored.QuantityPositioning(), 5);  // not chosen by the user
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

// Values shown other than stored (a long password, blanks around it, an
// unknown quantity placing, an unexpanded variable, a number) go back only
// when the user changed them.
TEST_F(OptionsTest, OkWritesBackOnlyWhatTheUserChanged) {
    const std::string key = "HKCU\\Software\\Hollinde\\Quarnel";
    const std::string password = " " + std::string(24, 'p') + " ";
    ScopedEnv base("QUARNEL_TEST_BASE", dir_.Path());
    registry_->PutText(key, "QuantityPositioning", "5");
    registry_->PutText(key, "OrdersFolder", "%QUARNEL_TEST_BASE%/Orders", REG_EXPAND_SZ);
    registry_->Put(key, "TraceEvents", REG_DWORD, {1, 0, 0, 0});
    registry_->PutText(key, "Zq8#Lm2!", password);
    registry_->PutText(key, "Debtor", "D");
    Settings()->Reload();
    auto raw = [&](const char* name) {
        const auto* value = registry_->Find(key, name);
        return value ? std::to_string(value->type) + ":" +
                           std::string(value->data.begin(), value->data.end())
                     : std::string("missing");
    };
    // The folder and the number are saved in their plain forms, as every save does.
    const char* names[] = {"QuantityPositioning", "Zq8#Lm2!", "Debtor"};
    std::vector<std::string> before;
    for (const char* name : names) before.push_back(raw(name));

    // Passing through boxes, and changes undone, are no edits.
    auto form = OpenOptions();
    form->LostFocus("txtOrdersFolder");
    form->LostFocus("txtPassword");
    form->UserText("txtDebtor", "X");
    form->UserText("txtDebtor", "D");
    form->UserValue("chkTracefile", 0);
    form->UserValue("chkTracefile", 1);
    form->Click("cmdOK");
    ASSERT_TRUE(form->UnloadRequested());
    for (size_t i = 0; i < std::size(names); ++i) EXPECT_EQ(raw(names[i]), before[i]) << names[i];
    EXPECT_EQ(Settings()->Password(), password);

    form = OpenOptions();
    form->UserListIndex("cboQuantityPlacing", 0);
    form->UserText("txtPassword", "  new  ");
    form->Click("cmdOK");
    EXPECT_EQ(Stored().QuantityPositioning(), 1);
    EXPECT_EQ(Stored().Password(), "new");
}

TEST_F(OptionsTest, IdentificationTheShopCannotReceiveIsRefused) {
    struct Case {
        std::string box, typed, refusal;
    } cases[] = {
        {"txtPassword", "za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87",  // zazolc with Polish marks
         "'Password' contains characters the web shop cannot receive. Please use only letters, "
         "digits and signs of Western European languages."},
        {"txtUser",
         "\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         "'User' contains"},
        {"txtDebtor",
         "\xE2\x82\xAC"
         "100 caf\xC3\xA9",
         ""},  // all in Windows-1252
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.box);
        desktop_->msgBoxes.clear();
        auto form = OpenOptions();
        form->UserText(c.box, c.typed);
        form->Click("cmdOK");
        EXPECT_EQ(form->UnloadRequested(), c.refusal.empty());
        if (c.refusal.empty()) {
            EXPECT_TRUE(desktop_->msgBoxes.empty());
            EXPECT_EQ(Stored().Debtor(), c.typed);
            continue;
        }
        ASSERT_EQ(desktop_->msgBoxes.size(), 1u);
        EXPECT_EQ(desktop_->msgBoxes[0].prompt.substr(0, c.refusal.size()), c.refusal);
        EXPECT_EQ(Stored().User() + Stored().Password(), "");
    }
    // A stored value OK does not write is not refused.
    Settings()->SetPassword("za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87");
    auto form = OpenOptions();
    form->Click("cmdOK");
    EXPECT_TRUE(form->UnloadRequested());
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

    // A box naming a missing folder opens at its nearest existing parent;
    // the remembered folder is used again for an empty box.
    form->UserText("txtOrdersFolder", dir_.File("missing/deeper"));
    form->Click("cmdBrowseOrdersFolder");
    EXPECT_EQ(desktop_->folderRequests.back().selectedFolder, dir_.Path() + kSep);
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
