// SPDX-License-Identifier: MIT
// The dialogs' font and measures: twips to pixels at the screen's DPI, and
// text sizes in twips measured with GetTextExtentPoint32A in that font.
#pragma once

#include <string>

#include "platform/Windows.h"
#include "ui/TextMetrics.h"

namespace quarnel::win32 {

// Twips per inch; the dialogs are laid out at the screen's DPI.
inline constexpr int kTwipsPerInch = 1440;

// The screen's logical DPI (96 when it cannot be read).
int ScreenDpi();
// Whole pixels covering a length in twips (rounded up, so text never loses a pixel).
int TwipsToPixels(int twips, int dpi);
int PixelsToTwips(int pixels, int dpi);

// The font the dialogs are drawn in: the system's message font. Made once,
// kept for the whole run.
HFONT DialogFont();

class Win32TextMetrics final : public ui::TextMetrics {
  public:
    explicit Win32TextMetrics(HFONT font = DialogFont(), int dpi = ScreenDpi());

    int32_t TextWidth(const std::string& text) const override;
    int32_t TextHeight(const std::string& text, int32_t wrapWidth = 0) const override;

  private:
    HFONT font_;
    int dpi_;
};

}  // namespace quarnel::win32
