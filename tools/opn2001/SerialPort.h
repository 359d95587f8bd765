// SPDX-License-Identifier: MIT
// A serial port in raw mode at 9600 baud, 8 data bits, odd parity, 1 stop
// bit, where the port honours line settings (the opticon driver and
// pseudo-terminals ignore them). Bytes that arrive with a parity or framing
// error are reported where the port reports them. Closing gives the port
// back as it was found: its settings, and open to others. Each system has
// a file of its own (termios, Win32 communications).
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
    // The open port; nothing when path is no serial port that can be opened.
    // A pseudo-terminal counts as one only when allowed (the emulator's);
    // Windows knows none.
    static std::unique_ptr<SerialPort> Open(const std::string& path, bool allowPseudoTerminal);
    // COM port number as the system names it. known is false when the
    // number names no port at all; nothing when it cannot be opened.
    static std::unique_ptr<SerialPort> OpenComPort(int32_t number, bool& known);
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Writes all bytes, waiting up to timeoutMs for room; false on failure.
    bool Write(std::span<const uint8_t> bytes, int timeoutMs);
    struct ReadResult {
        enum class Status { Data, TimedOut, HungUp, LineError } status;
        size_t size = 0;  // bytes received intact (Data)
    };
    // Waits up to timeoutMs for bytes; returns as soon as some are there.
    ReadResult Read(std::span<uint8_t> buffer, int timeoutMs);
    // Drops bytes that arrived but were not read.
    void DiscardInput();
    // The CTS line, where the port reports it and it tells of stored
    // barcodes (the opticon driver's ports; CDC ports do not).
    std::optional<bool> Cts() const;
    const std::string& Path() const { return path_; }

  private:
    struct System;  // the system's handle and what it needs
    SerialPort(std::unique_ptr<System> system, std::string path);
    std::unique_ptr<System> system_;
    std::string path_;
};

}  // namespace quarnel::opn2001
