// SPDX-License-Identifier: MIT
// opn2001-probe: times read-outs through the library on a COM port, or the
// raw transfer of as many bytes over the same port, so that the link's cost
// can be told from the line's. The Windows link's benchmark runs it under
// wine, which starts too slowly to be timed from outside.
//   opn2001-probe COMn ROUNDS          connects, reads out once untimed (the
//                                      scanner's first answer), then times
//                                      ROUNDS calls of csp2ReadData
//   opn2001-probe --raw COMn BYTES ROUNDS
//                                      sends the upload command and times
//                                      until BYTES bytes came, ROUNDS times
// Prints one line per round: the count and the milliseconds. Exit status 1
// on a failure.
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Protocol.h"
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

int ReadOuts(int port, int rounds) {
    if (csp2InitEx(port) != 0) {
        std::fprintf(stderr, "opn2001-probe: no scanner on COM%d\n", port);
        return 1;
    }
    for (int round = -1; round < rounds; ++round) {
        const auto start = Clock::now();
        const Csp2Long count = csp2ReadData();
        const double ms = MsSince(start);
        if (count < 0) {
            std::fprintf(stderr, "opn2001-probe: the read-out failed (%ld)\n",
                         static_cast<long>(count));
            csp2Restore();
            return 1;
        }
        if (round >= 0) std::printf("%ld barcodes %.3f ms\n", static_cast<long>(count), ms);
        std::fflush(stdout);
    }
    csp2Restore();
    return 0;
}

int Raw(int number, long wanted, int rounds) {
    bool known = false;
    auto port = quarnel::opn2001::SerialPort::OpenComPort(number, known);
    if (!port) {
        std::fprintf(stderr, "opn2001-probe: cannot open COM%d\n", number);
        return 1;
    }
    const auto command = *quarnel::opn2001::EncodeCommand(quarnel::opn2001::opcode::kUpload, {});
    std::array<uint8_t, 4096> buffer{};
    using Status = quarnel::opn2001::SerialPort::ReadResult::Status;
    for (int round = 0; round < rounds; ++round) {
        const auto start = Clock::now();
        if (!port->Write(command, 2000)) return 1;
        long got = 0;
        while (got < wanted) {
            auto read = port->Read(buffer, 10000);
            if (read.status != Status::Data) {
                std::fprintf(stderr, "opn2001-probe: %ld of %ld bytes came\n", got, wanted);
                return 1;
            }
            got += static_cast<long>(read.size);
        }
        std::printf("%ld bytes %.3f ms\n", got, MsSince(start));
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && PortNumber(argv[1]) > 0)
        return ReadOuts(PortNumber(argv[1]), std::atoi(argv[2]));
    if (argc == 5 && std::string(argv[1]) == "--raw" && PortNumber(argv[2]) > 0)
        return Raw(PortNumber(argv[2]), std::atol(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr,
                 "usage: opn2001-probe COMn ROUNDS | opn2001-probe --raw COMn BYTES ROUNDS\n");
    return 2;
}
