// SPDX-License-Identifier: MIT
// The file dialogs' filter lists, converted to Qt's name filters.
#pragma once

#include <QStringList>
#include <cstdint>
#include <string>

namespace quarnel::qt {

// "CSV files|*.csv|All files|*.*" → {"CSV files (*.csv)", "All files (*.*)"}.
// Patterns separated by ";" become one filter with several patterns; patterns
// in brackets at the end of a description are replaced by the real ones.
// A description without pattern is dropped.
struct NameFilterList {
    QStringList filters;
    // The filter of the 1-based pair filterIndex; the first one when that
    // pair was dropped or does not exist.
    qsizetype selected = 0;
};
NameFilterList NameFilters(const std::string& filter, int32_t filterIndex = 1);

}  // namespace quarnel::qt
