// SPDX-License-Identifier: MIT
// The pictures of the dialogs' image lists, drawn with GDI. They are the
// program's SVG pictures (src/resources/icons/dialogs), compiled in; the
// drawing knows the few SVG elements they use: groups, rectangles with
// rounded corners, circles, lines and paths of straight lines and cubic
// curves, filled and stroked.
#pragma once

#include <string>

#include "platform/Windows.h"

namespace quarnel::win32 {

// The SVG text of a picture by its resource name (":/dialogs/clock.svg"), or
// null when there is no such picture.
const char* PictureSource(const std::string& resource);

// Draws the picture scaled to fit box keeping its proportions, centred,
// over background. False (and nothing drawn) when it cannot be read.
bool DrawPicture(HDC dc, const std::string& resource, const RECT& box, COLORREF background);

}  // namespace quarnel::win32
