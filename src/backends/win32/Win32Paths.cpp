// SPDX-License-Identifier: MIT
// Windows paths: the application folder in the user's application data
// (%APPDATA%\Quarnel), which an installed program's own folder is not.
#include "platform/Paths.h"

#include "backends/win32/Win32Text.h"
#include "base/Ansi.h"
#include "base/ErrorInfo.h"
#include "platform/Windows.h"

#include <shlobj.h>

namespace quarnel::platform {

namespace {

// True when every character of the UTF-8 path is one the code page has.
bool FitsCodePage(const std::string& utf8) {
    return AnsiToUtf8(Utf8ToAnsi(utf8)) == utf8;
}

// The path as the program's UTF-8, or its short form (where the volume keeps
// one) when the long form does not pass the test.
template <typename Test>
std::string UsablePath(const std::wstring& path, Test usable) {
    const std::string utf8 = Utf8FromWide(path);
    if (usable(utf8)) return utf8;
    std::wstring shortName(MAX_PATH, L'\0');
    const DWORD length =
        GetShortPathNameW(path.c_str(), shortName.data(), static_cast<DWORD>(shortName.size()));
    if (length == 0 || length >= shortName.size()) return utf8;
    shortName.resize(length);
    const std::string shortUtf8 = Utf8FromWide(shortName);
    return usable(shortUtf8) ? shortUtf8 : utf8;
}

std::wstring RoamingAppData() {
    wchar_t folder[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return folder;
    return {};
}

// The folder part of a path, without the separator.
std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

}  // namespace

PathStyle NativePathStyle() {
    return PathStyle::Windows;
}

char PathSeparator() {
    return '\\';
}

// Without a profile (a service account, say) the executable's folder serves.
std::string ApplicationFolder() {
    const std::wstring appData = RoamingAppData();
    if (appData.empty()) return FolderOf(ExecutablePath());
    // The core also opens files with the C library, which reads a path in
    // the ANSI code page: a folder outside ASCII goes by its short name.
    std::string folder = UsablePath(appData, IsAscii);
    while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
    return folder + "\\" + kAppTitle;
}

// The folder inherits the rights of the user's profile, which others may
// not read: Windows' own way of keeping it private.
bool EnsureApplicationFolder() {
    const std::string folder = ApplicationFolder();
    if (folder.empty()) return false;
    const std::wstring wide = WideFromUtf8(folder);
    // Creates the missing parents too; an existing folder is fine.
    const int result = SHCreateDirectoryExW(nullptr, wide.c_str(), nullptr);
    if (result != ERROR_SUCCESS && result != ERROR_ALREADY_EXISTS && result != ERROR_FILE_EXISTS)
        return false;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::string ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            // The autostart entry holds it in the registry's code page.
            return UsablePath(path, FitsCodePage);
        }
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
}

}  // namespace quarnel::platform
