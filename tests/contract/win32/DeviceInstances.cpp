// SPDX-License-Identifier: MIT
// The device contract on Windows: the registry's port table and the hidden
// window's notifications, with quarnel-vscan.exe plugging and unplugging
// virtual scanners from a process of its own, as a user does.
#include <algorithm>
#include <set>

#include "DeviceContract.h"
#include "TestSupport.h"
#include "platform/Windows.h"

namespace quarnel::test {
namespace {

std::string ToolPath() {
    char self[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self, length);
    folder.resize(folder.find_last_of("\\/") + 1);
    std::string path = folder + QUARNEL_VSCAN_FROM_TEST;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Runs the tool, answering the window messages it sends meanwhile: it waits
// for every window's answer before it goes on. The tool's exit code.
int RunTool(const std::string& arguments) {
    std::string command = "\"" + ToolPath() + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &process))
        return -1;
    ::CloseHandle(process.hThread);
    while (::MsgWaitForMultipleObjectsEx(1, &process.hProcess, 60000, QS_ALLINPUT,
                                         MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    DWORD exitCode = 0;
    const bool ended =
        ::GetExitCodeProcess(process.hProcess, &exitCode) && exitCode != STILL_ACTIVE;
    ::CloseHandle(process.hProcess);
    return ended ? static_cast<int>(exitCode) : -1;
}

// Virtual scanners in a folder of the test's, listed in the machine's table.
class VscanDriver final : public SystemPortDriver {
  public:
    ~VscanDriver() override {
        for (const std::string& port : std::set(plugged_)) RunTool("unplug " + port);
    }
    void Plug(const std::string& port) override {
        EXPECT_EQ(RunTool("plug " + port), 0) << "plug " << port;
        plugged_.insert(port);
    }
    void Unplug(const std::string& port) override {
        EXPECT_EQ(RunTool("unplug " + port), 0) << "unplug " << port;
        plugged_.erase(port);
    }

  private:
    TempDir dir_;
    ScopedEnv folder_{"QUARNEL_VIRTUAL_PORTS", dir_.Path()};
    std::set<std::string> plugged_;
};

QUARNEL_CONTRACT_INSTANCES(Win32, DeviceContract,
                           Instance<DeviceImplementation, VscanDriver>("Vscan"));

}  // namespace
}  // namespace quarnel::test
