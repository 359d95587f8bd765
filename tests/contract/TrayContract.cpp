// SPDX-License-Identifier: MIT
// An icon is added once, then modified field by field and deleted; what the
// shell cannot do it refuses.
#include "TrayContract.h"

#include <cstring>

#include "platform/HiddenWindow.h"

namespace quarnel::test {

// A platform may have no implementation of its own yet.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(TrayContract);

namespace {

using namespace platform;

constexpr uint32_t kId = 1;
constexpr uint32_t kUnknownOperation = 0x77;

template <size_t N>
void SetField(std::array<char, N>& field, const std::string& text) {
    field.fill(0);
    std::memcpy(field.data(), text.data(), std::min(text.size(), N - 1));
}

class Icon {
  public:
    NotifyIconRecord Record(uint32_t flags = NIF_MESSAGE | NIF_ICON | NIF_TIP,
                            const std::string& tip = "Quarnel") const {
        NotifyIconRecord data{.cbSize = kNotifyIconDataSize,
                              .hWnd = window->Handle(),
                              .uID = kId,
                              .uFlags = flags,
                              .uCallbackMessage = WM_MOUSEMOVE,
                              .hIcon = kIconScannerError};
        SetField(data.szTip, tip);
        return data;
    }
    NotifyIconRecord Balloon(const std::string& title, const std::string& text) const {
        NotifyIconRecord data = Record(NIF_INFO, "not the tip");
        SetField(data.szInfoTitle, title);
        SetField(data.szInfo, text);
        data.dwInfoFlags = NIIF_INFO;
        data.uTimeoutOrVersion = 10000;
        return data;
    }

    std::unique_ptr<HiddenWindow> window = CreateHiddenWindow("tray");
};

TEST_P(TrayContract, AnIconIsAddedOnceModifiedFieldByFieldAndDeleted) {
    ShellNotifyApi& shell = driver_->Shell();
    Icon icon;
    const HWND window = icon.window->Handle();
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_MODIFY, icon.Record()));
    ASSERT_TRUE(shell.Shell_NotifyIconA(NIM_ADD, icon.Record()));
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_ADD, icon.Record()));
    NotifyIconRecord version = icon.Record(0);
    version.uTimeoutOrVersion = NOTIFYICON_VERSION;
    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_SETVERSION, version));
    EXPECT_TRUE(driver_->Shown(window, kId));
    EXPECT_EQ(driver_->Tip(window, kId), "Quarnel");

    // The tip is Windows-1252; a modify without NIF_TIP keeps it, balloons too.
    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_MODIFY, icon.Record(NIF_TIP, "Caf\xE9")));
    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_MODIFY, icon.Record(NIF_ICON, "ignored")));
    // Title and text filling their fields to the last byte before the NUL.
    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_MODIFY,
                                        icon.Balloon(std::string(63, 'T'), std::string(255, 'x'))));
    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_MODIFY, icon.Balloon("", "")));  // hides it
    EXPECT_EQ(driver_->Tip(window, kId), "Caf\xC3\xA9");

    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_DELETE, icon.Record(0)));
    EXPECT_FALSE(driver_->Shown(window, kId));
    for (uint32_t message : {NIM_MODIFY, NIM_SETVERSION, NIM_DELETE})
        EXPECT_FALSE(shell.Shell_NotifyIconA(message, icon.Record())) << message;
    // Added anew, it has the new record's fields.
    ASSERT_TRUE(shell.Shell_NotifyIconA(NIM_ADD, icon.Record(NIF_TIP, "Again")));
    EXPECT_EQ(driver_->Tip(window, kId), "Again");
    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_DELETE, icon.Record(0)));
}

TEST_P(TrayContract, UnknownOperationsAndOtherIconsAreRefused) {
    ShellNotifyApi& shell = driver_->Shell();
    Icon icon, other;
    EXPECT_FALSE(shell.Shell_NotifyIconA(kUnknownOperation, icon.Record()));
    ASSERT_TRUE(shell.Shell_NotifyIconA(NIM_ADD, icon.Record()));
    EXPECT_FALSE(shell.Shell_NotifyIconA(kUnknownOperation, icon.Record()));
    EXPECT_TRUE(driver_->Shown(icon.window->Handle(), kId));
    // Icons are known by window and id.
    NotifyIconRecord otherId = icon.Record(NIF_TIP, "other id");
    otherId.uID = kId + 1;
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_MODIFY, otherId));
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_MODIFY, other.Record(NIF_TIP, "other window")));
    EXPECT_FALSE(shell.Shell_NotifyIconA(NIM_DELETE, other.Record(0)));
    EXPECT_EQ(driver_->Tip(icon.window->Handle(), kId), "Quarnel");
    EXPECT_TRUE(shell.Shell_NotifyIconA(NIM_DELETE, icon.Record(0)));
}

}  // namespace
}  // namespace quarnel::test
