// SPDX-License-Identifier: MIT
// Saving the read-out file and the order CSV never leaves a half file over a good one:
// not when the program dies before the rename, nor when the disk is full.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>
#include <set>

#include "ModelTestHelpers.h"
#include "model/TextFileWriter.h"

namespace quarnel::test {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "the good file of yesterday\r\n";

struct SavedFile {
    std::string name;
    std::function<bool(const std::string&)> save;
    // The error entry up to the path.
    std::string errorEntry;
};

// Both files, each large enough to take several writes.
std::vector<SavedFile> Files() {
    std::vector<std::string> barcodes;
    Lines lines;
    for (int i = 0; i < 6000; ++i) {
        barcodes.push_back("87123456" + std::to_string(10000 + i));
        lines.emplace_back(barcodes.back(), i);
    }
    std::shared_ptr<clsReadSession> session = MakeSession(barcodes, "0123ABCD");
    std::shared_ptr<clsOrder> order = MakeOrder(lines, "S1");
    return {{"read-out.txt", [session](const std::string& p) { return session->SaveToFile(p); },
             "Error saving read session to file '"},
            {"order.csv", [order](const std::string& p) { return order->SaveAsCSV(p); },
             "Error saving order as '"}};
}

using Names = std::set<std::string>;

Names FolderContent(const std::string& folder) {
    Names names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
    return names;
}

TEST(FileSafetyTest, KilledBeforeTheRenameLeavesTheOldFileWhole) {
    for (const SavedFile& file : Files()) {
        SCOPED_TRACE(file.name);
        TempDir dir;
        const std::string path = dir.File(file.name);
        WriteFileBytes(path, kOld);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TextFileWriter::ScopedSystemCalls dying(
                {.write = {}, .rename = [](auto&, auto&) { return ::raise(SIGKILL), EIO; }});
            file.save(path);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_EQ(ReadFileBytes(path), kOld);
        // The dead program's temporary file does not stand in the way.
        EXPECT_EQ(FolderContent(dir.Path()).size(), 2u);
        ASSERT_TRUE(file.save(path));
        EXPECT_NE(ReadFileBytes(path), kOld);
    }
}

// failAt 0 fails the rename; otherwise the failAt-th write call on fails, earlier ones write half.
TextFileWriter::SystemCalls Failing(int failAt, int error, int& calls) {
    if (failAt == 0) return {.write = {}, .rename = [error](auto&, auto&) { return error; }};
    return {
        .write =
            [failAt, error, &calls](auto& file, const void* data, size_t size, size_t& written) {
                return ++calls >= failAt ? error : file.Write(data, (size + 1) / 2, written);
            },
        .rename = {}};
}

TEST(FileSafetyTest, FailedWritesAndRenamesKeepTheOldFile) {
    struct Case {
        int failAt;
        int error;
        std::string text;
    };
    const Case cases[] = {{4, ENOSPC, "[61] Disk full (Quarnel)"},
                          {3, EIO, "[57] Device I/O error (Quarnel)"},
                          {0, EACCES, "[70] Permission denied (Quarnel)"}};
    TraceCapture trace(false, true);
    for (const SavedFile& file : Files()) {
        TempDir dir;
        const std::string path = dir.File(file.name);
        ASSERT_TRUE(file.save(dir.File("reference")));
        const std::string reference = ReadFileBytes(dir.File("reference"));
        for (const Case& c : cases) {
            SCOPED_TRACE(file.name + " " + c.text + " at " + std::to_string(c.failAt));
            WriteFileBytes(path, kOld);
            ::chmod(path.c_str(), 0640);
            int calls = 0;
            {
                TextFileWriter::ScopedSystemCalls failing(Failing(c.failAt, c.error, calls));
                EXPECT_FALSE(file.save(path));
            }
            EXPECT_TRUE(trace.Contains(file.errorEntry + path + "': " + c.text));
            EXPECT_EQ(ReadFileBytes(path), kOld);
            EXPECT_EQ(FolderContent(dir.Path()), (Names{file.name, "reference"}));
            // Once the disk has room again the file is replaced whole and keeps its rights.
            ASSERT_TRUE(file.save(path));
            EXPECT_EQ(ReadFileBytes(path), reference);
            struct stat info {};
            ::stat(path.c_str(), &info);
            EXPECT_EQ(info.st_mode & 0777, 0640u);
        }
        // A link stays a link: the file it points to is the one replaced.
        fs::remove(path);
        fs::create_symlink(dir.File("reference"), path);
        WriteFileBytes(dir.File("reference"), kOld);
        ASSERT_TRUE(file.save(path));
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(ReadFileBytes(dir.File("reference")), reference);
    }
}

struct TraceTo : TraceSettings {
    explicit TraceTo(std::string path) : file(std::move(path)) {}
    std::string file;
    std::string TraceFile() const override { return file; }
    bool TraceEvents() const override { return true; }
};

TEST(FileSafetyTest, FullFileSystem) {
    TempDir dir;
    // A small file system of its own, so that the disk really fills up.
    const ScopedTmpfs disk(dir.Path(), 0, "size=1m");
    if (!disk.Mounted()) GTEST_SKIP() << "cannot mount a file system here";
    TraceCapture capture(false, true);
    // Error entries go elsewhere to be read; the trace on the small disk must survive it filling.
    const auto offDisk = std::make_shared<TraceTo>(capture.FilePath());
    const auto onDisk = std::make_shared<TraceTo>(dir.File("Trace.log"));
    SetTraceSettings(onDisk);
    WriteTrace("before");
    for (const SavedFile& file : Files()) {
        SCOPED_TRACE(file.name);
        const std::string path = dir.File(file.name);
        WriteFileBytes(path, kOld);
        WriteFileBytes(dir.File("filler"), std::string(2 << 20, 'f'));  // takes every byte left
        SetTraceSettings(offDisk);
        EXPECT_FALSE(file.save(path));
        EXPECT_TRUE(capture.Contains(file.errorEntry + path + "': [61] Disk full (Quarnel)"));
        EXPECT_EQ(ReadFileBytes(path), kOld);
        SetTraceSettings(onDisk);
        // More than the trace file's last block can take.
        WriteTrace(std::string(10000, 'x'));
        fs::remove(dir.File("filler"));
        EXPECT_EQ(FolderContent(dir.Path()), (Names{"Trace.log", file.name}));
        ASSERT_TRUE(file.save(path));
        EXPECT_NE(ReadFileBytes(path), kOld);
        fs::remove(path);
    }
    WriteTrace("after");
    SetTraceSettings(nullptr);
    // Whole entries only: nothing that was cut short by the full disk.
    const std::string bytes = ReadFileBytes(onDisk->file);
    size_t lines = 0;
    for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos;
         start = end + 2, ++lines) {
        const std::string line = bytes.substr(start, end - start);
        EXPECT_TRUE(line.size() > 20 && line[2] == '-' && line[19] == '\t') << line.substr(0, 80);
    }
    EXPECT_TRUE(bytes.ends_with("\tafter\r\n"));
    EXPECT_GE(lines, 2u);
}

}  // namespace
}  // namespace quarnel::test
