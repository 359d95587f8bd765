// SPDX-License-Identifier: MIT
// quarnel-vscan: plugs, fills, shows and unplugs virtual OPN-2001 scanners.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "FileStamp.h"
#include "ScannerFile.h"
#include "Symbologies.h"
#include "Tool.h"
#include "backends/linux/VirtualPorts.h"

namespace {

using namespace quarnel::vscan;
namespace ports = quarnel::platform::virtual_ports;

constexpr size_t kMaxScanLength = 44;  // a packet of 50 bytes holds 44 data bytes
constexpr int kMaxPort = 9999;         // "COM9999" still fits a port notification

const char* const kUsageStart =
    "usage: quarnel-vscan [--dir DIR] COMMAND PORT [options] [BARCODE ...]\n"
    "       quarnel-vscan --help | --version\n"
    "  plug PORT [--id HEX16] [--battery ok|low] [--sw TEXT] [--symbology NAME] [BARCODE ...]\n"
    "  scan PORT [--symbology NAME] BARCODE ...\n"
    "  (plug and scan also take --barcodes FILE: one barcode a line, - for standard input)\n"
    "  unplug PORT\n"
    "  show PORT\n"
    "  fail PORT FUNCTION [--result N]   make FUNCTION fail (answer N, else -1)\n"
    "  recover PORT [FUNCTION]           undo fail for FUNCTION, or for all\n"
    "  serve PORT [--com-dir DIR] [--garbage] [--split] [--bad-crc] [--silent] [--hang-up]\n"
    "             [--drip MS] [--on OPCODE] [--times N] [--switching MS]\n"
    "FUNCTION is a library function such as csp2GetParam, or its name without\n"
    "\"csp2\" in any case: getparam, gettime, setparam, settime, setdefaults.\n"
    "PORT is written like COM7. Without --dir the folder is ";
const char* const kUsageEnd =
    ".\n"
    "serve answers the OPN-2001 serial protocol from PORT's scanner file on a\n"
    "pseudo-terminal linked as DIR/PORT (default $QUARNEL_COM_DEVICES) until\n"
    "interrupted; the other options make it misbehave (on replies to command\n"
    "OPCODE only, N times only).\n";

std::string Usage() {
    return std::string(kUsageStart) + kFolderUsage + kUsageEnd;
}

// Asked for with --help or --version: printed, and the tool ends well.
struct Answer {
    std::string text;
};

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string PortName(const std::string& text) {
    std::string port = Upper(text);
    if (!ports::IsPortName(port) || port.size() > 7) throw Failure{"not a port: " + text, 2};
    int number = std::stoi(port.substr(3));
    if (number < 1 || number > kMaxPort) throw Failure{"not a port: " + text, 2};
    return "COM" + std::to_string(number);
}

int Number(const std::string& text, int base, int max) {
    size_t end = 0;
    int number = -1;
    try {
        number = std::stoi(text, &end, base);
    } catch (const std::exception&) {
    }
    if (end != text.size() || number < 0 || number > max) throw Failure{"not a number: " + text, 2};
    return number;
}

// Barcodes from a file, one a line (CR LF or LF; empty lines skipped): more
// of them than a Windows command line holds.
void ReadBarcodes(const std::string& path, std::vector<std::string>& barcodes) {
    std::ifstream file;
    if (path != "-") {
        file.open(path, std::ios::binary);
        if (!file) throw Failure{"cannot read " + path, 2};
    }
    std::istream& in = path == "-" ? std::cin : file;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) barcodes.push_back(line);
    }
    if (in.bad()) throw Failure{"cannot read " + path, 2};
}

