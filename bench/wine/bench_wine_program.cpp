// SPDX-License-Identifier: MIT
// quarnel.exe under Wine, driven from Linux: the time from start to the icon
// in the tray (beside the floor of a minimal program showing the same icon),
// the processor time of the idle program (and of the Wine server that
// carries its messages) over a minute, and a scanner holding 32,767 barcodes
// from plug-in to the order stored by the native reference shop, against the
// floors of its parts measured in the same run. Google Benchmark is only
// native, so the program is timed from outside with manual time, and the
// floors inside Windows by quarnel-floors.exe.
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
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "Pipeline.h"
#include "ShopProcess.h"
#include "TestSupport.h"

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

// argv run by Wine's loader.
std::vector<std::string> WineCommand(std::vector<std::string> argv) {
    argv.insert(argv.begin(), "/usr/lib/wine/wine64");
    return argv;
}

class Program {
  public:
    Program() : pid_(Wine({Exe("src/quarnel.exe")})) {}
    ~Program() {
        // Ended the polite way, so that the icon leaves the tray with it.
        const pid_t poke = Wine({Exe("tests/win32/quarnel-traypoke.exe"), "close"});
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
    static pid_t Wine(const std::vector<std::string>& argv) { return Spawn(WineCommand(argv)); }

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
            Program::Wine({Program::Exe("tests/win32/quarnel-trayshots.exe"), "connected", "2"});
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

// A Windows program's exit status, run to its end; its output is not wanted.
int RunWine(const std::vector<std::string>& argv) {
    return quarnel::test::ChildProcess(WineCommand(argv)).Wait(120s).value_or(-1);
}

// A Linux path as Windows programs under Wine name it.
std::string WindowsPath(const std::string& path) {
    return "Z:" + path;
}

// The native shop on loopback, the account in the prefix's registry, the
// order page opened by a stub, and the virtual scanner's library.
class ShopSession {
  public:
    ShopSession() : shop_(QUARNEL_SHOP_EXE, {"100:jan:geheim"}, dir_.File("shop.db")) {
        std::filesystem::create_directories(dir_.File("bin"));
        quarnel::test::WriteFileBytes(dir_.File("bin/xdg-open"), "#!/bin/sh\nexit 0\n");
        std::filesystem::permissions(dir_.File("bin/xdg-open"), std::filesystem::perms::owner_all);
        ::setenv("PATH", (dir_.File("bin") + ":" + Env("PATH")).c_str(), 1);
        ::setenv("QUARNEL_WEBSHOP", ("127.0.0.1:" + std::to_string(shop_.Port())).c_str(), 1);
        ::setenv("QUARNEL_CSP2_LIBRARY", Program::Exe("tools/vscan/csp2-virtual.dll").c_str(), 1);
        for (const char* setting : {"Debtor=100", "User=jan", "Zq8#Lm2!=geheim",
                                    "AutoSaveBarcodes=1", "AutoSaveOrders=1", "TraceEvents=1"})
            Write(setting);
        std::string list;
        for (const std::string& barcode : quarnel::bench::Barcodes()) list += barcode + "\n";
        quarnel::test::WriteFileBytes(dir_.File("barcodes.txt"), list);
    }

    // "Name=value" into the program's settings.
    static bool Write(const std::string& setting) {
        const size_t equals = setting.find('=');
        return RunWine({"reg", "add", "HKCU\\Software\\Hollinde\\Quarnel", "/v",
                        setting.substr(0, equals), "/t", "REG_SZ", "/d", setting.substr(equals + 1),
                        "/f"}) == 0;
    }

    // %APPDATA%\Quarnel of the prefix, once the program has made it.
    static std::string DataFolder() {
        const std::filesystem::path users =
            std::filesystem::path(Env("WINEPREFIX")) / "drive_c" / "users";
        std::error_code error;
        for (const auto& user : std::filesystem::directory_iterator(users, error)) {
            const auto folder = user.path() / "AppData" / "Roaming" / "Quarnel";
            if (std::filesystem::exists(folder / "Trace.log")) return folder;
        }
        return {};
    }

    quarnel::test::ShopProcess& Shop() { return shop_; }
    const quarnel::test::TempDir& Dir() const { return dir_; }

  private:
    quarnel::test::TempDir dir_;
    quarnel::test::ShopProcess shop_;
};

// Seconds of each part, as quarnel-floors prints them ("write 0.001" ...).
std::map<std::string, double> Floors(const std::string& output) {
    std::map<std::string, double> floors;
    std::istringstream lines(output);
    for (std::string name, value; lines >> name && std::getline(lines, value);) {
        if (name == "reply") {
            floors["refused"] = value.find("orderid:") == std::string::npos;
        } else {
            floors[name] = std::atof(value.c_str());
        }
    }
    return floors;
}

// With event tracing on (every line of the order traced, each entry opening
// and closing the trace file) and off. The floor is the same as on Linux
// with Windows' own facilities, plus starting the scanner tool under Wine,
// which the timed plug-in includes.
void BM_PlugToStoredOrder(benchmark::State& state) {
    if (!Ready(state)) return;
    static ShopSession session;
    ShopSession::Write(state.range(0) ? "TraceEvents=1" : "TraceEvents=0");
    Program program;
    std::string data;
    if (!WaitUntil(IconInTray, 60s) ||
        !WaitUntil([&] { return !(data = ShopSession::DataFolder()).empty(); }, 60s)) {
        state.SkipWithError("the program did not start");
        return;
    }
    const std::string floorFolder = session.Dir().File("floors");
    std::filesystem::create_directories(floorFolder);
    const std::string vscan = Program::Exe("tools/vscan/quarnel-vscan.exe");
    std::map<std::string, double> sums;
    double programSeconds = 0;
    for (auto _ : state) {
        std::error_code sizeError;
        const auto traceBefore = std::filesystem::file_size(data + "/Trace.log", sizeError);
        const auto start = Clock::now();
        RunWine(
            {vscan, "plug", "COM7", "--barcodes", WindowsPath(session.Dir().File("barcodes.txt"))});
        std::string log;
        for (int attempt = 0; attempt < 12 && log.empty(); ++attempt)
            log = session.Shop().NextLogLine();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        programSeconds += seconds;
        if (log.find("POST") == std::string::npos) {
            state.SkipWithError(("no order reached the shop: " + log).c_str());
            break;
        }

        // The floors of the same run.
        const auto toolStart = Clock::now();
        RunWine({vscan, "--version"});
        sums["tool_start"] += std::chrono::duration<double>(Clock::now() - toolStart).count();
        const std::string order = quarnel::bench::NewestFile(data + "/Orders");
        const std::string csv = quarnel::test::ReadFileBytes(order);
        quarnel::test::WriteFileBytes(session.Dir().File("body.txt"),
                                      quarnel::bench::FormBody(csv));
        std::string lines;
        for (const std::string& line :
             quarnel::bench::LinesAfter(data + "/Trace.log", sizeError ? 0 : traceBefore))
            lines += line;
        quarnel::test::WriteFileBytes(session.Dir().File("trace.txt"), lines);
        quarnel::test::ChildProcess probe(WineCommand(
            {Program::Exe("tests/win32/quarnel-floors.exe"),
             WindowsPath(quarnel::bench::NewestFile(data + "/Barcodes")), WindowsPath(order),
             WindowsPath(session.Dir().File("trace.txt")), WindowsPath(floorFolder), "127.0.0.1",
             std::to_string(session.Shop().Port()), "/nl/quarnel/quarnel.aspx",
             WindowsPath(session.Dir().File("body.txt"))}));
        const std::map<std::string, double> floors = Floors(probe.ReadAll(60s));
        probe.Wait(60s);
        session.Shop().NextLogLine();
        if (floors.size() != 5 || floors.at("refused") != 0) {
            state.SkipWithError("the floors could not be measured");
            break;
        }
        for (const auto& [name, value] : floors) sums[name] += value;

        RunWine({vscan, "unplug", "COM7"});
        // The program resets its icon after the removal.
        std::this_thread::sleep_for(1s);
    }
    double floor = 0;
    for (const char* part : {"tool_start", "write", "durable", "post", "trace"}) {
        floor += sums[part];
        state.counters[std::string(part) + "_floor_ms"] =
            benchmark::Counter(sums[part] * 1e3, benchmark::Counter::kAvgIterations);
    }
    state.counters["floor_ms"] =
        benchmark::Counter(floor * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["x_floor"] = floor > 0 ? programSeconds / floor : 0;
    ShopSession::Write("TraceEvents=1");
}
BENCHMARK(BM_PlugToStoredOrder)->Apply(quarnel::bench::WithTraceEventsOnAndOff);

}  // namespace

BENCHMARK_MAIN();
