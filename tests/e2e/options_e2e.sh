#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built program on a virtual display with a tray host: "Settings" in the
# tray menu opens the options dialog (once, however often it is chosen), a
# changed setting confirmed with Enter reaches the settings store, and
# Escape closes the dialog without storing anything; "Scanner settings"
# switches a plugged-in virtual scanner's beeper off; after "Exit" the
# program ends only once an open dialog is closed.
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
# A busy machine may be slow to bring the tray host up; one more try.
session_tray || session_tray

step() { echo "--- $*"; }
key='HKCU\Software\Hollinde\Quarnel'
stored() { "$reg" query "$key" /v QuantityPositioning | awk '/QuantityPositioning/ {print $NF}'; }
dialogs() { xdotool search --onlyvisible --name "^${1:-Settings}\$" 2>/dev/null || true; }
dialog_count() { dialogs | grep -c . || true; }
dialog_open() { [ "$(dialog_count)" -ge 1 ]; }
dialog_closed() { [ "$(dialog_count)" -eq 0 ]; }
# Right-clicks the icon and waits until the program has opened its menu.
open_menu() {
  local before
  before=$(trace_text | grep -c "Opening context menu" || true)
  click_tray_icon 3
  menu_opened() { [ "$(trace_text | grep -c "Opening context menu" || true)" -gt "$before" ]; }
  wait_for 10 "the tray menu" menu_opened
  sleep 0.5
}
# With extended logging the menu ends with: Settings, Info, Exit, Extended logging.
choose_settings() {
  open_menu
  xdotool key Up Up Up Up Return
}

"$reg" add "$key" /v QuantityPositioning /t REG_SZ /d 1 /f >/dev/null
"$quarnel" extended >"$work/quarnel.log" 2>&1 &
quarnel_pid=$!
SESSION_PIDS+=($quarnel_pid)
wait_for 30 "the icon in the tray" tray_icon_shown

step "Settings opens the options dialog, and only once"
choose_settings
wait_for 10 "the options dialog" dialog_open
choose_settings
sleep 1
[ "$(dialog_count)" -eq 1 ] || fail "$(dialog_count) options dialogs are open"

step "Escape closes it and stores nothing"
xdotool windowfocus --sync "$(dialogs | head -1)"
xdotool key Down Escape
wait_for 10 "the dialog to close" dialog_closed
[ "$(stored)" = 1 ] || fail "Escape stored QuantityPositioning $(stored)"

step "the other quantity placing, confirmed with Enter, is stored"
choose_settings
wait_for 10 "the options dialog" dialog_open
xdotool windowfocus --sync "$(dialogs | head -1)"
# The first control, the quantity placing list, has the focus.
xdotool key Down Return
wait_for 10 "the dialog to close" dialog_closed
wait_for 5 "QuantityPositioning 0 in the store" test "$(stored)" = 0

step "Scanner settings switches the plugged-in scanner's beeper off"
"$vscan" plug COM7 >/dev/null
wait_for 20 "the scanner to be read" trace_has "The scanner contains no scanned data"
open_menu
# The scanner items open the menu: read-out, information, settings.
xdotool key Down Down Down Return
wait_for 10 "the scanner settings dialog" test -n "$(dialogs 'OPN-2001 Settings')"
xdotool windowfocus --sync "$(dialogs 'OPN-2001 Settings' | head -1)"
# The beeper box is the first control and has the focus.
xdotool key space Return
beeper_off() { "$vscan" show COM7 | grep -q '^Beeper: *off$'; }
wait_for 10 "the beeper to be switched off" beeper_off

step "Exit with the dialog open ends the program once the dialog is closed"
choose_settings
wait_for 10 "the options dialog" dialog_open
open_menu
xdotool key Up Up Return
sleep 1
process_gone $quarnel_pid && fail "quarnel ended while its options dialog was open"
xdotool windowfocus --sync "$(dialogs | head -1)"
xdotool key Escape
wait_for 15 "quarnel to end" process_gone $quarnel_pid
status=0
wait $quarnel_pid || status=$?
[ $status -eq 0 ] || fail "quarnel ended with status $status: $(cat "$work/quarnel.log")"
echo "PASSED"
