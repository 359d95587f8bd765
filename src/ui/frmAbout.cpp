// SPDX-License-Identifier: MIT
#include "ui/frmAbout.h"

#include <memory>

#include "base/TraceLog.h"
#include "base/modTexts.h"
#include "scanner/clsOPN2001.h"
#include "ui/FormLayout.h"

namespace quarnel::ui {

namespace {

constexpr int32_t kNoticeWidth = 4410;
constexpr int32_t kButtonRightMargin = 90;

}  // namespace

std::string FormatProgramVersion(const std::string& version, const std::string& comments) {
    std::string text;
    size_t start = 0;
    for (int part = 0; part < 3; ++part) {
        const size_t end = std::min(version.find('.', start), version.size());
        long number = 0;
        for (size_t i = start; i < end && number < 100000; ++i)
            if (version[i] >= '0' && version[i] <= '9') number = number * 10 + (version[i] - '0');
        text += (part > 0 ? "." : "") + std::to_string(number);
        start = std::min(end + 1, version.size());
    }
    return comments.empty() ? text : text + " " + comments;
}

frmAbout::frmAbout(FormServices services) : Form("frmAbout"), services_(std::move(services)) {
    CreateControls();
}

void frmAbout::CreateControls() {
    using K = ControlKind;
    SetScaleSize(6675, 2055);
    AddImage("Logo", ":/dialogs/logo.svg");
    Add(MakeControl("Image1", K::Image, kMargin, kMargin, 1815, 1815)).picture = "Logo";
    for (auto [name, top] : {std::pair{"lblProgramVersion", 120}, {"lblDLLVersion", 420}}) {
        Add(MakeControl(std::string(name) + "(0)", K::Label, 2160, top, 1500, kLabelHeight))
            .autoSize = true;
        Add(MakeControl(std::string(name) + "(1)", K::Label, 3780, top, 1500, kLabelHeight))
            .autoSize = true;
    }
    Add(MakeControl("lblCopyright", K::Label, 2160, 780, kNoticeWidth, 660)).wordWrap = true;
    Add(MakeControl("lblPoweredBy", K::Label, 2160, 1680, 3150, kLabelHeight)).autoSize = true;
    Add(MakeControl("cmdOK", K::CommandButton, 5430, 1590, kButtonWidth, kButtonHeight));
    Update("cmdOK", [](Control& c) {
        c.isDefault = true;
        c.isCancel = true;
    });
}

void frmAbout::Form_Load() {
    m_blnCloseOnActivate = false;
    try {
        InitTexts();
        SetText("lblProgramVersion(1)", FormatProgramVersion(QUARNEL_VERSION, ""));
        std::string dllVersion;
        if (services_.scannerLibrary) {
            auto scanner = std::make_unique<clsOPN2001>(services_.scannerLibrary);
            dllVersion = scanner->GetDLLVersion();
        }
        SetText("lblDLLVersion(1)", dllVersion);
        SizeControls();
    } catch (...) {
        m_blnCloseOnActivate = true;
        trace::Error("Error opening form frmAbout: ");
    }
}

void frmAbout::InitTexts() {
    SetCaption(GetText(103));
    SetText("lblProgramVersion(0)", GetText(104) + ":");
    SetText("lblDLLVersion(0)", GetText(105) + ":");
    SetText("lblCopyright", GetText(106) + " " + QUARNEL_LICENSE_FILE + ".");
    SetText("lblPoweredBy", GetText(107));
    SetText("cmdOK", GetText(101));
}

void frmAbout::SizeControls() {
    const TextMetrics& metrics = *services_.metrics;
    const int32_t widest =
        AutoSizeLabels(*this, metrics, {"lblProgramVersion(0)", "lblDLLVersion(0)"});
    AutoSizeLabels(*this, metrics, {"lblProgramVersion(1)", "lblDLLVersion(1)"});
    const int32_t valueLeft = Ctl("lblProgramVersion(0)").left + widest + kMargin;
    SetLeft("lblProgramVersion(1)", valueLeft);
    SetLeft("lblDLLVersion(1)", valueLeft);

    // A long credits line widens the dialog rather than running under OK.
    const Control& credits = Ctl("lblPoweredBy");
    const int32_t creditsRight = credits.left + AutoSizeLabel(*this, metrics, "lblPoweredBy");
    const int32_t neededWidth = creditsRight + kMargin + Ctl("cmdOK").width + kButtonRightMargin;
    if (neededWidth > ScaleWidth()) SetScaleSize(neededWidth, ScaleHeight());
    SetLeft("cmdOK", ScaleWidth() - Ctl("cmdOK").width - kButtonRightMargin);

    // The notice grows upwards: its bottom stays put whatever its length.
    const Control& notice = Ctl("lblCopyright");
    const int32_t height = metrics.TextHeight(notice.text, notice.width);
    SetSize("lblCopyright", notice.width, height);
    SetTop("lblCopyright", ScaleHeight() - Ctl("cmdOK").height - 240 - height);
}

void frmAbout::Form_Activate() {
    if (m_blnCloseOnActivate) Unload();
}

void frmAbout::OnClick(const std::string& name) {
    if (name == "cmdOK") Unload();
}

}  // namespace quarnel::ui
