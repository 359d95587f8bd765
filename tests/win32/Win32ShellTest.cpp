// SPDX-License-Identifier: MIT
// The Windows shell's own behaviour beside the tray contract: the record as
// the system takes it, notifications passed on to the record's window, the
// icon added again for a new task bar, and the desktop's filters, start
// folders and timers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <vector>

#include "TestSupport.h"
#include "platform/HiddenWindow.h"
#include "shell/win32/Win32Desktop.h"
#include "shell/win32/Win32ShellNotify.h"
#include "shell/win32/Win32Window.h"

namespace quarnel::test {
namespace {

using namespace std::chrono_literals;

template <size_t N>
void SetField(std::array<char, N>& field, const std::string& text) {
    field.fill(0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), N));
}

platform::NotifyIconRecord Record(platform::HWND window, uint32_t flags) {
    platform::NotifyIconRecord data{};
    data.cbSize = platform::kNotifyIconDataSize;
    data.hWnd = window;
    data.uID = 1;
    data.uFlags = flags;
    data.uCallbackMessage = WM_MOUSEMOVE;
    data.hIcon = platform::kIconScannerOK;
    SetField(data.szTip, "Quarnel");
    return data;
}

bool WaitFor(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!done() && std::chrono::steady_clock::now() < end) {
        win32::PumpMessages();
        if (!done()) MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
    return done();
}

// Stands in for the system's Shell_NotifyIconA: answers as told, records.
struct RecordingShell {
    struct Call {
        DWORD message;
        NOTIFYICONDATAA data;
    };
    std::vector<Call> calls;
    bool accept = true;
    std::function<void()> during;

    win32::Win32ShellNotify::ShellFunction Function() {
        return [this](DWORD message, NOTIFYICONDATAA* data) {
            calls.push_back({message, *data});
            if (during) during();
            return accept ? TRUE : FALSE;
        };
    }
    size_t Count(DWORD message) const {
        return std::count_if(calls.begin(), calls.end(),
                             [message](const Call& call) { return call.message == message; });
    }
};

// A hidden window of the seam that notes the messages it gets.
struct Listener {
    struct Message {
        platform::UINT uMsg;
        platform::WPARAM wParam;
        platform::LPARAM lParam;
    };
    std::vector<Message> got;
    std::unique_ptr<platform::HiddenWindow> window = platform::CreateHiddenWindow(
        "listener",
        [this](platform::HWND, platform::UINT uMsg, platform::WPARAM wParam,
               platform::LPARAM lParam) -> platform::LRESULT {
            got.push_back({uMsg, wParam, lParam});
            return 0;
        });
};

// The shell's tray beside a recording shell, with one icon of the listener's.
class Win32ShellNotifyTest : public ::testing::Test {
  protected:
    platform::NotifyIconRecord Icon(uint32_t flags) {
        return Record(listener.window->Handle(), flags);
    }
    bool Call(uint32_t message, uint32_t flags) {
        return notify.Shell_NotifyIconA(message, Icon(flags));
    }
    // Added: the id the shell knows the icon by.
    UINT Add() {
        EXPECT_TRUE(Call(NIM_ADD, 7));
        return notify.ShellId(listener.window->Handle(), 1).value_or(0);
    }
    void Notify(WPARAM id, LPARAM what) {
        SendMessageA(notify.Window(), win32::kTrayCallbackMessage, id, what);
    }

    RecordingShell shell;
    win32::Win32ShellNotify notify{shell.Function()};
    Listener listener;
};

TEST(Win32ShellNotify, CopiesTheRecordFieldByFieldIntoTheSystemsLayout) {
    platform::NotifyIconRecord record = Record(7, NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO);
    SetField(record.szTip, std::string(128, 't'));  // filled to the end, no NUL
    SetField(record.szInfo, "Caf\xE9");
    SetField(record.szInfoTitle, std::string(64, 'T'));
    record.uTimeoutOrVersion = 10000;
    record.dwInfoFlags = NIIF_WARNING | NIIF_NOSOUND;
    const HWND window = reinterpret_cast<HWND>(0x1234);

    const NOTIFYICONDATAA data = win32::ToNotifyIconData(record, window, 42);
    EXPECT_EQ(data.cbSize, NOTIFYICONDATAA_V2_SIZE);
    EXPECT_EQ(data.hWnd, window);
    EXPECT_EQ(data.uID, 42u);
    EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_EQ(data.uCallbackMessage, win32::kTrayCallbackMessage);
    EXPECT_NE(data.hIcon, nullptr);  // a stock picture where the resource is missing
    EXPECT_EQ(std::string(data.szTip), std::string(127, 't'));
    EXPECT_EQ(std::string(data.szInfo), "Caf\xE9");
    EXPECT_EQ(std::string(data.szInfoTitle), std::string(63, 'T'));
    EXPECT_EQ(data.uTimeout, 10000u);
    EXPECT_EQ(data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING | NIIF_NOSOUND));

    // Without NIF_ICON no picture is loaded; a record without balloon
    // fields goes out with the system's oldest size.
    record.uFlags = NIF_TIP;
    record.cbSize = 88;
    const NOTIFYICONDATAA tipOnly = win32::ToNotifyIconData(record, window, 1);
    EXPECT_EQ(tipOnly.hIcon, nullptr);
    EXPECT_EQ(tipOnly.cbSize, NOTIFYICONDATAA_V1_SIZE);
}

