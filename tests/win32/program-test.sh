#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# quarnel.exe under Wine beside a tray host (run inside with-tray.sh):
#   program-test.sh CASE QUARNEL_EXE TRAYPOKE_EXE
#   docks       the icon is docked in the tray
#   taskbar     an icon the shell has forgotten comes back with TaskbarCreated
#   endsession  the end of the session ends the program through Exit
set -euo pipefail
case=$1 quarnel=$2 poke=$3

run=$(mktemp -d "$WINEPREFIX/drive_c/quarnel-run.XXXXXX")
start_mark=$run/.start
touch "$start_mark"
program=
# Whatever is left is ended by the prefix's server (with-tray.sh).
cleanup() {
  [ -n "$program" ] && kill -KILL "$program" 2>/dev/null || true
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- trace" >&2
  [ -n "$(trace)" ] && tr -d '\r' <"$(trace)" >&2
  exit 1
}

# The trace of this run: the newest Trace.log of the prefix written since
# the start, wherever the application folder is.
trace() {
  find "$WINEPREFIX/drive_c" -name Trace.log -newer "$start_mark" -printf '%T@ %p\n' 2>/dev/null |
    sort -rn | head -n1 | cut -d' ' -f2-
}

# Waits up to a generous deadline for a condition (a command).
wait_for() {
  local deadline=$((SECONDS + 60))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

traced() { local t; t=$(trace); [ -n "$t" ] && tr -d '\r' <"$t" | grep -qF "$1"; }
# The tray host holds a window of Wine's desktop process: our icon.
docked_icons() {
  xwininfo -root -tree 2>/dev/null | sed -n '/"panel": ("panel"/,/"trayer": ("trayer"/p' |
    grep -c '("explorer.exe"' || true
}
docked() { [ "$(docked_icons)" -ge 1 ]; }
undocked() { [ "$(docked_icons)" -eq 0 ]; }

# Started in its run folder, so that a trace beside the working folder
# stays with this run.
(cd "$run" && exec wine "$quarnel" extended) &
program=$!
wait_for traced "Starting Quarnel" || fail "no start entry"
wait_for docked || fail "the icon was not docked"

case $case in
  docks) ;;
  taskbar)
    wine "$poke" delete || fail "the shell did not delete the icon"
    wait_for undocked || fail "the icon stayed after the shell deleted it"
    wine "$poke" taskbarcreated
    wait_for docked || fail "TaskbarCreated did not bring the icon back"
    ;;
  endsession)
    wine "$poke" endsession || fail "the session end was not answered"
    wait_for traced "Exiting Quarnel" || fail "no exit entry"
    wait_for undocked || fail "the icon stayed after the session ended"
    ended() { ! kill -0 "$program" 2>/dev/null; }
    wait_for ended || fail "the program kept running"
    program=
    ;;
  *) fail "unknown case $case" ;;
esac
echo "PASS: $case"
