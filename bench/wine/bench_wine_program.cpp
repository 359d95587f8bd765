// SPDX-License-Identifier: MIT
// quarnel.exe under Wine, driven from Linux: the time from start to the icon
// in the tray (beside the floor of a minimal program showing the same icon),
// and the processor time of the idle program (and of the Wine
// server that carries its messages) over a minute. Google Benchmark is only
// native, so the program is timed from outside with manual time.
//
// Run beside a tray host, in a prefix of its own:
//   QUARNEL_WIN_BUILD=build-win tests/win32/with-tray.sh build/bench/bench_wine_program
#include <benchmark/benchmark.h>

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string Shell(const std::string& command) {
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char chunk[4096];
        size_t count;
        while ((count = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, count);
        ::pclose(pipe);
    }
    return output;
}

pid_t Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    return pid;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Wine's desktop process holds a window in the tray host's panel: the icon.
bool IconInTray() {
    return Shell(
               "xwininfo -root -tree 2>/dev/null | sed -n "
               "'/\"panel\": (\"panel\"/,/\"trayer\": (\"trayer\"/p' | "
               "grep -c '(\"explorer.exe\"'")
               .substr(0, 1) != "0";
}

bool Exited(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == pid;
}

// Processor ticks (user + system) of a process.
long Ticks(pid_t pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) {
            stime = std::stol(field);
            break;
        }
    }
    return utime + stime;
}

// The server of this prefix: the process working in the prefix's server
// folder, "server-<device>-<inode>" of the prefix below Wine's socket folder.
pid_t WineServer() {
    struct stat info {};
    if (::stat(Env("WINEPREFIX").c_str(), &info) != 0) return -1;
    char folder[64];
    std::snprintf(folder, sizeof folder, "server-%llx-%llx",
                  static_cast<unsigned long long>(info.st_dev),
                  static_cast<unsigned long long>(info.st_ino));
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path() / "cwd", error).filename() == folder)
            return static_cast<pid_t>(std::stol(entry.path().filename().string()));
    }
    return -1;
}

class Program {
  public:
    Program() : pid_(Spawn({"/usr/lib/wine/wine64", Exe("src/quarnel.exe")})) {}
    ~Program() {
        // Ended the polite way, so that the icon leaves the tray with it.
        const pid_t poke =
            Spawn({"/usr/lib/wine/wine64", Exe("tests/win32/quarnel-traypoke.exe"), "close"});
        if (poke > 0) ::waitpid(poke, nullptr, 0);
        if (!WaitUntil([this] { return Exited(pid_); }, 30s)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        WaitUntil([] { return !IconInTray(); }, 30s);
    }
    pid_t Pid() const { return pid_; }

    static std::string Exe(const std::string& path) {
        return Env("QUARNEL_WIN_BUILD") + "/" + path;
    }

  private:
    pid_t pid_;
};

bool Ready(benchmark::State& state) {
    if (Env("QUARNEL_WIN_BUILD").empty() || Env("DISPLAY").empty()) {
        state.SkipWithError("run inside tests/win32/with-tray.sh with QUARNEL_WIN_BUILD set");
        return false;
    }
    // The first start in a prefix also starts Wine's desktop: not timed.
    static const bool warmed = [] {
        Program first;
        return WaitUntil(IconInTray, 60s);
    }();
    if (!warmed) state.SkipWithError("the icon never reached the tray");
    return warmed;
}

void BM_StartToIconInTray(benchmark::State& state) {
    if (!Ready(state)) return;
    for (auto _ : state) {
        const auto start = Clock::now();
        Program program;
        if (!WaitUntil(IconInTray, 60s)) {
            state.SkipWithError("the icon never reached the tray");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}
BENCHMARK(BM_StartToIconInTray)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor: the smallest program that puts the same icon up through the
// same tray object and shell (quarnel-trayshots), from start to the icon.
void BM_TrayIconFloor(benchmark::State& state) {
    if (!Ready(state)) return;
    for (auto _ : state) {
        const auto start = Clock::now();
        const pid_t pid =
            Spawn({"/usr/lib/wine/wine64", Program::Exe("tests/win32/quarnel-trayshots.exe"),
                   "connected", "2"});
        if (!WaitUntil(IconInTray, 60s)) {
            state.SkipWithError("the icon never reached the tray");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        ::waitpid(pid, nullptr, 0);
        WaitUntil([] { return !IconInTray(); }, 30s);
    }
}
BENCHMARK(BM_TrayIconFloor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_IdleProcessorTime(benchmark::State& state) {
    if (!Ready(state)) return;
    const long hz = ::sysconf(_SC_CLK_TCK);
    for (auto _ : state) {
        Program program;
        if (!WaitUntil(IconInTray, 60s)) {
            state.SkipWithError("the icon never reached the tray");
            return;
        }
        std::this_thread::sleep_for(2s);  // start-up settles
        const pid_t server = WineServer();
        const long programBefore = Ticks(program.Pid());
        const long serverBefore = server > 0 ? Ticks(server) : 0;
        const auto start = Clock::now();
        std::this_thread::sleep_for(60s);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const double programTicks = Ticks(program.Pid()) - programBefore;
        const double serverTicks = server > 0 ? Ticks(server) - serverBefore : 0;
        state.SetIterationTime(seconds);
        state.counters["program_cpu_percent"] = 100.0 * programTicks / hz / seconds;
        if (server > 0)
            state.counters["wineserver_cpu_percent"] = 100.0 * serverTicks / hz / seconds;
    }
}
BENCHMARK(BM_IdleProcessorTime)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
