// Runs the quarnel program itself in a private, empty home folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "ChildProcess.h"
#include "TestSupport.h"

namespace quarnel {
namespace {

class ProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* program = std::getenv("QUARNEL_PROGRAM");
        ASSERT_NE(program, nullptr) << "QUARNEL_PROGRAM names the quarnel executable";
        program_ = program;
    }

    // Starts quarnel with the given arguments in the empty home, waits until
    // the trace shows the start entry, then asks it to end; its exit status.
    std::optional<int> RunUntilStarted(std::vector<std::string> argv) {
        test::ScopedEnv home("HOME", dir.Path());
        test::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        test::ScopedEnv data("XDG_DATA_HOME", std::nullopt);
        argv.insert(argv.begin(), program_);
        test::ChildProcess quarnel(argv);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (Trace().find("Starting Quarnel") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return quarnel.Terminate(std::chrono::seconds(30));
    }

    std::string Trace() const {
        return test::ReadFileBytes(dir.File(".local/share/Quarnel/Trace.log"));
    }

    test::TempDir dir;
    std::string program_;
};

TEST_F(ProgramTest, ExtendedRunWritesStartAndExitEntries) {
    EXPECT_EQ(RunUntilStarted({"extended"}), 0);
    std::string trace = Trace();
    ASSERT_GT(trace.size(), 40u) << trace;
    EXPECT_EQ(trace.substr(0, 2), "\r\n");
    EXPECT_EQ(trace[4], '-');
    EXPECT_EQ(trace.substr(21, 19), "\tStarting Quarnel\r\n");
    const std::string exitLine = "\tExiting Quarnel\r\n";
    ASSERT_GE(trace.size(), exitLine.size());
    EXPECT_EQ(trace.substr(trace.size() - exitLine.size()), exitLine);
}

TEST_F(ProgramTest, CorruptRegistryStoreStartsWithDefaultsAndIsKept) {
    std::filesystem::create_directories(dir.File(".config/Quarnel"));
    std::string garbage(4096, '\0');
    std::mt19937 random(42);
    for (char& c : garbage) c = static_cast<char>(random());
    const std::string store = dir.File(".config/Quarnel/registry.sqlite3");
    test::WriteFileBytes(store, garbage);

    RunUntilStarted({});
    std::string trace = Trace();
    EXPECT_NE(trace.find("\tStarting Quarnel\r\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("\tError opening the settings store: "), std::string::npos) << trace;
    EXPECT_NE(trace.find("\tExiting Quarnel\r\n"), std::string::npos);
    EXPECT_EQ(test::ReadFileBytes(store), garbage);
}

}  // namespace
}  // namespace quarnel
