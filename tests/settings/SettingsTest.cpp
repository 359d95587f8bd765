#include <gtest/gtest.h>

#include <filesystem>

#include "FakeRegistry.h"
#include "TestSupport.h"
#include "app/ErrorInfo.h"
#include "platform/SerialPortTable.h"
#include "settings/clsSettings.h"

namespace quarnel {
namespace {

using namespace platform;

constexpr const char* kKey = "HKCU\\Software\\Hollinde\\Quarnel";
constexpr const char* kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class SettingsTest : public ::testing::Test {
  protected:
    std::unique_ptr<clsSettings> Load() {
        return std::make_unique<clsSettings>(fake, "/data/Quarnel", "/opt/quarnel/bin/quarnel");
    }
    std::string Stored(const char* key, const char* name) {
        const auto* value = fake->Find(key, name);
        if (value == nullptr) return "<missing>";
        std::string text(value->data.begin(), value->data.end());
        if (!text.empty() && text.back() == '\0') text.pop_back();
        return text;
    }
    std::shared_ptr<test::FakeRegistry> fake = std::make_shared<test::FakeRegistry>();
};

TEST_F(SettingsTest, FirstRunHasDefaultsAndRegistersAutostartOnSave) {
    auto settings = Load();
    EXPECT_EQ(settings->QuantityPositioning(), 1);
    EXPECT_FALSE(settings->AutoSaveBarcodes());
    EXPECT_TRUE(settings->AutoSaveOrders());
    EXPECT_EQ(settings->BarcodesFolder(), "/data/Quarnel/Barcodes/");
    EXPECT_EQ(settings->OrdersFolder(), "/data/Quarnel/Orders/");
    EXPECT_EQ(settings->LastFolder(), "");
    EXPECT_TRUE(settings->TraceEvents());
    EXPECT_EQ(settings->TraceFile(), "/data/Quarnel/Trace.log");
    EXPECT_EQ(settings->Debtor(), "");
    EXPECT_TRUE(settings->Autorun());
    EXPECT_TRUE(settings->AutorunChanged());
    EXPECT_TRUE(settings->LoadProblems().empty());
    EXPECT_FALSE(fake->HasKey(kKey));  // nothing written before Save

    settings->Save();
    EXPECT_EQ(Stored(kRun, "Quarnel"), "/opt/quarnel/bin/quarnel");
    EXPECT_EQ(Stored(kKey, "AutoRun"), "1");
    EXPECT_EQ(Stored(kKey, "QuantityPositioning"), "1");
    EXPECT_EQ(Stored(kKey, "Zq8#Lm2!"), "");
}

TEST_F(SettingsTest, SaveAndReloadRoundTrip) {
    auto settings = Load();
    settings->SetQuantityPositioning(0);
    settings->SetAutoSaveBarcodes(true);
    settings->SetAutoSaveOrders(false);
    settings->SetBarcodesFolder("/scans/");
    settings->SetLastFolder("/last");
    settings->SetTraceEvents(false);
    settings->SetTraceFile("/tmp/t.log");
    settings->SetDebtor("100");
    settings->SetUser("jan");
    settings->SetPassword("  p\xC3\xA9ss  ");
    settings->SetAutorun(false);
    settings->Save();
    EXPECT_EQ(Stored(kKey, "Zq8#Lm2!"), "  p\xE9ss  ");
    EXPECT_EQ(Stored(kKey, "AutoSaveOrders"), "0");

    auto again = Load();
    EXPECT_EQ(again->QuantityPositioning(), 0);
    EXPECT_TRUE(again->AutoSaveBarcodes());
    EXPECT_FALSE(again->AutoSaveOrders());
    EXPECT_EQ(again->BarcodesFolder(), "/scans/");
    EXPECT_EQ(again->OrdersFolder(), "/data/Quarnel/Orders/");
    EXPECT_EQ(again->LastFolder(), "/last");
    EXPECT_FALSE(again->TraceEvents());
    EXPECT_EQ(again->TraceFile(), "/tmp/t.log");
    EXPECT_EQ(again->User(), "jan");
    EXPECT_EQ(again->Password(), "  p\xC3\xA9ss  ");
    EXPECT_FALSE(again->Autorun());
    EXPECT_FALSE(again->AutorunChanged());
}

TEST_F(SettingsTest, StoredFormsAreInterpreted) {
    test::ScopedEnv temp("TEMP", "/var/tmp");
    fake->PutText(kKey, "AutoSaveOrders", "0");
    fake->PutText(kKey, "BarcodesFolder", "");
    fake->Put(kKey, "TraceEvents", REG_DWORD, {1, 0, 0, 0});
    fake->Put(kKey, "Debtor", REG_DWORD, {5, 0, 0, 0});
    fake->PutText(kKey, "OrdersFolder", "%TEMP%/Orders/", REG_EXPAND_SZ);
    fake->PutText(kKey, "LastFolder", "50%/x");
    fake->PutText(kKey, "QuantityPositioning", "7");
    auto settings = Load();
    EXPECT_FALSE(settings->AutoSaveOrders());
    EXPECT_EQ(settings->BarcodesFolder(), "/data/Quarnel/Barcodes/");
    EXPECT_TRUE(settings->TraceEvents());
    EXPECT_EQ(settings->Debtor(), "5");
    EXPECT_EQ(settings->OrdersFolder(), "/var/tmp/Orders/");
    EXPECT_EQ(settings->LastFolder(), "50%/x");
    EXPECT_EQ(settings->QuantityPositioning(), 7);

    settings->SetOrdersFolder("%TEMP%/Orders/");
    settings->Save();
    EXPECT_EQ(fake->Find(kKey, "OrdersFolder")->type, REG_EXPAND_SZ);
    EXPECT_EQ(fake->Find(kKey, "LastFolder")->type, REG_SZ);
}

TEST_F(SettingsTest, AutorunFollowsTheExactlyNamedRunValue) {
    // Registered under another case: counts as not registered and stays.
    fake->PutText(kRun, "quarnel", "/elsewhere");
    fake->PutText(kKey, "AutoRun", "0");
    auto settings = Load();
    EXPECT_FALSE(settings->Autorun());
    EXPECT_FALSE(settings->AutorunChanged());
    settings->SetAutorun(false);
    EXPECT_FALSE(settings->AutorunChanged());
    settings->Save();
    EXPECT_EQ(Stored(kRun, "quarnel"), "/elsewhere");

    // Registered under the exact name pointing elsewhere: kept as it is.
    fake = std::make_shared<test::FakeRegistry>();
    fake->PutText(kRun, "Quarnel", "/elsewhere");
    fake->PutText(kKey, "AutoRun", "1");
    settings = Load();
    EXPECT_TRUE(settings->Autorun());
    EXPECT_FALSE(settings->AutorunChanged());
    settings->Save();
    EXPECT_EQ(Stored(kRun, "Quarnel"), "/elsewhere");

    // Switched off: the entry goes.
    settings->SetAutorun(false);
    settings->Save();
    EXPECT_EQ(Stored(kRun, "Quarnel"), "<missing>");
}

TEST_F(SettingsTest, SaveStopsAtTheFirstFailingValue) {
    auto settings = Load();
    fake->failWrites = true;
    EXPECT_THROW(settings->Save(), QuarnelError);
    EXPECT_FALSE(fake->HasKey(kKey));
}

TEST_F(SettingsTest, UnconvertibleValuesFallBackWithProblems) {
    fake->PutText(kKey, "AutoSaveBarcodes", "abc");
    fake->PutText(kKey, "QuantityPositioning", "1e20");
    fake->PutText(kKey, "TraceEvents", "True");
    auto settings = Load();
    EXPECT_FALSE(settings->AutoSaveBarcodes());
    EXPECT_EQ(settings->QuantityPositioning(), 1);
    EXPECT_TRUE(settings->TraceEvents());
    EXPECT_EQ(settings->LoadProblems(),
              (std::vector<std::string>{
                  "Error reading setting 'QuantityPositioning': [6] Overflow (Quarnel)",
                  "Error reading setting 'AutoSaveBarcodes': [13] Type mismatch (Quarnel)"}));
}

TEST(SettingsOnThisPlatform, RoundTripAndAutostartEntry) {
    test::TempDir dir;
    test::ScopedEnv config("XDG_CONFIG_HOME", dir.Path());
    const std::string entry = dir.File("autostart/Quarnel.desktop");
    auto open = [] {
        return std::make_unique<clsSettings>(OpenUserRegistry(EmptySerialPortTable()),
                                             "/data/Quarnel", "/opt/quarnel/bin/quarnel");
    };
    auto settings = open();
    settings->SetDebtor("100");
    settings->SetOrdersFolder("%HOME%/Orders/");
    settings->Save();
    EXPECT_NE(test::ReadFileBytes(entry).find("\nExec=/opt/quarnel/bin/quarnel\n"),
              std::string::npos);

    settings = open();
    EXPECT_EQ(settings->Debtor(), "100");
    EXPECT_EQ(settings->OrdersFolder(), std::string(std::getenv("HOME")) + "/Orders/");
    EXPECT_TRUE(settings->Autorun());
    EXPECT_FALSE(settings->AutorunChanged());
    settings->SetAutorun(false);
    settings->Save();
    EXPECT_FALSE(std::filesystem::exists(entry));
    EXPECT_FALSE(open()->Autorun());
}

}  // namespace
}  // namespace quarnel
