// SPDX-License-Identifier: MIT
#include "shell/win32/Win32Desktop.h"

#include <cderr.h>
#include <commdlg.h>
#include <io.h>
#include <shlobj.h>

#include <vector>

#include "base/Ansi.h"

namespace quarnel::win32 {
namespace {

constexpr const char* kTitle = "Quarnel";
// The menu item that ends the program.
constexpr const char* kExitItem = "mnuExit";
// Room for a path the user types or picks.
constexpr size_t kPathRoom = 32768;
// How often a watched descriptor is looked at.
constexpr UINT kWatchIntervalMs = 100;

// Paths and the pickers' texts go through the "W" functions, so that any
// folder name works; the seam's UTF-8 converts to UTF-16 and back.
std::wstring Widen(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), size);
    return wide;
}

std::string Narrow(const wchar_t* wide) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the NUL
    return utf8;
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsAbsolute(const std::string& path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
    const bool share = path.size() >= 2 && (path[0] == '\\' || path[0] == '/') &&
                       (path[1] == '\\' || path[1] == '/');
    return drive || share;
}

int CALLBACK BrowseCallbackProc(HWND hWnd, UINT uMsg, LPARAM, LPARAM lpData) {
    // The dialog opens with the preselected folder selected.
    if (uMsg == BFFM_INITIALIZED && lpData != 0)
        SendMessageW(hWnd, BFFM_SETSELECTIONW, TRUE, lpData);
    return 0;
}

class WatchStop final : public platform::DescriptorWatch {};

}  // namespace

// A SetTimer timer of the desktop's window; its ticks are WM_TIMER messages,
// which modal loops dispatch too.
class Win32Desktop::WindowTimer final : public platform::Timer {
  public:
    WindowTimer(Win32Desktop& desktop, std::function<void()> tick)
        : desktop_(desktop), id_(desktop.nextTimerId_++) {
        desktop_.timers_[id_] = std::move(tick);
    }
    ~WindowTimer() override {
        SetEnabled(false);
        desktop_.timers_.erase(id_);
    }
    void SetInterval(std::chrono::milliseconds interval) override {
        interval_ = static_cast<UINT>(std::max<int64_t>(USER_TIMER_MINIMUM, interval.count()));
        if (enabled_) SetTimer(desktop_.Window(), id_, interval_, nullptr);
    }
    void SetEnabled(bool enabled) override {
        if (enabled && !enabled_) {
            enabled_ = SetTimer(desktop_.Window(), id_, interval_, nullptr) != 0;
        } else if (!enabled && enabled_) {
            KillTimer(desktop_.Window(), id_);
            enabled_ = false;
        }
    }
    bool Enabled() const override { return enabled_; }

  private:
    Win32Desktop& desktop_;
    UINT_PTR id_;
    UINT interval_ = 1000;
    bool enabled_ = false;
};

std::wstring CommonDialogFilter(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size() && !filter.empty()) {
        const size_t bar = filter.find('|', start);
        parts.push_back(filter.substr(start, bar == std::string::npos ? bar : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    std::wstring list;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i + 1].empty()) continue;
        list += Widen(parts[i]) + L'\0' + Widen(parts[i + 1]) + L'\0';
    }
    if (!list.empty()) list += L'\0';
    return list;
}

std::string PickerStartFolder(const std::string& given, const std::string& dataFolder) {
    // A relative path would lead to the working folder, which means nothing here.
    if (IsAbsolute(given)) {
        std::string folder = given;
        while (!folder.empty()) {
            while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/'))
                folder.pop_back();
            if (IsFolder(folder)) return folder;
            const size_t cut = folder.find_last_of("\\/");
            if (cut == std::string::npos || cut + 1 == folder.size()) break;
            // "C:\x" goes on to "C:\", a share's root ends the search.
            folder.erase(cut == 2 && folder[1] == ':' ? cut + 1 : cut);
            if (folder.size() <= 2) break;
        }
    }
    return dataFolder;
}

Win32Desktop::Win32Desktop(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)),
      window_("Quarnel desktop", [this](UINT uMsg, WPARAM wParam, LPARAM lParam) {
          return HandleMessage(uMsg, wParam, lParam);
      }) {}

