#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program under Wine on a private virtual X display, so that
# tests showing windows stay headless and apart from each other.
#   wine-xvfb.sh PROGRAM.exe [ARGS...]
set -u
folder=$(mktemp -d)
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$folder"' EXIT
# The server picks a free display and writes its number once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$folder/display" \
  >/dev/null 2>&1 &
server=$!
for _ in $(seq 1 600); do
  [ -s "$folder/display" ] && break
  kill -0 "$server" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.05
done
DISPLAY=:$(head -n 1 "$folder/display")
export DISPLAY
wine "$@"
