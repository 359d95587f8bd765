// SPDX-License-Identifier: MIT
// The built OPN-2001 library, bound as the program binds it, against the
// emulator on a pseudo-terminal: every operation through clsOPN2001, the
// raw results, each misbehaviour of the line, and the COM devices' folder
// in the serial-port table and the port notifications.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>

#include <chrono>
#include <filesystem>

#include "Emulator.h"
#include "Protocol.h"
#include "ScannerFile.h"
#include "SerialPort.h"
#include "TestSupport.h"
#include "Timing.h"
#include "TrafficLog.h"
#include "backends/linux/ComDevices.h"
#include "model/clsBarcode.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifications.h"
#include "platform/ScannerLibrary.h"
#include "platform/SerialPortTable.h"
#include "scanner/clsOPN2001.h"

namespace quarnel::test {
namespace {

using namespace std::chrono_literals;
using opn2001::Emulator;
using opn2001::Misbehaviour;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using Clock = std::chrono::steady_clock;

const DateTime kWorkedExample{2013, 4, 23, 7, 47, 28};
constexpr std::nullopt_t kAny = std::nullopt;  // a misbehaviour on every command

// Three barcodes: EAN-13 and Code 128 in the virtual scanner's code ids, and
// a packet given byte for byte, Code 128 with a zero inside its data.
const char* const kThreeBarcodes =
    "identity = 000102030A0BFEFF\nsoftware = 2.4\nstatus = 22\n"
    "barcode = 2013-04-23 07:47:28 | 8 | 8712345678906\n"
    "barcode = 2013-04-23 07:47:28 | 6 | Q0002\npacket = 08 03 41 00 42 72 F3 DD 0D\n";

class NativeLinkTest : public ::testing::Test {
  protected:
    void TearDown() override {
        library_->csp2Restore();
        emulator_.reset();
    }

    // Answers on COM7 with the three barcodes.
    void Serve(Misbehaviour misbehaviour = {}) {
        WriteFileBytes(file_, kThreeBarcodes);
        std::string error;
        emulator_ = std::make_unique<Emulator>(file_, misbehaviour);
        ASSERT_TRUE(emulator_->Open(error)) << error;
        ASSERT_TRUE(emulator_->Plug(comDir_, "COM7", error)) << error;
        emulator_->Start();
    }
    vscan::ScannerFile Stored() const {
        std::string error;
        return vscan::LoadScannerFile(file_, error).value_or(vscan::ScannerFile{});
    }
    std::unique_ptr<clsOPN2001> Scanner() {
        auto scanner = std::make_unique<clsOPN2001>(library_);
        scanner->SetBarcodesReadHandler([this](auto& session) { raised_.push_back(session); });
        return scanner;
    }

    TempDir dir_;
    std::string file_ = dir_.File("COM7.scanner");
    std::string comDir_ = dir_.File("com");
    ScopedEnv env_{platform::com_devices::kFolderVariable, comDir_};
    TraceCapture trace_;
    std::shared_ptr<platform::ScannerLibrary> library_ =
        platform::LoadScannerLibrary(QUARNEL_OPN2001_LIBRARY);
    std::unique_ptr<Emulator> emulator_;
    std::vector<std::shared_ptr<clsReadSession>> raised_;
};

TEST_F(NativeLinkTest, EveryOperationThroughTheScannerObject) {
    Serve();
    auto scanner = Scanner();
    ASSERT_TRUE(scanner->Connect(7));
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoDeviceID)), "000102030A0BFEFF");
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoSWVersion)), "2.4");
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoSystemStatus)), "22");
    EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoProtocol)), "2");

    ASSERT_EQ(scanner->ReadBarcodes(true), 3);
    ASSERT_EQ(raised_.size(), 1u);
    std::vector<std::tuple<std::string, std::string, DateTime>> read;
    for (int i = 1; i <= 3; ++i) {
        auto barcode = raised_[0]->Barcode(i);
        read.emplace_back(barcode->Barcode(), barcode->Symbology(), barcode->TimeStamp());
    }
    EXPECT_THAT(read, ElementsAre(std::make_tuple("8712345678906", "EAN-13", kWorkedExample),
                                  std::make_tuple("Q0002", "Code 128", kWorkedExample),
                                  std::make_tuple("AB", "Code 128", kWorkedExample)));
    EXPECT_TRUE(Stored().records.empty());
    EXPECT_EQ(scanner->ReadBarcodes(true), 0);  // the upload counted none

    uint8_t beeper = 7;
    EXPECT_TRUE(scanner->GetParam(2, beeper));
    EXPECT_EQ(beeper, 1);
    EXPECT_TRUE(scanner->SetParam(2, 0));
    EXPECT_EQ(Stored().params.at(2), 0);
    EXPECT_FALSE(scanner->GetParam(9, beeper));  // the scanner does not answer
    EXPECT_FALSE(scanner->SetDefaults());

    const DateTime wanted{2026, 12, 5, 17, 29, 16};
    EXPECT_TRUE(scanner->SetDateTime(wanted));
    DateTime clock;
    EXPECT_TRUE(scanner->GetDateTime(clock));
    EXPECT_LE(std::abs(clock.ToTimeT() - wanted.ToTimeT()), 2);
    EXPECT_EQ(scanner->GetDLLVersion(), QUARNEL_VERSION);

    EXPECT_TRUE(scanner->Disconnect());
    // The power-down needs no reply: wait until the emulator has it.
    for (const auto deadline = Clock::now() + 30s;
         emulator_->Commands().back() != opn2001::opcode::kPowerDown && Clock::now() < deadline;)
        std::this_thread::sleep_for(10ms);
    EXPECT_EQ(emulator_->Commands().back(), opn2001::opcode::kPowerDown);
    EXPECT_EQ(library_->csp2Interrogate(), -1);
}

