// SPDX-License-Identifier: MIT
// Pictures of the dialogs' image lists, drawn to fit a control.
#pragma once

#include <QPixmap>
#include <QSize>
#include <QString>

namespace quarnel::qt {

// The picture at a resource path (SVG or any raster format Qt reads),
// scaled to fit within box keeping its proportions; a null pixmap when it
// cannot be read.
QPixmap LoadPicture(const QString& resource, QSize box, qreal devicePixelRatio);

}  // namespace quarnel::qt
