// SPDX-License-Identifier: MIT
// Text sizes in twips, measured with the font the dialogs are drawn in.
#pragma once

#include <QFont>

#include "ui/TextMetrics.h"

namespace quarnel::qt {

// Twips per inch; the dialogs are laid out at the screen's logical DPI.
inline constexpr int kTwipsPerInch = 1440;

// The logical DPI of the primary screen (96 when there is none).
double LogicalDpi();
// Whole pixels covering a length in twips (rounded up, so text never loses a pixel).
int TwipsToPixels(int32_t twips, double dpi);
int32_t PixelsToTwips(double pixels, double dpi);

class QtTextMetrics final : public ui::TextMetrics {
  public:
    explicit QtTextMetrics(QFont font, double dpi = LogicalDpi());

    int32_t TextWidth(const std::string& text) const override;
    int32_t TextHeight(const std::string& text, int32_t wrapWidth = 0) const override;

  private:
    QFont font_;
    double dpi_;
};

}  // namespace quarnel::qt
