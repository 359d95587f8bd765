#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# quarnel.exe under Wine beside a tray host (run inside with-tray.sh):
#   program-test.sh CASE QUARNEL_EXE TRAYPOKE_EXE
#   docks       the icon is docked in the tray
#   taskbar     an icon the shell has forgotten comes back with TaskbarCreated
#   endsession  the end of the session ends the program through Exit
#   menu        Ctrl + right click reaches the program with its key state and
#               opens the menu; Exit in it ends the program
#   second      a second start says that Quarnel is already running and ends
#   options     Settings from the tray menu opens the options dialog; a debtor
#               number typed in and Enter (OK) stores it in the registry
set -euo pipefail
case=$1 quarnel=$2 poke=$3

source "$(dirname "$0")/tray-run.sh" quarnel-run
program=
# Whatever is left is ended by the prefix's server (with-tray.sh).
cleanup() {
  [ -n "$program" ] && kill -KILL "$program" 2>/dev/null || true
}
trap cleanup EXIT

traced() { local t; t=$(trace); [ -n "$t" ] && tr -d '\r' <"$t" | grep -qF "$1"; }
traced_count() {
  local t
  t=$(trace)
  if [ -n "$t" ]; then tr -d '\r' <"$t" | grep -cF "$1" || true; else echo 0; fi
}
# Right-clicks our icon, with the key KEY held if given, until the program
# has traced ENTRY once more; x y is where it clicked. Under Wine an icon is
# now and then docked so that no click on it reaches the program, however
# long one waits: the icon is then taken away and added again, as after a
# new task bar, and clicked anew. A handled click is traced within seconds;
# the next try waits well beyond that, not to close a menu merely slow.
right_click_until() {
  local entry=$1 key=${2:-} before try handled
  before=$(traced_count "$entry")
  clicked() { [ "$(traced_count "$entry")" -gt "$before" ]; }
  for try in 1 2 3; do
    if [ "$try" -gt 1 ]; then
      wine "$poke" delete && wait_for undocked || return 1
      wine "$poke" taskbarcreated && wait_for docked || return 1
    fi
    read -r x y < <(icon_centre)
    xdotool mousemove "$x" "$y"
    # The key is released only once the click was handled: its state is read then.
    [ -z "$key" ] || xdotool keydown "$key"
    xdotool click 3
    handled=0
    WAIT_SECONDS=20 wait_for clicked && handled=1
    [ -z "$key" ] || xdotool keyup "$key"
    [ "$handled" -eq 1 ] && return 0
  done
  return 1
}
# The middle of our icon in the tray, in screen coordinates.
icon_centre() {
  local x y w h
  read -r x y w h < <(icon_geometry)
  echo "$((x + w / 2)) $((y + h / 2))"
}
ended() { ! kill -0 "$program" 2>/dev/null; }
# The program's popup menu: a shown window of it without a title.
menu_shown() {
  local id name
  for id in $(xdotool search --onlyvisible --class '^quarnel\.exe$' 2>/dev/null); do
    name=$(xdotool getwindowname "$id" 2>/dev/null) && [ -z "$name" ] && return 0
  done
  return 1
}

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
    wait_for ended || fail "the program kept running"
    program=
    ;;
  menu)
    right_click_until "  Entering frmMain.m_objTray_OnTrayEvent (Message = 517, Shift = 2)" ctrl ||
      fail "no right click with Ctrl"
    wait_for traced "  Opening context menu..." || fail "no menu"
    wait_for menu_shown || fail "the menu was not shown"
    # The menu opens above the pointer, right-aligned to the screen's edge;
    # Exit is the item above the separator and the extended-logging item.
    # (Keys would go to the window under the pointer: no window manager.)
    xdotool mousemove "$((x - 60))" "$((y - 39))" sleep 0.5 click 1
    wait_for traced "  Handling frmMain.mnuExit_Click" || fail "Exit was not chosen"
    wait_for traced "Exiting Quarnel" || fail "no exit entry"
    wait_for ended || fail "the program kept running"
    program=
    ;;
  options)
    right_click_until "  Opening context menu..." || fail "no menu"
    wait_for menu_shown || fail "the menu was not shown"
    # Without Ctrl the menu ends with Settings, Info and Exit.
    xdotool mousemove "$((x - 60))" "$((y - 64))" sleep 0.5 click 1
    wait_for traced "  Handling frmMain.mnuOptions_Click" || fail "Settings was not chosen"
    dialog() { xdotool search --onlyvisible --name '^Settings$' 2>/dev/null | head -1; }
    dialog_shown() { [ -n "$(dialog)" ]; }
    wait_for dialog_shown || fail "the options dialog did not open"
    id=$(dialog)
    xdotool windowfocus --sync "$id" 2>/dev/null || true
    # The box beside the debtor label; whatever an earlier run left in it is
    # taken out first.
    box=$(wine "$poke" field Settings Debtor | tr -d '\r') || fail "no debtor box in the dialog"
    read -r bx by <<<"$box"
    xdotool mousemove "$bx" "$by" sleep 0.3 click 1 sleep 0.3 key End
    xdotool key --repeat 40 BackSpace type 4711
    xdotool key Return
    dialog_gone() { [ -z "$(dialog)" ]; }
    wait_for dialog_gone || fail "Enter did not close the options dialog"
    stored() { wine reg query 'HKCU\Software\Hollinde\Quarnel' /v Debtor 2>/dev/null |
      tr -d '\r' | grep -qE 'Debtor[[:space:]]+REG_SZ[[:space:]]+4711$'; }
    wait_for stored || fail "reg query does not show the debtor number: $(wine reg query \
      'HKCU\Software\Hollinde\Quarnel' 2>&1 | tr -d '\r')"
    ;;
  second)
    second_log=$run/second.log
    (cd "$run" && exec wine "$quarnel" extended) >"$second_log" 2>&1 &
    second=$!
    box() { xdotool search --onlyvisible --name '^Quarnel$' 2>/dev/null | head -1; }
    box_shown() { [ -n "$(box)" ]; }
    wait_for box_shown || fail "the second start showed no message"
    xdotool windowactivate --sync "$(box)" key Return 2>/dev/null ||
      xdotool windowfocus --sync "$(box)" key Return
    second_ended() { ! kill -0 "$second" 2>/dev/null; }
    wait_for second_ended || fail "the second start kept running"
    status=0
    wait "$second" || status=$?
    [ $status -eq 0 ] || fail "the second start ended with status $status"
    [ "$(tr -d '\r' <"$(trace)" | cut -f2- | grep -cxF "Starting Quarnel")" -eq 1 ] ||
      fail "the second start ran as a program of its own"
    docked || fail "the first program's icon went"
    ;;
  *) fail "unknown case $case" ;;
esac
echo "PASS: $case"
