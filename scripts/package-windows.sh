#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Windows installer and the portable zip from a Release cross
# build of their own (no tests) and prints their paths on standard output;
# the build's output, and a note for each part that this tree does not build
# yet, go to standard error.
#   bash scripts/package-windows.sh   # build-win-pkg/Quarnel-<version>-setup.exe
#                                     # build-win-pkg/Quarnel-<version>-portable.zip
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh >&2

build=${QUARNEL_WIN_PACKAGE_BUILD_DIR:-build-win-pkg}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUARNEL_BUILD_TESTS=OFF -DQUARNEL_BUILD_BENCH=OFF >&2
cmake --build "$build" -j"$(nproc)" >&2
cmake --build "$build" --target quarnel_windows_packages >&2

while read -r target; do
  [ -z "$target" ] || echo "note: $target is not built on this tree: the packages go without it" >&2
done <"$build/packaging/windows/missing.txt"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
# The setup first, then the zip: the order check-windows-installer.sh takes.
for package in "$build/Quarnel-$version-setup.exe" "$build/Quarnel-$version-portable.zip"; do
  [ -f "$package" ] || { echo "error: $package was not built" >&2; exit 1; }
  echo "$package"
done
