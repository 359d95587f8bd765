// quarnel: starts the program and runs until it is asked to end.
#include <csignal>
#include <filesystem>
#include <string>

#include "app/modMain.h"
#include "platform/Paths.h"
#include "platform/SerialPortTable.h"

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine += ' ';
        commandLine += argv[i];
    }

    // SIGINT and SIGTERM end the program through the normal shutdown.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // The application folder plays the part of the executable's own folder,
    // which always exists; a first run creates it before anything is traced.
    std::error_code ignored;
    std::filesystem::create_directories(quarnel::platform::ApplicationFolder(), ignored);

    quarnel::StartupEnvironment environment{
        quarnel::platform::OpenUserRegistry(quarnel::platform::SystemSerialPortTable()),
        quarnel::platform::ApplicationFolder(), quarnel::platform::ExecutablePath()};
    quarnel::Main(commandLine, environment);

    int received = 0;
    sigwait(&stopSignals, &received);
    quarnel::ExitApplication();
    return 0;
}
