#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from a Release build of its own (no sanitizers,
# no tests, Debian's hardening flags) installing to /usr, and prints its path
# on standard output (the build's own output goes to standard error).
#   bash scripts/package.sh            # build-pkg/quarnel_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh >&2

build=${QUARNEL_PACKAGE_BUILD_DIR:-build-pkg}
# Hardening as Debian builds its packages: stack protector, fortified
# functions, read-only relocations bound at start. Debug information is
# stripped by cpack.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
  -DQUARNEL_BUILD_TESTS=OFF -DQUARNEL_BUILD_BENCH=OFF -DQUARNEL_SANITIZE=OFF >&2
cmake --build "$build" -j"$(nproc)" >&2
# The package's files are written with the permissions Debian expects.
(umask 022 && cd "$build" && rm -f quarnel_*.deb && cpack -G DEB >/dev/null)
ls "$build"/quarnel_*_amd64.deb
