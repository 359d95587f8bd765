# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# What the scripts run inside with-tray.sh share: a run folder in the
# prefix, the run's trace, waiting, and our icon in the tray host.
#   source tray-run.sh NAME    (the run folder is $run)
run=$(mktemp -d "$WINEPREFIX/drive_c/$1.XXXXXX")
# The run's start, for finding its trace (the run folder itself changes).
start_mark=$run/.start
touch "$start_mark"

fail() {
  echo "FAIL: $*" >&2
  echo "--- trace" >&2
  [ -n "$(trace)" ] && tr -d '\r' <"$(trace)" >&2
  exit 1
}

# Waits up to a generous deadline for a condition (a command); a caller that
# means to act on a condition still false sets WAIT_SECONDS lower.
wait_for() {
  local deadline=$((SECONDS + ${WAIT_SECONDS:-60}))
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.2
  done
}

# The trace of this run: the newest Trace.log of the prefix written since
# the start, wherever the application folder is.
trace() {
  find "$WINEPREFIX/drive_c" -name Trace.log -newer "$start_mark" -printf '%T@ %p\n' 2>/dev/null |
    sort -rn | head -n1 | cut -d' ' -f2-
}

# The tray host's windows of Wine's desktop process: our icon.
tray_icons() {
  xwininfo -root -tree 2>/dev/null | sed -n '/"panel": ("panel"/,/"trayer": ("trayer"/p' |
    grep '("explorer.exe"' || true
}
docked() { [ -n "$(tray_icons)" ]; }
undocked() { [ -z "$(tray_icons)" ]; }
# Absolute position and size of the docked icon: "x y w h".
icon_geometry() {
  local id
  id=$(tray_icons | head -n1 | awk '{print $1}')
  [ -n "$id" ] || return 1
  xwininfo -id "$id" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width/{w=$2} /Height/{h=$2} END{print x, y, w, h}'
}
