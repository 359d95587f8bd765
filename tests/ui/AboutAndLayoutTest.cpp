// The about box, the dialogs' failed loads, and the layout of every dialog
// in both languages measured with fixed-width text.
#include <gtest/gtest.h>

#include "FakeRegistry.h"
#include "FormsTestSupport.h"
#include "TestSupport.h"
#include "app/modMain.h"
#include "platform/ScannerLibrary.h"
#include "platform/linux/VirtualPorts.h"
#include "ui/frmAbout.h"
#include "ui/frmDeviceInfo.h"
#include "ui/frmOPN2001Settings.h"
#include "ui/frmOptions.h"

namespace quarnel::test {
namespace {

using namespace ui;

class DialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Main("", {std::make_shared<FakeRegistry>(), dir_.Path(), "/usr/bin/quarnel"});
        trace_ = std::make_unique<TraceCapture>();
    }
    void TearDown() override {
        trace_.reset();
        ExitApplication();
    }

    static DateTime NewYear() { return {2026, 1, 1}; }
    FormServices Services(std::shared_ptr<FixedMetrics> metrics = nullptr) {
        return {desktop_, metrics ? metrics : metrics_, NewYear, platform::SystemScannerLibrary(),
                dir_.Path()};
    }

    // Every dialog, loaded and activated.
    std::vector<std::unique_ptr<Form>> AllDialogs(const FormServices& services) {
        std::vector<std::unique_ptr<Form>> forms;
        forms.push_back(std::make_unique<frmOptions>(
            services, std::make_shared<modBrowseFolder>(services.desktop)));
        forms.push_back(std::make_unique<frmOPN2001Settings>(services));
        forms.push_back(std::make_unique<frmDeviceInfo>(services));
        forms.push_back(std::make_unique<frmAbout>(services));
        // The scanner settings dialog needs a scanner object to load.
        static_cast<frmOPN2001Settings&>(*forms[1]).SetOPN2001(
            std::make_shared<clsOPN2001>(services.scannerLibrary));
        for (auto& form : forms) Open(*form);
        return forms;
    }