TEST_F(NativeLinkTest, ResultsOfTheLibraryFunctions) {
    EXPECT_LT(library_->csp2InitEx(0), 0);
    EXPECT_LT(library_->csp2InitEx(7), 0);  // nothing on COM7 yet
    for (auto call :
         {&platform::ScannerLibrary::csp2DataAvailable, &platform::ScannerLibrary::csp2ReadData,
          &platform::ScannerLibrary::csp2ClearData})
        EXPECT_EQ(((*library_).*call)(), -1);

    uint8_t name[20] = {};
    EXPECT_EQ(library_->csp2GetCodeType(0x0B, name, 20), 6);
    EXPECT_STREQ(reinterpret_cast<char*>(name), "EAN-13");
    EXPECT_LT(library_->csp2GetCodeType(0x0D, name, 20), 0);
    EXPECT_LT(library_->csp2GetCodeType(0x0B, name, 6), 0);
    // Without QUARNEL_CSP2_LIBRARY the program binds this library (the
    // build tree's).
    EXPECT_EQ(platform::SystemScannerLibrary()->csp2GetDllVersion(name, 20), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(name), QUARNEL_VERSION);
    EXPECT_LT(library_->csp2SetDefaults(), 0);

    Serve();
    ASSERT_EQ(library_->csp2InitEx(7), 0);
    ASSERT_EQ(library_->csp2ReadData(), 3);
    uint8_t packet[50] = {};
    EXPECT_EQ(library_->csp2GetPacket(packet, 0, 50), 19);
    EXPECT_EQ(packet[1], 0x0B);
    EXPECT_LT(library_->csp2GetPacket(packet, 0, 18), 0);
    EXPECT_LT(library_->csp2GetPacket(packet, 3, 50), 0);
    uint8_t version[9] = {};
    EXPECT_EQ(library_->csp2GetSwVersion(version, 9), 4);
    EXPECT_LT(library_->csp2GetSwVersion(version, 3), 0);
}

// Faults the link rides out (every barcode arrives, the scanner is cleared
// once) and faults that fail the read-out within the time-outs, the scanner
// keeping its barcodes.
TEST_F(NativeLinkTest, MisbehavioursOfTheLine) {
    constexpr uint8_t kUpload = opn2001::opcode::kUpload;
    const std::pair<Misbehaviour, int32_t> cases[] = {
        {{.garbage = true, .onOpcode = kAny}, 3},
        {{.split = true, .onOpcode = kAny, .splitPause = 1ms}, 3},
        {{.badCrc = true, .onOpcode = kUpload, .times = 1}, 3},
        {{.silent = true, .onOpcode = kUpload, .times = 1}, 3},
        {{.onOpcode = kAny, .switching = 150ms}, 3},
        {{.badCrc = true, .onOpcode = kUpload}, -1},
        {{.silent = true, .onOpcode = kUpload}, -1},
        {{.hangUp = true, .onOpcode = kUpload}, -1},
        {{.onOpcode = kUpload, .drip = 1ms}, -1}};
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        const auto& [misbehaviour, result] = cases[i];
        // Bytes a millisecond apart are slower than a twentieth of the line
        // time allows: the link rides them out at its real times.
        std::optional<ScopedEnv> times;
        if (misbehaviour.split) times.emplace(opn2001::kTimeScaleVariable, std::nullopt);
        Serve(misbehaviour);
        raised_.clear();
        auto scanner = Scanner();
        ASSERT_TRUE(scanner->Connect(7));
        EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoDeviceID)), "000102030A0BFEFF");
        trace_.Clear();
        auto start = Clock::now();
        EXPECT_EQ(scanner->ReadBarcodes(true), result);
        EXPECT_EQ(raised_.size(), result < 0 ? 0u : 1u);
        EXPECT_EQ(Stored().records.size(), result < 0 ? 3u : 0u);
        auto commands = emulator_->Commands();
        EXPECT_EQ(std::ranges::count(commands, opn2001::opcode::kClear), result < 0 ? 0 : 1);
        if (result < 0) {
            EXPECT_LT(Clock::now() - start, 3s);
            EXPECT_TRUE(trace_.Contains(
                "Error while reading scanned data: [57] Device I/O error (Quarnel)"));
            // The read-out took over the failed upload that looked for data.
            EXPECT_LE(std::ranges::count(commands, kUpload), 2);
        }
        scanner.reset();
        emulator_.reset();
    }
    // The hang-up took the port away, as unplugging does.
    EXPECT_FALSE(std::filesystem::exists(comDir_ + "/COM7"));
}

