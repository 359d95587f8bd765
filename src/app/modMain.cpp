// SPDX-License-Identifier: MIT
#include "app/modMain.h"

#include "app/frmMain.h"
#include "base/ErrorInfo.h"
#include "base/TextCompare.h"
#include "base/TraceLog.h"

namespace quarnel {

bool IsExtendedSwitch(std::string commandLine) {
    if (!commandLine.empty() && (commandLine[0] == '-' || commandLine[0] == '/')) {
        commandLine.erase(0, 1);
    }
    return EqualsIgnoreCase(commandLine, "extended");
}

void Main(const std::string& commandLine, const StartupEnvironment& environment) {
    SetExtendedLogging(IsExtendedSwitch(commandLine));
    auto settings = std::make_shared<clsSettings>(
        environment.registry, environment.applicationFolder, environment.executablePath);
    SetSettings(settings);
    SetTraceSettings(settings);
    WriteTrace(std::string("Starting ") + kAppTitle, false, true);
    for (const std::string& problem : settings->LoadProblems()) trace::Event(problem);
}

std::unique_ptr<frmMain> Main(const std::string& commandLine, const StartupEnvironment& environment,
                              MainWindowServices services) {
    Main(commandLine, environment);
    auto window = std::make_unique<frmMain>(std::move(services), environment.applicationFolder);
    window->Form_Load();
    return window;
}

void ExitApplication() {
    trace::Event(std::string("Exiting ") + kAppTitle);
    SetTraceSettings(nullptr);
    SetSettings(nullptr);
}

}  // namespace quarnel
