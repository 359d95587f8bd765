// SPDX-License-Identifier: MIT
// opn2001-probe: times a read-out through the library on a COM port, or the
// raw transfer of as many bytes over the same port, so that the link's cost
// can be told from the line's.
//   opn2001-probe COMn            connects, then times csp2ReadData
//   opn2001-probe --raw COMn N    sends one byte, then times until N bytes came
// Prints the count and the milliseconds on one line; exit status 1 on failure.
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "SerialPort.h"
#include "platform/Csp2Api.h"

namespace {

using Clock = std::chrono::steady_clock;

int PortNumber(const std::string& text) {
    if (text.size() < 4 || (text.rfind("COM", 0) != 0 && text.rfind("com", 0) != 0)) return 0;
    return std::atoi(text.c_str() + 3);
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int ReadOut(int port) {
    if (csp2InitEx(port) != 0) {
        std::fprintf(stderr, "opn2001-probe: no scanner on COM%d\n", port);
        return 1;
    }
    const auto start = Clock::now();
    const Csp2Long count = csp2ReadData();
    const double ms = MsSince(start);
    csp2Restore();
    if (count < 0) {
        std::fprintf(stderr, "opn2001-probe: the read-out failed (%ld)\n",
                     static_cast<long>(count));
        return 1;
    }
    std::printf("%ld barcodes %.3f ms\n", static_cast<long>(count), ms);
    return 0;
}

int Raw(int number, long wanted) {
    bool known = false;
    auto port = quarnel::opn2001::SerialPort::OpenComPort(number, known);
    if (!port) {
        std::fprintf(stderr, "opn2001-probe: cannot open COM%d\n", number);
        return 1;
    }
    const uint8_t go = 0x07;
    const auto start = Clock::now();
    if (!port->Write(std::span(&go, 1), 2000)) return 1;
    std::array<uint8_t, 4096> buffer{};
    long got = 0;
    using Status = quarnel::opn2001::SerialPort::ReadResult::Status;
    while (got < wanted) {
        auto read = port->Read(buffer, 10000);
        if (read.status != Status::Data) {
            std::fprintf(stderr, "opn2001-probe: %ld of %ld bytes came\n", got, wanted);
            return 1;
        }
        got += static_cast<long>(read.size);
    }
    std::printf("%ld bytes %.3f ms\n", got, MsSince(start));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && PortNumber(argv[1]) > 0) return ReadOut(PortNumber(argv[1]));
    if (argc == 4 && std::string(argv[1]) == "--raw" && PortNumber(argv[2]) > 0)
        return Raw(PortNumber(argv[2]), std::atol(argv[3]));
    std::fprintf(stderr, "usage: opn2001-probe COMn | opn2001-probe --raw COMn BYTES\n");
    return 2;
}
