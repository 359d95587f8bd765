#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-License-Identifier: MIT
# The built program on a virtual display with a tray host: "Settings" in the
# tray menu opens the options dialog (once, however often it is chosen), a
# changed setting confirmed with Enter reaches the settings store, and
# Escape closes the dialog without storing anything; "Scanner settings"
# switches a plugged-in virtual scanner's beeper off. "Exit", SIGTERM and
# SIGHUP with the options dialog open close it as Cancel does, report the
# unsaved change and end the program at once.
#
# Usage: options_e2e.sh QUARNEL REG VSCAN CSP2_LIBRARY
set -euo pipefail

quarnel=$1 reg=$2 vscan=$3 library=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/session.sh"

session_require_display xwininfo xdotool

work=$(mktemp -d)
trap 'session_cleanup || true; rm -rf "$work"' EXIT
session_profile "$work" "$reg" 100 jan secret
export QUARNEL_CSP2_LIBRARY=$library
session_xvfb
session_dbus
session_tray

step() { echo "--- $*"; }
key='HKCU\Software\Hollinde\Quarnel'
stored() { "$reg" query "$key" /v QuantityPositioning | awk '/QuantityPositioning/ {print $NF}'; }
dialogs() { xdotool search --onlyvisible --name "^${1:-Settings}\$" 2>/dev/null || true; }
dialog_count() { dialogs | grep -c . || true; }
dialog_open() { [ "$(dialog_count)" -ge 1 ]; }
dialog_closed() { [ "$(dialog_count)" -eq 0 ]; }
# The trace of the current run, from its start entry on.
run_trace() { trace_text | cut -f2- | awk '/^Starting Quarnel$/ {n = 0} {line[n++] = $0}
  END {for (i = 0; i < n; i++) print line[i]}'; }
run_count() { run_trace | grep -cxF -- "$1" || true; }
# The program's menu window, mapped and ready for keys.
menu_window() { xdotool search --onlyvisible --pid "$quarnel_pid" --class quarnel 2>/dev/null |
  while read -r w; do xwininfo -id "$w" | grep -q "Override Redirect State: yes" && echo "$w"; done; }
menu_shown() { [ -n "$(menu_window)" ]; }
# Right-clicks the icon until the program has opened its menu. A click that
# comes while the last menu still holds the pointer is lost, and one that
# comes while a menu is open closes it: either way, the next click opens it.
open_menu() {
  local before deadline=$((SECONDS + SESSION_DEADLINE))
  before=$(run_count "  Opening context menu...")
  menu_ready() { [ "$(run_count "  Opening context menu...")" -gt "$before" ] && menu_shown; }
  until menu_ready; do
    ((SECONDS < deadline)) || fail "the tray menu did not open"
    click_tray_icon 3
    wait_for 5 "the tray menu" menu_ready 2>/dev/null || true
  done
}
# With extended logging the menu ends with: Settings, Info, Exit, Extended logging.
choose_settings() {
  open_menu
  xdotool key Up Up Up Up Return
}

start_quarnel() {
  "$quarnel" extended >"$work/quarnel.log" 2>&1 &
  quarnel_pid=$!
  SESSION_PIDS+=($quarnel_pid)
  wait_for "$SESSION_DEADLINE" "the icon in the tray" tray_icon_shown
}

"$reg" add "$key" /v QuantityPositioning /t REG_SZ /d 1 /f >/dev/null
start_quarnel

step "Settings opens the options dialog, and only once"
choose_settings
wait_for "$SESSION_DEADLINE" "the options dialog" dialog_open
choose_settings
handled_twice() { [ "$(run_count "  Handling frmMain.mnuOptions_Click")" -eq 2 ]; }
wait_for "$SESSION_DEADLINE" "the second choice of Settings" handled_twice
menu_returned() { [ "$(run_count "  Exiting frmMain.m_objTray_OnTrayEvent")" -ge 2 ]; }
wait_for "$SESSION_DEADLINE" "the menu's handler to return" menu_returned
[ "$(run_count "  Entering frmOptions.Form_Load")" -eq 1 ] || fail "the options dialog was loaded twice"
[ "$(dialog_count)" -eq 1 ] || fail "$(dialog_count) options dialogs are open"

step "Escape closes it and stores nothing"
xdotool windowfocus --sync "$(dialogs | head -1)"
xdotool key Down Escape
wait_for "$SESSION_DEADLINE" "the dialog to close" dialog_closed
[ "$(stored)" = 1 ] || fail "Escape stored QuantityPositioning $(stored)"

step "the other quantity placing, confirmed with Enter, is stored"
choose_settings
wait_for "$SESSION_DEADLINE" "the options dialog" dialog_open
xdotool windowfocus --sync "$(dialogs | head -1)"
# The first control, the quantity placing list, has the focus.
xdotool key Down Return
wait_for "$SESSION_DEADLINE" "the dialog to close" dialog_closed
stored_zero() { [ "$(stored)" = 0 ]; }
wait_for "$SESSION_DEADLINE" "QuantityPositioning 0 in the store" stored_zero

step "Scanner settings switches the plugged-in scanner's beeper off"
"$vscan" plug COM7 >/dev/null
wait_for "$SESSION_DEADLINE" "the scanner to be read" trace_has "The scanner contains no scanned data"
open_menu
# The scanner items open the menu: read-out, information, settings.
xdotool key Down Down Down Return
scanner_dialog_open() { [ -n "$(dialogs 'OPN-2001 Settings')" ]; }
wait_for "$SESSION_DEADLINE" "the scanner settings dialog" scanner_dialog_open
xdotool windowfocus --sync "$(dialogs 'OPN-2001 Settings' | head -1)"
# The beeper box is the first control and has the focus.
xdotool key space Return
beeper_off() { "$vscan" show COM7 | grep -q '^Beeper: *off$'; }
wait_for "$SESSION_DEADLINE" "the beeper to be switched off" beeper_off

# Opens the options dialog and clears "Automatically save read barcodes in:"
# without confirming it.
edit_settings() {
  choose_settings
  wait_for "$SESSION_DEADLINE" "the options dialog" dialog_open
  xdotool windowfocus --sync "$(dialogs | head -1)"
  # From the quantity placing list past "Automatically start Quarnel".
  xdotool key Tab Tab space
  edited() { run_trace | grep -qxF "  Handling frmOptions.chkSaveBarcodes_Click"; }
  wait_for "$SESSION_DEADLINE" "the cleared check box" edited
}
saving_barcodes() { "$reg" query "$key" /v AutoSaveBarcodes | awk '/AutoSaveBarcodes/ {print $NF}'; }
# The run ended with status 0; the change was reported, the dialog closed as
# Cancel before the window was unloaded, and nothing was stored.
ended_as_cancel() {
  local status=0 order
  wait $quarnel_pid || status=$?
  [ $status -eq 0 ] || fail "quarnel ended with status $status: $(cat "$work/quarnel.log")"
  order=$(run_trace | grep -xF -e "  Handling frmOptions.cmdCancel_Click" \
    -e "Quarnel is ending: the changes in frmOptions were not saved" \
    -e "  Entering frmMain.Form_Unload" -e "Exiting Quarnel" | tail -4 | tr '\n' '|')
  [ "$order" = "Quarnel is ending: the changes in frmOptions were not saved|  Handling frmOptions.cmdCancel_Click|  Entering frmMain.Form_Unload|Exiting Quarnel|" ] ||
    fail "unexpected ending: $order"
  grep -qF "Quarnel is ending: the changes in frmOptions were not saved" "$work/quarnel.log" ||
    fail "the unsaved change is not reported on standard error"
  [ "$(saving_barcodes)" = 1 ] || fail "the unconfirmed change was stored"
}

step "Exit with the options dialog open closes it as Cancel and ends the program"
edit_settings
open_menu
xdotool key Up Up Return
wait_for "$SESSION_DEADLINE" "quarnel to end" process_gone $quarnel_pid
ended_as_cancel

for signal in TERM HUP; do
  step "SIG$signal with the options dialog open closes it as Cancel and ends the program"
  start_quarnel
  edit_settings
  started=$(date +%s%N)
  kill -$signal $quarnel_pid
  wait_for "$SESSION_DEADLINE" "quarnel to end" process_gone $quarnel_pid
  took=$((($(date +%s%N) - started) / 1000000))
  echo "ended $took ms after SIG$signal"
  # Well under a second when idle; the limit leaves room for a busy machine.
  [ $took -lt 5000 ] || fail "quarnel took $took ms to end"
  ended_as_cancel
done
echo "PASSED"
