// SPDX-License-Identifier: MIT
// An emulated OPN-2001 served by opn2001-wine-host, which runs the test
// program under wine: a COM port of the Wine prefix linked to the
// emulator's pseudo-terminal. Failures to reach the host throw.
#pragma once

#include "../LinkTest.h"

namespace quarnel::test {

class HostedScanner : public ScannerHost {
  public:
    HostedScanner();  // connects to the host named by QUARNEL_OPN2001_HOST
    ~HostedScanner();
    HostedScanner(const HostedScanner&) = delete;
    HostedScanner& operator=(const HostedScanner&) = delete;

    int Serve(const std::string& fileText, const std::string& options) override;
    // A COM port linked to target ("file": the scanner file); its number.
    int Link(const std::string& target, const std::string& fileText = {});
    std::vector<uint8_t> Commands() override;
    size_t Records() override;
    std::optional<int> Param(int id) override;
    void Stop() override;

  private:
    std::string Ask(const std::string& line);
    void SendFile(const std::string& fileText);
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

}  // namespace quarnel::test
