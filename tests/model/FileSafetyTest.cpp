// Saving the read-out file and the order CSV never leaves a half file over a good one:
// not when the program dies before the rename, nor when the disk is full.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <functional>

#include "ModelTestHelpers.h"
#include "model/TextFileWriter.h"

namespace quarnel::test {
namespace {

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

std::vector<std::string> FolderContent(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
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
            TextFileWriter::ScopedSystemCalls dying({.write = {}, .rename = [](auto, auto) {
                                                         ::raise(SIGKILL);
                                                         return -1;
                                                     }});
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

// Fails the rename, or the write call from its failAt-th use on (earlier ones write half).
TextFileWriter::SystemCalls Failing(int failAt, int error, bool rename, int& calls) {
    TextFileWriter::SystemCalls failing;
    if (rename) {
        failing.rename = [error](auto, auto) {
            errno = error;
            return -1;
        };
        return failing;
    }
    failing.write = [failAt, error, &calls](int fd, const void* data, size_t size) -> ssize_t {
        if (++calls >= failAt) {
            errno = error;
            return -1;
        }
        return ::write(fd, data, (size + 1) / 2);
    };
    return failing;
}

TEST(FileSafetyTest, FailedWritesAndRenamesKeepTheOldFile) {
    struct Case {
        int failAt;
        int error;
        bool rename;
        std::string text;
    };
    const Case cases[] = {{4, ENOSPC, false, "[61] Disk full (Quarnel)"},
                          {3, EIO, false, "[57] Device I/O error (Quarnel)"},
                          {0, EACCES, true, "[70] Permission denied (Quarnel)"}};
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
                TextFileWriter::ScopedSystemCalls failing(
                    Failing(c.failAt, c.error, c.rename, calls));
                EXPECT_FALSE(file.save(path));
            }
            EXPECT_TRUE(trace.Contains(file.errorEntry + path + "': " + c.text));
            EXPECT_EQ(ReadFileBytes(path), kOld);
            EXPECT_EQ(FolderContent(dir.Path()),
                      (std::vector<std::string>{file.name, "reference"}));
            // Once the disk has room again the file is replaced whole, and
            // keeps the rights it had.
            ASSERT_TRUE(file.save(path));
            EXPECT_EQ(ReadFileBytes(path), reference);
            struct stat info {};
            ::stat(path.c_str(), &info);
            EXPECT_EQ(info.st_mode & 0777, 0640u);
        }
    }
}

TEST(FileSafetyTest, ALinkStaysALink) {
    for (const SavedFile& file : Files()) {
        SCOPED_TRACE(file.name);
        TempDir dir;
        WriteFileBytes(dir.File("real"), kOld);
        std::filesystem::create_symlink(dir.File("real"), dir.File(file.name));
        ASSERT_TRUE(file.save(dir.File(file.name)));
        EXPECT_TRUE(std::filesystem::is_symlink(dir.File(file.name)));
        EXPECT_NE(ReadFileBytes(dir.File("real")), kOld);
    }
}

// A small file system of its own, so that the disk really fills up.
struct SmallFileSystem {
    explicit SmallFileSystem(std::string folder) : folder(std::move(folder)) {}
    ~SmallFileSystem() {
        if (mounted) ::umount2(folder.c_str(), MNT_DETACH);
    }
    std::string folder;
    bool mounted = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=1m") == 0;
};

// Takes every byte that is left.
void Fill(const std::string& path) {
    const std::string block(4096, 'f');
    std::FILE* file = std::fopen(path.c_str(), "wb");
    while (file && std::fwrite(block.data(), 1, block.size(), file) == block.size() &&
           std::fflush(file) == 0) {
    }
    if (file) std::fclose(file);
}

struct TraceTo : TraceSettings {
    explicit TraceTo(std::string path) : file(std::move(path)) {}
    std::string file;
    std::string TraceFile() const override { return file; }
    bool TraceEvents() const override { return true; }
};

TEST(FileSafetyTest, FullFileSystem) {
    TempDir dir;
    SmallFileSystem disk(dir.Path());
    if (!disk.mounted) GTEST_SKIP() << "cannot mount a file system here";
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
        Fill(dir.File("filler"));
        SetTraceSettings(offDisk);
        EXPECT_FALSE(file.save(path));
        EXPECT_TRUE(capture.Contains(file.errorEntry + path + "': [61] Disk full (Quarnel)"));
        EXPECT_EQ(ReadFileBytes(path), kOld);
        SetTraceSettings(onDisk);
        // More than the trace file's last block can take.
        WriteTrace(std::string(10000, 'x'));
        std::filesystem::remove(dir.File("filler"));
        EXPECT_EQ(FolderContent(dir.Path()), (std::vector<std::string>{"Trace.log", file.name}));
        ASSERT_TRUE(file.save(path));
        EXPECT_NE(ReadFileBytes(path), kOld);
        std::filesystem::remove(path);
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
