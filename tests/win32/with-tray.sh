#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command under Wine beside a tray host: a private Xvfb display with
# trayer (an XEmbed tray) on it, and a Wine prefix of its own, linked from
# the test run's prefix. The own prefix gives the command a wineserver and a
# desktop process of its own, started on this display, so that other tests
# running at the same time (without a display) cannot take the tray away.
#   with-tray.sh [--keep-display FILE] COMMAND...
# The display's name is in $DISPLAY, the prefix in $WINEPREFIX.
set -euo pipefail

base=${WINEPREFIX:-$HOME/.wine}
# A prefix whose server has not yet written its registry would be copied
# without one: no file associations, no settings.
[ -f "$base/system.reg" ] || {
  echo "with-tray: $base has no registry on disk yet (end its server: wineserver -k)" >&2
  exit 1
}
work=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-tray.XXXXXX")
xvfb=
tray=
cleanup() {
  # The prefix's own server ends with the processes it still has.
  WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
  [ -n "$tray" ] && kill "$tray" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 1 300); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "with-tray: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

start_tray() {
  trayer --edge bottom --align right --widthtype request --height 32 --expand true \
    --SetDockType true --transparent false --tint 0xd0d0d0 >/dev/null 2>&1 &
  tray=$!
}
tray_up() { xwininfo -root -tree 2>/dev/null | grep -q '("panel" "trayer")'; }
# The tray is there once its panel is; a tray host that ended at once is
# started again.
start_tray
for _ in $(seq 1 100); do
  tray_up && break
  kill -0 "$tray" 2>/dev/null || start_tray
  sleep 0.2
done
tray_up || { echo "with-tray: trayer did not start" >&2; exit 1; }

# Hard links: the server writes its registry files anew and renames them,
# so the test run's prefix is never changed through them.
cp -al "$base" "$work/prefix"
export WINEPREFIX="$work/prefix"
wineserver -p 2>/dev/null || true

"$@"
