// SPDX-License-Identifier: MIT
// A serial port in raw mode at 9600 baud, 8 data bits, odd parity, 1 stop
// bit, where the port honours line settings (the opticon driver and
// pseudo-terminals ignore them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace quarnel::opn2001 {

class SerialPort {
  public:
    // The open port; nothing when path cannot be opened as a terminal.
    static std::unique_ptr<SerialPort> Open(const std::string& path);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Writes all bytes, waiting up to timeoutMs for room; false on failure.
    bool Write(std::span<const uint8_t> bytes, int timeoutMs);
    // Waits up to timeoutMs for bytes: their count, 0 after the time-out,
    // -1 when the line has hung up or failed.
    long Read(std::span<uint8_t> buffer, int timeoutMs);
    // Drops bytes that arrived but were not read.
    void DiscardInput();
    // The CTS line, where the port reports it.
    std::optional<bool> Cts() const;
    const std::string& Path() const { return path_; }

  private:
    SerialPort(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};

}  // namespace quarnel::opn2001
