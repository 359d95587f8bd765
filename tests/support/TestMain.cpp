// SPDX-License-Identifier: MIT
// The main of every test executable: applies the environment its CMake
// registration wrote, then runs the tests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

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
        if (value.empty()) {
            ::unsetenv(name.c_str());
        } else {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    ApplyEnvironment(QUARNEL_TEST_ENV_FILE);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
