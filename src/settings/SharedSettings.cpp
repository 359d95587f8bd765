// SPDX-License-Identifier: MIT
#include "settings/SharedSettings.h"

namespace quarnel {

namespace {

std::shared_ptr<clsSettings> g_settings;

}  // namespace

std::shared_ptr<clsSettings> Settings() {
    return g_settings;
}

void SetSettings(std::shared_ptr<clsSettings> settings) {
    g_settings = std::move(settings);
}

}  // namespace quarnel
