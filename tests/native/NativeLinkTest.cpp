// SPDX-License-Identifier: MIT
// The link on Linux: the emulator on a pseudo-terminal linked into the COM
// devices' folder; the terminal given back as it was found, only serial
// ports opened, and the folder's ports in the serial-port table and the
// port notifications.
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <filesystem>
#include <stdexcept>

#include "Emulator.h"
#include "LinkTest.h"
#include "ScannerFile.h"
#include "SerialPort.h"
#include "TrafficLog.h"
#include "backends/linux/ComDevices.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifications.h"
#include "platform/SerialPortTable.h"

namespace quarnel::test {

namespace {

using opn2001::Emulator;
using opn2001::ParseMisbehaviour;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;

// Answers on COM7 of the COM devices' folder.
class EmulatorHost : public ScannerHost {
  public:
    int Serve(const std::string& fileText, const std::string& options) override {
        WriteFileBytes(file, fileText);
        std::string error;
        emulator = std::make_unique<Emulator>(file, ParseMisbehaviour(options).value());
        if (!emulator->Open(error) || !emulator->Plug(comDir, "COM7", error))
            throw std::runtime_error(error);
        emulator->Start();
        return 7;
    }
    std::vector<uint8_t> Commands() override { return emulator->Commands(); }
    size_t Records() override { return Stored().records.size(); }
    std::optional<int> Param(int id) override {
        auto params = Stored().params;
        if (!params.contains(id)) return std::nullopt;
        return params.at(id);
    }
    void Stop() override { emulator.reset(); }

    vscan::ScannerFile Stored() const {
        std::string error;
        return vscan::LoadScannerFile(file, error).value_or(vscan::ScannerFile{});
    }

