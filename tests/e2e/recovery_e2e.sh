#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built program on a virtual display with a tray host, with the shop
# down and the automatic saves off: a plugged-in scanner's order is kept as
# a recovery copy before the scanner is emptied, a stop signal while the
# program asks whether to save the order leaves that copy in place, and the
# next start says that an unsent order is waiting.
#
# Usage: recovery_e2e.sh QUARNEL SHOP VSCAN REG CSP2_LIBRARY
set -euo pipefail

quarnel=$1 shop=$2 vscan=$3 reg=$4 library=$5
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/session.sh"

session_require_display xdotool

work=$(mktemp -d)
trap 'session_cleanup; rm -rf "$work"' EXIT
session_shop_e2e "$work" "$reg" "$shop"
session_tray
export QUARNEL_CSP2_LIBRARY=$library
key='HKCU\Software\Hollinde\Quarnel'
for name in AutoSaveBarcodes AutoSaveOrders; do
  "$reg" add "$key" /v "$name" /t REG_SZ /d 0 /f >/dev/null || fail "cannot write $name"
done
data=$XDG_DATA_HOME/Quarnel

step() { echo "--- $*"; }
expect_trace() { wait_for "${2:-$SESSION_DEADLINE}" "the trace entry '$1'" trace_has "$1"; }
trace_starts() { trace_text | cut -f2- | grep -qF -- "$1"; }
copies() { find "$data" -maxdepth 1 -name 'Unsent order *.csv' 2>/dev/null; }
# The question's box: a visible window with the program's title that is
# not the tray icon.
question_shown() {
  local icon id
  icon=$(tray_icon_window)
  for id in $(xdotool search --onlyvisible --name '^Quarnel$' 2>/dev/null); do
    [ -n "$icon" ] && [ "$((icon))" -eq "$id" ] && continue
    return 0
  done
  return 1
}

step "the shop is down; plug a scanner holding one product"
QUARNEL_WEBSHOP=127.0.0.1:1 "$quarnel" extended >"$work/quarnel.log" 2>&1 &
quarnel_pid=$!
SESSION_PIDS+=("$quarnel_pid")
expect_trace "  Exiting frmMain.Form_Load"
"$vscan" plug COM7 8712345678906 Q0002 >/dev/null
wait_for "$SESSION_DEADLINE" "the question whether to save the order" \
  trace_starts "  Entering frmMain.ShowErrorWithoutOrder (Message = The order could not be sent!"
wait_for "$SESSION_DEADLINE" "the question's box" question_shown

copy=$(copies)
[ "$(wc -l <<<"$copy")" = 1 ] && [ -n "$copy" ] || fail "no single recovery copy: '$copy'"
grep -q "^8712345678906;2"$'\r'"$" "$copy" || fail "the recovery copy holds: $(cat "$copy")"
"$vscan" show COM7 | grep -q "8712345678906" && fail "the scanner still holds the barcodes"

step "SIGTERM while the question is open"
kill -TERM "$quarnel_pid"
# However the box is closed, the program ends and the copy stays.
if ! wait_for 15 "quarnel to end" process_gone "$quarnel_pid"; then
  xdotool search --onlyvisible --name '^Quarnel$' key Escape 2>/dev/null || true
  wait_for "$SESSION_DEADLINE" "quarnel to end after the box" process_gone "$quarnel_pid"
fi
status=0
wait "$quarnel_pid" || status=$?
[ $status -eq 0 ] || fail "quarnel ended with status $status: $(cat "$work/quarnel.log")"
expect_trace "Exiting Quarnel"
[ "$(copies)" = "$copy" ] || fail "the recovery copy is gone: '$(copies)'"
[ ! -s "$XDG_OPEN_LOG" ] || fail "an order page was opened"

step "the next start says that an unsent order is waiting"
"$quarnel" extended >"$work/quarnel2.log" 2>&1 &
quarnel_pid=$!
SESSION_PIDS+=("$quarnel_pid")
expect_trace "Unsent order waiting in '$copy'"
trace_starts "  Entering clsSysTray.ShowBalloon (Title = Unsent order waiting, Info = 1 unsent order(s) waiting in '$data'. Choose 'Resend saved order' to send them., Icon = 2, PlaySound = True)" ||
  fail "no balloon about the waiting order"
kill -TERM "$quarnel_pid"
wait_for "$SESSION_DEADLINE" "quarnel to end" process_gone "$quarnel_pid"
[ -f "$copy" ] || fail "the recovery copy went at start"
echo "PASSED"
