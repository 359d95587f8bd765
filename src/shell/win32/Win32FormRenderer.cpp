// SPDX-License-Identifier: MIT
#include "shell/win32/Win32FormRenderer.h"

#include <commctrl.h>

#include <algorithm>

#include "base/Ansi.h"
#include "shell/win32/Win32Pictures.h"
#include "shell/win32/Win32TextMetrics.h"

namespace quarnel::win32 {
namespace {

constexpr char kFormClass[] = "QuarnelForm";
constexpr char kControlProperty[] = "QuarnelControl";
constexpr UINT kFirstActivation = WM_APP + 1;
constexpr UINT kCloseFromLoop = WM_APP + 2;
constexpr int kFirstControlId = 1000;
// Not clipping its children: a group box leaves its inside to the form.
constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | WS_EX_APPWINDOW;

void RegisterFormClass(WNDPROC procedure) {
    static const bool registered = [procedure] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kFormClass;
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        return RegisterClassExA(&windowClass) != 0;
    }();
    (void)registered;
}

std::string Ansi(const std::string& utf8) {
    return Utf8ToAnsi(utf8);
}

// A window's text as the A functions give it (Windows-1252).
std::string AnsiWindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(std::max(0, length)) + 1, '\0');
    const int read = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(0, read)));
    return text;
}

std::string WindowText(HWND window) {
    return AnsiToUtf8(AnsiWindowText(window));
}

void SetTextIfChanged(HWND window, const std::string& utf8) {
    const std::string ansi = Ansi(utf8);
    if (AnsiWindowText(window) != ansi) SetWindowTextA(window, ansi.c_str());
}

DWORD LabelStyle(const ui::Control& control) {
    switch (control.alignment) {
        case ui::Alignment::Right:
            return SS_RIGHT;
        case ui::Alignment::Center:
            return SS_CENTER;
        case ui::Alignment::Left:
            break;
    }
    return control.wordWrap ? SS_LEFT : SS_LEFTNOWORDWRAP;
}

int32_t MouseButtons(WPARAM keys) {
    int32_t buttons = 0;
    if (keys & MK_LBUTTON) buttons |= ui::vbLeftButton;
    if (keys & MK_RBUTTON) buttons |= ui::vbRightButton;
    if (keys & MK_MBUTTON) buttons |= ui::vbMiddleButton;
    return buttons;
}

int32_t ShiftKeys(WPARAM keys) {
    int32_t shift = 0;
    if (keys & MK_SHIFT) shift |= ui::vbShiftMask;
    if (keys & MK_CONTROL) shift |= ui::vbCtrlMask;
    if (GetKeyState(VK_MENU) < 0) shift |= ui::vbAltMask;
    return shift;
}

bool IsPicture(ui::ControlKind kind) {
    return kind == ui::ControlKind::PictureBox || kind == ui::ControlKind::Image;
}

// Kinds the user clicks that are no buttons.
bool ClicksByMouse(ui::ControlKind kind) {
    return kind == ui::ControlKind::Label || IsPicture(kind);
}

}  // namespace

Win32FormWindow::Win32FormWindow(std::shared_ptr<ui::Form> form)
    : form_(std::move(form)), dpi_(ScreenDpi()) {
    RegisterFormClass(&FormProc);
    window_ = CreateWindowExA(kFormExStyle, kFormClass, Ansi(form_->Caption()).c_str(), kFormStyle,
                              CW_USEDEFAULT, CW_USEDEFAULT, 100, 100, nullptr, nullptr,
                              GetModuleHandleA(nullptr), this);
    if (window_ == nullptr) return;
    SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);
    Build();
    form_->SetObserver([this](const std::string& name) { OnControlChanged(name); });
    form_->SetUnloadHandler([this] { CloseRequested(); });
    form_->Load();
    UpdateForm();
}

Win32FormWindow::~Win32FormWindow() {
    form_->SetObserver(nullptr);
    form_->SetUnloadHandler(nullptr);
    closed_ = nullptr;
    if (window_ != nullptr) {
        unloading_ = true;
        DestroyWindow(window_);
    }
}

