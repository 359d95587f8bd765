// SPDX-License-Identifier: MIT
// A serial port in raw mode at 9600 baud, 8 data bits, odd parity, 1 stop
// bit, where the port honours line settings (the opticon driver and
// pseudo-terminals ignore them). Bytes that arrive with a parity or framing
// error are reported where the port marks them. Closing gives the terminal
// back as it was found: its settings, and open to others.
#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "MarkedInput.h"

namespace quarnel::opn2001 {

class SerialPort {
  public:
    // The open port; nothing when path is no serial port that can be opened.
    // A pseudo-terminal counts as one only when allowed (the emulator's).
    static std::unique_ptr<SerialPort> Open(const std::string& path, bool allowPseudoTerminal);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Writes all bytes, waiting up to timeoutMs for room; false on failure.
    bool Write(std::span<const uint8_t> bytes, int timeoutMs);
    struct ReadResult {
        enum class Status { Data, TimedOut, HungUp, LineError } status;
        size_t size = 0;  // bytes received intact (Data)
    };
    // Waits up to timeoutMs for bytes.
    ReadResult Read(std::span<uint8_t> buffer, int timeoutMs);
    // Drops bytes that arrived but were not read.
    void DiscardInput();
    // The CTS line, where the port reports it.
    std::optional<bool> Cts() const;
    const std::string& Path() const { return path_; }

  private:
    SerialPort(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
    std::optional<termios> found_;  // the settings before ours
    bool wasExclusive_ = false;
    bool marked_ = false;  // the port marks errors and 0xFF bytes (PARMRK)
    MarkedInput input_;
};

}  // namespace quarnel::opn2001
