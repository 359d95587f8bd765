// SPDX-License-Identifier: MIT
#include "shell/qt/QtTextMetrics.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

#include "shell/qt/QtStrings.h"

namespace quarnel::qt {

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr && screen->logicalDotsPerInchX() > 0 ? screen->logicalDotsPerInchX()
                                                                  : 96.0;
}

int TwipsToPixels(int32_t twips, double dpi) {
    return static_cast<int>(std::ceil(twips * dpi / kTwipsPerInch - 1e-6));
}

int32_t PixelsToTwips(double pixels, double dpi) {
    return static_cast<int32_t>(std::ceil(pixels * kTwipsPerInch / dpi - 1e-6));
}

QtTextMetrics::QtTextMetrics(QFont font, double dpi) : font_(std::move(font)), dpi_(dpi) {}

int32_t QtTextMetrics::TextWidth(const std::string& text) const {
    // One pixel more than the advance: a label exactly as wide as its text
    // must not lose the antialiased edge of its last glyph.
    const QFontMetricsF metrics(font_);
    return PixelsToTwips(std::ceil(metrics.horizontalAdvance(FromUtf8(text))) + 1, dpi_);
}

int32_t QtTextMetrics::TextHeight(const std::string& text, int32_t wrapWidth) const {
    const QFontMetricsF metrics(font_);
    if (wrapWidth <= 0) {
        const auto lines = FromUtf8(text).split('\n').size();
        return PixelsToTwips(std::ceil(metrics.height() * static_cast<double>(lines)), dpi_);
    }
    const QRectF box(0, 0, TwipsToPixels(wrapWidth, dpi_), 1e6);
    const QRectF used = metrics.boundingRect(box, Qt::TextWordWrap, FromUtf8(text));
    return PixelsToTwips(std::ceil(used.height()), dpi_);
}

}  // namespace quarnel::qt