Win32FormWindow* Win32FormWindow::FromHandle(HWND window) {
    if (window == nullptr) return nullptr;
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != kFormClass) return nullptr;
    return reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND Win32FormWindow::ControlWindow(const std::string& controlName) const {
    const auto found = controls_.find(controlName);
    return found == controls_.end() ? nullptr : found->second;
}

std::string Win32FormWindow::ControlName(HWND control) const {
    const auto found = data_.find(control);
    return found == data_.end() ? std::string() : found->second->name;
}

bool Win32FormWindow::BelongsHere(HWND window) const {
    return window != nullptr && window_ != nullptr &&
           (window == window_ || IsChild(window_, window));
}

void Win32FormWindow::Build() {
    int id = kFirstControlId;
    for (const ui::Control& control : form_->Controls()) {
        ++id;
        if (control.kind == ui::ControlKind::Timer) {
            timers_[control.name] = static_cast<UINT_PTR>(id);
            timerNames_[static_cast<UINT_PTR>(id)] = control.name;
            UpdateControl(control);
            continue;
        }
        HWND child = CreateControl(control, id);
        if (child == nullptr) continue;
        controls_[control.name] = child;
        UpdateControl(control);
    }
}

HWND Win32FormWindow::CreateControl(const ui::Control& control, int id) {
    HWND parent = window_;
    if (!control.container.empty())
        if (HWND container = ControlWindow(control.container)) parent = container;
    const auto& all = form_->Controls();
    const bool container = std::any_of(
        all.begin(), all.end(), [&](const ui::Control& c) { return c.container == control.name; });

    const char* className = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (control.kind) {
        case ui::ControlKind::Label:
            style |= SS_NOTIFY | SS_NOPREFIX | LabelStyle(control);
            break;
        case ui::ControlKind::TextBox:
            className = "EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL | (control.passwordChar.empty() ? 0 : ES_PASSWORD);
            exStyle |= WS_EX_CLIENTEDGE;
            break;
        case ui::ControlKind::CheckBox:
            className = "BUTTON";
            style |= WS_TABSTOP | BS_AUTOCHECKBOX;
            break;
        case ui::ControlKind::ComboBox:
            className = "COMBOBOX";
            style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
            break;
        case ui::ControlKind::CommandButton:
            className = "BUTTON";
            style |= WS_TABSTOP | (control.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case ui::ControlKind::Frame:
            className = "BUTTON";
            style |= BS_GROUPBOX;
            break;
        case ui::ControlKind::PictureBox:
        case ui::ControlKind::Image:
        case ui::ControlKind::Timer:
            style |= SS_NOTIFY;
            // A picture box holding other controls is a sunken panel around them.
            if (container) exStyle |= WS_EX_STATICEDGE;
            break;
    }
    if (container) {
        exStyle |= WS_EX_CONTROLPARENT;
        // A picture box paints all of itself, so around its children only.
        if (control.kind != ui::ControlKind::Frame) style |= WS_CLIPCHILDREN;
    }
    HWND child = CreateWindowExA(exStyle, className, "", style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
    if (child == nullptr) return nullptr;
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont()), FALSE);

    auto data = std::make_unique<ControlWindowData>();
    data->owner = this;
    data->name = control.name;
    data->kind = control.kind;
    data->container = container;
    data->previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc)));
    SetPropA(child, kControlProperty, data.get());
    data_[child] = std::move(data);
    return child;
}

void Win32FormWindow::OnControlChanged(const std::string& name) {
    if (window_ == nullptr) return;
    if (name.empty()) {
        UpdateForm();
        return;
    }
    if (form_->HasControl(name)) UpdateControl(form_->Ctl(name));
}

