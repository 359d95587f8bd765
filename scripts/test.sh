#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${QUARNEL_TEST_BUILD_DIR:-build-test}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DQUARNEL_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300

# The core and its tests built for Windows with mingw-w64 and run under Wine,
# in a fresh Wine prefix of their own. The first start of a prefix takes
# seconds; one wineserver kept running serves every test after it.
win_build=${QUARNEL_WIN_BUILD_DIR:-build-win}
cmake -S . -B "$win_build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DQUARNEL_HOST_TOOLS_DIR="$(cd "$build" && pwd)/tools" >/dev/null
cmake --build "$win_build" -j"$(nproc)"
WINEPREFIX=$(mktemp -d)/wine
export WINEPREFIX WINEDEBUG=-all
# Wine's windows need a display, even hidden ones: without one its window
# system waits seconds before every first window. Tests that need a tray
# host start a display of their own.
source scripts/lib/session.sh
session_xvfb
trap 'wineserver -k 2>/dev/null || true; session_cleanup; rm -rf "$(dirname "$WINEPREFIX")"' EXIT
# The server first: started after wineboot, it would find wineboot's own
# server still running and refuse.
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1
# The server keeps the registry in memory and writes it out now and then,
# on a busy machine even while wineboot is still filling it. The tests beside
# a tray host copy the prefix's files, so the server is ended once, which
# writes the whole registry, and started again for the tests.
wineserver -k || true
wineserver -w
test -f "$WINEPREFIX/user.reg" -a -f "$WINEPREFIX/system.reg" ||
  { echo "test: the new Wine prefix has no registry on disk" >&2; exit 1; }
wineserver -p
# Wine's services started again here, with their output going nowhere: a
# test that started them would hand them its output, and ctest would wait
# for that to close until the test timed out.
wineboot >/dev/null 2>&1
ctest --test-dir "$win_build" --output-on-failure -j"$(nproc)" --timeout 300
wineserver -k || true

# The Windows installer and zip from a Release cross build of their own,
# installed, started and removed under Wine in a prefix of the check's own.
win_packages=$(bash scripts/package-windows.sh)
mapfile -t win_packages <<<"$win_packages"
bash tests/package/check-windows-installer.sh "${win_packages[@]}"

# The Debian package users install: a Release build of its own (the test
# build's sanitizers must not ship), unpacked and checked.
deb=$(bash scripts/package.sh)
bash tests/package/check-deb.sh "$deb"

# The fuzz targets, built with clang in a folder of their own: each runs over
# its seed corpus, then fuzzes a few seconds more, so that an input that once
# crashed a parser keeps being tried.
fuzz_build=${QUARNEL_FUZZ_BUILD_DIR:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$fuzz_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUARNEL_BUILD_FUZZ=ON -DQUARNEL_BUILD_TESTS=OFF -DQUARNEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$fuzz_build" -j"$(nproc)" --target quarnel_fuzz
ctest --test-dir "$fuzz_build" --output-on-failure -j"$(nproc)" --timeout 120
