// The file dialogs' filter lists, converted to Qt's name filters.
#pragma once

#include <QStringList>
#include <string>

namespace quarnel::qt {

// "CSV files|*.csv|All files|*.*" → {"CSV files (*.csv)", "All files (*.*)"}.
// Patterns separated by ";" become one filter with several patterns; patterns
// in brackets at the end of a description are replaced by the real ones.
// A trailing description without pattern is dropped.
QStringList NameFilters(const std::string& filter);

}  // namespace quarnel::qt
