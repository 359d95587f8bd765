// SPDX-License-Identifier: MIT
// Start-up and shutdown of the program, and the shared settings object.
#pragma once

#include <memory>
#include <string>

#include "app/MainWindowServices.h"
#include "platform/RegistryApi.h"
#include "settings/SharedSettings.h"

namespace quarnel {

class frmMain;

// What start-up needs from the platform; main() fills it in, tests pass fakes.
struct StartupEnvironment {
    std::shared_ptr<platform::RegistryApi> registry;
    std::string applicationFolder;
    std::string executablePath;
};

// True for "extended", with or without one leading "-" or "/", in any case.
bool IsExtendedSwitch(std::string commandLine);

// Sets the extended-logging flag from the command line, creates the shared
// settings object and writes the start entry.
void Main(const std::string& commandLine, const StartupEnvironment& environment);

// The same, then loads the main window over services and hands it to the
// caller; the program lives as long as the window is loaded.
std::unique_ptr<frmMain> Main(const std::string& commandLine, const StartupEnvironment& environment,
                              MainWindowServices services);

// Writes the exit entry and releases the shared settings object.
void ExitApplication();

}  // namespace quarnel
