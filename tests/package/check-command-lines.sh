#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check-command-lines.sh VERSION QUARNEL REG SHOP VSCAN: each program answers
# --help and --version on standard output with status 0, without a display,
# and quarnel's help follows the language.
set -uo pipefail
version=$1
shift
failed=0
fail() { echo "FAIL: $*"; failed=1; }
headless=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C.UTF-8 LC_ALL= LC_MESSAGES=)

for program in "$@"; do
  name=$(basename "$program")
  out=$("${headless[@]}" "$program" --version 2>/dev/null)
  status=$?
  [ $status -eq 0 ] && [ "$out" = "$name $version" ] ||
    fail "$name --version: status $status, '$out'"
  out=$("${headless[@]}" "$program" --help 2>/dev/null)
  status=$?
  [ $status -eq 0 ] && [[ "$out" == *"$name"* ]] && [ "$(wc -l <<<"$out")" -gt 2 ] ||
    fail "$name --help: status $status, '$out'"
done

quarnel=$1
out=$("${headless[@]}" LC_MESSAGES=nl_NL.UTF-8 "$quarnel" --help)
[[ "$out" == "gebruik: quarnel [extended]"* ]] || fail "quarnel --help in Dutch: '$out'"
out=$("${headless[@]}" LANG=nl_BE.UTF-8 LC_ALL=en_GB.UTF-8 "$quarnel" --help)
[[ "$out" == "usage: quarnel [extended]"* ]] || fail "quarnel --help with LC_ALL English: '$out'"
exit $failed