    TempDir dir_;
    std::shared_ptr<FormsDesktop> desktop_ = std::make_shared<FormsDesktop>();
    std::shared_ptr<FixedMetrics> metrics_ = std::make_shared<FixedMetrics>();
    std::unique_ptr<TraceCapture> trace_;
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

// Right-aligned buttons and label columns, in both languages.
TEST_F(DialogsTest, ButtonsAndValueColumnsFollowTheTexts) {
    for (const char* language : {"en_US.UTF-8", "nl_NL.UTF-8"}) {
        ScopedEnv lang("LC_ALL", language);
        auto forms = AllDialogs(Services());
        const Form& options = *forms[0];
        const Form& scanner = *forms[1];
        const Form& info = *forms[2];
        const Form& about = *forms[3];

        EXPECT_EQ(Right(options.Ctl("cmdCancel")), options.ScaleWidth() - 120);
        EXPECT_EQ(Right(options.Ctl("cmdOK")), options.Ctl("cmdCancel").left - 120);
        EXPECT_EQ(Right(options.Ctl("cmdBrowseOrdersFolder")),
                  options.Ctl("fraAutosave").width - 120);
        int32_t labels = 0;
        for (const char* label : {"lblDebtor", "lblUser", "lblPassword"})
            labels = std::max(labels, metrics_->TextWidth(options.Ctl(label).text));
        for (const char* box : {"txtDebtor", "txtUser", "txtPassword"})
            EXPECT_EQ(options.Ctl(box).left, options.Ctl("lblDebtor").left + labels + 120)
                << language;

        EXPECT_EQ(Right(scanner.Ctl("cmdFactoryDefault")), scanner.ScaleWidth() - 120);

        int32_t captions = 0;
        for (const char* label :
             {"lblScanner(0)", "lblDeviceID(0)", "lblSWVersion(0)", "lblProtocol(0)"})
            captions = std::max(captions, metrics_->TextWidth(info.Ctl(label).text));
        EXPECT_EQ(info.Ctl("lblProtocol(1)").left, 120 + captions + 120) << language;
        EXPECT_EQ(info.ScaleWidth(), info.Ctl("fraBattery").width + 240);
        EXPECT_EQ(Right(info.Ctl("cmdOK")), info.ScaleWidth() - 120);

        const int32_t widest = std::max(metrics_->TextWidth(about.Ctl("lblProgramVersion(0)").text),
                                        metrics_->TextWidth(about.Ctl("lblDLLVersion(0)").text));
        EXPECT_EQ(about.Ctl("lblDLLVersion(1)").left, 2160 + widest + 120);
    }
}

TEST_F(DialogsTest, ALongIdentityWidensTheBatteryFrameAndTheWindow) {
    TempDir ports;
    ScopedEnv folder(platform::virtual_ports::kFolderVariable, ports.Path());
    WriteFileBytes(platform::virtual_ports::FileOfPort(ports.Path(), "COM3"), "");
    std::vector<int32_t> widths;
    for (int32_t digit : {100, 300}) {
        frmDeviceInfo form(Services(std::make_shared<FixedMetrics>(100, digit)));
        auto scanner = std::make_shared<clsOPN2001>(platform::SystemScannerLibrary());
        ASSERT_TRUE(scanner->Connect(3));
        form.SetOPN2001(scanner);
        Open(form);
        EXPECT_EQ(Right(form.Ctl("fraBattery")), Right(form.Ctl("lblDeviceID(1)")));
        EXPECT_EQ(Right(form.Ctl("cmdOK")), form.ScaleWidth() - 120);
        widths.push_back(form.ScaleWidth());
    }
    EXPECT_GT(widths[1], widths[0]);
}

TEST_F(DialogsTest, TheLegalNoticeGrowsUpwardsFromAFixedBottom) {
    std::vector<int32_t> tops;
    for (int32_t width : {100, 200}) {
        frmAbout about(Services(std::make_shared<FixedMetrics>(width)));
        Open(about);
        const Control& notice = about.Ctl("lblCopyright");
        EXPECT_EQ(Bottom(notice), about.ScaleHeight() - 375 - 240);
        tops.push_back(notice.top);
    }
    EXPECT_LT(tops[1], tops[0]);
}

// Nothing sticks out of its container, no two controls overlap, and every
// one-line text fits its control, in both languages.
TEST_F(DialogsTest, NothingOverlapsOrIsCutOff) {
    for (const char* language : {"en_US.UTF-8", "nl_NL.UTF-8"}) {
        ScopedEnv lang("LC_ALL", language);
        for (const auto& form : AllDialogs(Services())) {
            std::vector<const Control*> shown;
            for (const Control& c : form->Controls())
                if (c.kind != ControlKind::Timer) shown.push_back(&c);
            for (const Control* c : shown) {
                const std::string where = form->Name() + "." + c->name + " " + language;
                const bool top = c->container.empty();
                EXPECT_TRUE(c->left >= 0 && c->top >= 0) << where;
                EXPECT_LE(Right(*c), top ? form->ScaleWidth() : form->Ctl(c->container).width)
                    << where;
                EXPECT_LE(Bottom(*c), top ? form->ScaleHeight() : form->Ctl(c->container).height)
                    << where;
                const int32_t text = metrics_->TextWidth(c->text);
                const bool oneLine = c->kind == ControlKind::CommandButton ||
                                     (c->kind == ControlKind::Label && !c->wordWrap);
                EXPECT_LE(c->kind == ControlKind::CheckBox ? text + 240
                          : oneLine                        ? text
                                                           : 0,
                          c->width)
                    << where;
                for (const std::string& entry : c->list)
                    EXPECT_LE(metrics_->TextWidth(entry) + 300, c->width) << where;
                for (const Control* other : shown) {
                    if (other >= c || other->container != c->container) continue;
                    const bool apart = Right(*c) <= other->left || Right(*other) <= c->left ||
                                       Bottom(*c) <= other->top || Bottom(*other) <= c->top;
                    EXPECT_TRUE(apart) << where << " overlaps " << other->name;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quarnel::test
