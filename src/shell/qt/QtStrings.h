// SPDX-License-Identifier: MIT
// Conversions between the program's strings and Qt's.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace quarnel::qt {

// Program strings are UTF-8.
inline QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
inline std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

// A Windows-1252 text field ended by NUL, as the shell's records hold them.
QString FromAnsiField(const char* field, size_t capacity);

}  // namespace quarnel::qt
