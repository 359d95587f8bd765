// SPDX-License-Identifier: MIT
// The dialogs' pictures as compiled into the program: copies of
// src/resources/icons/dialogs/*.svg, checked against those files by the
// form renderer's tests.
#include <string>

#include "shell/win32/Win32Pictures.h"

namespace quarnel::win32 {
namespace {

struct Source {
    const char* resource;
    const char* svg;
};

// clang-format off
const Source kSources[] = {
    {":/dialogs/battery-low.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <rect x="3" y="9" width="23" height="14" rx="2" fill="#ffffff" stroke="#3c4650" stroke-width="2"/>
  <rect x="26" y="13" width="3" height="6" rx="1" fill="#3c4650"/>
  <rect x="6" y="12" width="4.5" height="8" fill="#d83a2e"/>
</svg>
)svg"},
    {":/dialogs/battery-ok.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <rect x="3" y="9" width="23" height="14" rx="2" fill="#ffffff" stroke="#3c4650" stroke-width="2"/>
  <rect x="26" y="13" width="3" height="6" rx="1" fill="#3c4650"/>
  <rect x="6" y="12" width="4.5" height="8" fill="#3aa04a"/>
  <rect x="12" y="12" width="4.5" height="8" fill="#3aa04a"/>
  <rect x="18" y="12" width="4.5" height="8" fill="#3aa04a"/>
</svg>
)svg"},
    {":/dialogs/clock-disabled.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <circle cx="15" cy="16" r="11.5" fill="#f0f0f0" stroke="#a0a4a8" stroke-width="2"/>
  <g stroke="#a0a4a8" stroke-width="1.5" stroke-linecap="round">
    <line x1="15" y1="6.5" x2="15" y2="8.5"/><line x1="15" y1="23.5" x2="15" y2="25.5"/>
    <line x1="5.5" y1="16" x2="7.5" y2="16"/><line x1="22.5" y1="16" x2="24.5" y2="16"/>
  </g>
  <g stroke="#a0a4a8" stroke-width="2.2" stroke-linecap="round">
    <line x1="15" y1="16" x2="15" y2="10"/>
    <line x1="15" y1="16" x2="19.5" y2="18.5"/>
  </g>
  <circle cx="15" cy="16" r="1.4" fill="#a0a4a8"/>
  <path d="M23 2.5l6 4.5-6 4.5z" fill="#c4c7ca"/>
</svg>
)svg"},
    {":/dialogs/clock-hot.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <circle cx="15" cy="16" r="11.5" fill="#fff7d6" stroke="#1f6fd0" stroke-width="2"/>
  <g stroke="#1f6fd0" stroke-width="1.5" stroke-linecap="round">
    <line x1="15" y1="6.5" x2="15" y2="8.5"/><line x1="15" y1="23.5" x2="15" y2="25.5"/>
    <line x1="5.5" y1="16" x2="7.5" y2="16"/><line x1="22.5" y1="16" x2="24.5" y2="16"/>
  </g>
  <g stroke="#10355f" stroke-width="2.2" stroke-linecap="round">
    <line x1="15" y1="16" x2="15" y2="10"/>
    <line x1="15" y1="16" x2="19.5" y2="18.5"/>
  </g>
  <circle cx="15" cy="16" r="1.4" fill="#10355f"/>
  <path d="M23 2.5l6 4.5-6 4.5z" fill="#f08a00"/>
</svg>
)svg"},
    {":/dialogs/clock.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <circle cx="15" cy="16" r="11.5" fill="#ffffff" stroke="#3a5f8f" stroke-width="2"/>
  <g stroke="#3a5f8f" stroke-width="1.5" stroke-linecap="round">
    <line x1="15" y1="6.5" x2="15" y2="8.5"/><line x1="15" y1="23.5" x2="15" y2="25.5"/>
    <line x1="5.5" y1="16" x2="7.5" y2="16"/><line x1="22.5" y1="16" x2="24.5" y2="16"/>
  </g>
  <g stroke="#223344" stroke-width="2.2" stroke-linecap="round">
    <line x1="15" y1="16" x2="15" y2="10"/>
    <line x1="15" y1="16" x2="19.5" y2="18.5"/>
  </g>
  <circle cx="15" cy="16" r="1.4" fill="#223344"/>
  <path d="M23 2.5l6 4.5-6 4.5z" fill="#3a8f5f"/>
</svg>
)svg"},
    {":/dialogs/logo.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="96" height="96" viewBox="0 0 96 96">
  <rect x="4" y="4" width="88" height="88" rx="16" fill="#2b5d9b"/>
  <rect x="24" y="14" width="48" height="70" rx="10" fill="#f4f7fb" stroke="#163a66" stroke-width="3"/>
  <rect x="31" y="22" width="34" height="20" rx="2" fill="#163a66"/>
  <path d="M36 42h24l6 10H30z" fill="#e34b3c" opacity="0.85"/>
  <g fill="#163a66">
    <rect x="32" y="56" width="3" height="20"/><rect x="37" y="56" width="1.5" height="20"/>
    <rect x="40.5" y="56" width="4" height="20"/><rect x="46.5" y="56" width="1.5" height="20"/>
    <rect x="50" y="56" width="3" height="20"/><rect x="55" y="56" width="1.5" height="20"/>
    <rect x="58.5" y="56" width="4" height="20"/>
  </g>
</svg>
)svg"},
    {":/dialogs/options-autosave.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <path d="M5 5h18l4 4v18H5z" fill="#4f7fbf" stroke="#2b4f80" stroke-width="1.5" stroke-linejoin="round"/>
  <rect x="10" y="5" width="11" height="8" fill="#e8eef7" stroke="#2b4f80" stroke-width="1.2"/>
  <rect x="17" y="6.5" width="2.5" height="5" fill="#2b4f80"/>
  <rect x="9" y="17" width="14" height="10" rx="1" fill="#ffffff" stroke="#2b4f80" stroke-width="1.2"/>
  <g stroke="#9aaecb" stroke-width="1.2">
    <line x1="11" y1="20.5" x2="21" y2="20.5"/>
    <line x1="11" y1="23.5" x2="21" y2="23.5"/>
  </g>
</svg>
)svg"},
    {":/dialogs/options-general.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <g fill="none" stroke="#3a5f8f" stroke-width="2.5" stroke-linecap="round">
    <line x1="5" y1="9" x2="27" y2="9"/>
    <line x1="5" y1="16" x2="27" y2="16"/>
    <line x1="5" y1="23" x2="27" y2="23"/>
  </g>
  <g fill="#f2f6fb" stroke="#3a5f8f" stroke-width="2">
    <circle cx="11" cy="9" r="3.2"/>
    <circle cx="21" cy="16" r="3.2"/>
    <circle cx="14" cy="23" r="3.2"/>
  </g>
</svg>
)svg"},
    {":/dialogs/options-tracefile.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <path d="M7 3h13l6 6v20H7z" fill="#ffffff" stroke="#5a6470" stroke-width="1.5" stroke-linejoin="round"/>
  <path d="M20 3v6h6" fill="#e3e7ec" stroke="#5a6470" stroke-width="1.5" stroke-linejoin="round"/>
  <g stroke="#3a8f5f" stroke-width="1.8" stroke-linecap="round">
    <line x1="10.5" y1="13" x2="13" y2="13"/><line x1="15" y1="13" x2="22.5" y2="13"/>
    <line x1="10.5" y1="17" x2="13" y2="17"/><line x1="15" y1="17" x2="20.5" y2="17"/>
    <line x1="10.5" y1="21" x2="13" y2="21"/><line x1="15" y1="21" x2="22.5" y2="21"/>
    <line x1="10.5" y1="25" x2="13" y2="25"/><line x1="15" y1="25" x2="19" y2="25"/>
  </g>
</svg>
)svg"},
    {":/dialogs/options-userid.svg", R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <rect x="2.5" y="6.5" width="27" height="19" rx="2.5" fill="#f4f1e8" stroke="#7a6a3a" stroke-width="1.5"/>
  <circle cx="10.5" cy="13.5" r="3.2" fill="#c98a3a"/>
  <path d="M5.5 22.5c0.6-3.5 2.7-5 5-5s4.4 1.5 5 5z" fill="#c98a3a"/>
  <g stroke="#7a6a3a" stroke-width="1.6" stroke-linecap="round">
    <line x1="18.5" y1="12" x2="26" y2="12"/>
    <line x1="18.5" y1="16" x2="26" y2="16"/>
    <line x1="18.5" y1="20" x2="23.5" y2="20"/>
  </g>
</svg>
)svg"},
};
// clang-format on

}  // namespace

const char* PictureSource(const std::string& resource) {
    for (const Source& source : kSources)
        if (resource == source.resource) return source.svg;
    return nullptr;
}

}  // namespace quarnel::win32
