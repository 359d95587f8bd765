// SPDX-License-Identifier: MIT
// What quarnel-vscan's commands share, and the parts of them that each
// system does its own way: telling running programs that a port came or went,
// and serving the serial protocol.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Emulator.h"

namespace quarnel::vscan {

struct Failure {
    std::string message;
    int code = 1;
};

struct Arguments {
    std::string dir;
    std::string command;
    std::string port;
    std::optional<std::string> id, battery, sw, symbology, result, comDir;
    quarnel::opn2001::Misbehaviour misbehaviour;
    std::vector<std::string> barcodes;
};

// How the usage text names the folder used without --dir.
extern const char* const kFolderUsage;

// Makes the system show port (already plugged in its file) as present, and
// tells the programs that watch ports; Failure when it cannot.
void AnnouncePlug(const std::string& port);
// Takes port away again, and tells the programs that watch ports.
void AnnounceUnplug(const std::string& port);

// Serves the serial protocol for the scanner file at path until interrupted.
void Serve(const Arguments& args, const std::string& path);

}  // namespace quarnel::vscan
