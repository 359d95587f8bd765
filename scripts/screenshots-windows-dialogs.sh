#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes the pictures of the four dialogs in English and Dutch as the Windows
# program shows them, under Wine on a private virtual X server, and writes
# them to docs/screenshots/windows/.
#   scripts/screenshots-windows-dialogs.sh [BUILD_DIR]   (default: build-win)
# Wine uses WINEPREFIX as set, else a fresh prefix that is removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-win}
cmake --build "$build" -j2 --target win32_dialog_screenshots >/dev/null
program=$(realpath "$build/tests/win32/win32_dialog_screenshots.exe")
out="$PWD/docs/screenshots/windows"
mkdir -p "$out"
pictures=$(mktemp -d)
source scripts/lib/session.sh
cleanup() { session_cleanup; rm -rf "$pictures"; }
if [ -z "${WINEPREFIX:-}" ]; then
  export WINEPREFIX="$pictures/wine"
  mkdir -p "$WINEPREFIX"
  cleanup() { wineserver -k 2>/dev/null || true; session_cleanup; rm -rf "$pictures"; }
fi
trap cleanup EXIT
# Wine's desktop process keeps the display its prefix's server started on:
# without one it has none, and the dialogs close before they are drawn.
[ -n "${DISPLAY:-}" ] || session_xvfb
export WINEDEBUG=-all
# The server first: started after wineboot, it would find wineboot's own
# server still running and refuse. A prefix the caller keeps is ready.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineserver -p
  wineboot -i >/dev/null 2>&1
fi
# Without a window manager, Wine draws the title bars itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

for language in en nl; do
  case $language in
    en) locale=en_US.UTF-8 ;;
    nl) locale=nl_NL.UTF-8 ;;
  esac
  LANG=$locale LC_ALL= LC_MESSAGES= \
    tests/contract/win32/wine-xvfb.sh "$program" "$(winepath -w "$pictures")" "$language"
  for picture in "$pictures"/*-"$language".bmp; do
    # Without time stamps: unchanged pictures stay byte for byte the same.
    convert "$picture" -strip "$out/$(basename "${picture%.bmp}").png"
  done
done
