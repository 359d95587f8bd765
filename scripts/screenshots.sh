#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Photographs the balloon, the tray menu and the order page into
# docs/screenshots/ by running the end-to-end scenario on a virtual display.
# Builds what is missing first (Release build folder, like the demo).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${QUARNEL_BUILD_DIR:-build}
bash scripts/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target quarnel quarnel-shop quarnel-vscan quarnel-reg csp2-virtual
mkdir -p docs/screenshots
SCREENSHOT_DIR=$PWD/docs/screenshots bash tests/e2e/tray_e2e.sh "$build/src/quarnel" \
  "$build/tools/shop/quarnel-shop" "$build/tools/vscan/quarnel-vscan" \
  "$build/tools/reg/quarnel-reg" "$build/tools/vscan/libcsp2-virtual.so"
ls -1 "$PWD"/docs/screenshots/*.png