Win32Desktop::~Win32Desktop() {
    while (busyDepth_ > 0) SetBusyPointer(false);
    if (oleStarted_) OleUninitialize();
}

void Win32Desktop::SetDialogLauncher(std::weak_ptr<DialogLauncher> dialogs) {
    dialogs_ = std::move(dialogs);
}

void Win32Desktop::SetDialogCloser(std::function<void()> closeDialogs) {
    closeDialogs_ = std::move(closeDialogs);
}

void Win32Desktop::DialogClosed() {
    if (mainWindowUnloaded_) QuitWhenNoDialogOpen();
}

std::optional<LRESULT> Win32Desktop::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM) {
    if (uMsg != WM_TIMER) return std::nullopt;
    auto found = timers_.find(wParam);
    if (found != timers_.end()) {
        // A copy: the tick may destroy its own timer.
        std::function<void()> tick = found->second;
        if (tick) tick();
    }
    return 0;
}

int32_t Win32Desktop::MsgBox(const std::string& prompt, int32_t buttons) {
    // The button, icon and default-button values of MsgBox are MessageBoxA's.
    // The program has no visible window: the box comes to the front itself.
    const UINT style = static_cast<UINT>(buttons) | MB_SETFOREGROUND | MB_TASKMODAL;
    const int answer = MessageBoxA(nullptr, Utf8ToAnsi(prompt).c_str(), kTitle, style);
    // A box that could not be shown counts as closed: Cancel, or the only answer.
    if (answer == 0)
        return (buttons & 0x0F) == platform::vbOKOnly ? platform::vbOK : platform::vbCancel;
    return answer;
}

std::optional<std::string> Win32Desktop::ShowOpen(const platform::FileDialogRequest& request) {
    return RunFileDialog(request, false);
}

std::optional<std::string> Win32Desktop::ShowSave(const platform::FileDialogRequest& request) {
    return RunFileDialog(request, true);
}

std::optional<std::string> Win32Desktop::RunFileDialog(const platform::FileDialogRequest& request,
                                                       bool save) {
    const std::wstring filter = CommonDialogFilter(request.filter);
    const std::wstring title = Widen(request.title);
    const std::wstring folder = Widen(PickerStartFolder(request.initialFolder, dataFolder_));
    std::wstring proposed = Widen(request.fileName);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<wchar_t> file(kPathRoom, L'\0');
        proposed.copy(file.data(), std::min(proposed.size(), file.size() - 1));
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = window_.Handle();
        dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
        dialog.nFilterIndex = static_cast<DWORD>(std::max(1, request.filterIndex));
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = static_cast<DWORD>(file.size());
        dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
        dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
        // The working folder stays where it is: relative paths of the
        // settings must not change meaning after a dialog.
        dialog.Flags = request.flags | OFN_EXPLORER | OFN_NOCHANGEDIR;
        const BOOL chosen = save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
        if (chosen) return Narrow(file.data());
        // A proposed name the dialog refuses (bad characters, too long) must
        // not make the dialog unusable: it opens again without one.
        if (CommDlgExtendedError() == FNERR_INVALIDFILENAME && !proposed.empty()) {
            proposed.clear();
            continue;
        }
        break;
    }
    return std::nullopt;
}

std::optional<std::string> Win32Desktop::BrowseForFolder(
    const platform::FolderDialogRequest& request) {
    // The new dialog style needs OLE on this thread. Started at the first
    // picker rather than with the program: starting it costs seconds under
    // Wine, which every start would pay before the icon is shown.
    if (!oleStarted_) oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
    const std::wstring instruction = Widen(request.instruction);
    const std::wstring selected = Widen(request.selectedFolder);
    BROWSEINFOW info{};
    info.hwndOwner = window_.Handle();
    info.lpszTitle = instruction.empty() ? nullptr : instruction.c_str();
    info.ulFlags = BIF_NEWDIALOGSTYLE;
    if (request.fileSystemOnly) info.ulFlags |= BIF_RETURNONLYFSDIRS;
    if (request.editBox) info.ulFlags |= BIF_EDITBOX;
    if (!request.newFolderButton) info.ulFlags |= BIF_NONEWFOLDERBUTTON;
    if (!selected.empty()) {
        info.lpfn = BrowseCallbackProc;
        info.lParam = reinterpret_cast<LPARAM>(selected.c_str());
    }
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return std::nullopt;
    // Long paths fit: the system writes at most this many characters.
    std::vector<wchar_t> path(kPathRoom, L'\0');
    const BOOL found =
        SHGetPathFromIDListEx(chosen, path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT);
    CoTaskMemFree(chosen);
    if (!found || path[0] == L'\0') return std::nullopt;
    return Narrow(path.data());
}

