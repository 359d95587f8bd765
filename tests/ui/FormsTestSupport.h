// Fakes for the dialogs' services: fixed-width text and a scripted desktop.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "FakeDesktop.h"
#include "app/ErrorInfo.h"
#include "ui/Form.h"
#include "ui/FormServices.h"
#include "ui/TextMetrics.h"

namespace quarnel::test {

// Every character is charWidth twips wide, digits digitWidth; a line is
// 240 twips high, wrapped text as many lines as its width needs.
class FixedMetrics : public ui::TextMetrics {
  public:
    explicit FixedMetrics(int32_t charWidth = 100, int32_t digitWidth = 100)
        : charWidth_(charWidth), digitWidth_(digitWidth) {}

    int32_t TextWidth(const std::string& text) const override {
        if (fail) RaiseError(ErrNo::InvalidProcedureCall);
        int32_t width = 0;
        for (unsigned char c : text) {
            if ((c & 0xC0) == 0x80) continue;  // UTF-8 continuation byte
            width += (c >= '0' && c <= '9') ? digitWidth_ : charWidth_;
        }
        return width;
    }

    int32_t TextHeight(const std::string& text, int32_t wrapWidth) const override {
        const int32_t width = TextWidth(text);
        return kLine * (wrapWidth > 0 && width > 0 ? (width + wrapWidth - 1) / wrapWidth : 1);
    }

    static constexpr int32_t kLine = 240;
    bool fail = false;

  private:
    int32_t charWidth_;
    int32_t digitWidth_;
};

// The shared desktop fake, also answering folder dialogs as set.
class FormsDesktop : public FakeDesktop {
  public:
    std::optional<std::string> BrowseForFolder(
        const platform::FolderDialogRequest& request) override {
        folderRequests.push_back(request);
        return folderAnswer;
    }
    std::optional<std::string> folderAnswer;
    std::vector<platform::FolderDialogRequest> folderRequests;
};

// Loads and activates a form as the renderer would; answers whether it
// asked to be closed.
inline bool Open(ui::Form& form) {
    form.Load();
    form.Activate();
    return form.UnloadRequested();
}

// The control's right and bottom edges.
inline int32_t Right(const ui::Control& c) {
    return c.left + c.width;
}
inline int32_t Bottom(const ui::Control& c) {
    return c.top + c.height;
}

}  // namespace quarnel::test
