// The built OPN-2001 library, bound as the program binds it, against the
// emulator on a pseudo-terminal: every operation through clsOPN2001, the
// raw results, each misbehaviour of the line, and the COM devices' folder
// in the serial-port table and the port notifications.
#include <gmock/gmock.h>
#include <poll.h>

#include <chrono>
#include <filesystem>

#include "Emulator.h"
#include "Protocol.h"
#include "ScannerFile.h"
#include "TestSupport.h"
#include "Timing.h"
#include "model/clsBarcode.h"
#include "platform/DeviceChange.h"
#include "platform/DeviceNotifications.h"
#include "platform/ScannerLibrary.h"
#include "platform/SerialPortTable.h"
#include "platform/linux/ComDevices.h"
#include "platform/linux/UsbSerialPorts.h"
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

// Three barcodes: EAN-13 and Code 128 in the virtual scanner's code ids, and
// a record given byte for byte, Code 128 with a zero inside its data.
vscan::ScannerFile ThreeBarcodes() {
    vscan::ScannerFile file;
    file.identity = {0x00, 0x01, 0x02, 0x03, 0x0A, 0x0B, 0xFE, 0xFF};
    file.software = "2.4";
    file.status = 22;
    const vscan::Clock scanned{2013, 4, 23, 7, 47, 28};
    file.records = {vscan::Barcode{scanned, 8, "8712345678906"},
                    vscan::Barcode{scanned, 6, "Q0002"},
                    vscan::RawPacket{{0x08, 0x03, 'A', 0x00, 'B', 0x72, 0xF3, 0xDD, 0x0D}}};
    return file;
}

class NativeLinkTest : public ::testing::Test {
  protected:
    void TearDown() override {
        library_->csp2Restore();
        emulator_.reset();
    }