TEST_F(Win32ShellNotifyTest, PassesNotificationsOnWithTheKeysHeld) {
    const UINT id = Add();
    EXPECT_EQ(shell.calls.at(0).data.uID, id);

    struct Case {
        UINT number;
        std::vector<int> keys;
        WPARAM expected;
    };
    const Case cases[] = {
        {WM_RBUTTONUP, {}, 0},
        {WM_RBUTTONUP, {VK_CONTROL}, MK_CONTROL},
        {WM_LBUTTONDBLCLK, {VK_SHIFT, VK_MENU}, MK_SHIFT | platform::MK_ALT},
        {WM_MBUTTONUP, {VK_SHIFT, VK_CONTROL, VK_MENU}, MK_SHIFT | MK_CONTROL | platform::MK_ALT},
        // Balloon notifications carry no keys.
        {NIN_BALLOONSHOW, {VK_CONTROL}, 0},
        {NIN_BALLOONUSERCLICK, {}, 0},
    };
    for (const Case& c : cases) {
        BYTE keys[256] = {};
        for (int key : c.keys) keys[key] = 0x80;
        SetKeyboardState(keys);
        listener.got.clear();
        Notify(id, c.number);
        ASSERT_EQ(listener.got.size(), 1u) << c.number;
        EXPECT_EQ(listener.got[0].uMsg, WM_MOUSEMOVE);
        EXPECT_EQ(listener.got[0].lParam, static_cast<platform::LPARAM>(c.number));
        EXPECT_EQ(listener.got[0].wParam, c.expected) << c.number;
    }
    BYTE none[256] = {};
    SetKeyboardState(none);

    // Another id, or an icon deleted since, reaches nobody.
    listener.got.clear();
    Notify(id + 1, WM_RBUTTONUP);
    ASSERT_TRUE(Call(NIM_DELETE, 0));
    Notify(id, WM_RBUTTONUP);
    EXPECT_TRUE(listener.got.empty());
}

TEST_F(Win32ShellNotifyTest, ANotificationSentDuringItsOwnShellCallArrivesAfterIt) {
    const UINT id = Add();
    shell.during = [&] { Notify(id, NIN_BALLOONSHOW); };
    platform::NotifyIconRecord balloon = Icon(NIF_INFO);
    SetField(balloon.szInfo, "Reading");
    EXPECT_TRUE(notify.Shell_NotifyIconA(NIM_MODIFY, balloon));
    shell.during = nullptr;
    EXPECT_TRUE(listener.got.empty());
    EXPECT_TRUE(WaitFor([&] { return !listener.got.empty(); }));
    EXPECT_EQ(listener.got.at(0).lParam, static_cast<platform::LPARAM>(NIN_BALLOONSHOW));
}