    TempDir dir;
    std::string file = dir.File("COM7.scanner");
    std::string comDir = dir.File("com");
    ScopedEnv env{platform::com_devices::kFolderVariable, comDir};
    std::unique_ptr<Emulator> emulator;
};

class NativeLinkTest : public LinkTest {
  protected:
    EmulatorHost& Host() { return static_cast<EmulatorHost&>(*host_); }
};

}  // namespace

std::unique_ptr<ScannerHost> MakeScannerHost() {
    return std::make_unique<EmulatorHost>();
}

namespace {

TEST_F(NativeLinkTest, NoPortYetAndTheProgramBindsThisLibrary) {
    EXPECT_LT(library_->csp2InitEx(7), 0);
    // Without QUARNEL_CSP2_LIBRARY the program binds the build tree's library.
    uint8_t name[20] = {};
    EXPECT_EQ(platform::SystemScannerLibrary()->csp2GetDllVersion(name, 20), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(name), QUARNEL_VERSION);
}

// The port is given back as it was found, after a read-out and after a
// connection that failed: its terminal settings, and open to others. The
// traffic log, which holds barcodes, is the user's alone.
TEST_F(NativeLinkTest, TheTerminalIsGivenBackAndTheLogIsPrivate) {
    const std::string logFile = Host().dir.File("opn2001.log");
    ScopedEnv log(opn2001::kLogVariable, logFile);
    const mode_t oldMask = umask(022);
    for (bool answers : {true, false}) {
        SCOPED_TRACE(answers);
        Serve(answers ? "" : "--silent");
        int terminal = open(Host().emulator->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(terminal, 0);
        termios found{};
        ASSERT_EQ(tcgetattr(terminal, &found), 0);
        found.c_iflag |= ICRNL | IXON;
        found.c_lflag |= ICANON | ECHO | ISIG;
        found.c_cc[VMIN] = 3;
        ASSERT_EQ(tcsetattr(terminal, TCSANOW, &found), 0);
        ASSERT_EQ(tcgetattr(terminal, &found), 0);

        if (answers) {
            ASSERT_EQ(library_->csp2InitEx(7), 0);
            termios during{};
            tcgetattr(terminal, &during);
            EXPECT_EQ(during.c_lflag & (ICANON | ECHO), 0u);
            EXPECT_EQ(library_->csp2ReadData(), 3);
            EXPECT_EQ(library_->csp2Restore(), 0);
        } else {
            EXPECT_EQ(library_->csp2InitEx(7), -7);
        }
        termios after{};
        ASSERT_EQ(tcgetattr(terminal, &after), 0);
        EXPECT_EQ(after.c_iflag, found.c_iflag);
        EXPECT_EQ(after.c_oflag, found.c_oflag);
        EXPECT_EQ(after.c_cflag, found.c_cflag);
        EXPECT_EQ(after.c_lflag, found.c_lflag);
        EXPECT_EQ(after.c_cc[VMIN], 3);
        int exclusive = -1;
        ASSERT_EQ(ioctl(terminal, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0);
        close(terminal);
        host_->Stop();
    }
    umask(oldMask);
    struct stat logged {};
    ASSERT_EQ(stat(logFile.c_str(), &logged), 0);
    EXPECT_EQ(logged.st_mode & 0777, 0600u);
}

// Only serial ports are opened: no file, no other device, no terminal
// without a serial port behind it, and a pseudo-terminal only from the test
// devices' folder.
TEST_F(NativeLinkTest, OnlySerialPortsAreOpened) {
    const std::string plain = Host().dir.File("plain"), com7 = Host().comDir + "/COM7";
    WriteFileBytes(plain, "\x06\x02");
    std::filesystem::create_directories(Host().comDir);
    for (std::string target :
         {plain, std::string("/dev/null"), std::string("/dev/console"), std::string("/dev/tty")}) {
        if (!std::filesystem::exists(target)) continue;
        SCOPED_TRACE(target);
        std::filesystem::remove(com7);
        std::filesystem::create_symlink(target, com7);
        EXPECT_EQ(library_->csp2InitEx(7), -2);
    }
    std::filesystem::remove(com7);
    Serve();
    EXPECT_FALSE(opn2001::SerialPort::Open(Host().emulator->DevicePath(), false));
    EXPECT_TRUE(opn2001::SerialPort::Open(Host().emulator->DevicePath(), true));
    EXPECT_EQ(library_->csp2InitEx(7), 0);
}

TEST_F(NativeLinkTest, ComDevicesArePortsOfTheTableAndAreNotified) {
    using Change = std::pair<platform::WPARAM, std::string>;
    std::vector<Change> received;
    auto window = platform::CreateHiddenWindow(
        "frmMain", [&](platform::HWND, platform::UINT msg, platform::WPARAM w, platform::LPARAM l) {
            if (msg == platform::WM_DEVICECHANGE && l != 0)
                received.emplace_back(w, reinterpret_cast<const char*>(l) + 12);
            return platform::LRESULT{0};
        });
    auto source = platform::OpenDeviceNotifications(*window);
    auto dispatch = [&] {
        pollfd watched{source->FileDescriptor(), POLLIN, 0};
        if (poll(&watched, 1, 5000) <= 0) return false;
        source->Dispatch();
        return true;
    };

    Serve();
    ASSERT_TRUE(dispatch());
    // A link to a terminal that has gone is no port.
    std::filesystem::create_symlink("/dev/pts/no-such-terminal", Host().comDir + "/COM9");
    std::vector<std::string> ports;
    for (const auto& entry : platform::SystemSerialPortTable()->Ports())
        ports.push_back(entry.deviceName + "=" + entry.portName);
    EXPECT_THAT(ports, Contains("\\Device\\Optovcm6=COM7"));
    EXPECT_THAT(ports, Not(Contains(::testing::EndsWith("=COM9"))));
    Host().emulator->Unplug();
    ASSERT_TRUE(dispatch());
    EXPECT_THAT(received, ElementsAre(Change{platform::DBT_DEVICEARRIVAL, "COM7"},
                                      Change{platform::DBT_DEVICEREMOVECOMPLETE, "COM7"}));
}

}  // namespace
}  // namespace quarnel::test
