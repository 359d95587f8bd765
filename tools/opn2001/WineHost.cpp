// SPDX-License-Identifier: MIT
// opn2001-wine-host PROGRAM [ARGUMENT ...]: runs PROGRAM (a Windows program
// under wine) and serves it emulated scanners on COM ports of the Wine
// prefix. Each connection to the loopback port named in QUARNEL_OPN2001_HOST
// holds at most one emulator; commands and answers are lines:
//   line TEXT        adds TEXT as a line of the next scanner file
//   serve [OPTIONS]  answers on a free COM port: "ok N" (COMN); the options
//                    are serve's of quarnel-vscan: --garbage --split
//                    --bad-crc --silent --hang-up --drip MS --on HEX
//                    --times N --switching MS, and --split-pause MS
//   link TARGET      makes a free COM port of TARGET ("file": the scanner
//                    file): "ok N"
//   commands         the commands answered so far: "ok 01 07 ..."
//   records          the barcodes the scanner file holds: "ok N"
//   param ID         a stored parameter: "ok VALUE", or "ok none"
//   stop             stops the emulator and takes the port away
// A closed connection stops its emulator. The exit status is PROGRAM's.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Emulator.h"
#include "ScannerFile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quarnel::opn2001::Emulator;
using quarnel::opn2001::ParseMisbehaviour;

constexpr int kFirstPort = 10;  // below: the prefix's own ports
constexpr int kLastPort = 255;

fs::path DosDevices() {
    const char* prefix = std::getenv("WINEPREFIX");
    if (prefix != nullptr && *prefix != '\0') return fs::path(prefix) / "dosdevices";
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "") / ".wine" / "dosdevices";
}

// Claims the first free COM port by linking it to target; 0 when none is
// free. A link is made only where none exists, so that programs sharing
// the prefix never take each other's ports.
int LinkFreePort(const fs::path& target, fs::path& link) {
    for (int n = kFirstPort; n <= kLastPort; ++n) {
        fs::path candidate = DosDevices() / ("com" + std::to_string(n));
        if (symlink(target.c_str(), candidate.c_str()) == 0) {
            link = candidate;
            return n;
        }
    }
    return 0;
}

