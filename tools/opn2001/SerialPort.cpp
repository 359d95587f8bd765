// SPDX-License-Identifier: MIT
#include "SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace quarnel::opn2001 {
namespace {

void ApplyLineSettings(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) return;
    cfmakeraw(&settings);
    cfsetispeed(&settings, B9600);
    cfsetospeed(&settings, B9600);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | PARENB | PARODD | CLOCAL | CREAD;
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

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (!isatty(fd)) {
        close(fd);
        return nullptr;
    }
    // One program at a time on the scanner.
    ioctl(fd, TIOCEXCL);
    ApplyLineSettings(fd);
    tcflush(fd, TCIOFLUSH);
    return std::unique_ptr<SerialPort>(new SerialPort(fd, path));
}

SerialPort::~SerialPort() {
    close(fd_);
}

bool SerialPort::Write(std::span<const uint8_t> bytes, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!bytes.empty()) {
        ssize_t written = write(fd_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) return false;
        pollfd p{fd_, POLLOUT, 0};
        int ready = poll(&p, 1, Remaining(deadline));
        if (ready == 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) return false;
    }
    return true;
}

long SerialPort::Read(std::span<uint8_t> buffer, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        ssize_t got = read(fd_, buffer.data(), buffer.size());
        if (got > 0) return got;
        if (got == 0) return -1;  // end of file: the other side hung up
        if (errno != EAGAIN && errno != EINTR) return -1;
        pollfd p{fd_, POLLIN, 0};
        int ready = poll(&p, 1, Remaining(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return ready == 0 ? 0 : -1;
        if ((p.revents & POLLIN) == 0) return -1;
    }
}

void SerialPort::DiscardInput() {
    tcflush(fd_, TCIFLUSH);
}

std::optional<bool> SerialPort::Cts() const {
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0) return std::nullopt;
    return (lines & TIOCM_CTS) != 0;
}

}  // namespace quarnel::opn2001
