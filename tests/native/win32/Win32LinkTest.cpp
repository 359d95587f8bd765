// SPDX-License-Identifier: MIT
// The link on Windows: the emulator runs natively beside Wine on a
// pseudo-terminal that is a COM port of the prefix. The port numbers the
// DLL takes, libraries that cannot be bound, the port given back as it was
// found, and only serial ports opened.
#include <functional>

#include "HostedScanner.h"
#include "base/ErrorInfo.h"
#include "platform/Windows.h"

namespace quarnel::test {
namespace {

class Win32LinkTest : public LinkTest {
  protected:
    HostedScanner& Host() { return static_cast<HostedScanner&>(*host_); }
};

TEST_F(Win32LinkTest, PortNumbersOfThePrefix) {
    EXPECT_EQ(library_->csp2InitEx(256), -3);
    EXPECT_EQ(library_->csp2InitEx(254), -2);  // no such port in the prefix
}

// The error a call raises: 48 when the library cannot be loaded, 453 when
// it lacks the function; 0 when it raises none.
int32_t RaisedBy(const std::function<void()>& call) {
    try {
        call();
    } catch (const QuarnelError& error) {
        return error.Number();
    }
    return 0;
}

TEST_F(Win32LinkTest, LibrariesThatCannotBeBound) {
    auto noFunctions = platform::LoadScannerLibrary("kernel32.dll");
    EXPECT_EQ(RaisedBy([&] { noFunctions->csp2InitEx(1); }), platform::kErrDllEntryPoint);
    auto missing = platform::LoadScannerLibrary("C:\\nonexistent\\csp2.dll");
    EXPECT_EQ(RaisedBy([&] { missing->csp2Restore(); }), platform::kErrDllLoad);
    // The environment names the library the system binding loads, at its
    // first call.
    auto system = platform::SystemScannerLibrary();
    uint8_t version[20] = {};
    {
        ScopedEnv named("QUARNEL_CSP2_LIBRARY", "C:\\nonexistent\\csp2.dll");
        EXPECT_EQ(RaisedBy([&] { system->csp2GetDllVersion(version, 20); }), platform::kErrDllLoad);
    }
    // A failed load is tried again: the library beside the program now.
    EXPECT_EQ(RaisedBy([&] { system->csp2GetDllVersion(version, 20); }), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(version), QUARNEL_VERSION);
}

DCB PortSettings(int port, const DCB* change = nullptr) {
    const std::string name = "\\\\.\\COM" + std::to_string(port);
    HANDLE handle = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    DCB settings{};
    settings.DCBlength = sizeof settings;
    if (handle == INVALID_HANDLE_VALUE) return settings;
    if (change != nullptr) SetCommState(handle, const_cast<DCB*>(change));
    GetCommState(handle, &settings);
    CloseHandle(handle);
    return settings;
}

// The port's settings are given back as they were found, after a read-out
// and after a connection that failed.
TEST_F(Win32LinkTest, ThePortIsGivenBackAsFound) {
    for (bool answers : {true, false}) {
        SCOPED_TRACE(answers);
        Serve(answers ? "" : "--silent");
        DCB found = PortSettings(port_);
        ASSERT_NE(found.BaudRate, 0u);
        found.BaudRate = CBR_4800;
        found.Parity = NOPARITY;
        found.ByteSize = 7;
        found = PortSettings(port_, &found);
        ASSERT_EQ(found.BaudRate, static_cast<DWORD>(CBR_4800));
        if (answers) {
            ASSERT_EQ(library_->csp2InitEx(port_), 0);
            EXPECT_EQ(library_->csp2ReadData(), 3);
            EXPECT_EQ(library_->csp2Restore(), 0);
        } else {
            EXPECT_EQ(library_->csp2InitEx(port_), -7);
        }
        const DCB after = PortSettings(port_);
        EXPECT_EQ(after.BaudRate, found.BaudRate);
        EXPECT_EQ(after.Parity, found.Parity);
        EXPECT_EQ(after.ByteSize, found.ByteSize);
        EXPECT_EQ(after.StopBits, found.StopBits);
        host_->Stop();
    }
}

// Only serial ports are opened: a COM port that is a plain file or a device
// without serial settings is refused.
TEST_F(Win32LinkTest, OnlySerialPortsAreOpened) {
    for (std::string target : {"file", "/dev/null"}) {
        SCOPED_TRACE(target);
        const int port = Host().Link(target, kThreeBarcodes);
        EXPECT_EQ(library_->csp2InitEx(port), -2);
        host_->Stop();
    }
}

}  // namespace
}  // namespace quarnel::test
