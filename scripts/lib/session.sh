# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Shell helpers shared by the demo, the end-to-end test and the screenshot
# script: a private profile, the reference shop, a virtual display with a
# tray host, and waiting with a time limit. Source it; it defines functions
# and keeps the processes it starts in SESSION_PIDS for session_cleanup.

SESSION_PIDS=()

fail() {
  echo "error: $*" >&2
  exit 1
}

# How long a test waits for a condition before it gives up: generous, since
# a busy shared machine may take many times longer than a quiet one. Only a
# failing test ever waits this long.
SESSION_DEADLINE=${SESSION_DEADLINE:-90}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 0.1 s until it
# succeeds; fails with WHAT after SECONDS.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@"; do
    if ((SECONDS >= deadline)); then
      echo "error: timed out after ${seconds}s waiting for $what" >&2
      return 1
    fi
    sleep 0.1
  done
}

session_cleanup() {
  local pid
  for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
    pid=${SESSION_PIDS[i]}
    kill "$pid" 2>/dev/null || continue
    wait_for 30 "process $pid to end" process_gone "$pid" || kill -9 "$pid" 2>/dev/null || true
  done
  SESSION_PIDS=()
}

# Gone, or a zombie waiting for its parent.
process_gone() {
  local state
  state=$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)
  [ -z "$state" ] || [ "$state" = Z ]
}

# session_profile DIR: a private HOME with the program's settings for the
# shop account DEBTOR USER PASSWORD. Never touches the caller's settings.
session_profile() {
  local dir=$1 reg=$2 debtor=$3 user=$4 password=$5
  mkdir -p "$dir/home" "$dir/ports" "$dir/bin"
  export HOME=$dir/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
  export XDG_RUNTIME_DIR=$dir/runtime
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export QUARNEL_VIRTUAL_PORTS=$dir/ports
  export LANG=C.UTF-8 LC_ALL=C.UTF-8
  local key='HKCU\Software\Hollinde\Quarnel' name value
  # The password's value name is the settings store's own.
  for pair in "Debtor=$debtor" "User=$user" "Zq8#Lm2!=$password" AutoSaveBarcodes=1 \
    AutoSaveOrders=1 TraceEvents=1; do
    name=${pair%%=*} value=${pair#*=}
    "$reg" add "$key" /v "$name" /t REG_SZ /d "$value" /f >/dev/null ||
      fail "cannot write the setting $name"
  done
  TRACE_FILE=$XDG_DATA_HOME/Quarnel/Trace.log
}

# session_xdg_open DIR: a stub xdg-open first on PATH that appends each URL
# to DIR/opened.txt and, when SCREENSHOT_PAGE is set, photographs the page
# with headless chromium into that file.
session_xdg_open() {
  local dir=$1
  cat >"$dir/bin/xdg-open" <<'STUB'
#!/bin/sh
echo "$1" >>"$XDG_OPEN_LOG"
if [ -n "$SCREENSHOT_PAGE" ] && command -v chromium >/dev/null; then
  timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --window-size=900,700 --screenshot="$SCREENSHOT_PAGE" "$1" >/dev/null 2>&1 &
fi
STUB
  chmod +x "$dir/bin/xdg-open"
  export PATH=$dir/bin:$PATH XDG_OPEN_LOG=$dir/opened.txt
}

# session_shop EXE DB ACCOUNT: starts the shop on a free loopback port and
# points the program at it (SHOP_PORT, QUARNEL_WEBSHOP).
session_shop() {
  local exe=$1 db=$2 account=$3 log=$2.log
  "$exe" --listen 127.0.0.1:0 --db "$db" --account "$account" >"$log" 2>&1 &
  SESSION_PIDS+=("$!")
  wait_for "$SESSION_DEADLINE" "the shop to listen" grep -q "listening on" "$log" || return 1
  SHOP_PORT=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$log" | head -1)
  export QUARNEL_WEBSHOP=127.0.0.1:$SHOP_PORT
}

# session_xvfb: a virtual display of its own (DISPLAY).
session_xvfb() {
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" 2>/dev/null &
  SESSION_PIDS+=("$!")
  wait_for "$SESSION_DEADLINE" "Xvfb to start" test -s "$fdfile" || return 1
  DISPLAY=:$(head -1 "$fdfile")
  export DISPLAY
  rm -f "$fdfile"
}

# session_dbus: a private session bus without notification service, so
# that balloons are drawn by the program itself.
session_dbus() {
  if command -v dbus-daemon >/dev/null; then
    local out
    out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 --nosyslog) || return 1
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$out")
    export DBUS_SESSION_BUS_ADDRESS
    SESSION_PIDS+=("$(sed -n 2p <<<"$out")")
  else
    export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/quarnel-bus
  fi
}

tray_panel() { xwininfo -root -tree 2>/dev/null | awk '/\("panel" "trayer"\)/ {print $1; exit}'; }

# session_tray: a tray host (trayer) at the bottom right of the display;
# its process is TRAYER_PID. A trayer that ended before its panel showed is
# started again; its output is shown when it never comes up.
session_tray() {
  local log deadline=$((SECONDS + SESSION_DEADLINE))
  log=$(mktemp)
  until tray_running; do
    if [ -z "${TRAYER_PID:-}" ] || process_gone "$TRAYER_PID"; then
      trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
        --transparent false --tint 0x404040 >>"$log" 2>&1 &
      TRAYER_PID=$!
      SESSION_PIDS+=("$TRAYER_PID")
    fi
    if ((SECONDS >= deadline)); then
      echo "error: timed out after ${SESSION_DEADLINE}s waiting for the tray host" >&2
      sed 's/^/trayer: /' "$log" >&2
      rm -f "$log"
      return 1
    fi
    sleep 0.1
  done
  rm -f "$log"
  export TRAYER_PID
}
tray_running() { test -n "$(tray_panel)"; }

# The window of the program's icon inside the tray, or nothing.
tray_icon_window() {
  local panel
  panel=$(tray_panel)
  [ -n "$panel" ] || return 1
  xwininfo -tree -id "$panel" 2>/dev/null | awk '/\("quarnel" "Quarnel"\)/ {print $1; exit}'
}
tray_icon_shown() { test -n "$(tray_icon_window)"; }

# Clicks the tray icon with a mouse button (1 left, 3 right).
click_tray_icon() {
  local window x y w h
  window=$(tray_icon_window) || return 1
  eval "$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {print "x=" $NF}
    /Absolute upper-left Y/ {print "y=" $NF} /Width/ {print "w=" $NF} /Height/ {print "h=" $NF}')"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click "$1"
}

# The trace without CR; trace_has TEXT: some entry's message equals TEXT.
trace_text() { tr -d '\r' 2>/dev/null <"$TRACE_FILE"; }
trace_has() { trace_text | cut -f2- | grep -qxF -- "$1"; }

# session_require_display TOOL...: ends a test as skipped (status 77) where
# Xvfb or trayer is missing, and as failed where another TOOL is.
session_require_display() {
  local tool
  for tool in Xvfb trayer; do
    if ! command -v $tool >/dev/null; then
      echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"
      exit 77
    fi
  done
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is not installed"
  done
}

# session_shop_e2e WORK REG SHOP: what the shop-driving end-to-end tests
# share: a private profile for the account 100:jan:secret, the recording
# xdg-open, the shop and a virtual display with its own session bus.
session_shop_e2e() {
  local work=$1 reg=$2 shop=$3
  session_profile "$work" "$reg" 100 jan secret
  session_xdg_open "$work"
  session_shop "$shop" "$work/shop.db" 100:jan:secret
  session_xvfb
  session_dbus
}
