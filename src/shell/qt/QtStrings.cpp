// SPDX-License-Identifier: MIT
#include "shell/qt/QtStrings.h"

#include <cstring>

#include "base/Ansi.h"

namespace quarnel::qt {

QString FromAnsiField(const char* field, size_t capacity) {
    const size_t length = strnlen(field, capacity);
    return FromUtf8(AnsiToUtf8(std::string_view(field, length)));
}

}  // namespace quarnel::qt
