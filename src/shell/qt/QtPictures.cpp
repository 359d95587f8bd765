// SPDX-License-Identifier: MIT
#include "shell/qt/QtPictures.h"

#include <QPainter>
#include <QSvgRenderer>

// The pictures are compiled into the static Qt library; its resources
// register only when asked to, from the global namespace.
static void RegisterDialogPictures() {
    Q_INIT_RESOURCE(dialogs);
}

namespace quarnel::qt {

QPixmap LoadPicture(const QString& resource, QSize box, qreal devicePixelRatio) {
    static const bool registered = (RegisterDialogPictures(), true);
    (void)registered;
    if (box.isEmpty()) return {};
    if (resource.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgRenderer renderer(resource);
        if (!renderer.isValid()) return {};
        const QSize size = renderer.defaultSize().scaled(box, Qt::KeepAspectRatio);
        QPixmap pixmap(size * devicePixelRatio);
        pixmap.setDevicePixelRatio(devicePixelRatio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
        return pixmap;
    }
    QPixmap pixmap(resource);
    if (pixmap.isNull()) return {};
    if (pixmap.width() > box.width() || pixmap.height() > box.height()) {
        pixmap =
            pixmap.scaled(box * devicePixelRatio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(devicePixelRatio);
    }
    return pixmap;
}

}  // namespace quarnel::qt
