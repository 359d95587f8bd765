// SPDX-License-Identifier: MIT
// Scanner file stamps from the file's handle information, and the folder in
// the user's local application data.
#include <shlobj.h>

#include <algorithm>

#include "FileStamp.h"
#include "backends/linux/VirtualPorts.h"
#include "platform/Windows.h"

namespace quarnel::vscan {

std::optional<FileStamp> StampOf(const std::string& path) {
    HANDLE file = ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    if (!known || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return std::nullopt;
    auto wide = [](DWORD high, DWORD low) { return (uint64_t{high} << 32) | low; };
    return FileStamp{info.dwVolumeSerialNumber, wide(info.nFileIndexHigh, info.nFileIndexLow),
                     wide(info.nFileSizeHigh, info.nFileSizeLow),
                     static_cast<int64_t>(wide(info.ftLastWriteTime.dwHighDateTime,
                                               info.ftLastWriteTime.dwLowDateTime))};
}

std::string VirtualFolder() {
    std::string folder = platform::virtual_ports::FolderFromEnvironment();
    if (!folder.empty()) return folder;
    char localData[MAX_PATH] = {};
    if (::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localData) !=
        S_OK)
        return "";
    return std::string(localData) + "\\Quarnel\\Virtual scanners";
}

std::string PortFile(const std::string& folder, const std::string& port) {
    return folder + "\\Virtual " + port + ".scanner";
}

// The file functions take '/' for '\\', but a rename's target goes to the
// system as it is given.
std::string Backslashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool MoveOver(const std::string& from, const std::string& to, std::string& error) {
    if (::MoveFileExA(Backslashed(from).c_str(), Backslashed(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING))
        return true;
    error = "system error " + std::to_string(::GetLastError());
    return false;
}

}  // namespace quarnel::vscan
