// SPDX-License-Identifier: MIT
// The HTTP contract on Windows: the WinINet client.
#include "HttpContract.h"
#include "backends/win32/WinInetHttp.h"

namespace quarnel::test {
namespace {

QUARNEL_CONTRACT_INSTANCES(
    Win32, HttpContract,
    Instance<HttpImplementation, platform::WinInetHttp>("WinInet", /*seesBrokenChunks=*/false));

}  // namespace
}  // namespace quarnel::test
