// SPDX-License-Identifier: MIT
// The HTTP contract on Windows: the WinINet client.
#include "HttpContract.h"
#include "backends/win32/WinInetHttp.h"

namespace quarnel::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Win32, HttpContract,
                         ::testing::Values(HttpImplementation{
                             "WinInet",
                             [](platform::HttpTimeouts timeouts) {
                                 return std::make_shared<platform::WinInetHttp>(timeouts);
                             },
                             /*seesBrokenChunks=*/false}),
                         ImplementationName());

}  // namespace
}  // namespace quarnel::test
