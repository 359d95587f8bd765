// SPDX-License-Identifier: MIT
// Runs the quarnel program itself in a private home folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "ChildProcess.h"
#include "TestSupport.h"

namespace quarnel {
namespace {

// A settings store that is no database must not stop the program, and must be kept as it is.
TEST(ProgramTest, ExtendedRunOverACorruptStoreIsFramedByStartAndExit) {
    const char* program = std::getenv("QUARNEL_PROGRAM");
    ASSERT_NE(program, nullptr) << "QUARNEL_PROGRAM names the quarnel executable";
    test::TempDir dir;
    std::filesystem::create_directories(dir.File(".config/Quarnel"));
    const std::string garbage(4096, '\xA5');
    const std::string store = dir.File(".config/Quarnel/registry.sqlite3");
    test::WriteFileBytes(store, garbage);

    test::ScopedEnv home("HOME", dir.Path());
    test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
    test::ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    auto trace = [&] { return test::ReadFileBytes(dir.File(".local/share/Quarnel/Trace.log")); };
    test::ChildProcess quarnel({program, "extended"});  // ended once the trace shows its start
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (trace().find("Starting Quarnel") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(quarnel.Terminate(std::chrono::seconds(30)), 0);

    const std::string bytes = trace();
    ASSERT_GT(bytes.size(), 40u) << bytes;
    EXPECT_EQ(bytes.substr(0, 2) + bytes.substr(21, 19), "\r\n\tStarting Quarnel\r\n");
    EXPECT_NE(bytes.find("\tError opening the settings store: "), std::string::npos) << bytes;
    EXPECT_TRUE(bytes.ends_with("\tExiting Quarnel\r\n")) << bytes;
    EXPECT_EQ(test::ReadFileBytes(store), garbage);
}

}  // namespace
}  // namespace quarnel
