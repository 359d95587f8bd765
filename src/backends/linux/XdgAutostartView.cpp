// SPDX-License-Identifier: MIT
#include "backends/linux/XdgAutostartView.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "backends/linux/DesktopEntry.h"
#include "backends/linux/RegistryNames.h"
#include "backends/linux/XdgFolders.h"
#include "platform/RegistryApi.h"

namespace quarnel::platform {

namespace {

constexpr std::string_view kSuffix = ".desktop";
// Desktop entries are small; anything larger is not one of ours to read.
constexpr off_t kMaxEntrySize = 64 * 1024;

std::optional<std::string> ReadSmallFile(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string content;
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxEntrySize) {
        content.resize(static_cast<size_t>(info.st_size));
        ssize_t got = read(fd, content.data(), content.size());
        content.resize(got > 0 ? static_cast<size_t>(got) : 0);
    } else {
        close(fd);
        return std::nullopt;
    }
    close(fd);
    return content;
}

int32_t StatusFromErrno(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return ERROR_DISK_FULL;
        case ENAMETOOLONG:
            return ERROR_INVALID_PARAMETER;
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        default:
            return ERROR_ACCESS_DENIED;
    }
}

// A value name must make a plain file name, and a desktop entry's Name.
bool UsableName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && FitsDesktopEntry(name) &&
           name.find_first_of("\t\n\r") == std::string::npos;
}

// String data up to its terminator.
std::string DataText(const std::string& data) {
    return data.substr(0, data.find('\0'));
}

}  // namespace

AutostartView::AutostartView(std::string folder, BeforeReplace beforeReplace)
    : folder_(std::move(folder)), beforeReplace_(std::move(beforeReplace)) {}

std::vector<AutostartView::Entry> AutostartView::Entries() const {
    std::vector<Entry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder_.c_str()), closedir);
    if (!dir) return entries;
    while (const dirent* item = readdir(dir.get())) {
        std::string file = item->d_name;
        if (file.size() <= kSuffix.size() || !file.ends_with(kSuffix)) continue;
        std::string stem = file.substr(0, file.size() - kSuffix.size());
        if (!UsableName(stem)) continue;
        auto content = ReadSmallFile(folder_ + "/" + file);
        if (!content) continue;
        entries.push_back({stem, folder_ + "/" + file, ParseDesktopEntry(*content).Disabled()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.file < b.file; });
    return entries;
}

std::optional<AutostartView::Entry> AutostartView::Find(const std::string& name,
                                                        bool includeDisabled) const {
    for (auto& entry : Entries()) {
        if (SameName(entry.name, name) && (includeDisabled || !entry.disabled)) return entry;
    }
    return std::nullopt;
}

int32_t AutostartView::Get(const std::string& name, StoredValue* value) {
    auto entry = Find(name, false);
    if (!entry) return ERROR_FILE_NOT_FOUND;
    auto content = ReadSmallFile(entry->file);
    if (!content) return ERROR_FILE_NOT_FOUND;
    auto exec = ParseDesktopEntry(*content).exec;
    value->type = REG_SZ;
    value->data = (exec ? CommandFromExec(*exec) : std::string()) + '\0';
    return ERROR_SUCCESS;
}

int32_t AutostartView::Set(const std::string& name, const StoredValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
    if (!UsableName(name)) return ERROR_INVALID_PARAMETER;
    std::string command = DataText(value.data);
    if (!FitsDesktopEntry(command)) return ERROR_INVALID_DATA;
    // An entry of the same name in other letter case is the same value; a
    // switched-off one is replaced by one that is on.
    auto existing = Find(name, true);
    std::string file = existing ? existing->file : folder_ + "/" + name + ".desktop";
    std::string entryName = existing ? existing->name : name;
    return Write(file, ComposeDesktopEntry(entryName, command));
}

int32_t AutostartView::Delete(const std::string& name) {
    auto entry = Find(name, false);
    if (!entry) return ERROR_FILE_NOT_FOUND;
    return unlink(entry->file.c_str()) == 0 ? ERROR_SUCCESS : StatusFromErrno(errno);
}

int32_t AutostartView::Names(std::vector<std::string>* names) {
    names->clear();
    for (auto& entry : Entries()) {
        if (!entry.disabled) names->push_back(entry.name);
    }
    return ERROR_SUCCESS;
}

int32_t AutostartView::Write(const std::string& file, const std::string& content) const {
    if (!MakeFolders(folder_, 0700)) return StatusFromErrno(errno);
    int error = ReplaceFile(file, content, 0644, beforeReplace_);
    return error == 0 ? ERROR_SUCCESS : StatusFromErrno(error);
}

}  // namespace quarnel::platform
