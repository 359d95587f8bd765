#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Compiles every seam header of src/platform on its own, and with mingw-w64
# once with <windows.h> included before it and once after it, so that the
# seams keep living beside the Win32 headers. Exits 77 (skipped) when the
# mingw-w64 compiler is missing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
native=${CXX:-c++}
mingw=x86_64-w64-mingw32-g++-posix
command -v "$mingw" >/dev/null || { echo "no $mingw: skipped"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=0
compile() {  # compiler, label, source text
    printf '%s\n' "$3" >"$work/check.cpp"
    if ! "$1" -std=c++20 -fsyntax-only -Wall -Wextra -Werror -I"$root/src" "$work/check.cpp" \
        >"$work/errors" 2>&1; then
        echo "FAILED: $2"
        head -n 20 "$work/errors"
        failed=1
    fi
}

# One unit holds <windows.h> before every seam; each seam then opens a unit
# of its own, alone and before <windows.h>.
before=$'#include <windows.h>'
for header in "$root"/src/platform/*.h; do
    name=platform/$(basename "$header")
    before+=$'\n'"#include \"$name\""
    compile "$native" "$name alone" "#include \"$name\""
    compile "$mingw" "<windows.h> after $name" "#include \"$name\""$'\n#include <windows.h>'
done
compile "$mingw" "<windows.h> before the seams" "$before"
exit "$failed"
