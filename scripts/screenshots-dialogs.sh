#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Takes the pictures of the four dialogs in English and Dutch under a
# virtual X server and writes them to docs/screenshots/.
#   scripts/screenshots-dialogs.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
cmake --build "$build" -j2 --target qt_dialog_screenshots csp2-virtual >/dev/null
program=$(realpath "$build/tests/qt/qt_dialog_screenshots")
library=$(realpath "$build/tools/vscan/libcsp2-virtual.so")
out="$PWD/docs/screenshots"
mkdir -p "$out"

for language in en nl; do
  case $language in
    en) locale=en_US.UTF-8 ;;
    nl) locale=nl_NL.UTF-8 ;;
  esac
  # A private home: the sample settings and the virtual scanner stay there.
  home=$(mktemp -d)
  mkdir -p "$home/ports"
  env -i PATH="$PATH" HOME="$home" XDG_CONFIG_HOME="$home/.config" \
      XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$home" \
      LANG="$locale" LC_ALL= QT_QPA_PLATFORM=xcb \
      QUARNEL_VIRTUAL_PORTS="$home/ports" QUARNEL_CSP2_LIBRARY="$library" \
      xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$program" "$out" "$language"
  rm -rf "$home"
done
