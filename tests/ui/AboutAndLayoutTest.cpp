// SPDX-License-Identifier: MIT
// The about box, the dialogs' failed loads, and the layout for long texts
// measured with fixed-width text; that no text is cut off in either language
// is checked on the real toolkit (qt/DialogsTest).
#include "FormsTestSupport.h"
#include "backends/linux/VirtualPorts.h"
#include "platform/ScannerLibrary.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"

namespace quarnel::test {
namespace {

using namespace ui;

class DialogsTest : public FormsTest {
  protected:
    FormServices Services(std::shared_ptr<FixedMetrics> metrics = nullptr) {
        return {desktop_, metrics ? metrics : metrics_, nullptr, platform::SystemScannerLibrary(),
                dir_.Path()};
    }

    // Every dialog, loaded and activated; the scanner settings need a
    // scanner object to load.
    std::vector<std::unique_ptr<Form>> AllDialogs(const FormServices& services) {
        auto scanner = std::make_unique<frmOPN2001Settings>(services);
        scanner->SetOPN2001(std::make_shared<clsOPN2001>(services.scannerLibrary));
        std::vector<std::unique_ptr<Form>> forms;
        forms.push_back(std::make_unique<frmOptions>(
            services, std::make_shared<modBrowseFolder>(services.desktop)));
        forms.push_back(std::move(scanner));
        forms.push_back(std::make_unique<frmDeviceInfo>(services));
        forms.push_back(std::make_unique<frmAbout>(services));
        for (auto& form : forms) Open(*form);
        return forms;
    }
};

TEST_F(DialogsTest, AboutShowsBothVersionsAndOpensWithoutALibrary) {
    EXPECT_EQ(FormatProgramVersion("1.01.0001", ""), "1.1.1");
    EXPECT_EQ(FormatProgramVersion("2", "beta"), "2.0.0 beta");
    frmAbout about(Services());
    EXPECT_FALSE(Open(about));
    EXPECT_EQ(about.Ctl("lblProgramVersion(1)").text, FormatProgramVersion(QUARNEL_VERSION, ""));
    EXPECT_EQ(about.Ctl("lblDLLVersion(1)").text, "Virtual 1.0");

    FormServices missing = Services();
    missing.scannerLibrary = platform::LoadScannerLibrary(dir_.File("missing.so"));
    frmAbout without(missing);
    EXPECT_FALSE(Open(without));
    EXPECT_EQ(without.Ctl("lblDLLVersion(1)").text, "");
}

TEST_F(DialogsTest, AFailedLoadClosesEveryDialogButTheOptions) {
    auto metrics = std::make_shared<FixedMetrics>();
    metrics->fail = true;
    auto forms = AllDialogs(Services(metrics));
    const std::pair<const char*, bool> expected[] = {
        {"Error opening frmOptions: [5]", false},
        {"Error opening form frmOPN2001Settings: [5]", true},
        {"Error while opening form frmDeviceInfo: [5]", true},
        {"Error opening form frmAbout: [5]", true},
    };
    const std::string trace = trace_->Bytes();
    for (size_t i = 0; i < forms.size(); ++i) {
        EXPECT_EQ(forms[i]->UnloadRequested(), expected[i].second) << forms[i]->Name();
        EXPECT_NE(trace.find(expected[i].first), std::string::npos) << expected[i].first;
    }
}

// A long identity widens the battery frame and the window; a long legal
// notice grows upwards from a fixed bottom.
TEST_F(DialogsTest, LongTextsWidenTheInformationAndRaiseTheNotice) {
    TempDir ports;
    ScopedEnv folder(platform::virtual_ports::kFolderVariable, ports.Path());
    WriteFileBytes(platform::virtual_ports::FileOfPort(ports.Path(), "COM3"), "");
    std::vector<int32_t> widths, tops;
    for (int32_t wide : {100, 300}) {
        frmDeviceInfo info(Services(std::make_shared<FixedMetrics>(100, wide)));
        auto scanner = std::make_shared<clsOPN2001>(platform::SystemScannerLibrary());
        ASSERT_TRUE(scanner->Connect(3));
        info.SetOPN2001(scanner);
        Open(info);
        EXPECT_EQ(Right(info.Ctl("fraBattery")), Right(info.Ctl("lblDeviceID(1)")));
        EXPECT_EQ(Right(info.Ctl("cmdOK")), info.ScaleWidth() - 120);
        widths.push_back(info.ScaleWidth());

        frmAbout about(Services(std::make_shared<FixedMetrics>(wide)));
        Open(about);
        EXPECT_EQ(Bottom(about.Ctl("lblCopyright")), about.ScaleHeight() - 375 - 240);
        tops.push_back(about.Ctl("lblCopyright").top);
    }
    EXPECT_GT(widths[1], widths[0]);
    EXPECT_LT(tops[1], tops[0]);
}

}  // namespace
}  // namespace quarnel::test
