#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-License-Identifier: MIT
# The built program on a virtual display with a tray host, reading a
# scanner through the native serial link: an emulated OPN-2001 on a
# pseudo-terminal is plugged in, its barcodes become an order in the
# reference shop with its page opened and the files written, unplugging
# it is noticed, and SIGTERM ends the program with its exit entry within
# 5 s while a scanner drip-feeding noise keeps its connection busy.
#
# Usage: native_e2e.sh QUARNEL SHOP VSCAN REG OPN2001_LIBRARY
set -euo pipefail

quarnel=$1 shop=$2 vscan=$3 reg=$4 library=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/session.sh"

session_require_display sqlite3

work=$(mktemp -d)
trap 'session_cleanup; rm -rf "$work"' EXIT
session_shop_e2e "$work" "$reg" "$shop"
session_tray
# The scanner's file lives outside the virtual ports' folder, so that only
# the emulated serial port shows it.
scanners=$work/scanners com=$work/com
mkdir -p "$scanners" "$com"
unset QUARNEL_VIRTUAL_PORTS
export QUARNEL_CSP2_LIBRARY=$library QUARNEL_COM_DEVICES=$com

step() { echo "--- $*"; }
expect_trace() { wait_for "${2:-$SESSION_DEADLINE}" "the trace entry '$1'" trace_has "$1"; }

step "start with no scanner"
"$quarnel" extended >"$work/quarnel.log" 2>&1 &
quarnel_pid=$!
SESSION_PIDS+=("$quarnel_pid")
expect_trace "No supported device detected"

step "plug an emulated scanner holding two products"
"$vscan" --dir "$scanners" plug COM7 8712345678906 Q0002 4006381333931 Q0012 >/dev/null
"$vscan" --dir "$scanners" serve COM7 >"$work/serve.log" 2>&1 &
serve_pid=$!
SESSION_PIDS+=("$serve_pid")
wait_for "$SESSION_DEADLINE" "the order page to be opened" test -s "$XDG_OPEN_LOG"
lines=$(sqlite3 "$work/shop.db" \
  "SELECT product || '=' || quantity FROM order_lines WHERE order_number = 1 ORDER BY position")
[ "$lines" = $'8712345678906=2\n4006381333931=12' ] || fail "the shop stored: $lines"
expect_trace "Order 1 sent succesfully"
ls "$XDG_DATA_HOME"/Quarnel/Barcodes/*.txt >/dev/null 2>&1 || fail "no read-out file written"
grep -q "^8712345678906;2" "$XDG_DATA_HOME"/Quarnel/Orders/*.csv || fail "order file content"
# A read-out that reached the shop empties the scanner.
"$vscan" --dir "$scanners" show COM7 | grep -q "8712345678906" &&
  fail "the scanner still holds the barcodes"

step "unplug the emulated scanner"
kill "$serve_pid"
expect_trace "Device OPN-2001 disconnected."

step "plug a scanner that drips noise instead of replies"
connecting="Connecting to OPN-2001 on COM port 7..."
connects() { trace_text | cut -f2- | grep -cxF -- "$connecting" || true; }
connected_before=$(connects)
"$vscan" --dir "$scanners" serve COM7 --drip 9 >"$work/drip.log" 2>&1 &
SESSION_PIDS+=("$!")
more_connects() { [ "$(connects)" -gt "$connected_before" ]; }
wait_for "$SESSION_DEADLINE" "a connection attempt to the dripping scanner" more_connects

step "SIGTERM ends the program within 5 s, during that attempt"
started=$(date +%s%N)
kill -TERM "$quarnel_pid"
wait_for "$SESSION_DEADLINE" "quarnel to end" process_gone "$quarnel_pid"
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
echo "quarnel ended $elapsed_ms ms after SIGTERM"
[ "$elapsed_ms" -lt 5000 ] || fail "quarnel took $elapsed_ms ms to end"
status=0
wait "$quarnel_pid" || status=$?
[ $status -eq 0 ] || fail "quarnel ended with status $status: $(cat "$work/quarnel.log")"
last=$(trace_text | tail -1 | cut -f2-)
[ "$last" = "Exiting Quarnel" ] || fail "the trace ends with '$last'"
echo "PASSED"
