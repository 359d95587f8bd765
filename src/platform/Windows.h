// SPDX-License-Identifier: MIT
// The one place <windows.h> is included, lean and without the min and max
// macros. Elsewhere it is empty: the seams then define the Win32 names they
// use themselves, each only where <windows.h> has not defined it already.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