Arguments Parse(int argc, char** argv) {
    Arguments args;
    std::vector<std::string> words(argv + 1, argv + argc);
    auto value = [&](size_t& i) {
        if (i + 1 >= words.size()) throw Failure{words[i] + " needs a value", 2};
        return words[++i];
    };
    std::vector<std::string> positional, fromFiles;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        // Barcodes come by the thousand; only words starting with '-' can be options.
        if (w.empty() || w[0] != '-') {
            positional.push_back(w);
        } else if (w == "--dir")
            args.dir = value(i);
        else if (w == "--id")
            args.id = value(i);
        else if (w == "--battery")
            args.battery = value(i);
        else if (w == "--sw")
            args.sw = value(i);
        else if (w == "--symbology")
            args.symbology = value(i);
        else if (w == "--barcodes")
            ReadBarcodes(value(i), fromFiles);
        else if (w == "--result")
            args.result = value(i);
        else if (w == "--com-dir")
            args.comDir = value(i);
        else if (w == "--garbage")
            args.misbehaviour.garbage = true;
        else if (w == "--split")
            args.misbehaviour.split = true;
        else if (w == "--bad-crc")
            args.misbehaviour.badCrc = true;
        else if (w == "--silent")
            args.misbehaviour.silent = true;
        else if (w == "--hang-up")
            args.misbehaviour.hangUp = true;
        else if (w == "--on")
            args.misbehaviour.onOpcode = static_cast<uint8_t>(Number(value(i), 16, 255));
        else if (w == "--times")
            args.misbehaviour.times = Number(value(i), 10, 1000000);
        else if (w == "--drip")
            args.misbehaviour.drip = std::chrono::milliseconds(Number(value(i), 10, 60000));
        else if (w == "--switching")
            args.misbehaviour.switching = std::chrono::milliseconds(Number(value(i), 10, 600000));
        else if (w == "--help" || w == "-h")
            throw Answer{Usage()};
        else if (w == "--version")
            throw Answer{std::string("quarnel-vscan ") + QUARNEL_VERSION + "\n"};
        else if (w.size() > 2 && w.rfind("--", 0) == 0)
            throw Failure{"unknown option " + w, 2};
        else
            positional.push_back(w);
    }
    if (positional.size() < 2) throw Failure{"a command and a port are needed", 2};
    args.command = positional[0];
    args.port = PortName(positional[1]);
    args.barcodes.assign(positional.begin() + 2, positional.end());
    args.barcodes.insert(args.barcodes.end(), fromFiles.begin(), fromFiles.end());
    if (args.dir.empty()) args.dir = VirtualFolder();
    if (args.dir.empty())
        throw Failure{std::string("no folder: use --dir or set ") + ports::kFolderVariable, 2};
    return args;
}

void AddBarcodes(ScannerFile& file, const Arguments& args) {
    std::optional<int> code;
    if (args.symbology) {
        code = SymbologyCode(*args.symbology);
        if (!code) throw Failure{"unknown symbology " + *args.symbology, 2};
    }
    Clock now = LocalClock(std::time(nullptr));
    if (now.year < 2000 || now.year > 2063)
        throw Failure{"the PC's clock is outside the scanner's years 2000 to 2063"};
    for (const auto& text : args.barcodes) {
        if (text.empty() || text.size() > kMaxScanLength)
            throw Failure{"a barcode holds 1 to 44 characters: " + text, 2};
        for (char c : text)
            if (c < 0x20 || c > 0x7E) throw Failure{"not a printable barcode: " + text, 2};
        // The scanner file trims its lines, so outer blanks would be lost.
        if (text.front() == ' ' || text.back() == ' ')
            throw Failure{"a barcode cannot begin or end with a blank: '" + text + "'", 2};
        file.records.emplace_back(Barcode{now, code ? *code : GuessSymbology(text), text});
    }
}

ScannerFile Load(const std::string& path, const std::string& port) {
    if (!std::filesystem::exists(path)) throw Failure{port + " is not plugged in"};
    std::string error;
    auto file = LoadScannerFile(path, error);
    if (!file) throw Failure{error};
    return *file;
}

void Save(const std::string& path, const ScannerFile& file, const std::string& port) {
    std::string error;
    if (!SaveScannerFile(path, file, port, error)) throw Failure{error};
}

void Plug(const Arguments& args, const std::string& path) {
    if (std::filesystem::exists(path)) throw Failure{args.port + " is already plugged in"};
    ScannerFile file;
    if (args.id) {
        auto bytes = ParseHexBytes(*args.id);
        if (!bytes || bytes->size() != 8) throw Failure{"--id takes 16 hexadecimal digits", 2};
        std::copy(bytes->begin(), bytes->end(), file.identity.begin());
    } else {
        std::random_device random;
        for (auto& b : file.identity) b = static_cast<uint8_t>(random());
    }
    if (args.battery && *args.battery != "ok" && *args.battery != "low")
        throw Failure{"--battery is ok or low", 2};
    file.status = args.battery && *args.battery == "low" ? kBatteryLow : 0;
    if (args.sw) {
        if (args.sw->empty() || args.sw->size() > kMaxSoftwareLength)
            throw Failure{"--sw takes 1 to 8 characters", 2};
        file.software = *args.sw;
    }
    AddBarcodes(file, args);
    std::error_code ec;
    std::filesystem::create_directories(args.dir, ec);
    Save(path, file, args.port);
    try {
        AnnouncePlug(args.port);
    } catch (...) {
        // Half a plug would leave a scanner that no program can find.
        std::filesystem::remove(path, ec);
        throw;
    }
}

void Scan(const Arguments& args, const std::string& path) {
    if (args.barcodes.empty()) throw Failure{"scan needs at least one barcode", 2};
    ScannerFile file = Load(path, args.port);
    AddBarcodes(file, args);
    Save(path, file, args.port);
}

void Unplug(const Arguments& args, const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::remove(path, ec))
        throw Failure{args.port +
                      (ec ? " cannot be unplugged: " + ec.message() : " is not plugged in")};
    AnnounceUnplug(args.port);
}

