// SPDX-License-Identifier: MIT
// What the contract suites share: each runs one body against every
// implementation of a seam that the platform has, named by its parameter.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <concepts>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>

namespace quarnel::test {

// Names the instances of a suite after their implementation's `name`, and
// prints them so.
struct ImplementationName {
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return info.param.name;
    }
};

template <class Implementation>
requires std::same_as<decltype(Implementation::name), std::string>
void PrintTo(const Implementation& implementation, std::ostream* out) {
    *out << implementation.name;
}

// An implementation whose make builds a Driver from make's arguments; extra
// fills the implementation's fields after make.
template <class Implementation, class Driver, class... Extra>
Implementation Instance(std::string name, Extra... extra) {
    return Implementation{
        std::move(name),
        [](auto... arguments) { return std::make_unique<Driver>(std::move(arguments)...); },
        extra...};
}

// Runs suite against the implementations given, under prefix.
#define QUARNEL_CONTRACT_INSTANCES(prefix, suite, ...) \
    INSTANTIATE_TEST_SUITE_P(prefix, suite, ::testing::Values(__VA_ARGS__), ImplementationName())

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
