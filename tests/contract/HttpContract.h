// SPDX-License-Identifier: MIT
// The HTTP seam's contract: exchanges with loopback servers through the
// internet API's handles, as the program makes them.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ContractTest.h"
#include "platform/HttpApi.h"

namespace quarnel::test {

struct HttpImplementation {
    std::string name;
    std::function<std::shared_ptr<platform::HttpApi>(platform::HttpTimeouts)> make;
    // A chunked body that breaks off between two chunks fails the read. The
    // system's client may not tell it from the end of the body (WinINet
    // does not), and then the body arrives as if whole.
    bool seesBrokenChunks = true;
};

class HttpContract : public ::testing::TestWithParam<HttpImplementation> {};

}  // namespace quarnel::test
