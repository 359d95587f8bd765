// SPDX-License-Identifier: MIT
#include "TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "base/Utf8Path.h"
#include "platform/Paths.h"

namespace quarnel::test {

TempDir::TempDir() {
    static std::mt19937 names{std::random_device{}()};
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path folder = base / ("quarnel-test-" + std::to_string(names()));
        std::error_code error;
        if (std::filesystem::create_directory(folder, error)) {
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
            path_ = Utf8FromPath(folder);
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(PathFromUtf8(path_), ec);
}

std::string TempDir::File(const std::string& name) const {
    return path_ + platform::PathSeparator() + name;
}

ScopedEnv::ScopedEnv(std::string name, std::optional<std::string> value) : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) previous_ = old;
    SetEnvironment(name_, value);
}

ScopedEnv::~ScopedEnv() {
    SetEnvironment(name_, previous_);
}

void SetEnvironment(const std::string& name, const std::optional<std::string>& value) {
#ifdef _WIN32
    // An empty value removes the variable there.
    ::_putenv_s(name.c_str(), value ? value->c_str() : "");
#else
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
#endif
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
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(PathFromUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
}  // namespace quarnel::test
