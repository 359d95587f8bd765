// The scanner's clock buffer.
#include <gtest/gtest.h>

#include "scanner/ScannerTime.h"

namespace quarnel {
namespace {

TEST(ScannerTimeTest, ClockBytesOfADateTime) {
    EXPECT_EQ(ToClockBytes(DateTime{2026, 12, 5, 17, 29, 16}), (ClockBytes{16, 29, 17, 5, 12, 26}));
    EXPECT_EQ(ToClockBytes(DateTime{2255, 12, 31, 23, 59, 59}),
              (ClockBytes{59, 59, 23, 31, 12, 255}));
    EXPECT_FALSE(ToClockBytes(DateTime{1999, 12, 31, 23, 59, 59}));
    EXPECT_FALSE(ToClockBytes(DateTime{2256, 1, 1, 0, 0, 0}));
    EXPECT_EQ(FromClockBytes({0, 0, 0, 29, 2, 24}), (DateTime{2024, 2, 29, 0, 0, 0}));
    EXPECT_FALSE(FromClockBytes({0, 0, 0, 29, 2, 23}));
    EXPECT_FALSE(FromClockBytes({0, 0, 24, 1, 1, 23}));
}

}  // namespace
}  // namespace quarnel