// One connection: its scanner file, emulator and port.
class Session {
  public:
    Session(int socket, fs::path folder) : socket_(socket), folder_(std::move(folder)) {}
    ~Session() {
        Stop();
        close(socket_);
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    void Run() {
        std::string line;
        while (ReadLine(line)) {
            if (!Send(Answer(line))) break;
        }
    }

  private:
    std::string Answer(const std::string& line) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command == "line") {
            std::string text = line.size() > 5 ? line.substr(5) : "";
            fileText_ += text + "\n";
            return "ok";
        }
        if (command == "serve") {
            std::string options;
            std::getline(words, options);
            auto misbehaviour = ParseMisbehaviour(options);
            if (!misbehaviour) return "error bad options";
            Stop();
            if (!WriteFile()) return "error cannot write the scanner file";
            emulator_ = std::make_unique<Emulator>(File(), *misbehaviour);
            std::string error;
            if (!emulator_->Open(error)) return "error " + error;
            const int port = LinkFreePort(emulator_->DevicePath(), link_);
            if (port == 0) return "error no free COM port";
            emulator_->Start();
            return "ok " + std::to_string(port);
        }
        if (command == "link") {
            std::string target;
            words >> target;
            Stop();
            if (target == "file") {
                if (!WriteFile()) return "error cannot write the scanner file";
                target = File();
            }
            const int port = LinkFreePort(target, link_);
            return port == 0 ? "error no free COM port" : "ok " + std::to_string(port);
        }
        if (command == "commands") {
            std::string answer = "ok";
            if (emulator_) {
                char hex[4];
                for (uint8_t op : emulator_->Commands()) {
                    std::snprintf(hex, sizeof hex, " %02X", op);
                    answer += hex;
                }
            }
            return answer;
        }
        if (command == "records" || command == "param") {
            std::string error;
            auto file = quarnel::vscan::LoadScannerFile(File(), error);
            if (!file) return "error " + error;
            if (command == "records") return "ok " + std::to_string(file->records.size());
            int id = -1;
            words >> id;
            auto found = file->params.find(id);
            return found == file->params.end() ? "ok none" : "ok " + std::to_string(found->second);
        }
        if (command == "stop") {
            Stop();
            return "ok";
        }
        return "error unknown command " + command;
    }

    std::string File() const { return (folder_ / "COM.scanner").string(); }

    // Writes the lines given so far; the next line starts a new file.
    bool WriteFile() {
        const std::string text = std::exchange(fileText_, {});
        std::error_code ec;
        fs::create_directories(folder_, ec);
        FILE* out = std::fopen(File().c_str(), "w");
        if (out == nullptr) return false;
        const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
        return std::fclose(out) == 0 && written;
    }

    void Stop() {
        emulator_.reset();
        if (!link_.empty()) {
            std::error_code ec;
            fs::remove(link_, ec);
            link_.clear();
        }
    }

    bool ReadLine(std::string& line) {
        size_t end;
        while ((end = input_.find('\n')) == std::string::npos) {
            char chunk[4096];
            const ssize_t got = recv(socket_, chunk, sizeof chunk, 0);
            if (got <= 0) return false;
            input_.append(chunk, static_cast<size_t>(got));
        }
        line = input_.substr(0, end);
        input_.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    }

    bool Send(std::string answer) {
        answer += "\n";
        const char* data = answer.data();
        size_t left = answer.size();
        while (left > 0) {
            const ssize_t sent = send(socket_, data, left, MSG_NOSIGNAL);
            if (sent <= 0) return false;
            data += sent;
            left -= static_cast<size_t>(sent);
        }
        return true;
    }

    int socket_;
    fs::path folder_;
    std::string input_;
    std::string fileText_;
    std::unique_ptr<Emulator> emulator_;
    fs::path link_;
};

pid_t child = 0;

// An interrupted host ends its program first, and then cleans up as usual:
// no COM port of the prefix is left behind.
void PassOn(int signal) {
    if (child > 0) kill(child, signal);
}

int Listen(int& port) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        listen(listener, 8) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(listener);
        return -1;
    }
    port = ntohs(address.sin_port);
    return listener;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: opn2001-wine-host PROGRAM [ARGUMENT ...]\n";
        return 2;
    }
    if (!fs::is_directory(DosDevices())) {
        std::cerr << "opn2001-wine-host: no Wine prefix at " << DosDevices().parent_path() << "\n";
        return 2;
    }
    int port = 0;
    const int listener = Listen(port);
    if (listener < 0) {
        std::cerr << "opn2001-wine-host: cannot listen on a loopback port\n";
        return 1;
    }
    setenv("QUARNEL_OPN2001_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    char base[] = "/tmp/opn2001-wine-host-XXXXXX";
    if (mkdtemp(base) == nullptr) return 1;

    struct sigaction passOn {};
    passOn.sa_handler = PassOn;
    sigaction(SIGTERM, &passOn, nullptr);
    sigaction(SIGINT, &passOn, nullptr);
    if (posix_spawnp(&child, argv[1], nullptr, nullptr, argv + 1, environ) != 0) {
        std::cerr << "opn2001-wine-host: cannot start " << argv[1] << "\n";
        return 1;
    }
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::vector<std::thread> sessions;
    int count = 0;
    std::thread acceptor([&] {
        while (!done) {
            pollfd p{listener, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) continue;
            const int socket = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (socket < 0) continue;
            std::lock_guard lock(mutex);
            fs::path folder = fs::path(base) / std::to_string(++count);
            sessions.emplace_back([socket, folder] { Session(socket, folder).Run(); });
        }
    });
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    done = true;
    acceptor.join();
    close(listener);
    {
        // A session still open ends when its peer, now gone, closed it.
        std::lock_guard lock(mutex);
        for (auto& session : sessions) session.join();
    }
    std::error_code ec;
    fs::remove_all(base, ec);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
