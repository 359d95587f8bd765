// SPDX-License-Identifier: MIT
// The settings object's properties in one line, for comparing whole states.
#pragma once

#include <sstream>
#include <string>

#include "settings/clsSettings.h"

namespace quarnel {

// Every property, "|"-separated, in the order of the getters.
inline std::string Dump(const clsSettings& s) {
    std::ostringstream out;
    out << s.QuantityPositioning() << '|' << s.AutoSaveBarcodes() << '|' << s.AutoSaveOrders()
        << '|' << s.BarcodesFolder() << '|' << s.OrdersFolder() << '|' << s.LastFolder() << '|'
        << s.TraceEvents() << '|' << s.TraceFile() << '|' << s.Debtor() << '|' << s.User() << '|'
        << s.Password() << '|' << s.Autorun() << '|' << s.AutorunChanged();
    return out.str();
}

}  // namespace quarnel
