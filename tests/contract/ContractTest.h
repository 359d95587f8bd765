// SPDX-License-Identifier: MIT
// What the contract suites share: each runs one body against every
// implementation of a seam that the platform has, named by its parameter.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <thread>

namespace quarnel::test {

// Names the instances of a suite after their implementation's `name`; a
// PrintTo beside each parameter type prints that name too.
struct ImplementationName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return info.param.name;
    }
};

// Calls step (which may do a piece of work) until done() holds or a generous
// deadline passes; done()'s last answer.
inline bool WaitFor(const std::function<bool()>& done, const std::function<void()>& step = {},
                    std::chrono::milliseconds deadline = std::chrono::seconds(60)) {
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (!done() && std::chrono::steady_clock::now() < end) {
        if (step) step();
        if (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

}  // namespace quarnel::test
