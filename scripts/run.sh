#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds Quarnel and starts it. Arguments are passed
# to quarnel (for example: extended).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=${QUARNEL_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUARNEL_BUILD_TESTS=OFF -DQUARNEL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
exec "$build/src/quarnel" "$@"
