// SPDX-License-Identifier: MIT
// A connection, a read-out, the device information, parameters and clock,
// through every function of the scanner library.
#include "ScannerContract.h"

#include <string>

namespace quarnel::test {

// A platform may have no implementation of its own yet.
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ScannerContract);

namespace {

using platform::ScannerLibrary;

const ScannerContents kScanner{{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE},
                               "2.31",
                               true,
                               {{8, "8712345678906"}, {1, "Q0002"}}};

// The NUL-ended text a function wrote into a buffer of 64 bytes, or the
// failure it answered.
std::string Text(const std::function<int32_t(uint8_t*, int32_t)>& call) {
    uint8_t buffer[64] = {};
    const int32_t result = call(buffer, sizeof buffer);
    if (result < 0) return "failed " + std::to_string(result);
    return reinterpret_cast<const char*>(buffer);
}

int32_t Seconds(const uint8_t* clock) {
    return ((clock[3] * 24 + clock[2]) * 60 + clock[1]) * 60 + clock[0];
}

// The library, connected to the scanner plugged in at port.
std::shared_ptr<ScannerLibrary> Connected(ScannerDriver& driver, int32_t port) {
    driver.Plug(port, kScanner);
    auto library = driver.Library();
    EXPECT_EQ(library->csp2InitEx(port), 0);
    return library;
}

TEST_P(ScannerContract, ConnectsOnlyToAPortWithAScanner) {
    driver_->Plug(3, kScanner);
    auto library = driver_->Library();
    EXPECT_NE(library->csp2InitEx(4), 0);
    EXPECT_NE(library->csp2Interrogate(), 0);
    ASSERT_EQ(library->csp2InitEx(3), 0);
    EXPECT_EQ(library->csp2Interrogate(), 0);
    EXPECT_EQ(library->csp2Restore(), 0);
    EXPECT_NE(library->csp2Interrogate(), 0);
    EXPECT_LE(library->csp2DataAvailable(), 0);
}

TEST_P(ScannerContract, ReadsOutTheBarcodesAndClearsThem) {
    auto library = Connected(*driver_, 3);
    EXPECT_GT(library->csp2DataAvailable(), 0);
    ASSERT_EQ(library->csp2ReadData(), 2);
    for (int32_t index = 0; index < 2; ++index) {
        const StoredBarcode& stored = kScanner.barcodes[static_cast<size_t>(index)];
        uint8_t packet[64] = {};
        const int32_t size = library->csp2GetPacket(packet, index, sizeof packet);
        // Length byte (the bytes after it), code id, data, 4-byte time stamp.
        ASSERT_EQ(size, static_cast<int32_t>(stored.text.size() + 6)) << index;
        EXPECT_EQ(packet[0], size - 1);
        EXPECT_EQ(packet[1], stored.codeId);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(packet) + 2, stored.text.size()),
                  stored.text);
        uint8_t small[4];
        EXPECT_LT(library->csp2GetPacket(small, index, sizeof small), 0) << index;
    }
    uint8_t packet[64];
    EXPECT_LT(library->csp2GetPacket(packet, 2, sizeof packet), 0);
    EXPECT_EQ(Text([&](uint8_t* b, int32_t n) { return library->csp2GetCodeType(8, b, n); }),
              "EAN-13");
    EXPECT_LT(library->csp2GetCodeType(99, packet, sizeof packet), 0);

    EXPECT_EQ(library->csp2ClearData(), 0);
    EXPECT_EQ(library->csp2DataAvailable(), 0);
    EXPECT_EQ(library->csp2ReadData(), 0);
}

TEST_P(ScannerContract, DeviceInformationParametersAndClock) {
    auto library = Connected(*driver_, 5);
    uint8_t id[8] = {};
    EXPECT_GE(library->csp2GetDeviceId(id, sizeof id), 0);
    EXPECT_TRUE(std::equal(kScanner.identity.begin(), kScanner.identity.end(), id));
    EXPECT_EQ(Text([&](uint8_t* b, int32_t n) { return library->csp2GetSwVersion(b, n); }), "2.31");
    uint8_t version[64] = {};
    EXPECT_NE(library->csp2GetDllVersion(version, sizeof version), 2);
    EXPECT_NE(version[0], 0);
    EXPECT_NE(library->csp2GetSystemStatus(), 0);  // battery low
    EXPECT_GE(library->csp2GetProtocol(), 0);

    uint8_t value = 0;
    EXPECT_EQ(library->csp2GetParam(2, &value, 1), 0);
    uint8_t changed = static_cast<uint8_t>(value ^ 1);
    EXPECT_EQ(library->csp2SetParam(2, &changed, 1), 0);
    EXPECT_EQ(library->csp2GetParam(2, &value, 1), 0);
    EXPECT_EQ(value, changed);
    EXPECT_EQ(library->csp2SetDefaults(), 0);
    EXPECT_EQ(library->csp2GetParam(2, &value, 1), 0);
    EXPECT_NE(value, changed);

    // Second, minute, hour, day, month, year - 2000; the clock may run on.
    uint8_t clock[6] = {50, 59, 23, 28, 2, 24};
    EXPECT_EQ(library->csp2SetTime(clock), 0);
    uint8_t read[6] = {};
    EXPECT_EQ(library->csp2GetTime(read), 0);
    EXPECT_EQ(read[4] * 100 + read[5], 2 * 100 + 24);
    const int32_t ahead = Seconds(read) - Seconds(clock);
    EXPECT_TRUE(ahead >= 0 && ahead < 3600) << ahead;
    uint8_t invalid[6] = {0, 0, 0, 31, 13, 24};
    EXPECT_NE(library->csp2SetTime(invalid), 0);
}

}  // namespace
}  // namespace quarnel::test