void Win32FormWindow::UpdateControl(const ui::Control& control) {
    if (const auto timer = timers_.find(control.name); timer != timers_.end()) {
        if (control.enabled && control.interval > 0 && !unloading_)
            SetTimer(window_, timer->second, static_cast<UINT>(control.interval), nullptr);
        else
            KillTimer(window_, timer->second);
        return;
    }
    HWND child = ControlWindow(control.name);
    if (child == nullptr) return;

    // The controls' own notifications are for user input only.
    const bool wasUpdating = updating_;
    updating_ = true;
    int height = TwipsToPixels(control.height, dpi_);
    switch (control.kind) {
        case ui::ControlKind::Label: {
            const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
            const LONG_PTR wanted =
                (style & ~static_cast<LONG_PTR>(SS_TYPEMASK)) | LabelStyle(control);
            if (wanted != style) SetWindowLongPtrA(child, GWL_STYLE, wanted);
            SetTextIfChanged(child, control.text);
            break;
        }
        case ui::ControlKind::TextBox: {
            SendMessageA(child, EM_SETLIMITTEXT, control.maxLength > 0 ? control.maxLength : 0, 0);
            const std::string mask = Ansi(control.passwordChar);
            SendMessageA(child, EM_SETPASSWORDCHAR,
                         mask.empty() ? 0 : static_cast<unsigned char>(mask[0]), 0);
            SetTextIfChanged(child, control.text);
            break;
        }
        case ui::ControlKind::CheckBox:
            SetTextIfChanged(child, control.text);
            SendMessageA(child, BM_SETCHECK, control.value != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case ui::ControlKind::ComboBox: {
            std::vector<std::string> shown;
            const auto count = SendMessageA(child, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                const auto length = SendMessageA(child, CB_GETLBTEXTLEN, i, 0);
                std::string entry(static_cast<size_t>(std::max<LRESULT>(0, length)) + 1, '\0');
                SendMessageA(child, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry.data()));
                entry.resize(static_cast<size_t>(std::max<LRESULT>(0, length)));
                shown.push_back(AnsiToUtf8(entry));
            }
            std::vector<std::string> wanted;
            for (const std::string& entry : control.list) wanted.push_back(AnsiToUtf8(Ansi(entry)));
            if (shown != wanted) {
                SendMessageA(child, CB_RESETCONTENT, 0, 0);
                for (const std::string& entry : control.list)
                    SendMessageA(child, CB_ADDSTRING, 0,
                                 reinterpret_cast<LPARAM>(Ansi(entry).c_str()));
            }
            const bool valid = control.listIndex >= 0 &&
                               control.listIndex < static_cast<int32_t>(control.list.size());
            SendMessageA(child, CB_SETCURSEL, valid ? control.listIndex : -1, 0);
            // The closed box is as high as the model says; the window's
            // height includes the list that drops down.
            RECT box{};
            GetWindowRect(child, &box);
            if (!SendMessageA(child, CB_GETDROPPEDSTATE, 0, 0) && box.bottom > box.top) {
                const auto item = SendMessageA(child, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
                const int delta = height - (box.bottom - box.top);
                if (delta != 0 && item + delta > 0)
                    SendMessageA(child, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item + delta);
            }
            const auto listItem = SendMessageA(child, CB_GETITEMHEIGHT, 0, 0);
            height += static_cast<int>(std::max<size_t>(control.list.size(), 1) *
                                       static_cast<size_t>(std::max<LRESULT>(listItem, 1))) +
                      4;
            break;
        }
        case ui::ControlKind::CommandButton: {
            SetTextIfChanged(child, control.text);
            SendMessageA(child, BM_SETSTYLE, control.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                         TRUE);
            break;
        }
        case ui::ControlKind::Frame:
            SetTextIfChanged(child, control.text);
            break;
        case ui::ControlKind::PictureBox:
        case ui::ControlKind::Image:
            InvalidateRect(child, nullptr, TRUE);
            break;
        case ui::ControlKind::Timer:
            break;
    }
    SetWindowPos(child, nullptr, TwipsToPixels(control.left, dpi_),
                 TwipsToPixels(control.top, dpi_), TwipsToPixels(control.width, dpi_), height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    EnableWindow(child, control.enabled);

    // The tip is shown as it stands.
    if (!control.toolTip.empty() || toolTip_ != nullptr) {
        if (toolTip_ == nullptr) {
            toolTip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                       WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, window_,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
        }
        const std::string tip = Ansi(control.toolTip);
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V1_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = window_;
        tool.uId = reinterpret_cast<UINT_PTR>(child);
        tool.lpszText = const_cast<char*>(tip.c_str());
        if (toolTip_ != nullptr) {
            SendMessageA(toolTip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
            if (!tip.empty())
                SendMessageA(toolTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    ShowWindow(child, control.visible ? SW_SHOWNA : SW_HIDE);
    updating_ = wasUpdating;
}

void Win32FormWindow::UpdateForm() {
    if (window_ == nullptr) return;
    SetWindowTextA(window_, Ansi(form_->Caption()).c_str());
    RECT frame{0, 0, TwipsToPixels(form_->ScaleWidth(), dpi_),
               TwipsToPixels(form_->ScaleHeight(), dpi_)};
    const int clientWidth = frame.right, clientHeight = frame.bottom;
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT now{};
    GetWindowRect(window_, &now);
    if (now.right - now.left != width || now.bottom - now.top != height) {
        // Centred on the work area while the window is not shown yet.
        UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
        int x = 0, y = 0;
        if (IsWindowVisible(window_)) {
            flags |= SWP_NOMOVE;
        } else {
            RECT area{};
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
            x = std::max<int>(area.left, area.left + (area.right - area.left - width) / 2);
            y = std::max<int>(area.top, area.top + (area.bottom - area.top - height) / 2);
        }
        SetWindowPos(window_, nullptr, x, y, width, height, flags);
    }
    form_->SetFrameExtent(PixelsToTwips(width - clientWidth, dpi_),
                          PixelsToTwips(height - clientHeight, dpi_));
}

void Win32FormWindow::Show() {
    if (window_ == nullptr) return;
    ShowWindow(window_, SW_SHOW);
    Raise();
    if (!shown_) PostMessageA(window_, kFirstActivation, 0, 0);
}

void Win32FormWindow::Raise() {
    if (window_ == nullptr) return;
    if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
    BringWindowToTop(window_);
    SetForegroundWindow(window_);
    SetActiveWindow(window_);
}

namespace {

struct DisabledWindows {
    HWND modal;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOther(HWND window, LPARAM context) {
    auto* disabled = reinterpret_cast<DisabledWindows*>(context);
    if (window != disabled->modal && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        disabled->windows.push_back(window);
    }
    return TRUE;
}

}  // namespace

void Win32FormWindow::RunModal() {
    HWND window = window_;
    if (window == nullptr) return;
    // Only locals from here: the window's end may delete this object.
    DisabledWindows disabled{window, {}};
    EnumThreadWindows(GetCurrentThreadId(), &DisableOther, reinterpret_cast<LPARAM>(&disabled));
    Show();
    MSG message;
    while (IsWindow(window)) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // The program ends: the loop outside sees the request too.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (got < 0) break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    for (HWND other : disabled.windows)
        if (IsWindow(other)) EnableWindow(other, TRUE);
}

void Win32FormWindow::Close() {
    if (window_ != nullptr) SendMessageA(window_, WM_CLOSE, 0, 0);
}

void Win32FormWindow::Destroy() {
    if (window_ == nullptr) return;
    unloading_ = true;
    StopTimers();
    DestroyWindow(window_);
}

void Win32FormWindow::StopTimers() {
    if (window_ == nullptr) return;
    for (const auto& [name, id] : timers_) KillTimer(window_, id);
}

void Win32FormWindow::CloseRequested() {
    if (unloading_ || window_ == nullptr) return;
    unloading_ = true;
    StopTimers();
    // Closed from the message loop: the handler that asked is still running.
    PostMessageA(window_, kCloseFromLoop, 0, 0);
}

void Win32FormWindow::RaiseActivate() {
    if (!unloading_) form_->Activate();
}

void Win32FormWindow::OnCommand(HWND control, UINT code) {
    const auto found = data_.find(control);
    if (found == data_.end() || unloading_) return;
    const std::string name = found->second->name;
    switch (found->second->kind) {
        case ui::ControlKind::CommandButton:
            if (code == BN_CLICKED) form_->Click(name);
            break;
        case ui::ControlKind::CheckBox:
            if (code == BN_CLICKED && !updating_) {
                userEdited_ = true;
                const bool ticked = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
                form_->UserValue(name, ticked ? 1 : 0);
            }
            break;
        case ui::ControlKind::TextBox:
            // A key refused at the length limit changes nothing.
            if (code == EN_CHANGE && !updating_ && WindowText(control) != form_->Ctl(name).text) {
                userEdited_ = true;
                form_->UserText(name, WindowText(control));
            }
            break;
        case ui::ControlKind::ComboBox:
            if (code == CBN_SELCHANGE && !updating_) {
                userEdited_ = true;
                form_->UserListIndex(
                    name, static_cast<int32_t>(SendMessageA(control, CB_GETCURSEL, 0, 0)));
            }
            break;
        default:
            break;
    }
}

// Tab, Enter and Escape, as a dialog box handles them; true when handled.
bool Win32FormWindow::HandleKey(HWND control, WPARAM key) {
    if (key == VK_TAB) {
        const bool back = GetKeyState(VK_SHIFT) < 0;
        HWND next = GetNextDlgTabItem(window_, control, back);
        if (next != nullptr) {
            SetFocus(next);
            if (data_.count(next) && data_[next]->kind == ui::ControlKind::TextBox)
                SendMessageA(next, EM_SETSEL, 0, -1);
        }
        return true;
    }
    if (key == VK_RETURN || key == VK_ESCAPE) {
        PressButton(key == VK_ESCAPE, control);
        return true;
    }
    return false;
}

void Win32FormWindow::PressButton(bool cancel, HWND focused) {
    if (unloading_) return;
    // Enter on a button that has the focus presses that button.
    const auto focusedData = data_.find(focused);
    if (!cancel && focusedData != data_.end() &&
        focusedData->second->kind == ui::ControlKind::CommandButton) {
        SendMessageA(focused, BM_CLICK, 0, 0);
        return;
    }
    for (const ui::Control& control : form_->Controls()) {
        const bool wanted = cancel ? control.isCancel : control.isDefault;
        if (!wanted || control.kind != ui::ControlKind::CommandButton) continue;
        HWND button = ControlWindow(control.name);
        if (button == nullptr || !IsWindowEnabled(button) || !IsWindowVisible(button)) return;
        // OK by Enter leaves the focused box as a click on OK would.
        if (!cancel && focusedData != data_.end()) form_->LostFocus(focusedData->second->name);
        if (!unloading_) form_->Click(control.name);
        return;
    }
}

void Win32FormWindow::PaintPicture(HWND control, const ui::Control& model) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(control, &paint);
    RECT client{};
    GetClientRect(control, &client);
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    const auto image = form_->Images().find(model.picture);
    if (!model.picture.empty() && image != form_->Images().end())
        DrawPicture(dc, image->second, client, background);
    EndPaint(control, &paint);
}

LRESULT CALLBACK Win32FormWindow::FormProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ == nullptr)
        return DefWindowProcA(window, message, wParam, lParam);
    return self->HandleFormMessage(message, wParam, lParam);
}

LRESULT Win32FormWindow::HandleFormMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    switch (message) {
        case WM_COMMAND:
            if (lParam != 0) OnCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
            return 0;
        case WM_TIMER: {
            const auto found = timerNames_.find(wParam);
            if (found != timerNames_.end() && !unloading_) form_->TimerTick(found->second);
            return 0;
        }
        case WM_KEYDOWN:
            if (HandleKey(nullptr, wParam)) return 0;
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN: {
            // Labels, check boxes and frames on the dialog's face.
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (BelongsHere(focus) && focus != window_) savedFocus_ = focus;
                deactivated_ = true;
                return 0;
            }
            // The focus comes back to the control that had it, as in a dialog box.
            if (!IsIconic(window_)) {
                HWND focus =
                    savedFocus_ != nullptr && IsWindow(savedFocus_) && BelongsHere(savedFocus_)
                        ? savedFocus_
                        : GetNextDlgTabItem(window_, nullptr, FALSE);
                SetFocus(focus != nullptr ? focus : window_);
            }
            if (shown_ && deactivated_) {
                deactivated_ = false;
                RaiseActivate();
            }
            return 0;
        case kFirstActivation:
            if (!shown_) {
                shown_ = true;
                deactivated_ = false;
                RaiseActivate();
            }
            return 0;
        case WM_CLOSE:
            if (!unloading_) {
                if (!form_->QueryUnload()) return 0;
                unloading_ = true;
                form_->Unloaded();
            }
            StopTimers();
            if (window_ != nullptr) DestroyWindow(window_);
            return 0;
        case kCloseFromLoop:
            StopTimers();
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY: {
            StopTimers();
            window_ = nullptr;
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            // The handler may be the last owner of the form's launcher entry.
            const auto closed = closed_;
            if (closed) closed();
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK Win32FormWindow::ControlProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* data = static_cast<ControlWindowData*>(GetPropA(window, kControlProperty));
    if (data == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        const WNDPROC previous = data->previous;
        RemovePropA(window, kControlProperty);
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        return CallWindowProcA(previous, window, message, wParam, lParam);
    }
    return data->owner->HandleControlMessage(*data, window, message, wParam, lParam);
}

LRESULT Win32FormWindow::HandleControlMessage(ControlWindowData& data, HWND control, UINT message,
                                              WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = data.previous;
    const bool live = window_ != nullptr && !unloading_;
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            // A frame or picture box passes its controls' messages to the form.
            if (data.container && window_ != nullptr)
                return SendMessageA(window_, message, wParam, lParam);
            break;
        case WM_KEYDOWN: {
            const bool dropped = data.kind == ui::ControlKind::ComboBox &&
                                 SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0);
            if (live && !dropped && HandleKey(control, wParam)) return 0;
            break;
        }
        case WM_CHAR:
            // Handled as keys above; an edit box would beep at them.
            if (wParam == '\r' || wParam == '\x1b' || wParam == '\t') {
                const bool dropped = data.kind == ui::ControlKind::ComboBox &&
                                     SendMessageA(control, CB_GETDROPPEDSTATE, 0, 0);
                if (!dropped) return 0;
            }
            break;
        case WM_GETDLGCODE:
            return CallWindowProcA(previous, control, message, wParam, lParam) | DLGC_WANTALLKEYS;
        case WM_KILLFOCUS: {
            const std::string name = data.name;
            const LRESULT result = CallWindowProcA(previous, control, message, wParam, lParam);
            HWND next = reinterpret_cast<HWND>(wParam);
            // Only a move to another control of this window counts; another
            // window or the control's own list takes the focus for a while.
            if (live && next != control && BelongsHere(next) && !IsChild(control, next))
                form_->LostFocus(name);
            return result;
        }
        case WM_MOUSEMOVE:
            if (live) {
                const int x = static_cast<short>(LOWORD(lParam));
                const int y = static_cast<short>(HIWORD(lParam));
                form_->MouseMove(data.name,
                                 ui::MouseArgs{MouseButtons(wParam), ShiftKeys(wParam),
                                               PixelsToTwips(x, dpi_), PixelsToTwips(y, dpi_)});
            }
            break;
        case WM_LBUTTONUP:
            if (live && ClicksByMouse(data.kind) && IsWindowEnabled(control)) {
                RECT client{};
                GetClientRect(control, &client);
                const POINT at{static_cast<short>(LOWORD(lParam)),
                               static_cast<short>(HIWORD(lParam))};
                if (PtInRect(&client, at)) {
                    const std::string name = data.name;
                    CallWindowProcA(previous, control, message, wParam, lParam);
                    form_->Click(name);
                    return 0;
                }
            }
            break;
        case WM_ERASEBKGND:
            if (IsPicture(data.kind)) return 1;
            break;
        case WM_PAINT:
            if (IsPicture(data.kind) && form_->HasControl(data.name)) {
                PaintPicture(control, form_->Ctl(data.name));
                return 0;
            }
            break;
        default:
            break;
    }
    return CallWindowProcA(previous, control, message, wParam, lParam);
}

}  // namespace quarnel::win32
