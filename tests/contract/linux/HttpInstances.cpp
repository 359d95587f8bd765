// SPDX-License-Identifier: MIT
// The HTTP contract on Linux: the libcurl client.
#include "HttpContract.h"
#include "backends/linux/CurlHttp.h"

namespace quarnel::test {
namespace {

INSTANTIATE_TEST_SUITE_P(Linux, HttpContract,
                         ::testing::Values(HttpImplementation{
                             "Curl",
                             [](platform::HttpTimeouts timeouts) {
                                 return std::make_shared<platform::CurlHttp>(timeouts);
                             }}),
                         ImplementationName());

}  // namespace
}  // namespace quarnel::test
