// SPDX-License-Identifier: MIT
// quarnel-vscan's system part on Linux: the program watches the scanners'
// folder itself, and serve puts an emulated scanner on a pseudo-terminal.
#include <pthread.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <iostream>

#include "Tool.h"
#include "backends/linux/ComDevices.h"

namespace quarnel::vscan {

namespace com_devices = quarnel::platform::com_devices;

const char* const kFolderUsage = "$QUARNEL_VIRTUAL_PORTS";

// A file in the folder is the whole plug: the program's folder watch sees it.
void AnnouncePlug(const std::string&) {}
void AnnounceUnplug(const std::string&) {}

// Serves until SIGINT or SIGTERM, or until the emulator hangs up.
void Serve(const Arguments& args, const std::string& path) {
    if (!std::filesystem::exists(path)) throw Failure{args.port + " is not plugged in"};
    std::string loadError;
    if (!LoadScannerFile(path, loadError)) throw Failure{loadError};
    std::string folder = args.comDir ? *args.comDir : com_devices::FolderFromEnvironment();
    if (folder.empty())
        throw Failure{
            std::string("no folder: use --com-dir or set ") + com_devices::kFolderVariable, 2};
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    quarnel::opn2001::Emulator emulator(path, args.misbehaviour);
    std::string error;
    if (!emulator.Open(error) || !emulator.Plug(folder, args.port, error)) throw Failure{error};
    std::cout << args.port << " -> " << emulator.DevicePath() << " (" << folder << "/" << args.port
              << ")" << std::endl;
    emulator.Start();
    const timespec poll{0, 100'000'000};
    while (!emulator.HasHungUp() && sigtimedwait(&signals, nullptr, &poll) < 0) {
    }
    emulator.Stop();
    if (emulator.HasHungUp()) std::cout << args.port << " hung up" << std::endl;
}

}  // namespace quarnel::vscan
