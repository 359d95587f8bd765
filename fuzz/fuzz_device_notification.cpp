// SPDX-License-Identifier: MIT
// Device-change notification records handed to port detection. The record
// is a buffer of exactly the size its own size field gives (the first four
// bytes, little-endian); a size field larger than the input is lowered to
// the input's size, and an input shorter than the field is padded.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "MemoryRegistry.h"
#include "platform/DeviceChange.h"
#include "scanner/clsDeviceDetection.h"

using namespace quarnel;

namespace {

std::shared_ptr<fuzz::MemoryRegistry> PortTable() {
    auto registry = std::make_shared<fuzz::MemoryRegistry>();
    auto& table = registry->At(platform::HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM");
    auto text = [](const char* value) {
        return std::vector<uint8_t>(value, value + std::strlen(value) + 1);
    };
    table.push_back({"\\Device\\Serial0", platform::REG_SZ, text("COM1")});
    table.push_back({"\\Device\\Optovcm0", platform::REG_SZ, text("COM3")});
    table.push_back({"\\Device\\Optovcm1", platform::REG_SZ, text("COM12")});
    return registry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the event; the rest is the record.
    const platform::WPARAM event =
        data[0] & 1 ? platform::DBT_DEVICEREMOVECOMPLETE : platform::DBT_DEVICEARRIVAL;
    std::vector<uint8_t> input(data + 1, data + size);
    if (input.size() < 4) input.resize(4);
    uint32_t declared = 0;
    for (size_t i = 0; i < 4; ++i) declared |= uint32_t{input[i]} << (8 * i);
    declared = std::max<uint32_t>(4, std::min<uint32_t>(declared, input.size()));
    for (size_t i = 0; i < 4; ++i) input[i] = static_cast<uint8_t>(declared >> (8 * i));
    // A buffer of its own, so that reading past the record is caught.
    auto record = std::make_unique<uint8_t[]>(declared);
    std::memcpy(record.get(), input.data(), declared);

    clsDeviceDetection detection(PortTable());
    if (data[0] & 2) detection.SetDeviceDetected(DeviceOPN2001, 3);
    detection.HandleWindowProc(event, reinterpret_cast<platform::LPARAM>(record.get()));
    FUZZ_CHECK(detection.DeviceDetected() == (detection.Device() == DeviceOPN2001));
    FUZZ_CHECK(detection.DeviceDetected() == (detection.COMPort() != 0));
    return 0;
}
