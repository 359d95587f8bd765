// SPDX-License-Identifier: MIT
// Sample settings as a customer would have them, for pictures of the dialogs.
#pragma once

#include <string>

#include "settings/SharedSettings.h"

namespace quarnel::test {

// home: the customer's folder, in the system's spelling ("/home/jansen").
inline void SampleSettings(const std::string& home, char separator = '/') {
    const std::string folder = home + separator + "Quarnel" + separator;
    auto settings = Settings();
    settings->SetQuantityPositioning(1);
    settings->SetAutoSaveBarcodes(true);
    settings->SetBarcodesFolder(folder + "Barcodes" + separator);
    settings->SetAutoSaveOrders(false);
    settings->SetOrdersFolder(folder + "Orders" + separator);
    settings->SetTraceEvents(true);
    settings->SetTraceFile(folder + "Trace.log");
    settings->SetDebtor("104522");
    settings->SetUser("j.jansen");
    settings->SetPassword("geheim");
}

}  // namespace quarnel::test
