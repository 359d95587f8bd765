// SPDX-License-Identifier: MIT
#include "shell/qt/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>

#include "platform/Locale.h"

namespace quarnel::qt {

std::unique_ptr<QTranslator> InstallQtTranslation() {
    if (platform::UserLanguage() != platform::Language::Dutch) return nullptr;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_nl"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator.get())) {
        return nullptr;
    }
    return translator;
}

}  // namespace quarnel::qt