TEST_F(Win32ShellNotifyTest, AddsTheIconAgainForANewTaskBar) {
    shell.accept = false;  // no task bar yet
    // The record is held all the same; changes wait for a task bar.
    Add();
    EXPECT_TRUE(Call(NIM_MODIFY, NIF_TIP));
    EXPECT_EQ(shell.Count(NIM_SETVERSION), 0u);

    shell.accept = true;
    shell.calls.clear();
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    SendMessageA(notify.Window(), taskbarCreated, 0, 0);
    ASSERT_EQ(shell.Count(NIM_ADD), 1u);
    EXPECT_EQ(shell.calls.at(0).data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(std::string(shell.calls.at(0).data.szTip), "Quarnel");
    ASSERT_EQ(shell.Count(NIM_SETVERSION), 1u);
    EXPECT_EQ(shell.calls.at(1).data.uVersion, static_cast<UINT>(NOTIFYICON_VERSION));

    // Once docked, changes go straight to the shell; a deleted icon is not
    // brought back by the next task bar.
    shell.calls.clear();
    EXPECT_TRUE(Call(NIM_MODIFY, NIF_ICON));
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(Call(NIM_DELETE, 0));
    shell.calls.clear();
    SendMessageA(notify.Window(), taskbarCreated, 0, 0);
    EXPECT_TRUE(shell.calls.empty());
}

TEST(Win32Window, LivesBesideTheBackendsHiddenWindows) {
    // The shell's windows first, as in the program; the backend's window
    // made after them still runs its own procedure.
    win32::Win32Desktop desktop("");
    win32::Win32ShellNotify notify([](DWORD, NOTIFYICONDATAA*) { return TRUE; });
    Listener listener;
    HWND native = FindWindowExA(HWND_MESSAGE, nullptr, "QuarnelHiddenWindow", "listener");
    ASSERT_NE(native, nullptr);
    SendMessageA(native, WM_APP + 7, 1, 2);
    ASSERT_EQ(listener.got.size(), 1u);
    EXPECT_EQ(listener.got[0].uMsg, static_cast<platform::UINT>(WM_APP + 7));
}

TEST(Win32Desktop, TurnsFilterListsIntoTheCommonDialogsForm) {
    using namespace std::string_literals;
    const std::pair<std::string, std::wstring> cases[] = {
        {"", L""},
        {"CSV files|*.csv", L"CSV files\0*.csv\0\0"s},
        {"All files (*.*)|*.*|Log files (*.log)|*.log",
         L"All files (*.*)\0*.*\0Log files (*.log)\0*.log\0\0"s},
        // UTF-8 in, UTF-16 out.
        {"Bestanden \xC3\xA9|*.csv", L"Bestanden \u00E9\0*.csv\0\0"s},
        // A description without pattern is dropped.
        {"No pattern|", L""},
        {"A|*.a|Orphan", L"A\0*.a\0\0"s},
    };
    for (const auto& [filter, expected] : cases)
        EXPECT_TRUE(win32::CommonDialogFilter(filter) == expected) << filter;
}

TEST(Win32Desktop, PickersStartInTheNearestExistingFolder) {
    TempDir temp;
    const std::string data = temp.File("data");
    CreateDirectoryA(data.c_str(), nullptr);
    const std::string orders = temp.File("orders");
    CreateDirectoryA(orders.c_str(), nullptr);
    const std::string file = temp.File("file.txt");
    std::ofstream(file) << "x";
    // A folder name outside Windows-1252 (Greek) is found as it is.
    const std::string greek = temp.File("\xCE\xB1\xCE\xB2");
    wchar_t wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_UTF8, 0, greek.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(CreateDirectoryW(wide, nullptr));
    const std::pair<std::string, std::string> cases[] = {
        {orders, orders},
        {orders + "\\", orders},
        {orders + "\\gone\\deeper", orders},
        {greek + "\\gone", greek},
        {file, temp.Path()},
        {"relative\\orders", data},
        {"", data},
        {"Q:\\surely\\not\\there", data},
    };
    for (const auto& [given, expected] : cases)
        EXPECT_EQ(win32::PickerStartFolder(given, data), expected) << given;
}

TEST(Win32Desktop, TimersTickUntilStoppedOrDestroyed) {
    win32::Win32Desktop desktop("");
    int ticks = 0;
    std::unique_ptr<platform::Timer> timer = desktop.CreateTimer([&] { ++ticks; });
    timer->SetInterval(10ms);
    EXPECT_FALSE(timer->Enabled());
    timer->SetEnabled(true);
    EXPECT_TRUE(timer->Enabled());
    EXPECT_TRUE(WaitFor([&] { return ticks >= 3; }));
    timer->SetEnabled(false);
    const int stopped = ticks;
    // Stopped, it ticks no more while another of its interval ticks on.
    int clockTicks = 0;
    std::unique_ptr<platform::Timer> clock = desktop.CreateTimer([&] { ++clockTicks; });
    clock->SetInterval(10ms);
    clock->SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] { return clockTicks >= 5; }));
    EXPECT_EQ(ticks, stopped);
    // A tick may end its own timer.
    timer->SetEnabled(true);
    timer = desktop.CreateTimer([&] {
        ++ticks;
        timer.reset();
    });
    timer->SetInterval(10ms);
    timer->SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] { return !timer; }));
}

}  // namespace
}  // namespace quarnel::test
