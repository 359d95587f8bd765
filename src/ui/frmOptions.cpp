// SPDX-License-Identifier: MIT
#include "ui/frmOptions.h"

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/TraceLog.h"
#include "base/modTexts.h"
#include "platform/Paths.h"
#include "settings/SharedSettings.h"
#include "ui/FormLayout.h"

namespace quarnel::ui {

namespace {

constexpr size_t kPasswordLength = 20;
constexpr int32_t kSectionWidth = 6015;
constexpr int32_t kIndent = 720;  // right of the section icon
constexpr int32_t kWideControl = kSectionWidth - kIndent - kMargin;
constexpr int32_t kBrowseWidth = 375;

// One code point of UTF-8 starting at a lead byte; stray bytes count alone.
size_t CodePointLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The controls that show a value of the settings object.
constexpr const char* kValueControls[] = {
    "cboQuantityPlacing", "chkAutorun",      "chkSaveBarcodes", "txtBarcodesFolder",
    "chkSaveOrders",      "txtOrdersFolder", "chkTracefile",    "txtTracefile",
    "txtDebtor",          "txtUser",         "txtPassword"};

// What a control shows, as one text.
std::string ShownState(const Control& control) {
    switch (control.kind) {
        case ControlKind::CheckBox:
            return std::to_string(control.value);
        case ControlKind::ComboBox:
            return std::to_string(control.listIndex);
        default:
            return control.text;
    }
}

// The shop receives Windows-1252; any other character would arrive as "?".
bool ShopCanReceive(const std::string& text) {
    return AnsiToUtf8(Utf8ToAnsi(text)) == text;
}

std::string Op(const std::string& name) {
    return "frmOptions." + name;
}

}  // namespace

std::string PadPassword(const std::string& password) {
    size_t end = 0, count = 0;
    while (end < password.size() && count < kPasswordLength) {
        end = std::min(password.size(), end + CodePointLength(password[end]));
        ++count;
    }
    return password.substr(0, end) + std::string(kPasswordLength - count, ' ');
}

frmOptions::frmOptions(FormServices services, std::shared_ptr<modBrowseFolder> browseFolder)
    : Form("frmOptions"), services_(std::move(services)), browseFolder_(std::move(browseFolder)) {
    CreateControls();
}

void frmOptions::CreateControls() {
    using K = ControlKind;
    SetScaleSize(6255, 6330);
    AddImage("General", ":/dialogs/options-general.svg");
    AddImage("Autosave", ":/dialogs/options-autosave.svg");
    AddImage("Tracefile", ":/dialogs/options-tracefile.svg");
    AddImage("UserID", ":/dialogs/options-userid.svg");

    auto section = [&](const std::string& frame, int32_t top, int32_t height,
                       const std::string& icon, const std::string& picture) {
        Add(MakeControl(frame, K::Frame, kMargin, top, kSectionWidth, height));
        Add(MakeControl(icon, K::Image, kMargin, 300, 480, 480, frame)).picture = picture;
    };
    auto wide = [&](const std::string& name, K kind, int32_t top, int32_t height,
                    const std::string& frame) -> Control& {
        return Add(MakeControl(name, kind, kIndent, top, kWideControl, height, frame));
    };
    // A folder or file box with its "..." button, both disabled until ticked.
    auto pathRow = [&](const std::string& box, const std::string& button, int32_t top,
                       const std::string& frame) {
        Control& text = Add(MakeControl(box, K::TextBox, kIndent, top,
                                        kWideControl - kBrowseWidth - 60, kTextBoxHeight, frame));
        text.enabled = false;
        Control& browse =
            Add(MakeControl(button, K::CommandButton, kSectionWidth - kMargin - kBrowseWidth, top,
                            kBrowseWidth, kTextBoxHeight, frame));
        browse.text = "...";
        browse.enabled = false;
    };

    section("fraGeneral", 60, 1275, "imgGeneral", "General");
    Add(MakeControl("lblQuantityPlacing", K::Label, kIndent, 300, kWideControl, kLabelHeight,
                    "fraGeneral"))
        .autoSize = true;
    wide("cboQuantityPlacing", K::ComboBox, 555, kTextBoxHeight, "fraGeneral");
    wide("chkAutorun", K::CheckBox, 945, kLabelHeight, "fraGeneral");

    section("fraAutosave", 1440, 1635, "imgAutosave", "Autosave");
    wide("chkSaveBarcodes", K::CheckBox, 300, kLabelHeight, "fraAutosave");
    pathRow("txtBarcodesFolder", "cmdBrowseBarcodesFolder", 600, "fraAutosave");
    wide("chkSaveOrders", K::CheckBox, 1000, kLabelHeight, "fraAutosave");
    pathRow("txtOrdersFolder", "cmdBrowseOrdersFolder", 1260, "fraAutosave");

    section("fraTracefile", 3180, 945, "imgTracefile", "Tracefile");
    wide("chkTracefile", K::CheckBox, 270, kLabelHeight, "fraTracefile");
    pathRow("txtTracefile", "cmdBrowseTracefile", 555, "fraTracefile");

    section("fraUserID", 4230, 1395, "imgUserID", "UserID");
    int32_t top = 300;
    for (const char* row : {"Debtor", "User", "Password"}) {
        Add(MakeControl(std::string("lbl") + row, K::Label, kIndent, top + 30, 1500, kLabelHeight,
                        "fraUserID"))
            .autoSize = true;
        Control& box = Add(MakeControl(std::string("txt") + row, K::TextBox, 2340, top, 3000,
                                       kTextBoxHeight, "fraUserID"));
        box.maxLength = static_cast<int32_t>(kPasswordLength);
        top += 345;
    }
    Update("txtPassword", [](Control& c) { c.passwordChar = "*"; });

    Add(MakeControl("cmdOK", K::CommandButton, 3705, 5850, kButtonWidth, kButtonHeight)).isDefault =
        true;
    Add(MakeControl("cmdCancel", K::CommandButton, 4980, 5850, kButtonWidth, kButtonHeight))
        .isCancel = true;
}

void frmOptions::Form_Load() {
    trace::Entering(Op("Form_Load"));
    try {
        AddItem("cboQuantityPlacing", GetText(121));
        AddItem("cboQuantityPlacing", GetText(122));
        InitTexts();
        ApplySettings();
        SizeControls();
        trace::Exiting(Op("Form_Load"));
    } catch (...) {
        trace::Error("Error opening frmOptions: ");
    }
}

void frmOptions::InitTexts() {
    trace::Entering(Op("InitTexts"));
    SetCaption(GetText(123));
    SetText("cmdOK", GetText(101));
    SetText("cmdCancel", GetText(102));
    SetText("fraGeneral", GetText(154));
    SetText("lblQuantityPlacing", GetText(128) + ":");
    SetText("chkAutorun", GetText(126));
    SetText("fraAutosave", GetText(155));
    SetText("chkSaveBarcodes", GetText(124));
    SetText("chkSaveOrders", GetText(125));
    SetText("fraTracefile", GetText(156));
    SetText("chkTracefile", GetText(157));
    SetText("fraUserID", GetText(164));
    SetText("lblDebtor", GetText(165) + ":");
    SetText("lblUser", GetText(166) + ":");
    SetText("lblPassword", GetText(167) + ":");
    trace::Exiting(Op("InitTexts"));
}

void frmOptions::ApplySettings() {
    trace::Entering(Op("ApplySettings"));
    auto settings = Settings();
    if (!settings) RaiseError(ErrNo::ObjectNotSet);
    SetListIndex("cboQuantityPlacing", settings->QuantityPositioning() == 1 ? 0 : 1);
    SetValue("chkAutorun", settings->Autorun() ? 1 : 0);
    SetValue("chkSaveBarcodes", settings->AutoSaveBarcodes() ? 1 : 0);
    CheckBoxClick("chkSaveBarcodes", "txtBarcodesFolder", "cmdBrowseBarcodesFolder");
    SetText("txtBarcodesFolder", settings->BarcodesFolder());
    SetValue("chkSaveOrders", settings->AutoSaveOrders() ? 1 : 0);
    CheckBoxClick("chkSaveOrders", "txtOrdersFolder", "cmdBrowseOrdersFolder");
    SetText("txtOrdersFolder", settings->OrdersFolder());
    SetValue("chkTracefile", settings->TraceEvents() ? 1 : 0);
    CheckBoxClick("chkTracefile", "txtTracefile", "cmdBrowseTracefile");
    SetText("txtTracefile", settings->TraceFile());
    SetText("txtDebtor", settings->Debtor());
    SetText("txtUser", settings->User());
    SetText("txtPassword", PadPassword(settings->Password()));
    for (const char* name : kValueControls) shown_[name] = ShownState(Ctl(name));
    trace::Exiting(Op("ApplySettings"));
}

void frmOptions::SizeControls() {
    trace::Entering(Op("SizeControls"));
    const Control& autosave = Ctl("fraAutosave");
    const int32_t browseLeft = autosave.width - kMargin - Ctl("cmdBrowseBarcodesFolder").width;
    for (const char* button :
         {"cmdBrowseBarcodesFolder", "cmdBrowseOrdersFolder", "cmdBrowseTracefile"})
        SetLeft(button, browseLeft);

    SetLeft("cmdCancel", ScaleWidth() - Ctl("cmdCancel").width - kMargin);
    SetLeft("cmdOK", Ctl("cmdCancel").left - Ctl("cmdOK").width - kMargin);

    AutoSizeLabel(*this, *services_.metrics, "lblQuantityPlacing");
    const int32_t widest =
        AutoSizeLabels(*this, *services_.metrics, {"lblDebtor", "lblUser", "lblPassword"});
    const int32_t boxLeft = Ctl("lblDebtor").left + widest + kMargin;
    // The boxes end where the section's inner area ends, however wide the
    // captions are.
    const int32_t boxWidth = std::max(kMargin, Ctl("fraUserID").width - kMargin - boxLeft);
    for (const char* box : {"txtDebtor", "txtUser", "txtPassword"}) {
        SetLeft(box, boxLeft);
        SetSize(box, boxWidth, Ctl(box).height);
    }
    trace::Exiting(Op("SizeControls"));
}

void frmOptions::OnClick(const std::string& name) {
    if (name == "cmdOK") {
        cmdOK_Click();
    } else if (name == "cmdCancel") {
        cmdCancel_Click();
    } else if (name == "cmdBrowseBarcodesFolder") {
        BrowseFolder("cmdBrowseBarcodesFolder_Click", "txtBarcodesFolder", 119);
    } else if (name == "cmdBrowseOrdersFolder") {
        BrowseFolder("cmdBrowseOrdersFolder_Click", "txtOrdersFolder", 120);
    } else if (name == "cmdBrowseTracefile") {
        cmdBrowseTracefile_Click();
    }
}

void frmOptions::OnChange(const std::string& name) {
    changedByUser_.insert(name);
    if (name == "chkSaveBarcodes") {
        CheckBoxClick(name, "txtBarcodesFolder", "cmdBrowseBarcodesFolder");
    } else if (name == "chkSaveOrders") {
        CheckBoxClick(name, "txtOrdersFolder", "cmdBrowseOrdersFolder");
    } else if (name == "chkTracefile") {
        CheckBoxClick(name, "txtTracefile", "cmdBrowseTracefile");
    }
}

void frmOptions::OnLostFocus(const std::string& name) {
    if (name == "txtBarcodesFolder" || name == "txtOrdersFolder") {
        FolderLostFocus(name);
    } else if (name == "txtPassword") {
        txtPassword_LostFocus();
    }
}

void frmOptions::CheckBoxClick(const std::string& checkBox, const std::string& textBox,
                               const std::string& button) {
    trace::Handling(Op(checkBox + "_Click"));
    const bool checked = Ctl(checkBox).value != 0;
    SetEnabled(textBox, checked);
    SetEnabled(button, checked);
}

void frmOptions::FolderLostFocus(const std::string& textBox) {
    trace::Handling(Op(textBox + "_LostFocus"));
    const std::string& text = Ctl(textBox).text;
    if (!text.empty() && text.back() != platform::PathSeparator())
        SetText(textBox, text + platform::PathSeparator());
}

void frmOptions::txtPassword_LostFocus() {
    trace::Handling(Op("txtPassword_LostFocus"));
    SetText("txtPassword", PadPassword(Ctl("txtPassword").text));
}

void frmOptions::BrowseFolder(const std::string& handler, const std::string& textBox,
                              int titleText) {
    trace::Handling(Op(handler));
    const std::string folder =
        browseFolder_->BrowsePath(*this, GetText(titleText), Ctl(textBox).text);
    if (folder.empty()) return;
    SetText(textBox, folder);
    changedByUser_.insert(textBox);
}

void frmOptions::cmdBrowseTracefile_Click() {
    trace::Handling(Op("cmdBrowseTracefile_Click"));
    // Cancelling and failing leave the box as it was.
    try {
        platform::FileDialogRequest request;
        request.title = GetText(162);
        request.filter = GetText(141) + "|*.*|" + GetText(163) + "|*.log";
        request.filterIndex = 2;
        request.initialFolder = services_.applicationFolder;
        request.fileName = "Trace.log";
        request.flags = platform::cdlOFNOverwritePrompt | platform::cdlOFNPathMustExist;
        if (auto chosen = services_.desktop->ShowSave(request)) {
            SetText("txtTracefile", *chosen);
            changedByUser_.insert("txtTracefile");
        }
    } catch (...) {
    }
}

bool frmOptions::Edited(const std::string& name) const {
    if (!changedByUser_.contains(name)) return false;
    const auto shown = shown_.find(name);
    return shown == shown_.end() || shown->second != ShownState(Ctl(name));
}

bool frmOptions::IdentificationSendable() {
    for (const auto& [box, caption] :
         {std::pair{"txtDebtor", 165}, std::pair{"txtUser", 166}, std::pair{"txtPassword", 167}}) {
        if (!Edited(box) || ShopCanReceive(Ctl(box).text)) continue;
        services_.desktop->MsgBox(GetText(190, GetText(caption)),
                                  platform::vbOKOnly | platform::vbExclamation);
        return false;
    }
    return true;
}

// Only what the user changed is assigned: a value shown shortened or
// differently (a long password, blanks around it, an unknown quantity
// placing) stays as stored.
void frmOptions::cmdOK_Click() {
    trace::Handling(Op("cmdOK_Click"));
    try {
        auto settings = Settings();
        if (!settings) RaiseError(ErrNo::ObjectNotSet);
        if (!IdentificationSendable()) return;
        if (Edited("cboQuantityPlacing"))
            settings->SetQuantityPositioning(Ctl("cboQuantityPlacing").listIndex == 0 ? 1 : 0);
        if (Edited("chkSaveBarcodes"))
            settings->SetAutoSaveBarcodes(Ctl("chkSaveBarcodes").value != 0);
        if (Edited("txtBarcodesFolder")) settings->SetBarcodesFolder(Ctl("txtBarcodesFolder").text);
        if (Edited("chkSaveOrders")) settings->SetAutoSaveOrders(Ctl("chkSaveOrders").value != 0);
        if (Edited("txtOrdersFolder")) settings->SetOrdersFolder(Ctl("txtOrdersFolder").text);
        if (Edited("chkAutorun")) settings->SetAutorun(Ctl("chkAutorun").value != 0);
        if (Edited("chkTracefile")) settings->SetTraceEvents(Ctl("chkTracefile").value != 0);
        if (Edited("txtTracefile")) settings->SetTraceFile(Ctl("txtTracefile").text);
        if (Edited("txtDebtor")) settings->SetDebtor(Ctl("txtDebtor").text);
        if (Edited("txtUser")) settings->SetUser(Ctl("txtUser").text);
        if (Edited("txtPassword")) settings->SetPassword(TrimBlanks(Ctl("txtPassword").text));
        settings->Save();
    } catch (...) {
        trace::Error("Error saving settings: ");
        return;
    }
    Unload();
}

void frmOptions::cmdCancel_Click() {
    trace::Handling(Op("cmdCancel_Click"));
    Unload();
}

}  // namespace quarnel::ui
