// SPDX-License-Identifier: MIT
// The tray contract of the Windows shell, against the system's
// Shell_NotifyIconA: every call reaches the real shell, and what the user
// sees is asked of the shell itself.
#include <map>
#include <utility>

#include "TrayContract.h"
#include "base/Ansi.h"
#include "shell/win32/Win32ShellNotify.h"
#include "shell/win32/Win32Window.h"

namespace quarnel::test {
namespace {

class Win32TrayDriver final : public TrayDriver, private platform::ShellNotifyApi {
  public:
    Win32TrayDriver()
        : shell_([this](DWORD message, NOTIFYICONDATAA* data) {
              const BOOL answer = ::Shell_NotifyIconA(message, data);
              // The tip the shell took last, by the shell's id.
              if (answer && (message == NIM_ADD || message == NIM_MODIFY) &&
                  (data->uFlags & NIF_TIP))
                  tips_[data->uID] = data->szTip;
              return answer;
          }) {}

    platform::ShellNotifyApi& Shell() override { return *this; }

    bool Shown(platform::HWND window, uint32_t id) override {
        win32::PumpMessages();
        auto known = ids_.find({window, id});
        if (known == ids_.end()) return false;
        // A modify that changes nothing succeeds only for an icon the shell has.
        NOTIFYICONDATAA probe{};
        probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
        probe.hWnd = shell_.Window();
        probe.uID = known->second;
        return ::Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
    }

    std::string Tip(platform::HWND window, uint32_t id) override {
        auto known = ids_.find({window, id});
        if (known == ids_.end() || !Shown(window, id)) return "";
        return AnsiToUtf8(tips_[known->second]);
    }

  private:
    // Notes the shell's id of every icon added, then passes the call on.
    bool Shell_NotifyIconA(uint32_t message, const platform::NotifyIconRecord& data) override {
        const bool answer = shell_.Shell_NotifyIconA(message, data);
        if (message == NIM_ADD && answer) {
            if (std::optional<UINT> shellId = shell_.ShellId(data.hWnd, data.uID))
                ids_[{data.hWnd, data.uID}] = *shellId;
        }
        return answer;
    }

    win32::Win32ShellNotify shell_;
    std::map<std::pair<platform::HWND, uint32_t>, UINT> ids_;
    std::map<UINT, std::string> tips_;
};

QUARNEL_CONTRACT_INSTANCES(Win32, TrayContract,
                           Instance<TrayImplementation, Win32TrayDriver>("Win32"));

}  // namespace
}  // namespace quarnel::test
