// SPDX-License-Identifier: MIT
// Barcode packets and their time stamps as the scanner object decodes them,
// from a scanner library that hands out the input. The first byte is the
// number of packets (255: the transfer fails), each a control byte and then
// its bytes: the control
// byte's low six bits give how many bytes follow (the packet buffer takes
// at most 50), its top bit makes the library refuse the packet. The bytes
// after the packets answer the device information and symbology calls.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "base/TraceLog.h"
#include "scanner/clsOPN2001.h"

using namespace quarnel;

namespace {

struct Packet {
    std::vector<uint8_t> bytes;
    bool refused = false;
};

class FuzzedLibrary : public platform::ScannerLibrary {
  public:
    explicit FuzzedLibrary(FuzzedDataProvider& input) : input_(input) {
        const auto count = input_.ConsumeBytes<uint8_t>(1);
        transferFails_ = !count.empty() && count[0] == kTransferFails;
        while (!count.empty() && packets_.size() < count[0] && input_.remaining_bytes() > 0) {
            const uint8_t control = input_.ConsumeBytes<uint8_t>(1)[0];
            Packet packet;
            packet.refused = (control & 0x80) != 0;
            packet.bytes = input_.ConsumeBytes<uint8_t>(control & 0x3F);
            packets_.push_back(std::move(packet));
        }
    }

    int32_t ReadablePackets() const {
        return static_cast<int32_t>(std::count_if(packets_.begin(), packets_.end(),
                                                  [](const Packet& p) { return !p.refused; }));
    }

    int32_t csp2InitEx(int32_t) override { return 0; }
    int32_t csp2Restore() override { return 0; }
    int32_t csp2DataAvailable() override { return packets_.empty() ? 0 : 1; }
    int32_t csp2ReadData() override {
        return transferFails_ ? -1 : static_cast<int32_t>(packets_.size());
    }
    bool TransferFails() const { return transferFails_; }
    int32_t csp2GetPacket(uint8_t* packet, int32_t index, int32_t capacity) override {
        if (index < 0 || static_cast<size_t>(index) >= packets_.size()) return -1;
        const Packet& source = packets_[static_cast<size_t>(index)];
        if (source.refused) return -1;
        const size_t count = std::min(source.bytes.size(), static_cast<size_t>(capacity));
        std::copy_n(source.bytes.begin(), count, packet);
        return static_cast<int32_t>(count);
    }
    int32_t csp2GetCodeType(int32_t, uint8_t* name, int32_t capacity) override {
        return Text(name, capacity);
    }
    int32_t csp2ClearData() override { return 0; }
    int32_t csp2Interrogate() override { return 0; }
    int32_t csp2GetProtocol() override { return input_.ConsumeIntegral<int32_t>(); }
    int32_t csp2GetSystemStatus() override { return input_.ConsumeIntegral<int32_t>(); }
    int32_t csp2GetSwVersion(uint8_t* version, int32_t capacity) override {
        return Text(version, capacity);
    }
    int32_t csp2GetDeviceId(uint8_t* id, int32_t capacity) override { return Text(id, capacity); }
    int32_t csp2GetDllVersion(uint8_t* version, int32_t capacity) override {
        return Text(version, capacity);
    }
    int32_t csp2SetDefaults() override { return 0; }
    int32_t csp2GetParam(int32_t, uint8_t*, int32_t) override { return -1; }
    int32_t csp2SetParam(int32_t, uint8_t*, int32_t) override { return -1; }
    int32_t csp2GetTime(uint8_t*) override { return -1; }
    int32_t csp2SetTime(uint8_t*) override { return -1; }

  private:
    static constexpr uint8_t kTransferFails = 255;

    // Up to capacity bytes and a result from -1 to capacity, as the library
    // answers text requests.
    int32_t Text(uint8_t* buffer, int32_t capacity) {
        const int32_t result = input_.ConsumeIntegralInRange<int32_t>(-1, capacity);
        const auto bytes = input_.ConsumeBytes<uint8_t>(static_cast<size_t>(capacity));
        std::copy(bytes.begin(), bytes.end(), buffer);
        return result;
    }

    FuzzedDataProvider& input_;
    std::vector<Packet> packets_;
    bool transferFails_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    auto library = std::make_shared<FuzzedLibrary>(input);
    const int32_t readable = library->ReadablePackets();

    clsOPN2001 scanner(library);
    int32_t delivered = -1;
    scanner.SetBarcodesReadHandler([&](const std::shared_ptr<clsReadSession>& session) {
        delivered = session->CountBarcodes();
        for (int32_t n = 1; n <= delivered; ++n) {
            const auto barcode = session->Barcode(n);
            TraceValue(barcode->TimeStamp());
        }
    });
    if (!scanner.Connect(3)) return 0;
    for (int32_t info = DeviceInfoProtocol; info <= DeviceInfoDeviceID; ++info)
        DeviceInfoText(scanner.GetDeviceInfo(info));

    const int32_t count = scanner.ReadBarcodes(true);
    FUZZ_CHECK(count >= -1);
    if (library->TransferFails() && library->csp2DataAvailable() > 0) FUZZ_CHECK(count == -1);
    if (count >= 0) FUZZ_CHECK(count == readable);
    if (count > 0) FUZZ_CHECK(delivered == count);
    return 0;
}
