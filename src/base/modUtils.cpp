// SPDX-License-Identifier: MIT
#include "base/modUtils.h"

#include <cerrno>

#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "base/TextCompare.h"
#include "base/TraceLog.h"
#include "platform/FileSystem.h"

namespace quarnel {

namespace {

bool IsFolder(const std::string& path) {
    return platform::KindOfPath(path) == platform::FileKind::Folder;
}

// The program's folders hold the user's orders and trace: private to the user.
void CreateOneFolder(const std::string& path) {
    const int error = platform::CreatePrivateFolder(path);
    if (error != 0 && !(error == EEXIST && IsFolder(path))) throw ErrorFromErrno(error);
}

void CheckRange(const std::vector<uint8_t>& bytes, int32_t start, int32_t end) {
    if (start > end) return;
    if (start < 0 || static_cast<size_t>(end) >= bytes.size())
        RaiseError(ErrNo::SubscriptOutOfRange);
}

int32_t LastPosition(const std::vector<uint8_t>& bytes, int32_t end) {
    return end == -1 ? static_cast<int32_t>(bytes.size()) - 1 : end;
}

}  // namespace

bool FileExists(const std::string& filename, int32_t attributes, bool noTrace) {
    if (!noTrace) {
        trace::Entering("modUtils.FileExists", TraceArgs({{"Filename", filename},
                                                          {"Attributes", TraceValue(attributes)}}));
    }
    bool result = false;
    if (!filename.empty()) {
        switch (platform::KindOfPath(filename)) {
            case platform::FileKind::Folder:
                result = (attributes & kAttrDirectory) != 0 ||
                         filename.back() == platform::PathSeparator();
                break;
            case platform::FileKind::File:
                result = filename.back() != platform::PathSeparator();
                break;
            case platform::FileKind::Missing:
                break;
        }
    }
    if (!noTrace)
        trace::Detail("Exiting modUtils.FileExists (=" + TraceValue(result) + "): " + ErrorText());
    return result;
}

std::optional<std::string> FindPathRoot(std::string_view path, platform::PathStyle style) {
    if (style == platform::PathStyle::Posix) {
        if (!path.empty() && path[0] == '/') return std::string("/");
        return std::nullopt;
    }
    if (path.size() >= 2 && path.substr(0, 2) == "\\\\") {
        size_t next = path.find('\\', 3);
        if (next != std::string_view::npos) return std::string(path.substr(0, next + 1));
    }
    if (path.size() >= 3) {
        char drive = path[0];
        bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
        if (letter && EqualsIgnoreCase(path.substr(1, 2), ":\\"))
            return std::string(path.substr(0, 3));
    }
    return std::nullopt;
}

bool CheckCreateFolder(const std::string& path, bool noTrace) {
    if (!noTrace) trace::Entering("modUtils.CheckCreateFolder", TraceArgs({{"Path", path}}));
    bool result = false;
    try {
        if (FileExists(path, kAttrDirectory, noTrace)) {
            result = true;
        } else {
            const char separator = platform::PathSeparator();
            std::optional<std::string> root = FindPathRoot(path, platform::NativePathStyle());
            if (root && FileExists(*root, kAttrDirectory, noTrace)) {
                std::string shortened = path;
                if (!shortened.empty() && shortened.back() == separator) shortened.pop_back();
                std::string current = *root;
                std::string_view rest =
                    std::string_view(shortened).substr(std::min(root->size(), shortened.size()));
                while (true) {
                    size_t cut = rest.find(separator);
                    current += rest.substr(0, cut);
                    current += separator;
                    if (!IsFolder(current)) CreateOneFolder(current);
                    if (cut == std::string_view::npos) break;
                    rest.remove_prefix(cut + 1);
                }
                result = true;
                WriteTrace("Created folder '" + shortened + "'");
            }
        }
    } catch (...) {
        if (!noTrace) trace::Error("Error checking/creating folder '" + path + "': ");
        return false;
    }
    if (!noTrace) trace::Detail("Exiting CheckCreateFolder (=" + TraceValue(result) + ")");
    return result;
}

std::string BytesToString(const std::vector<uint8_t>& bytes, int32_t start, int32_t end) {
    end = LastPosition(bytes, end);
    CheckRange(bytes, start, end);
    std::string ansi;
    for (int32_t i = start; i <= end; ++i) {
        if (bytes[i] != 0) ansi += static_cast<char>(bytes[i]);
    }
    return AnsiToUtf8(ansi);
}

std::string BytesToHex(const std::vector<uint8_t>& bytes, int32_t start, int32_t end, bool spaced) {
    static const char digits[] = "0123456789ABCDEF";
    end = LastPosition(bytes, end);
    CheckRange(bytes, start, end);
    std::string hex;
    for (int32_t i = start; i <= end; ++i) {
        if (spaced && i != start) hex += ' ';
        hex += digits[bytes[i] >> 4];
        hex += digits[bytes[i] & 0x0F];
    }
    return hex;
}

int16_t AbsInt(int16_t value) {
    if (value == INT16_MIN) RaiseError(ErrNo::Overflow);
    return static_cast<int16_t>(value < 0 ? -value : value);
}

}  // namespace quarnel