std::unique_ptr<platform::Timer> Win32Desktop::CreateTimer(std::function<void()> tick) {
    return std::make_unique<WindowTimer>(*this, std::move(tick));
}

std::unique_ptr<platform::DescriptorWatch> Win32Desktop::WatchDescriptor(
    int fd, std::function<void()> ready) {
    if (fd < 0) return std::make_unique<WatchStop>();
    // Windows has no readiness for a C descriptor: a pipe is readable while
    // it holds bytes, any other handle while it is signalled. Looked at on a
    // timer, so that the loop stays a plain message loop.
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE) return std::make_unique<WatchStop>();
    const bool pipe = GetFileType(handle) == FILE_TYPE_PIPE;
    class PolledWatch final : public platform::DescriptorWatch {
      public:
        explicit PolledWatch(std::unique_ptr<platform::Timer> timer) : timer_(std::move(timer)) {}

      private:
        std::unique_ptr<platform::Timer> timer_;
    };
    auto timer = CreateTimer([handle, pipe, ready = std::move(ready)] {
        DWORD waiting = 0;
        const bool readable =
            pipe ? PeekNamedPipe(handle, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0
                 : WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
        if (readable) ready();
    });
    timer->SetInterval(std::chrono::milliseconds(kWatchIntervalMs));
    timer->SetEnabled(true);
    return std::make_unique<PolledWatch>(std::move(timer));
}

std::optional<std::string> Win32Desktop::PopupMenu(const std::vector<platform::MenuItem>& items) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return std::nullopt;
    for (size_t i = 0; i < items.size(); ++i) {
        const platform::MenuItem& item = items[i];
        if (!item.visible) continue;
        if (item.separator) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING;
        if (!item.enabled) flags |= MF_GRAYED;
        if (item.checked) flags |= MF_CHECKED;
        // Ids from 1: TrackPopupMenu answers 0 for no choice.
        AppendMenuA(menu, flags, i + 1, Utf8ToAnsi(item.caption).c_str());
    }
    POINT at{};
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only while our window is
    // in the foreground, and the message after it lets it close at once.
    SetForegroundWindow(window_.Handle());
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON | TPM_BOTTOMALIGN, at.x,
                       at.y, 0, window_.Handle(), nullptr));
    PostMessageA(window_.Handle(), WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (chosen == 0 || chosen > items.size()) return std::nullopt;
    const std::string name = items[chosen - 1].name;
    // Exit ends the program with its dialogs: they close as Cancel does
    // while the settings, and so the trace, are still there.
    if (name == kExitItem && closeDialogs_) closeDialogs_();
    return name;
}

void Win32Desktop::SetBusyPointer(bool busy) {
    if (busy) {
        HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        if (busyDepth_++ == 0) normalCursor_ = previous;
    } else if (busyDepth_ > 0 && --busyDepth_ == 0) {
        SetCursor(normalCursor_ ? normalCursor_ : LoadCursorA(nullptr, IDC_ARROW));
    }
}

void Win32Desktop::MainWindowUnloaded() {
    mainWindowUnloaded_ = true;
    // Whatever ended the program, no dialog outlives it.
    if (closeDialogs_) closeDialogs_();
    QuitWhenNoDialogOpen();
}

void Win32Desktop::QuitWhenNoDialogOpen() {
    const std::shared_ptr<DialogLauncher> dialogs = dialogs_.lock();
    if (dialogs && dialogs->AnyOpen()) return;
    // The loop ends once the handler that unloaded the window has returned.
    PostQuitMessage(0);
}

}  // namespace quarnel::win32
