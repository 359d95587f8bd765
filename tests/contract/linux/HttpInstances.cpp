// SPDX-License-Identifier: MIT
// The HTTP contract on Linux: the libcurl client.
#include "HttpContract.h"
#include "backends/linux/CurlHttp.h"

namespace quarnel::test {
namespace {

QUARNEL_CONTRACT_INSTANCES(Linux, HttpContract,
                           Instance<HttpImplementation, platform::CurlHttp>("Curl"));

}  // namespace
}  // namespace quarnel::test
