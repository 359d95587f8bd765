// SPDX-License-Identifier: MIT
#include "shell/qt/QtFileFilters.h"

#include "shell/qt/QtStrings.h"

namespace quarnel::qt {

NameFilterList NameFilters(const std::string& filter, int32_t filterIndex) {
    const QStringList parts = FromUtf8(filter).split(QLatin1Char('|'));
    NameFilterList list;
    QStringList& filters = list.filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) pattern = pattern.trimmed();
        const QString patternText = patterns.join(QLatin1Char(' '));
        if (patternText.isEmpty()) continue;
        // Counted in pairs of the original list, which a dropped pair would shift.
        if (i / 2 + 1 == filterIndex) list.selected = filters.size();
        const QString bracketed = QLatin1Char('(') + patternText + QLatin1Char(')');
        // Qt reads the patterns from the last brackets: a description that
        // shows its own gets them replaced.
        if (description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            if (open >= 0) description = description.left(open).trimmed();
        }
        if (description.isEmpty()) {
            filters << bracketed;
        } else {
            filters << description + QLatin1Char(' ') + bracketed;
        }
    }
    return list;
}

}  // namespace quarnel::qt
