// SPDX-License-Identifier: MIT
// The serial port through termios, with the port's own marks for bytes
// that arrived with errors (PARMRK).
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "MarkedInput.h"
#include "SerialPort.h"
#include "backends/linux/ComDevices.h"

namespace quarnel::opn2001 {
namespace {

// Unix 98 pseudo-terminal slaves (/dev/pts/N).
constexpr unsigned kPtsFirstMajor = 136;
constexpr unsigned kPtsLastMajor = 143;

// The opticon driver reports stored barcodes on CTS; CDC ports do not.
constexpr std::string_view kAcmPrefix = "/dev/ttyACM";

enum class DeviceKind { SerialPort, PseudoTerminal, Other, Unknown };

// What a character device is, by its numbers, before it is opened: opening
// some devices has effects of its own. Without sysfs it is Unknown.
DeviceKind KindOf(dev_t device) {
    if (major(device) >= kPtsFirstMajor && major(device) <= kPtsLastMajor)
        return DeviceKind::PseudoTerminal;
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory("/sys/dev/char", ec)) return DeviceKind::Unknown;
    const fs::path entry =
        "/sys/dev/char/" + std::to_string(major(device)) + ":" + std::to_string(minor(device));
    // A tty with hardware behind it; consoles and virtual terminals have none.
    if (fs::read_symlink(entry / "subsystem", ec).filename() == "tty" &&
        fs::exists(entry / "device", ec))
        return DeviceKind::SerialPort;
    return DeviceKind::Other;
}

void ApplyLineSettings(int fd, termios settings) {
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
    // cfmakeraw leaves parity unchecked: mark bytes with errors instead.
    settings.c_iflag |= INPCK | PARMRK;
    // VMIN 1: a non-blocking read without data fails with EAGAIN instead of
    // returning 0, which is kept for a hang-up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &settings);
}

int Remaining(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

struct SerialPort::System {
    explicit System(int descriptor) : fd(descriptor) {}
    int fd;
    std::optional<termios> found;  // the settings before ours
    bool wasExclusive = false;
    bool marked = false;  // the port marks errors and 0xFF bytes (PARMRK)
    MarkedInput input;
};

SerialPort::SerialPort(std::unique_ptr<System> system, std::string path)
    : system_(std::move(system)), path_(std::move(path)) {}

// COM ports are the links of the COM devices' folder; pseudo-terminals are
// taken from there only (the test devices').
std::unique_ptr<SerialPort> SerialPort::OpenComPort(int32_t number, bool& known) {
    const std::string path = platform::com_devices::DeviceForComPort(number);
    known = !path.empty();
    if (!known) return nullptr;
    const std::string folder = platform::com_devices::FolderFromEnvironment();
    return Open(path, !folder.empty() && path.rfind(folder + "/", 0) == 0);
}

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, bool allowPseudoTerminal) {
    struct stat named {};
    if (stat(path.c_str(), &named) != 0 || !S_ISCHR(named.st_mode)) return nullptr;
    const DeviceKind kind = KindOf(named.st_rdev);
    if (kind == DeviceKind::Other || (kind == DeviceKind::PseudoTerminal && !allowPseudoTerminal))
        return nullptr;
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat opened {};
    serial_struct serial{};
    // The device opened must be the one looked at; without sysfs only a
    // port that reports serial settings is taken.
    if (fstat(fd, &opened) != 0 || opened.st_rdev != named.st_rdev || !isatty(fd) ||
        (kind == DeviceKind::Unknown && ioctl(fd, TIOCGSERIAL, &serial) != 0)) {
        close(fd);
        return nullptr;
    }
    auto system = std::make_unique<System>(fd);
    int exclusive = 0;
    system->wasExclusive = ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    // One program at a time on the scanner.
    ioctl(fd, TIOCEXCL);
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        system->found = settings;
        ApplyLineSettings(fd, settings);
    }
    termios applied{};
    system->marked = tcgetattr(fd, &applied) == 0 && (applied.c_iflag & PARMRK) != 0 &&
                     (applied.c_iflag & ISTRIP) == 0;
    tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<SerialPort>(new SerialPort(std::move(system), path));
}

SerialPort::~SerialPort() {
    const int fd = system_->fd;
    if (system_->found) tcsetattr(fd, TCSANOW, &*system_->found);
    if (!system_->wasExclusive) ioctl(fd, TIOCNXCL);
    close(fd);
}

bool SerialPort::Write(std::span<const uint8_t> bytes, int timeoutMs) {
    const int fd = system_->fd;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{fd, POLLOUT, 0};
        int ready = poll(&p, 1, Remaining(deadline));
        if (ready == 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
    }
    return true;
}

SerialPort::ReadResult SerialPort::Read(std::span<uint8_t> buffer, int timeoutMs) {
    using Status = ReadResult::Status;
    const int fd = system_->fd;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ssize_t got = read(fd, buffer.data(), buffer.size());
        if (got > 0) {
            if (!system_->marked) return {Status::Data, static_cast<size_t>(got)};
            size_t size = system_->input.Decode(buffer.first(static_cast<size_t>(got)));
            if (system_->input.TakeErrors() != 0) return {Status::LineError};
            if (size > 0) return {Status::Data, size};
            continue;  // only the start of a mark so far
        }
        if (got == 0) return {Status::HungUp};  // end of file: the other side hung up
        if (errno != EAGAIN && errno != EINTR) return {Status::HungUp};
        pollfd p{fd, POLLIN, 0};
        int ready = poll(&p, 1, Remaining(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return {Status::HungUp};
        if (ready == 0) return {Status::TimedOut};
        if ((p.revents & POLLIN) == 0) return {Status::HungUp};
    }
}

void SerialPort::DiscardInput() {
    tcflush(system_->fd, TCIFLUSH);
    system_->input.Reset();
}

std::optional<bool> SerialPort::Cts() const {
    if (path_.rfind(kAcmPrefix, 0) == 0) return std::nullopt;
    int lines = 0;
    if (ioctl(system_->fd, TIOCMGET, &lines) != 0) return std::nullopt;
    return (lines & TIOCM_CTS) != 0;
}

}  // namespace quarnel::opn2001
