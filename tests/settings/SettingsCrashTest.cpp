// SPDX-License-Identifier: MIT
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "SettingsDump.h"
#include "TestSupport.h"
#include "backends/linux/SqliteRegistry.h"
#include "platform/SerialPortTable.h"

namespace quarnel {
namespace {

const std::string kCommand = "/home/\xC5\x82ukasz/bin/quarnel";

// Every property but the changed flag, in the order of the getters.
std::vector<std::string> Fields(const clsSettings& s) {
    std::vector<std::string> fields;
    std::istringstream dump(Dump(s));
    for (std::string field; std::getline(dump, field, '|');) fields.push_back(field);
    fields.pop_back();
    return fields;
}

// Two complete sets of settings that differ in every value.
void Apply(clsSettings& s, int set) {
    const bool a = set == 0;
    s.SetQuantityPositioning(a ? 1 : 0);
    s.SetAutoSaveBarcodes(!a);
    s.SetAutoSaveOrders(a);
    s.SetBarcodesFolder(a ? "/home/\xC5\x82ukasz/Barcodes/" : "/srv/\xD0\x97\xD0\xBE\xD1\x8F/B/");
    s.SetOrdersFolder(a ? "/home/\xC5\x82ukasz/Orders/" : "/srv/\xD0\x97\xD0\xBE\xD1\x8F/O/");
    s.SetLastFolder(a ? "/last/a" : "/last/b");
    s.SetTraceEvents(a);
    s.SetTraceFile(a ? "/home/\xC5\x82ukasz/Trace.log" : "/srv/trace.log");
    s.SetDebtor(a ? "100" : "200200");
    s.SetUser(a ? "jan" : "piet");
    s.SetPassword(a ? " secret " : "other");
    s.SetAutorun(a);
}

class SettingsCrashTest : public ::testing::Test {
  protected:
    std::unique_ptr<clsSettings> Open() const {
        auto registry = std::make_shared<platform::SqliteRegistry>(
            dir.File("Quarnel/registry.sqlite3"), dir.File("autostart"),
            platform::EmptySerialPortTable());
        return std::make_unique<clsSettings>(registry, "/data/Quarnel", kCommand);
    }
    test::TempDir dir;
};

TEST_F(SettingsCrashTest, SaveKilledAtAnyMomentLeavesEachValueOldOrNew) {
    std::vector<std::vector<std::string>> sets(2);
    for (int set : {1, 0}) {
        auto settings = Open();
        Apply(*settings, set);
        settings->Save();
        sets[set] = Fields(*Open());
        // Names outside Windows-1252 come back whole.
        EXPECT_EQ(sets[set], Fields(*settings));
    }
    const std::string entry = dir.File("autostart/Quarnel.desktop");
    const std::string entryText = test::ReadFileBytes(entry);
    ASSERT_NE(entryText.find("\nExec=" + kCommand + "\n"), std::string::npos);

    std::mt19937 random(12);
    std::uniform_real_distribution<double> share(0.0, 2.0);
    int mixed = 0;
    // Until some kill has come between two values of one Save. The kill comes
    // after the child's first Save, within the time that Save took, so that
    // it lands inside a later one however busy the machine is.
    for (int kill = 0; kill < 200 || (mixed == 0 && kill < 2000); ++kill) {
        int progress[2];
        ASSERT_EQ(pipe(progress), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {  // saves set 1, 0, 1, 0, ... until killed, a byte after each
            try {
                auto settings = Open();
                if (write(progress[1], "o", 1) != 1) _exit(2);
                for (int round = 1;; ++round) {
                    Apply(*settings, round % 2);
                    settings->Save();
                    if (round == 1 && write(progress[1], "s", 1) != 1) _exit(2);
                }
            } catch (...) {
                _exit(1);
            }
        }
        close(progress[1]);
        char byte = 0;
        ASSERT_EQ(read(progress[0], &byte, 1), 1);
        const auto saving = std::chrono::steady_clock::now();
        ASSERT_EQ(read(progress[0], &byte, 1), 1) << "the child's first Save did not end";
        const auto took = std::chrono::steady_clock::now() - saving;
        close(progress[0]);
        std::this_thread::sleep_for(
            std::chrono::duration_cast<std::chrono::microseconds>(took * share(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child failed: " << status;

        auto settings = Open();
        ASSERT_EQ(settings->LoadProblems(), std::vector<std::string>()) << "kill " << kill;
        const auto fields = Fields(*settings);
        std::set<int> from;
        for (size_t i = 0; i < fields.size(); ++i) {
            int set = fields[i] == sets[0][i] ? 0 : fields[i] == sets[1][i] ? 1 : -1;
            ASSERT_NE(set, -1) << "kill " << kill << ", value " << i << ": " << fields[i];
            from.insert(set);
        }
        mixed += from.size() == 2;
        if (std::filesystem::exists(entry)) {
            ASSERT_EQ(test::ReadFileBytes(entry), entryText) << "kill " << kill;
        }
    }
    // Some kills must have come between two values of one Save.
    EXPECT_GT(mixed, 0);
}

}  // namespace
}  // namespace quarnel
