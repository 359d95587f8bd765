// SPDX-License-Identifier: MIT
// The main of every test executable: applies the environment its CMake
// registration wrote, then runs the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "TestSupport.h"

#ifndef QUARNEL_TEST_ENV_FILE
#error "QUARNEL_TEST_ENV_FILE names the environment file of the test executable"
#endif

namespace {

void ApplyEnvironment(const char* path) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) continue;
        std::string name = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        quarnel::test::SetEnvironment(
            name, value.empty() ? std::nullopt : std::optional<std::string>(value));
    }
}

}  // namespace

int main(int argc, char** argv) {
    ApplyEnvironment(QUARNEL_TEST_ENV_FILE);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
