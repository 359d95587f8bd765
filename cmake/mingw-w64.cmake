# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model: the win32 one has no std::mutex). Tests run under Wine. Only the
# floors, the Windows backend and their tests are built.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# The runtime is linked in, so that a test program needs only system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

set(QUARNEL_BACKEND win32 CACHE STRING "Backend of the seams: linux, win32 or null")
set(QUARNEL_SHELL win32 CACHE STRING "Program shell: qt or win32")
set(QUARNEL_BUILD_BENCH OFF CACHE BOOL "Build the benchmarks")
set(QUARNEL_BUILD_FUZZ OFF CACHE BOOL "Build the libFuzzer targets")
# GoogleTest from the sources Debian ships with libgtest-dev.
set(QUARNEL_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources to build")
