// SPDX-License-Identifier: MIT
// The running program: idle processor time and resident memory, the time
// from start to the icon in the tray, and a scanner holding 32,767 barcodes
// from plug-in to the order stored by the reference shop, against the
// floors of its parts measured in the same run (one buffered write of the
// read-out and order files, the order's recovery copy written and synced to
// disk, curl posting the same body, and the run's trace lines appended as
// cheaply as an entry can be).
//
// Runs on a private virtual display with a tray host (Xvfb and trayer) when
// they are installed, otherwise on Qt's offscreen platform; the program's
// files live in a private temporary profile.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "Pipeline.h"
#include "RawAppend.h"
#include "ShopProcess.h"
#include "TestSupport.h"

namespace {

using quarnel::bench::Barcodes;
using quarnel::bench::FormBody;
using quarnel::bench::LinesAfter;
using quarnel::bench::NewestFile;
using quarnel::test::ChildProcess;
using quarnel::test::ReadFileBytes;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool Installed(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Output of a shell command line.
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

// One value of the program's settings, written with the settings tool.
void WriteSetting(const std::string& name, const std::string& value) {
    ChildProcess({QUARNEL_REG_EXE, "add", "HKCU\\Software\\Hollinde\\Quarnel", "/v", name, "/t",
                  "REG_SZ", "/d", value, "/f"})
        .Wait(10s);
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
               std::chrono::milliseconds interval = 2ms) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

// A private profile, the shop, and a display with a tray host when possible.
class Session {
  public:
    Session() {
        for (const char* sub : {"home", "ports", "bin", "runtime"}) {
            std::filesystem::create_directories(dir_.File(sub));
        }
        Set("HOME", dir_.File("home"));
        Set("XDG_CONFIG_HOME", dir_.File("home/.config"));
        Set("XDG_DATA_HOME", dir_.File("home/.local/share"));
        Set("XDG_RUNTIME_DIR", dir_.File("runtime"));
        std::filesystem::permissions(dir_.File("runtime"), std::filesystem::perms::owner_all);
        Set("QUARNEL_VIRTUAL_PORTS", dir_.File("ports"));
        Set("QUARNEL_CSP2_LIBRARY", QUARNEL_CSP2_LIBRARY);
        Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/quarnel-bench-bus");
        Set("LANG", "C.UTF-8");
        // The order page is not opened: a stub xdg-open first on PATH.
        quarnel::test::WriteFileBytes(dir_.File("bin/xdg-open"), "#!/bin/sh\nexit 0\n");
        std::filesystem::permissions(dir_.File("bin/xdg-open"), std::filesystem::perms::owner_all);
        Set("PATH", dir_.File("bin") + ":" + std::getenv("PATH"));

        shop_ = std::make_unique<quarnel::test::ShopProcess>(
            QUARNEL_SHOP_EXE, std::vector<std::string>{"100:jan:geheim"}, dir_.File("shop.db"));
        Set("QUARNEL_WEBSHOP", "127.0.0.1:" + std::to_string(shop_->Port()));
        for (const auto& [name, value] :
             std::vector<std::pair<std::string, std::string>>{{"Debtor", "100"},
                                                              {"User", "jan"},
                                                              {"Zq8#Lm2!", "geheim"},
                                                              {"AutoSaveBarcodes", "1"},
                                                              {"AutoSaveOrders", "1"},
                                                              {"TraceEvents", "1"}}) {
            WriteSetting(name, value);
        }

        if (Installed("Xvfb") && Installed("trayer") && Installed("xwininfo")) {
            xvfb_ = std::make_unique<ChildProcess>(
                std::vector<std::string>{"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0",
                                         "1024x768x24", "-nolisten", "tcp"});
            Set("DISPLAY", ":" + xvfb_->ReadLine(10s).value_or("0"));
            trayer_ = std::make_unique<ChildProcess>(
                std::vector<std::string>{"/usr/bin/trayer", "--edge", "bottom", "--align", "right",
                                         "--SetDockType", "true"});
            WaitUntil([] { return !Shell(kPanelQuery).empty(); }, 10s, 20ms);
        } else {
            Set("QT_QPA_PLATFORM", "offscreen");
        }
    }

    ~Session() {
        for (auto& [name, previous] : saved_) {
            if (previous) {
                ::setenv(name.c_str(), previous->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
    }

    bool HasTray() const { return trayer_ != nullptr; }
    quarnel::test::ShopProcess& Shop() { return *shop_; }
    std::string DataFolder() const { return dir_.File("home/.local/share/Quarnel"); }
    std::string Trace() const { return ReadFileBytes(DataFolder() + "/Trace.log"); }
    const quarnel::test::TempDir& Dir() const { return dir_; }

    // The program's icon window inside the tray host's panel.
    static bool IconInTray() {
        const std::string panel = Shell(kPanelQuery);
        if (panel.empty()) return false;
        return Shell("xwininfo -tree -id " + panel + " 2>/dev/null")
                   .find("(\"quarnel\" \"Quarnel\")") != std::string::npos;
    }

  private:
    static constexpr const char* kPanelQuery =
        "xwininfo -root -tree 2>/dev/null | awk '/\\(\"panel\" \"trayer\"\\)/ {printf $1; exit}'";

    void Set(const std::string& name, const std::string& value) {
        const char* previous = std::getenv(name.c_str());
        saved_.emplace_back(name, previous ? std::optional<std::string>(previous) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    quarnel::test::TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
    std::unique_ptr<quarnel::test::ShopProcess> shop_;
    std::unique_ptr<ChildProcess> xvfb_;
    std::unique_ptr<ChildProcess> trayer_;
};

Session& TheSession() {
    static Session session;
    return session;
}

std::unique_ptr<ChildProcess> StartProgram(bool extended) {
    std::vector<std::string> argv{QUARNEL_EXE};
    if (extended) argv.push_back("extended");
    return std::make_unique<ChildProcess>(argv);
}

// The program has loaded its window: its icon is in the tray. Without a
// tray host nothing outside shows it (the trace may be off): a pause.
bool Loaded(Session& session) {
    if (!session.HasTray()) {
        std::this_thread::sleep_for(3s);
        return true;
    }
    return WaitUntil([] { return Session::IconInTray(); }, 30s, 20ms);
}

void Stop(ChildProcess& program) {
    program.Terminate(15s);
}

// Processor ticks (user + system) and resident kilobytes of a process.
struct Usage {
    long ticks = 0;
    long rssKb = 0;
};
Usage ReadUsage(pid_t pid) {
    Usage usage;
    const std::string stat = ReadFileBytes("/proc/" + std::to_string(pid) + "/stat");
    const size_t close = stat.rfind(')');
    if (close != std::string::npos) {
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        long utime = 0, stime = 0;
        for (int index = 3; fields >> field; ++index) {
            if (index == 14) utime = std::stol(field);
            if (index == 15) {
                stime = std::stol(field);
                break;
            }
        }
        usage.ticks = utime + stime;
    }
    std::istringstream status(ReadFileBytes("/proc/" + std::to_string(pid) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) usage.rssKb = std::stol(line.substr(6));
    }
    return usage;
}

void BM_IdleCpuAndMemory(benchmark::State& state) {
    Session& session = TheSession();
    for (auto _ : state) {
        auto program = StartProgram(false);
        if (!Loaded(session)) {
            state.SkipWithError("the program did not start");
            break;
        }
        std::this_thread::sleep_for(2s);
        const Usage before = ReadUsage(program->Pid());
        const auto start = Clock::now();
        std::this_thread::sleep_for(60s);
        const Usage after = ReadUsage(program->Pid());
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        state.counters["cpu_percent"] = 100.0 * static_cast<double>(after.ticks - before.ticks) /
                                        static_cast<double>(::sysconf(_SC_CLK_TCK)) / seconds;
        state.counters["rss_MB"] = static_cast<double>(after.rssKb) / 1024.0;
        Stop(*program);
    }
    state.counters["tray_host"] = session.HasTray() ? 1 : 0;
}
BENCHMARK(BM_IdleCpuAndMemory)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// Until the icon's window is embedded in the tray host, or without one
// until the tray entry "Exiting clsSysTray.AddToTray" is written.
void BM_StartToTrayIcon(benchmark::State& state) {
    Session& session = TheSession();
    for (auto _ : state) {
        std::filesystem::remove(session.DataFolder() + "/Trace.log");
        const auto start = Clock::now();
        auto program = StartProgram(true);
        const bool shown =
            session.HasTray()
                ? WaitUntil([] { return Session::IconInTray(); }, 10s, 1ms)
                : WaitUntil(
                      [&] {
                          return session.Trace().find("Exiting clsSysTray.AddToTray") !=
                                 std::string::npos;
                      },
                      10s, 1ms);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        Stop(*program);
        if (!shown) {
            state.SkipWithError("the icon did not show");
            break;
        }
    }
    state.counters["tray_host"] = session.HasTray() ? 1 : 0;
}
BENCHMARK(BM_StartToTrayIcon)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

double WriteOnceSeconds(const std::string& path, const std::string& bytes) {
    const auto start = Clock::now();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A file that must survive a power failure: written, synced, renamed into
// place and its folder synced.
double DurableWriteSeconds(const std::string& folder, const std::string& bytes) {
    const std::string temp = folder + "/floor.tmp", path = folder + "/floor.dat";
    const auto start = Clock::now();
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    [[maybe_unused]] const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    ::fsync(fd);
    ::close(fd);
    std::rename(temp.c_str(), path.c_str());
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(dir);
    ::close(dir);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::remove(path.c_str());
    return seconds;
}

// The floor of a trace: the same lines appended one by one, each with its
// own open and close as every trace entry has.
double RawTraceSeconds(const std::string& folder, const std::vector<std::string>& lines) {
    const std::string file = folder + "/floor.log";
    const auto start = Clock::now();
    for (const std::string& line : lines) quarnel::bench::RawAppend(folder, file, line);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::filesystem::remove(file);
    return seconds;
}

// With event tracing on (the default: the order's lines are traced one by
// one, each entry opening and closing the trace file) and off. With tracing
// on, the floor includes appending the run's trace lines the same way.
void BM_PlugToStoredOrder(benchmark::State& state) {
    Session& session = TheSession();
    WriteSetting("TraceEvents", state.range(0) ? "1" : "0");
    auto program = StartProgram(false);
    if (!Loaded(session)) {
        state.SkipWithError("the program did not start");
        return;
    }
    std::vector<std::string> plug{QUARNEL_VSCAN_EXE, "plug", "COM7"};
    const std::vector<std::string> barcodes = Barcodes();
    plug.insert(plug.end(), barcodes.begin(), barcodes.end());
    double floorSeconds = 0;
    double traceFloorSeconds = 0;
    double safekeepingFloorSeconds = 0;
    double programSeconds = 0;
    long programTicks = 0;
    const std::string tracePath = session.DataFolder() + "/Trace.log";
    for (auto _ : state) {
        std::error_code sizeError;
        const auto traceBefore = std::filesystem::file_size(tracePath, sizeError);
        const long ticksBefore = ReadUsage(program->Pid()).ticks;
        const auto start = Clock::now();
        ChildProcess(plug).Wait(60s);
        std::string log;
        for (int attempt = 0; attempt < 12 && log.empty(); ++attempt) {
            log = session.Shop().NextLogLine();
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        programSeconds += seconds;
        programTicks += ReadUsage(program->Pid()).ticks - ticksBefore;
        if (log.find("POST") == std::string::npos) {
            state.SkipWithError(("no order reached the shop: " + log).c_str());
            break;
        }

        // The floors of the same run: the two files written once each, and
        // curl posting the body the order makes.
        const std::string readout = ReadFileBytes(NewestFile(session.DataFolder() + "/Barcodes"));
        const std::string csv = ReadFileBytes(NewestFile(session.DataFolder() + "/Orders"));
        double floor = WriteOnceSeconds(session.Dir().File("floor.txt"), readout) +
                       WriteOnceSeconds(session.Dir().File("floor.csv"), csv);
        // Only the recovery copy is written before the order reaches the
        // shop; the memory of the sent read-out comes after.
        const double safekeepingFloor = DurableWriteSeconds(session.Dir().Path(), csv);
        safekeepingFloorSeconds += safekeepingFloor;
        floor += safekeepingFloor;
        const std::string bodyFile = session.Dir().File("body.txt");
        quarnel::test::WriteFileBytes(bodyFile, FormBody(csv));
        const auto curlStart = Clock::now();
        ChildProcess curl({"/usr/bin/curl", "-s", "--data-binary", "@" + bodyFile,
                           "http://127.0.0.1:" + std::to_string(session.Shop().Port()) +
                               "/nl/quarnel/quarnel.aspx"});
        const std::string reply = curl.ReadAll(60s);
        curl.Wait(60s);
        floor += std::chrono::duration<double>(Clock::now() - curlStart).count();
        session.Shop().NextLogLine();
        if (reply.rfind("orderid:", 0) != 0) {
            state.SkipWithError(("curl was refused: " + reply).c_str());
            break;
        }
        const double traceFloor = RawTraceSeconds(
            session.Dir().Path(), LinesAfter(tracePath, sizeError ? 0 : traceBefore));
        traceFloorSeconds += traceFloor;
        floorSeconds += floor + traceFloor;

        ChildProcess({QUARNEL_VSCAN_EXE, "unplug", "COM7"}).Wait(10s);
        // Detection notices the removal within a polling tick.
        std::this_thread::sleep_for(1s);
    }
    state.counters["floor_ms"] =
        benchmark::Counter(floorSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["trace_floor_ms"] =
        benchmark::Counter(traceFloorSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["safekeeping_floor_ms"] =
        benchmark::Counter(safekeepingFloorSeconds * 1e3, benchmark::Counter::kAvgIterations);
    state.counters["x_floor"] = floorSeconds > 0 ? programSeconds / floorSeconds : 0;
    // The program's own processor time; the rest of the time is spent
    // waiting for the polling tick, the scanner tool and the shop.
    state.counters["program_cpu_ms"] = benchmark::Counter(
        1e3 * static_cast<double>(programTicks) / static_cast<double>(::sysconf(_SC_CLK_TCK)),
        benchmark::Counter::kAvgIterations);
    Stop(*program);
    WriteSetting("TraceEvents", "1");
}
BENCHMARK(BM_PlugToStoredOrder)->Apply(quarnel::bench::WithTraceEventsOnAndOff);

}  // namespace

BENCHMARK_MAIN();
