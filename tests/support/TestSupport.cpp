// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include <sys/mount.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace quarnel::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
    return path_ + "/" + name;
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    if (value) {
        ::setenv(name_.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

ScopedEnv::~ScopedEnv() {
    if (previous_) {
        ::setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
        ::unsetenv(name_.c_str());
    }
}

class TraceCapture::Settings : public TraceSettings {
  public:
    Settings(std::string file, bool events) : file_(std::move(file)), events_(events) {}
    std::string TraceFile() const override { return file_; }
    bool TraceEvents() const override { return events_; }

  private:
    std::string file_;
    bool events_;
};

TraceCapture::TraceCapture(bool extended, bool events)
    : file_(dir_.File("Trace.log")),
      settings_(std::make_shared<Settings>(file_, events)),
      previousExtended_(ExtendedLogging()) {
    SetExtendedLogging(extended);
    SetTraceSettings(settings_);
}

TraceCapture::~TraceCapture() {
    SetTraceSettings(nullptr);
    SetExtendedLogging(previousExtended_);
}

std::string TraceCapture::Bytes() const {
    return ReadFileBytes(file_);
}

std::vector<std::string> TraceCapture::Messages() const {
    std::vector<std::string> messages;
    std::string bytes = Bytes();
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        size_t tab = line.find('\t');
        if (tab != std::string::npos) messages.push_back(line.substr(tab + 1));
        start = end + 2;
    }
    return messages;
}

std::string TraceCapture::Text() const {
    std::string text;
    for (const std::string& message : Messages()) text += message + "\n";
    return text;
}

bool TraceCapture::Contains(const std::string& message) const {
    for (const std::string& m : Messages()) {
        if (m == message) return true;
    }
    return false;
}

void TraceCapture::Clear() {
    std::filesystem::remove(file_);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

ScopedTmpfs::ScopedTmpfs(std::string folder, unsigned long flags, const std::string& options)
    : folder_(std::move(folder)),
      mounted_(::mount("tmpfs", folder_.c_str(), "tmpfs", flags, options.c_str()) == 0) {}

ScopedTmpfs::~ScopedTmpfs() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace quarnel::test
