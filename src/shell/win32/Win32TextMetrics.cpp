// SPDX-License-Identifier: MIT
#include "shell/win32/Win32TextMetrics.h"

#include <algorithm>

#include "base/Ansi.h"

namespace quarnel::win32 {
namespace {

// A screen device context with the font chosen, for measuring.
class MeasuringContext {
  public:
    explicit MeasuringContext(HFONT font) : dc_(GetDC(nullptr)), old_(SelectObject(dc_, font)) {}
    ~MeasuringContext() {
        SelectObject(dc_, old_);
        ReleaseDC(nullptr, dc_);
    }
    MeasuringContext(const MeasuringContext&) = delete;
    MeasuringContext& operator=(const MeasuringContext&) = delete;
    HDC dc() const { return dc_; }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 0;
    if (dc != nullptr) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

int TwipsToPixels(int twips, int dpi) {
    // Rounded up in whole numbers: exact for every twips value.
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>(scaled >= 0 ? (scaled + kTwipsPerInch - 1) / kTwipsPerInch
                                        : scaled / kTwipsPerInch);
}

int PixelsToTwips(int pixels, int dpi) {
    const long long scaled = static_cast<long long>(pixels) * kTwipsPerInch;
    return static_cast<int>(scaled >= 0 ? (scaled + dpi - 1) / dpi : scaled / dpi);
}

HFONT DialogFont() {
    static const HFONT font = [] {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            if (HFONT made = CreateFontIndirectA(&metrics.lfMessageFont)) return made;
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }();
    return font;
}

Win32TextMetrics::Win32TextMetrics(HFONT font, int dpi) : font_(font), dpi_(dpi) {}

int32_t Win32TextMetrics::TextWidth(const std::string& text) const {
    const std::string ansi = Utf8ToAnsi(text);
    const MeasuringContext context(font_);
    SIZE size{};
    GetTextExtentPoint32A(context.dc(), ansi.c_str(), static_cast<int>(ansi.size()), &size);
    // One pixel more than the extent: a label exactly as wide as its text
    // must not lose the last column of its last glyph.
    return PixelsToTwips(size.cx + 1, dpi_);
}

int32_t Win32TextMetrics::TextHeight(const std::string& text, int32_t wrapWidth) const {
    const std::string ansi = Utf8ToAnsi(text);
    const MeasuringContext context(font_);
    if (wrapWidth <= 0) {
        TEXTMETRICA metrics{};
        GetTextMetricsA(context.dc(), &metrics);
        const int lines = 1 + static_cast<int>(std::count(ansi.begin(), ansi.end(), '\n'));
        return PixelsToTwips(metrics.tmHeight * lines, dpi_);
    }
    // As a word-wrapping label draws it.
    RECT box{0, 0, TwipsToPixels(wrapWidth, dpi_), 0};
    DrawTextA(context.dc(), ansi.c_str(), static_cast<int>(ansi.size()), &box,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    return PixelsToTwips(box.bottom - box.top, dpi_);
}

}  // namespace quarnel::win32
