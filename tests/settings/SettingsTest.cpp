// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include "FakeRegistry.h"
#include "SettingsDump.h"
#include "TestSupport.h"
#include "base/ErrorInfo.h"
#include "platform/Paths.h"
#include "settings/clsSettings.h"

namespace quarnel {
namespace {

using namespace platform;

constexpr const char* kKey = "HKCU\\Software\\Hollinde\\Quarnel";
constexpr const char* kRun = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

const std::string kSep(1, PathSeparator());
// A path in the application folder the tests give, as the program joins it.
std::string InAppFolder(const std::string& name) {
    return "/data/Quarnel" + kSep + name;
}

class SettingsTest : public ::testing::Test {
  protected:
    std::unique_ptr<clsSettings> Load() {
        return std::make_unique<clsSettings>(fake, "/data/Quarnel", "/opt/quarnel/bin/quarnel");
    }
    // The values under a key as "name=data" lines, the last byte (the terminator) dropped.
    std::string Stored(const char* key) {
        std::string text;
        if (const auto* values = fake->Values(key))
            for (const auto& v : *values)
                text += v.name + "=" + std::string(v.data.begin(), v.data.end() - 1) + "\n";
        return text;
    }
    std::shared_ptr<test::FakeRegistry> fake = std::make_shared<test::FakeRegistry>();
};

TEST_F(SettingsTest, FirstRunHasDefaultsAndSaveWritesEveryValueInOrder) {
    auto settings = Load();
    EXPECT_EQ(Dump(*settings), "1|0|1|" + InAppFolder("Barcodes" + kSep) + "|" +
                                   InAppFolder("Orders" + kSep) + "||1|" +
                                   InAppFolder("Trace.log") + "||||1|1");
    EXPECT_TRUE(settings->LoadProblems().empty());
    EXPECT_FALSE(fake->HasKey(kKey));  // nothing written before Save
    fake->failWrites = true;
    EXPECT_THROW(settings->Save(), QuarnelError);
    EXPECT_FALSE(fake->HasKey(kKey) || fake->HasKey(kRun));
    fake->failWrites = false;
    settings->Save();
    EXPECT_EQ(Stored(kRun), "Quarnel=/opt/quarnel/bin/quarnel\n");

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
    EXPECT_EQ(Stored(kKey),
              "QuantityPositioning=0\nAutoSaveBarcodes=1\nAutoSaveOrders=0\n"
              "BarcodesFolder=/scans/\nOrdersFolder=" +
                  InAppFolder("Orders" + kSep) +
                  "\nLastFolder=/last\n"
                  "TraceEvents=0\nTraceFile=/tmp/t.log\nDebtor=100\nUser=jan\n"
                  "Zq8#Lm2!=  p\xC3\xA9ss  \nAutoRun=0\n");
    EXPECT_EQ(Dump(*Load()), "0|1|0|/scans/|" + InAppFolder("Orders" + kSep) +
                                 "|/last|0|/tmp/t.log|100|jan|"
                                 "  p\xC3\xA9ss  |0|0");
}

TEST_F(SettingsTest, StoredFormsAreInterpretedAndUnconvertibleOnesFallBack) {
    fake->Put(kKey, "AutoSaveOrders", REG_DWORD, {0, 0, 0, 0});
    fake->PutText(kKey, "BarcodesFolder", "");
    fake->PutText(kKey, "TraceEvents", "False");
    fake->Put(kKey, "Debtor", REG_DWORD, {5, 0, 0, 0});
    fake->PutText(kKey, "LastFolder", "50%/x");
    fake->PutText(kKey, "QuantityPositioning", "1e20");
    fake->PutText(kKey, "AutoSaveBarcodes", "abc");
    auto settings = Load();
    EXPECT_EQ(Dump(*settings), "1|0|0|" + InAppFolder("Barcodes" + kSep) + "|" +
                                   InAppFolder("Orders" + kSep) + "|50%/x|0|" +
                                   InAppFolder("Trace.log") + "|5|||1|1");
    EXPECT_EQ(settings->LoadProblems(),
              (std::vector<std::string>{
                  "Error reading setting 'QuantityPositioning': [6] Overflow (Quarnel)",
                  "Error reading setting 'AutoSaveBarcodes': [13] Type mismatch (Quarnel)"}));
}

TEST_F(SettingsTest, AutorunFollowsTheExactlyNamedRunValue) {
    // Registered under another case: counts as not registered and stays.
    fake->PutText(kRun, "quarnel", "/elsewhere");
    fake->PutText(kKey, "AutoRun", "0");
    auto settings = Load();
    EXPECT_FALSE(settings->Autorun() || settings->AutorunChanged());
    settings->Save();
    EXPECT_EQ(Stored(kRun), "quarnel=/elsewhere\n");

    // Registered under the exact name pointing elsewhere: kept until switched off.
    fake = std::make_shared<test::FakeRegistry>();
    fake->PutText(kRun, "Quarnel", "/elsewhere");
    settings = Load();
    EXPECT_TRUE(settings->Autorun());
    EXPECT_FALSE(settings->AutorunChanged());
    settings->Save();
    EXPECT_EQ(Stored(kRun), "Quarnel=/elsewhere\n");
    settings->SetAutorun(false);
    settings->Save();
    EXPECT_EQ(Stored(kRun), "");
}

}  // namespace
}  // namespace quarnel
