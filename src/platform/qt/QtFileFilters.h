// The file dialogs' filter lists, converted to Qt's name filters.
#pragma once

#include <QStringList>
#include <string>

namespace quarnel::qt {

// "CSV files|*.csv|All files|*.*" → {"CSV files (*.csv)", "All files (*.*)"}.
// Patterns separated by ";" become one filter with several patterns; a
// description that already ends with its patterns in brackets is kept as is.
// A trailing description without pattern is dropped.
QStringList NameFilters(const std::string& filter);

}  // namespace quarnel::qt
