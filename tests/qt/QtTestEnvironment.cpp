// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

// Made once the test main has applied QT_QPA_PLATFORM=offscreen, not at load time.
struct QtApplicationEnvironment final : ::testing::Environment {
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[16] = "qt_dialog_tests";
    char* argv[2] = {name, nullptr};
    std::unique_ptr<QApplication> app;
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
