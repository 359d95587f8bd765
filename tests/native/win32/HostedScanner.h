// SPDX-License-Identifier: MIT
// An emulated OPN-2001 served by opn2001-wine-host, which runs the test
// program under wine: a COM port of the Wine prefix linked to the
// emulator's pseudo-terminal. Failures to reach the host throw.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarnel::test {

class HostedScanner {
  public:
    HostedScanner();  // connects to the host named by QUARNEL_OPN2001_HOST
    ~HostedScanner();
    HostedScanner(const HostedScanner&) = delete;
    HostedScanner& operator=(const HostedScanner&) = delete;

    // Answers from a scanner file with that text, misbehaving as the
    // options say (--silent --on 07 ...); the COM port's number.
    int Serve(const std::string& fileText, const std::string& options = {});
    // A COM port linked to target ("file": the scanner file); its number.
    int Link(const std::string& target, const std::string& fileText = {});
    // Commands answered so far, by opcode.
    std::vector<uint8_t> Commands();
    size_t Records();
    std::optional<int> Param(int id);
    // Stops the emulator; its port goes.
    void Stop();

  private:
    std::string Ask(const std::string& line);
    void SendFile(const std::string& fileText);
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

}  // namespace quarnel::test
