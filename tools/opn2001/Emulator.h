// SPDX-License-Identifier: MIT
// An OPN-2001 on a pseudo-terminal: answers the serial protocol from a
// virtual scanner file, which it reads afresh when it changes and writes
// back after clearing, setting a parameter or the clock. It misbehaves on
// request, to show what the library does with a faulty line.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "Protocol.h"
#include "ScannerFile.h"

namespace quarnel::opn2001 {

struct Misbehaviour {
    bool garbage = false;             // noise before each reply
    bool split = false;               // each reply byte by byte, with pauses
    bool badCrc = false;              // the reply's CRC broken
    bool silent = false;              // no reply at all
    bool hangUp = false;              // hang up halfway through the reply
    std::optional<uint8_t> onOpcode;  // only replies to this command; else all
    int times = -1;                   // how many replies; -1 every one
    std::chrono::milliseconds splitPause{5};
    // Above 0: noise instead of the reply, one byte this often, without end
    // (until the next command comes or the emulator stops).
    std::chrono::milliseconds drip{0};
    // Interrogations answered with the "switching" status for this long
    // after the first one.
    std::chrono::milliseconds switching{0};
};

// Misbehaviour from command-line words ("--bad-crc --on 07 --times 1"); none
// when a word is unknown or a number is missing or malformed.
std::optional<Misbehaviour> ParseMisbehaviour(const std::string& options);

class Emulator {
  public:
    Emulator(std::string scannerFile, Misbehaviour misbehaviour = {});
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    // Opens the pseudo-terminal; false with error when it cannot.
    bool Open(std::string& error);
    // The terminal the library opens.
    const std::string& DevicePath() const { return device_; }
    // Links folder/port to the terminal ("plugging in"); the link goes
    // with Unplug, a hang-up, or the emulator.
    bool Plug(const std::string& folder, const std::string& port, std::string& error);
    void Unplug();

    // Answers until Stop, or until it hangs up. Serve runs in the caller's
    // thread; Start in a thread of its own.
    void Serve();
    void Start();
    void Stop();
    bool HasHungUp() const { return hungUp_; }
    // Commands answered so far, by opcode, in order.
    std::vector<uint8_t> Commands() const;

  private:
    struct State;
    void Answer(const Command& command);
    void Reply(uint8_t op, std::span<const uint8_t> intact);
    void HangUp();
    void Drip();

    std::unique_ptr<State> state_;
    std::string device_;
    std::string link_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> hungUp_{false};
    std::thread thread_;
};

// The scanner's code id for a virtual scanner's code id.
int WireCodeId(int virtualCodeId);

// The body of the upload reply for a scanner file.
std::vector<uint8_t> UploadBodyFor(const vscan::ScannerFile& file);

}  // namespace quarnel::opn2001
