// SPDX-License-Identifier: MIT
#include "shell/win32/Win32Icons.h"

namespace quarnel::win32 {
namespace {

// A distinct stock picture per state, so that the states stay apart even
// without the program's own icons.
const char* StockIcon(platform::HICON number) {
    switch (number) {
        case platform::kIconScannerOK:
            return IDI_INFORMATION;
        case platform::kIconScannerError:
            return IDI_WARNING;
        default:
            return IDI_APPLICATION;
    }
}

}  // namespace

::HICON LoadProgramIcon(platform::HICON number) {
    if (number > 0 && number <= 0xFFFF) {
        HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(number), IMAGE_ICON,
                                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                 LR_DEFAULTCOLOR | LR_SHARED);
        if (icon) return static_cast<::HICON>(icon);
    }
    return LoadIconA(nullptr, StockIcon(number));
}

}  // namespace quarnel::win32
