// SPDX-License-Identifier: MIT
// Fakes for the dialogs' services (fixed-width text, a scripted desktop) and
// a fixture that runs the application on a private store.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "FakeDesktop.h"
#include "FakeRegistry.h"
#include "TestSupport.h"
#include "app/modMain.h"
#include "base/ErrorInfo.h"
#include "ui/Form.h"
#include "ui/FormServices.h"
#include "ui/TextMetrics.h"

namespace quarnel::test {

// Every character is charWidth twips wide, digits digitWidth; a line is
// 240 twips high, wrapped text as many lines as its width needs.
struct FixedMetrics : ui::TextMetrics {
    explicit FixedMetrics(int32_t charWidth = 100, int32_t digitWidth = 100)
        : charWidth(charWidth), digitWidth(digitWidth) {}
    int32_t TextWidth(const std::string& text) const override {
        if (fail) RaiseError(ErrNo::InvalidProcedureCall);
        int32_t width = 0;
        for (unsigned char c : text)
            if ((c & 0xC0) != 0x80)  // not a UTF-8 continuation byte
                width += (c >= '0' && c <= '9') ? digitWidth : charWidth;
        return width;
    }
    int32_t TextHeight(const std::string& text, int32_t wrapWidth) const override {
        const int32_t width = TextWidth(text);
        return 240 * (wrapWidth > 0 && width > 0 ? (width + wrapWidth - 1) / wrapWidth : 1);
    }
    int32_t charWidth, digitWidth;
    bool fail = false;
};

// The shared desktop fake, also answering folder dialogs as set.
struct FormsDesktop : FakeDesktop {
    std::optional<std::string> BrowseForFolder(
        const platform::FolderDialogRequest& request) override {
        folderRequests.push_back(request);
        return folderAnswer;
    }
    std::optional<std::string> folderAnswer;
    std::vector<platform::FolderDialogRequest> folderRequests;
};

// The application running on a private store and folder, traced.
class FormsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Main("", {registry_, dir_.Path(), "/usr/bin/quarnel"});
        trace_ = std::make_unique<TraceCapture>();
    }
    void TearDown() override {
        trace_.reset();
        ExitApplication();
    }

    TempDir dir_;
    std::shared_ptr<FakeRegistry> registry_ = std::make_shared<FakeRegistry>();
    std::shared_ptr<FormsDesktop> desktop_ = std::make_shared<FormsDesktop>();
    std::shared_ptr<FixedMetrics> metrics_ = std::make_shared<FixedMetrics>();
    std::unique_ptr<TraceCapture> trace_;
};

// Loads and activates a form as the renderer would; answers whether it
// asked to be closed.
inline bool Open(ui::Form& form) {
    form.Load();
    form.Activate();
    return form.UnloadRequested();
}

// The control's right and bottom edges.
inline constexpr auto Right = [](const ui::Control& c) { return c.left + c.width; };
inline constexpr auto Bottom = [](const ui::Control& c) { return c.top + c.height; };

}  // namespace quarnel::test