    // Answers on COM7 from a scanner file holding file.
    void Serve(Misbehaviour misbehaviour = {}, const vscan::ScannerFile& file = ThreeBarcodes()) {
        std::string error;
        ASSERT_TRUE(vscan::SaveScannerFile(file_, file, "COM7", error)) << error;
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
    bool Cleared() const {
        auto commands = emulator_->Commands();
        return std::find(commands.begin(), commands.end(), opn2001::opcode::kClear) !=
               commands.end();
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
    std::this_thread::sleep_for(50ms);  // the power-down needs no reply
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
    EXPECT_EQ(library_->csp2GetDllVersion(name, 20), 0);
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

// Without QUARNEL_CSP2_LIBRARY the program binds the OPN-2001 library (here
// the one in the build tree).
TEST(DefaultLibraryTest, IsTheOpn2001Library) {
    uint8_t version[20] = {};
    EXPECT_EQ(platform::SystemScannerLibrary()->csp2GetDllVersion(version, 20), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(version), QUARNEL_VERSION);
    EXPECT_LT(platform::SystemScannerLibrary()->csp2InitEx(0), 0);
}

// Faults the link rides out: the barcodes all arrive and the scanner is
// cleared once.
TEST_F(NativeLinkTest, MisbehavioursThatAreRiddenOut) {
    Misbehaviour garbage, split, badCrcOnce, silentOnce, switching;
    garbage.garbage = true;
    split.split = true;
    split.splitPause = 1ms;
    badCrcOnce.badCrc = silentOnce.silent = true;
    badCrcOnce.onOpcode = silentOnce.onOpcode = opn2001::opcode::kUpload;
    badCrcOnce.times = silentOnce.times = 1;
    switching.switching = 150ms;
    const std::pair<const char*, Misbehaviour> cases[] = {{"garbage", garbage},
                                                          {"split", split},
                                                          {"bad CRC once", badCrcOnce},
                                                          {"silent once", silentOnce},
                                                          {"switching", switching}};
    for (const auto& [name, misbehaviour] : cases) {
        Serve(misbehaviour);
        raised_.clear();
        auto scanner = Scanner();
        ASSERT_TRUE(scanner->Connect(7)) << name;
        EXPECT_EQ(DeviceInfoText(scanner->GetDeviceInfo(DeviceInfoDeviceID)), "000102030A0BFEFF");
        EXPECT_EQ(scanner->ReadBarcodes(true), 3) << name;
        EXPECT_TRUE(Stored().records.empty()) << name;
        scanner.reset();
        emulator_.reset();
    }
}

// Faults that fail the read-out: it is reported as failed within the
// time-outs, and the scanner keeps its barcodes.
TEST_F(NativeLinkTest, MisbehavioursThatFailTheReadOut) {
    Misbehaviour badCrc, silent, hangUp;
    badCrc.badCrc = silent.silent = hangUp.hangUp = true;
    badCrc.onOpcode = silent.onOpcode = hangUp.onOpcode = opn2001::opcode::kUpload;
    const std::pair<const char*, Misbehaviour> cases[] = {
        {"bad CRC", badCrc}, {"silent", silent}, {"hang-up", hangUp}};
    for (const auto& [name, misbehaviour] : cases) {
        Serve(misbehaviour);
        raised_.clear();
        auto scanner = Scanner();
        ASSERT_TRUE(scanner->Connect(7)) << name;
        trace_.Clear();
        auto start = Clock::now();
        EXPECT_EQ(scanner->ReadBarcodes(true), -1) << name;
        EXPECT_LT(Clock::now() - start, 1s) << name;
        EXPECT_TRUE(raised_.empty()) << name;
        EXPECT_TRUE(
            trace_.Contains("Error while reading scanned data: [57] Device I/O error "
                            "(Quarnel)"))
            << name;
        EXPECT_FALSE(Cleared()) << name;
        EXPECT_EQ(Stored().records.size(), 3u) << name;
        // The read-out took over the failed upload that looked for data.
        auto commands = emulator_->Commands();
        EXPECT_LE(std::count(commands.begin(), commands.end(), opn2001::opcode::kUpload), 2)
            << name;
        scanner.reset();
        emulator_.reset();
    }
    // The hang-up took the port away, as unplugging does.
    EXPECT_FALSE(std::filesystem::exists(comDir_ + "/COM7"));
}

TEST_F(NativeLinkTest, ScannerThatKeepsSwitchingIsNotConnected) {
    Misbehaviour switching;
    switching.switching = 10s;
    Serve(switching);
    auto start = Clock::now();
    EXPECT_EQ(library_->csp2InitEx(7), -8);
    auto elapsed = Clock::now() - start;
    // A twentieth of 6 s, and the last question's answer.
    EXPECT_GE(elapsed, 300ms);
    EXPECT_LT(elapsed, 1s);
}

// The real waiting times, once: two questions of 2 s each.
TEST_F(NativeLinkTest, SilentScannerIsGivenUpAfterTheRealTimeOut) {
    ScopedEnv realTimes(opn2001::kTimeScaleVariable, std::nullopt);
    Misbehaviour silent;
    silent.silent = true;
    Serve(silent);
    auto start = Clock::now();
    EXPECT_LT(library_->csp2InitEx(7), 0);
    auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 3900ms);
    EXPECT_LT(elapsed, 5s);
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
    auto ports = platform::SystemSerialPortTable()->Ports();
    EXPECT_THAT(ports,
                Contains(::testing::AllOf(
                    ::testing::Field(&platform::SerialPortEntry::deviceName, "\\Device\\Optovcm6"),
                    ::testing::Field(&platform::SerialPortEntry::portName, "COM7"))));
    EXPECT_THAT(ports,
                Not(Contains(::testing::Field(&platform::SerialPortEntry::portName, "COM9"))));
    emulator_->Unplug();
    ASSERT_TRUE(dispatch());
    EXPECT_THAT(received, ElementsAre(Change{platform::DBT_DEVICEARRIVAL, "COM7"},
                                      Change{platform::DBT_DEVICEREMOVECOMPLETE, "COM7"}));
}

}  // namespace
}  // namespace quarnel::test
