// SPDX-License-Identifier: MIT
// The serial port through the Win32 communications functions. A read waits
// for its first byte with a total time-out alone and then takes what the
// driver holds: the mode "MAXDWORD, MAXDWORD, n", meant to return as soon
// as a byte is there, waits the full n ms under Wine 8.
#include <algorithm>
#include <chrono>

#include "SerialPort.h"
#include "platform/Windows.h"

namespace quarnel::opn2001 {
namespace {

constexpr DWORD kLineErrors = CE_FRAME | CE_RXPARITY | CE_OVERRUN | CE_RXOVER | CE_BREAK;

DWORD Milliseconds(int ms) {
    return static_cast<DWORD>(std::max(ms, 1));
}

}  // namespace

struct SerialPort::System {
    explicit System(HANDLE port) : handle(port) {}
    HANDLE handle;
    std::optional<DCB> found;  // the settings before ours
    std::optional<COMMTIMEOUTS> foundTimeouts;
    COMMTIMEOUTS timeouts{};  // as last set

    bool SetTimeouts(const COMMTIMEOUTS& wanted) {
        if (wanted.ReadIntervalTimeout == timeouts.ReadIntervalTimeout &&
            wanted.ReadTotalTimeoutMultiplier == timeouts.ReadTotalTimeoutMultiplier &&
            wanted.ReadTotalTimeoutConstant == timeouts.ReadTotalTimeoutConstant &&
            wanted.WriteTotalTimeoutMultiplier == timeouts.WriteTotalTimeoutMultiplier &&
            wanted.WriteTotalTimeoutConstant == timeouts.WriteTotalTimeoutConstant)
            return true;
        COMMTIMEOUTS copy = wanted;
        if (!SetCommTimeouts(handle, &copy)) return false;
        timeouts = wanted;
        return true;
    }
    // Bytes the driver holds; nothing when it cannot tell. Line errors
    // since the last call are reported in errors.
    std::optional<DWORD> Queued(DWORD& errors) {
        COMSTAT status{};
        errors = 0;
        if (!ClearCommError(handle, &errors, &status)) return std::nullopt;
        return status.cbInQue;
    }
};

SerialPort::SerialPort(std::unique_ptr<System> system, std::string path)
    : system_(std::move(system)), path_(std::move(path)) {}

std::unique_ptr<SerialPort> SerialPort::OpenComPort(int32_t number, bool& known) {
    known = number >= 1 && number <= 255;
    if (!known) return nullptr;
    return Open("\\\\.\\COM" + std::to_string(number), false);
}

// Only a device that has serial settings is taken. Opening it without
// sharing keeps others off the scanner.
std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, bool) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    DCB found{};
    found.DCBlength = sizeof found;
    if (GetFileType(handle) != FILE_TYPE_CHAR || !GetCommState(handle, &found)) {
        CloseHandle(handle);
        return nullptr;
    }
    auto system = std::make_unique<System>(handle);
    system->found = found;
    COMMTIMEOUTS foundTimeouts{};
    if (GetCommTimeouts(handle, &foundTimeouts)) system->foundTimeouts = foundTimeouts;

    DCB settings = found;
    settings.BaudRate = CBR_9600;
    settings.ByteSize = 8;
    settings.Parity = ODDPARITY;
    settings.StopBits = ONESTOPBIT;
    settings.fBinary = TRUE;
    settings.fParity = TRUE;
    settings.fOutxCtsFlow = FALSE;
    settings.fOutxDsrFlow = FALSE;
    settings.fDtrControl = DTR_CONTROL_ENABLE;
    settings.fDsrSensitivity = FALSE;
    settings.fOutX = FALSE;
    settings.fInX = FALSE;
    settings.fErrorChar = FALSE;
    settings.fNull = FALSE;
    settings.fRtsControl = RTS_CONTROL_ENABLE;
    settings.fAbortOnError = FALSE;
    SetCommState(handle, &settings);
    // Differs from any time-out set below, so that the first is applied.
    system->timeouts.ReadIntervalTimeout = MAXDWORD - 1;
    PurgeComm(handle, PURGE_RXCLEAR | PURGE_TXCLEAR);
    DWORD errors = 0;
    system->Queued(errors);
    return std::unique_ptr<SerialPort>(new SerialPort(std::move(system), path));
}

