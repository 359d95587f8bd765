// SPDX-License-Identifier: MIT
// Shared measures and helpers for laying out the dialogs in twips.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "ui/Control.h"
#include "ui/Form.h"
#include "ui/TextMetrics.h"

namespace quarnel::ui {

inline constexpr int32_t kMargin = 120;  // between controls and to the edges
inline constexpr int32_t kButtonWidth = 1155;
inline constexpr int32_t kButtonHeight = 375;
inline constexpr int32_t kLabelHeight = 255;
inline constexpr int32_t kTextBoxHeight = 315;

inline Control MakeControl(std::string name, ControlKind kind, int32_t left, int32_t top,
                           int32_t width, int32_t height, std::string container = {}) {
    Control control;
    control.name = std::move(name);
    control.kind = kind;
    control.container = std::move(container);
    control.left = left;
    control.top = top;
    control.width = width;
    control.height = height;
    return control;
}

// Sizes a one-line label to its text and answers its width.
inline int32_t AutoSizeLabel(Form& form, const TextMetrics& metrics, const std::string& name) {
    const std::string& text = form.Ctl(name).text;
    const int32_t width = metrics.TextWidth(text);
    form.SetSize(name, width, std::max(form.Ctl(name).height, metrics.TextHeight(text)));
    return width;
}

// Sizes the labels to their texts and answers the widest width.
inline int32_t AutoSizeLabels(Form& form, const TextMetrics& metrics,
                              std::initializer_list<std::string> names) {
    int32_t widest = 0;
    for (const auto& name : names) widest = std::max(widest, AutoSizeLabel(form, metrics, name));
    return widest;
}

}  // namespace quarnel::ui