// The library function a fail or recover command names.
std::string FunctionName(const std::string& word) {
    std::string wanted = Upper(word);
    if (wanted.rfind("CSP2", 0) != 0) wanted = "CSP2" + wanted;
    for (std::string_view name : LibraryFunctions())
        if (Upper(std::string(name)) == wanted) return std::string(name);
    throw Failure{"unknown library function " + word, 2};
}

void Fail(const Arguments& args, const std::string& path) {
    if (args.barcodes.size() != 1) throw Failure{"fail needs one library function", 2};
    Override entry{FunctionName(args.barcodes[0]), std::nullopt, -1, true};
    if (args.result) {
        try {
            size_t used = 0;
            entry.result = std::stoi(*args.result, &used);
            if (used != args.result->size()) throw std::invalid_argument(*args.result);
        } catch (const std::exception&) {
            throw Failure{"--result takes a whole number", 2};
        }
    }
    ScannerFile file = Load(path, args.port);
    std::erase_if(file.overrides,
                  [&](const Override& o) { return o.function == entry.function && !o.argument; });
    file.overrides.push_back(entry);
    Save(path, file, args.port);
}

void Recover(const Arguments& args, const std::string& path) {
    if (args.barcodes.size() > 1) throw Failure{"recover takes at most one library function", 2};
    std::optional<std::string> function;
    if (!args.barcodes.empty()) function = FunctionName(args.barcodes[0]);
    ScannerFile file = Load(path, args.port);
    std::erase_if(file.overrides,
                  [&](const Override& o) { return !function || o.function == *function; });
    Save(path, file, args.port);
}

void Show(const Arguments& args, const std::string& path) {
    ScannerFile file = Load(path, args.port);
    std::cout << "Virtual OPN-2001 on " << args.port << " (" << path << ")\n"
              << "Identity:          " << HexBytes(file.identity.data(), 8, false) << "\n"
              << "Software version:  " << file.software << "\n"
              << "Protocol version:  " << file.protocol << "\n"
              << "Battery:           " << (file.status == 0 ? "good" : "low") << " (status "
              << file.status << ")\n";
    if (file.clockBytes)
        std::cout << "Clock:             stopped at bytes "
                  << HexBytes(file.clockBytes->data(), 6, true) << "\n";
    else
        std::cout << "Clock:             "
                  << FormatClock(LocalClock(std::time(nullptr) + file.clockOffset)) << " (PC time "
                  << (file.clockOffset < 0 ? "" : "+") << file.clockOffset << " s)\n";
    auto beeper = file.params.find(kBeeperParam);
    std::cout << "Beeper:            "
              << (beeper == file.params.end() ? "unknown"
                  : beeper->second != 0       ? "on"
                                              : "off")
              << "\n";
    std::cout << "Parameters:       ";
    for (const auto& [id, value] : file.params) std::cout << " " << id << "=" << int(value);
    std::cout << "\nBarcodes:          " << file.records.size() << "\n";
    for (const auto& record : file.records) {
        if (const auto* raw = std::get_if<RawPacket>(&record)) {
            std::cout << "  packet " << HexBytes(raw->bytes.data(), raw->bytes.size(), true)
                      << "\n";
            continue;
        }
        const auto& b = std::get<Barcode>(record);
        auto name = SymbologyName(b.codeId);
        std::string symbology = name ? std::string(*name) : "code " + std::to_string(b.codeId);
        symbology.resize(std::max<size_t>(symbology.size(), 18), ' ');
        std::cout << "  " << FormatClock(b.scanned) << "  " << symbology << "  " << b.text << "\n";
    }
    for (const auto& o : file.overrides) {
        std::cout << "Requested " << (o.skipWork ? "failure: " : "result: ") << o.function;
        if (o.argument) std::cout << " " << *o.argument;
        std::cout << " = " << o.result << "\n";
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        Arguments args = Parse(argc, argv);
        std::string path = PortFile(args.dir, args.port);
        if (args.command == "plug")
            Plug(args, path);
        else if (args.command == "scan")
            Scan(args, path);
        else if (args.command == "unplug")
            Unplug(args, path);
        else if (args.command == "show")
            Show(args, path);
        else if (args.command == "fail")
            Fail(args, path);
        else if (args.command == "recover")
            Recover(args, path);
        else if (args.command == "serve")
            Serve(args, path);
        else
            throw Failure{"unknown command " + args.command, 2};
        return 0;
    } catch (const Answer& answer) {
        std::cout << answer.text;
        return 0;
    } catch (const Failure& failure) {
        if (!failure.message.empty()) std::cerr << "quarnel-vscan: " << failure.message << "\n";
        if (failure.code != 1) std::cerr << Usage();
        return failure.code;
    } catch (const std::exception& e) {
        std::cerr << "quarnel-vscan: " << e.what() << "\n";
        return 1;
    }
}
