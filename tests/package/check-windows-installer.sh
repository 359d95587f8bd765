#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows installer under Wine, in a fresh prefix of its own:
# - a silent install for the current user puts the zip's files, the
#   Start-menu shortcut and the uninstall entry in place, nothing system-wide;
# - the installed program starts and docks its icon in a tray host, and
#   while it runs the setup and the uninstaller refuse to touch it;
# - the uninstaller removes what the setup added and only that: the files the
#   program wrote beside itself and its settings stay, and so does an
#   autostart value that starts another copy; one that starts this copy goes.
# Without quarnel.exe in the package the program's checks are skipped.
#
# Usage: check-windows-installer.sh SETUP.EXE PORTABLE.ZIP
set -euo pipefail

setup=$(realpath "$1")
zip=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/session.sh"

session_require_display wine wineserver winepath unzip xwininfo strings

work=$(mktemp -d)
export WINEPREFIX=$work/wine WINEDEBUG=-all
# Wine's processes first: they hold the display.
cleanup() {
  wineserver -k 2>/dev/null || true
  session_cleanup
  rm -rf "$work"
}
trap cleanup EXIT

step() { echo "--- $*"; }

# The tray host first: Wine's tray docks into the display it starts on.
session_xvfb
session_tray
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i >/dev/null 2>&1

winvar() { wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r'; }
local_appdata=$(winvar LOCALAPPDATA)
install_win="$local_appdata\\Programs\\Quarnel"
install_dir=$(winepath -u "$install_win" 2>/dev/null)
start_menu=$(winepath -u "$(winvar APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs" 2>/dev/null)
shortcut=$start_menu/Quarnel.lnk
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarnel'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Hollinde\Quarnel'

# reg_value KEY NAME: the value's data, or failure when it is not there.
reg_value() {
  local out
  out=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
  awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +REG_[A-Z_]+ */, ""); print; found = 1 }
    END { exit !found }' <<<"$out"
}
reg_key_exists() { wine reg query "$1" >/dev/null 2>&1; }
installed_files() { (cd "$install_dir" && find . -type f | sed 's|^\./||' | sort); }
tray_icons() {
  xwininfo -tree -id "$(tray_panel)" 2>/dev/null | grep -c '("explorer.exe" "explorer.exe")' || true
}
icon_docked() { [ "$(tray_icons)" -ge 1 ]; }

# The zip's files, under its one folder Quarnel.
unzip -q "$zip" -d "$work/zip"
[ "$(ls "$work/zip")" = Quarnel ] || fail "the zip holds $(ls "$work/zip"), not one folder Quarnel"
expected=$( (cd "$work/zip/Quarnel" && find . -type f | sed 's|^\./||'; echo uninstall.exe) | sort)
program=
[ -f "$work/zip/Quarnel/quarnel.exe" ] && program=quarnel.exe

install() {
  local status=0
  wine "$setup" /S || status=$?
  [ $status -eq 0 ] || fail "the setup ended with status $status"
}

# uninstall: the uninstaller runs from a copy in the temporary folder and
# returns at once; done when its entry is gone.
uninstall() {
  wine "$install_win\\uninstall.exe" /S || fail "the uninstaller did not start"
  wait_for 120 "the uninstaller to finish" uninstalled
}
uninstalled() { ! reg_key_exists "$uninstall_key" && [ ! -e "$install_dir/uninstall.exe" ]; }

step "a silent install for the current user"
install
[ "$(installed_files)" = "$expected" ] ||
  fail "installed files differ from the zip's:"$'\n'"$(diff <(echo "$expected") <(installed_files))"
while read -r name; do
  [ "$name" = uninstall.exe ] || cmp -s "$install_dir/$name" "$work/zip/Quarnel/$name" ||
    fail "$name differs between the installation and the zip"
