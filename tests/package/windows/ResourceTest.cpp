// SPDX-License-Identifier: MIT
// The resources of the Windows program as the shell loads them: the icons by
// number, the version information and the manifest's effect on the process.
#include "platform/Windows.h"

#include <commctrl.h>
#include <gtest/gtest.h>
#include <winver.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/ShellNotify.h"

namespace {

std::string ThisProgram() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// The modules whose resources are checked: this test program, and the
// program when it is built.
std::vector<std::string> Modules() {
    std::vector<std::string> modules{ThisProgram()};
#ifdef QUARNEL_PROGRAM
    modules.push_back(QUARNEL_PROGRAM);
#endif
    return modules;
}

class ModuleResources : public testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        module_ = LoadLibraryExA(GetParam().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << GetParam() << ": error " << GetLastError();
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    HMODULE module_ = nullptr;
};

// The tray loads its icons with LoadImageA(hInstance, MAKEINTRESOURCE(n)); each
// number must give an icon at the tray's small and large sizes.
TEST_P(ModuleResources, IconsLoadByTheCoresNumbers) {
    for (int number : {quarnel::platform::kIconApplication, quarnel::platform::kIconScannerOK,
                       quarnel::platform::kIconScannerError}) {
        for (int size : {16, 20, 24, 32, 48}) {
            SCOPED_TRACE("icon " + std::to_string(number) + " at " + std::to_string(size));
            HANDLE icon = LoadImageA(module_, MAKEINTRESOURCEA(number), IMAGE_ICON, size, size, 0);
            ASSERT_NE(icon, nullptr);
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
            BITMAP colour{};
            GetObjectA(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(static_cast<HICON>(icon));
        }
    }
}

TEST_P(ModuleResources, ManifestAsksForCommonControls6DpiAwarenessAndNoElevation) {
    HRSRC found = FindResourceA(module_, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const auto* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
    const std::string manifest(data, SizeofResource(module_, found));
    for (const char* part : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"",
                             "level=\"asInvoker\"", "<dpiAware", ">true</dpiAware>"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos);
}

TEST_P(ModuleResources, VersionInformationIsTheProjectsVersion) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(GetParam().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(GetParam().c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    std::ostringstream numbers;
    numbers << HIWORD(fixed->dwFileVersionMS) << '.' << LOWORD(fixed->dwFileVersionMS) << '.'
            << HIWORD(fixed->dwFileVersionLS);
    EXPECT_EQ(numbers.str(), QUARNEL_VERSION);
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
}

INSTANTIATE_TEST_SUITE_P(Modules, ModuleResources, testing::ValuesIn(Modules()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             return info.index == 0 ? std::string("TestProgram")
                                                    : std::string("Program");
                         });

// The manifest takes effect in the process that carries it: the common
// controls come from the side-by-side copy of version 6 (Wine's own comctl32
// answers DllGetVersion with 5.81 in either copy), and the process is DPI aware.
TEST(ProcessManifest, LoadsCommonControls6AndIsDpiAware) {
    INITCOMMONCONTROLSEX init{sizeof init, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    std::string lower(path);
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("\\winsxs\\"), std::string::npos) << path;
    EXPECT_NE(lower.find("common-controls_6595b64144ccf1df_6.0."), std::string::npos) << path;
    EXPECT_TRUE(IsProcessDPIAware());
}

}  // namespace
