#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Shows Quarnel's main job on any machine, without a scanner or a real shop:
# a virtual scanner is plugged in, its barcodes become an order in the
# reference shop, and the order page is opened. Uses a private, temporary
# profile; the user's own settings are never read or written.
#
# Runs on the user's display when there is one, otherwise on a virtual
# display with a tray host (and then photographs the balloon).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/lib/session.sh

build=${QUARNEL_BUILD_DIR:-build}
case $build in /*) ;; *) build=$root/$build ;; esac
echo "== Installing what is missing and building ($build, Release)"
bash scripts/install-deps.sh || fail "installing the packages failed"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null || fail "configuring the build failed"
cmake --build "$build" -j"$(nproc)" --target quarnel quarnel-shop quarnel-vscan quarnel-reg \
  csp2-virtual >/dev/null || fail "building failed"
bin() { echo "$build/$1"; }

work=$(mktemp -d -t quarnel-demo.XXXXXX)
shots=$(mktemp -d -t quarnel-demo-screenshots.XXXXXX)
quarnel_pid=
finish() {
  if [ -n "$quarnel_pid" ]; then
    "$(bin tools/vscan/quarnel-vscan)" unplug COM7 >/dev/null 2>&1 || true
  fi
  session_cleanup
  rm -rf "$work"
}
trap finish EXIT

echo "== Private profile in $work"
session_profile "$work" "$(bin tools/reg/quarnel-reg)" 100 demo demo-secret
session_xdg_open "$work"
export SCREENSHOT_PAGE=$shots/order-page.png
session_shop "$(bin tools/shop/quarnel-shop)" "$work/shop.db" 100:demo:demo-secret ||
  fail "the shop did not start"
echo "   shop on 127.0.0.1:$SHOP_PORT"
export QUARNEL_CSP2_LIBRARY=$build/tools/vscan/libcsp2-virtual.so

virtual=false
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "== No display: a virtual one with a tray host"
  session_xvfb || fail "Xvfb did not start"
  session_dbus || fail "no session bus"
  session_tray || fail "the tray host did not start"
  virtual=true
fi

echo "== Starting quarnel"
"$(bin src/quarnel)" extended >"$work/quarnel.log" 2>&1 &
quarnel_pid=$!
SESSION_PIDS+=("$quarnel_pid")
wait_for "$SESSION_DEADLINE" "quarnel to start" trace_has "  Exiting frmMain.Form_Load" ||
  fail "quarnel did not start: $(cat "$work/quarnel.log")"

echo "== Plugging in a virtual scanner with three products"
"$(bin tools/vscan/quarnel-vscan)" plug COM7 8712345678906 Q0002 4006381333931 Q0012 \
  5901234123457 >/dev/null || fail "plugging the virtual scanner failed"

order_stored() {
  [ "$(sqlite3 "$work/shop.db" 'SELECT count(*) FROM orders' 2>/dev/null)" = 1 ] &&
    test -s "$XDG_OPEN_LOG"
}
deadline=$((SECONDS + 30))
until order_stored; do
  ((SECONDS < deadline)) || fail "the order did not reach the shop in 30 s; trace: $TRACE_FILE"
  last=$(trace_text | grep -v $'\t  ' | tail -1 | cut -f2-)
  printf '\r   waiting for the order... %-60.60s' "$last"
  sleep 0.2
done
printf '\r   the order reached the shop.%-60s\n' ""

if $virtual; then
  sleep 0.5
  import -window root -crop 440x320+584+448 +repage "$shots/balloon.png" ||
    echo "warning: no balloon screenshot" >&2
fi

echo
echo "== The order as the shop stored it"
sqlite3 -header -column "$work/shop.db" \
  "SELECT o.number AS 'order', o.debtor, o.scanner_id AS scanner, l.position AS line,
          l.product, l.quantity
     FROM orders o JOIN order_lines l ON l.order_number = o.number ORDER BY l.position"
echo
echo "== Order page opened: $(head -1 "$XDG_OPEN_LOG")"
echo
echo "== Files written"
for file in "$XDG_DATA_HOME"/Quarnel/Barcodes/* "$XDG_DATA_HOME"/Quarnel/Orders/*; do
  echo "--- ${file#"$XDG_DATA_HOME"/}"
  tr -d '\r' <"$file"
done

echo
echo "== Unplugging and ending quarnel"
"$(bin tools/vscan/quarnel-vscan)" unplug COM7 >/dev/null
wait_for "$SESSION_DEADLINE" "the scanner to be released" trace_has "Device OPN-2001 disconnected." || true
kill -TERM $quarnel_pid
wait_for "$SESSION_DEADLINE" "quarnel to end" process_gone $quarnel_pid || fail "quarnel did not end"
quarnel_pid=

echo
echo "== The trace of the run (event entries)"
trace_text | grep -v $'\t  ' | cut -f2- | sed '/^$/d'

wait_for "$SESSION_DEADLINE" "the order page screenshot" test -s "$shots/order-page.png" || true
echo
echo "== Screenshots"
ls -1 "$shots"/*.png 2>/dev/null || echo "   none (chromium missing?)"
