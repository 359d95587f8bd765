// SPDX-License-Identifier: MIT
#include "shell/qt/QtIcons.h"

// The resources live in a static library, so they must be registered by
// hand; the macro cannot be used inside a namespace.
static void RegisterTrayResources() {
    Q_INIT_RESOURCE(tray);
}

namespace quarnel::qt {

QIcon IconFromHandle(platform::HICON icon) {
    static const bool registered = (RegisterTrayResources(), true);
    (void)registered;

    switch (icon) {
        case platform::kIconScannerOK:
            return QIcon(QStringLiteral(":/icons/scanner-ok.svg"));
        case platform::kIconScannerError:
            return QIcon(QStringLiteral(":/icons/scanner-error.svg"));
        default:
            return QIcon(QStringLiteral(":/icons/quarnel.svg"));
    }
}

}  // namespace quarnel::qt