done <<<"$expected"
[ "$(reg_value "$uninstall_key" DisplayName)" = Quarnel ] || fail "no uninstall entry"
[ "$(reg_value "$uninstall_key" UninstallString)" = "\"$install_win\\uninstall.exe\"" ] ||
  fail "uninstall string: $(reg_value "$uninstall_key" UninstallString)"
[ "$(reg_value "$uninstall_key" InstallLocation)" = "$install_win" ] || fail "install location"
reg_value "$uninstall_key" DisplayVersion >/dev/null || fail "no version in the uninstall entry"
reg_key_exists 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quarnel' &&
  fail "the setup wrote a system-wide uninstall entry"
reg_value "$run_key" Quarnel >/dev/null && fail "the setup switched autostart on itself"

if [ -n "$program" ]; then
  step "the Start-menu shortcut starts the installed program"
  [ -f "$shortcut" ] || fail "no Start-menu shortcut"
  strings -a "$shortcut" | grep -qiF "$install_win\\$program" ||
    fail "the shortcut does not start $install_win\\$program"

  step "the installed program starts and docks its icon"
  [ "$(tray_icons)" -eq 0 ] || fail "an icon is docked before the program starts"
  wine "$install_dir/$program" >"$work/program.log" 2>&1 &
  program_pid=$!
  SESSION_PIDS+=("$program_pid")
  wait_for "$SESSION_DEADLINE" "the program's icon in the tray" icon_docked

  step "while it runs, the setup and the uninstaller refuse"
  status=0
  wine "$setup" /S || status=$?
  [ $status -ne 0 ] || fail "the setup reported success over the running program"
  # In place (_?=), the uninstaller's own status is the one returned.
  status=0
  wine "$install_win\\uninstall.exe" /S "_?=$install_win" || status=$?
  [ $status -ne 0 ] || fail "the uninstaller reported success with the program running"
  [ "$(installed_files)" = "$expected" ] || fail "files changed while the program ran"
  reg_key_exists "$uninstall_key" || fail "the uninstall entry went while the program ran"
  kill "$program_pid"
  wait_for "$SESSION_DEADLINE" "the program to end" process_gone "$program_pid"
else
  echo "quarnel.exe is not in the package: start, tray and running checks skipped"
  [ ! -e "$shortcut" ] || fail "a shortcut to a program that is not installed"
fi

step "uninstall: the program's own files and its settings stay"
# What the program writes by default beside itself, its settings and the
# autostart value it writes for this copy (the case differs, as it may).
mkdir -p "$install_dir/Orders"
echo "ProductID;Quantity" >"$install_dir/Orders/20260101 120000.csv"
echo "log" >"$install_dir/Trace.log"
wine reg add "$settings_key" /v Debtor /d 100 /f >/dev/null
wine reg add "$run_key" /v Quarnel /d "$(tr '[:lower:]' '[:upper:]' <<<"$install_win")\\quarnel.exe" \
  /f >/dev/null
uninstall
[ "$(installed_files)" = $'Orders/20260101 120000.csv\nTrace.log' ] ||
  fail "after uninstalling, the folder holds:"$'\n'"$(installed_files)"
[ ! -e "$shortcut" ] || fail "the shortcut is left"
reg_value "$run_key" Quarnel >/dev/null && fail "the autostart value for this copy is left"
[ "$(reg_value "$settings_key" Debtor)" = 100 ] || fail "the uninstaller took the settings"

step "install again over the user's files, uninstall: another copy's autostart stays"
install
wine reg add "$run_key" /v Quarnel /d 'C:\Portable\Quarnel\quarnel.exe' /f >/dev/null
rm -r "$install_dir/Orders" "$install_dir/Trace.log"
uninstall
[ ! -e "$install_dir" ] || fail "the emptied installation folder is left"
[ "$(reg_value "$run_key" Quarnel)" = 'C:\Portable\Quarnel\quarnel.exe' ] ||
  fail "the uninstaller removed the autostart value of another copy"

echo "PASSED: $(basename "$setup")"