// A scanner that keeps switching is given up after a twentieth of 6 s and
// its last answer; a silent one, at the real waiting times, after two
// questions of 2 s each; one dripping noise without end, at the real times,
// at the interrogation reply's deadline, without asking again.
TEST_F(NativeLinkTest, ConnectGivesUpOnTime) {
    const auto dripDeadline = opn2001::ReplyDeadline(opn2001::Timing{}, 22);
    const std::tuple<Misbehaviour, bool, int32_t, Clock::duration, Clock::duration, size_t>
        cases[] = {{{.onOpcode = kAny, .switching = 10s}, false, -8, 300ms, 3s, 0},
                   {{.silent = true, .onOpcode = kAny}, true, -7, 3900ms, 7s, 2},
                   {{.onOpcode = kAny, .drip = 9ms},
                    true,
                    -7,
                    dripDeadline - 100ms,
                    dripDeadline + 3s,
                    1}};
    for (const auto& [misbehaviour, realTimes, result, atLeast, below, asked] : cases) {
        std::optional<ScopedEnv> times;
        if (realTimes) times.emplace(opn2001::kTimeScaleVariable, std::nullopt);
        Serve(misbehaviour);
        auto start = Clock::now();
        EXPECT_EQ(library_->csp2InitEx(7), result);
        auto elapsed = Clock::now() - start;
        EXPECT_GE(elapsed, atLeast);
        EXPECT_LT(elapsed, below);
        if (asked != 0) {
            EXPECT_EQ(emulator_->Commands().size(), asked);
        }
        emulator_.reset();
    }
}

// The port is given back as it was found, after a read-out and after a
// connection that failed: its terminal settings, and open to others. The
// traffic log, which holds barcodes, is the user's alone.
TEST_F(NativeLinkTest, TheTerminalIsGivenBackAndTheLogIsPrivate) {
    ScopedEnv log(opn2001::kLogVariable, dir_.File("opn2001.log"));
    const mode_t oldMask = umask(022);
    for (bool answers : {true, false}) {
        SCOPED_TRACE(answers);
        Serve({.silent = !answers, .onOpcode = kAny});
        int terminal = open(emulator_->DevicePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
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
        emulator_.reset();
    }
    umask(oldMask);
    struct stat logged {};
    ASSERT_EQ(stat(dir_.File("opn2001.log").c_str(), &logged), 0);
    EXPECT_EQ(logged.st_mode & 0777, 0600u);
}

// Only serial ports are opened: no file, no other device, no terminal
// without a serial port behind it, and a pseudo-terminal only from the test
// devices' folder.
TEST_F(NativeLinkTest, OnlySerialPortsAreOpened) {
    WriteFileBytes(dir_.File("plain"), "\x06\x02");
    std::filesystem::create_directories(comDir_);
    for (std::string target : {dir_.File("plain"), std::string("/dev/null"),
                               std::string("/dev/console"), std::string("/dev/tty")}) {
        if (!std::filesystem::exists(target)) continue;
        SCOPED_TRACE(target);
        std::filesystem::remove(comDir_ + "/COM7");
        std::filesystem::create_symlink(target, comDir_ + "/COM7");
        EXPECT_EQ(library_->csp2InitEx(7), -2);
    }
    std::filesystem::remove(comDir_ + "/COM7");
    Serve();
    EXPECT_FALSE(opn2001::SerialPort::Open(emulator_->DevicePath(), false));
    EXPECT_TRUE(opn2001::SerialPort::Open(emulator_->DevicePath(), true));
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
    std::filesystem::create_symlink("/dev/pts/no-such-terminal", comDir_ + "/COM9");
    std::vector<std::string> ports;
    for (const auto& entry : platform::SystemSerialPortTable()->Ports())
        ports.push_back(entry.deviceName + "=" + entry.portName);
    EXPECT_THAT(ports, Contains("\\Device\\Optovcm6=COM7"));
    EXPECT_THAT(ports, Not(Contains(::testing::EndsWith("=COM9"))));
    emulator_->Unplug();
    ASSERT_TRUE(dispatch());
    EXPECT_THAT(received, ElementsAre(Change{platform::DBT_DEVICEARRIVAL, "COM7"},
                                      Change{platform::DBT_DEVICEREMOVECOMPLETE, "COM7"}));
}

}  // namespace
}  // namespace quarnel::test
