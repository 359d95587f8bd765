// SPDX-License-Identifier: MIT
// Qt's own texts (standard buttons, the file dialogs) in the language the
// program speaks, so that a Dutch question is not answered with "Yes".
#pragma once

#include <QTranslator>
#include <memory>

namespace quarnel::qt {

// Installs Qt's translation for the user's language on the application; it is
// removed again when the returned translator goes. Null for English, which
// Qt speaks already, and when the translation is not installed.
std::unique_ptr<QTranslator> InstallQtTranslation();

}  // namespace quarnel::qt