SerialPort::~SerialPort() {
    if (system_->found) SetCommState(system_->handle, &*system_->found);
    if (system_->foundTimeouts) SetCommTimeouts(system_->handle, &*system_->foundTimeouts);
    CloseHandle(system_->handle);
}

// The whole write keeps within timeoutMs, however the driver splits it.
bool SerialPort::Write(std::span<const uint8_t> bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        COMMTIMEOUTS wanted = system_->timeouts;
        wanted.WriteTotalTimeoutMultiplier = 0;
        wanted.WriteTotalTimeoutConstant = Milliseconds(static_cast<int>(left.count()));
        if (!system_->SetTimeouts(wanted)) return false;
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1u << 20));
        if (!WriteFile(system_->handle, bytes.data(), size, &written, nullptr) || written == 0)
            return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

// The first byte is waited for alone: a read of one byte ends when it
// comes. What arrived with it is taken at once, without waiting.
SerialPort::ReadResult SerialPort::Read(std::span<uint8_t> buffer, int timeoutMs) {
    using Status = ReadResult::Status;
    if (buffer.empty()) return {Status::Data, 0};
    System& s = *system_;
    DWORD errors = 0;
    auto queued = s.Queued(errors);
    if (!queued) return {Status::HungUp};
    if ((errors & kLineErrors) != 0) return {Status::LineError};
    size_t size = 0;
    if (*queued == 0) {
        COMMTIMEOUTS wanted = s.timeouts;
        wanted.ReadIntervalTimeout = 0;
        wanted.ReadTotalTimeoutMultiplier = 0;
        wanted.ReadTotalTimeoutConstant = Milliseconds(timeoutMs);
        if (!s.SetTimeouts(wanted)) return {Status::HungUp};
        DWORD got = 0;
        if (!ReadFile(s.handle, buffer.data(), 1, &got, nullptr)) return {Status::HungUp};
        if (got == 0) return {Status::TimedOut};
        size = got;
        queued = s.Queued(errors);
        if (!queued) return {Status::HungUp};
        if ((errors & kLineErrors) != 0) return {Status::LineError};
    }
    const DWORD more = static_cast<DWORD>(std::min<size_t>(*queued, buffer.size() - size));
    if (more > 0) {
        // What the driver holds is there: this read does not wait.
        COMMTIMEOUTS wanted = s.timeouts;
        wanted.ReadIntervalTimeout = MAXDWORD;
        wanted.ReadTotalTimeoutMultiplier = 0;
        wanted.ReadTotalTimeoutConstant = 0;
        if (!s.SetTimeouts(wanted)) return {Status::HungUp};
        DWORD got = 0;
        if (!ReadFile(s.handle, buffer.data() + size, more, &got, nullptr)) return {Status::HungUp};
        size += got;
        if (s.Queued(errors) && (errors & kLineErrors) != 0) return {Status::LineError};
    }
    if (size == 0) return {Status::TimedOut};
    return {Status::Data, size};
}

void SerialPort::DiscardInput() {
    PurgeComm(system_->handle, PURGE_RXCLEAR);
    DWORD errors = 0;
    system_->Queued(errors);
}

// Not known where the driver does not report the modem lines (Wine on a
// pseudo-terminal).
std::optional<bool> SerialPort::Cts() const {
    DWORD lines = 0;
    if (!GetCommModemStatus(system_->handle, &lines)) return std::nullopt;
    return (lines & MS_CTS_ON) != 0;
}

}  // namespace quarnel::opn2001
