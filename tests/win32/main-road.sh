#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The main road under Wine (run inside with-tray.sh): a virtual scanner
# plugged in with quarnel-vscan.exe is read, its barcodes become an order in
# the native reference shop on loopback, the order page is opened through
# ShellExecute (Wine's browser hands it to the recording xdg-open), the
# files are written, the trace matches the Linux program's apart from
# paths, dates and the library's name, and unplugging resets the icon.
#   main-road.sh QUARNEL_EXE VSCAN_EXE CSP2_DLL SHOP [HOST_BUILD_DIR]
# With the native build's folder, the Linux program takes the same road
# first (linux-road.sh) and the two traces are compared.
# Ends with 77 (skipped) while a part of the Windows build is missing: the
# virtual scanner tool and library come with the device and link backends.
set -euo pipefail
quarnel=$1 vscan=$2 library=$3 shop=$4 host=${5:-}

for part in "$quarnel" "$vscan" "$library" "$shop"; do
  [ -e "$part" ] || { echo "SKIP: $part is not built"; exit 77; }
done

source "$(dirname "$0")/tray-run.sh" quarnel-road
pids=()
cleanup() { for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done; }
trap cleanup EXIT
traced() { local t; t=$(trace); [ -n "$t" ] && tr -d '\r' <"$t" | cut -f2- | grep -qxF -- "$1"; }

linux_trace=
if [ -n "$host" ] && [ -x "$host/src/quarnel" ]; then
  linux_trace=$run/linux-trace.log
  # In a shell of its own: it keeps its own display, profile and shop.
  (unset WINEPREFIX; bash "$(dirname "$0")/linux-road.sh" "$host" "$linux_trace") ||
    fail "the Linux program did not take the road"
fi

# The shop, native, on loopback.
"$shop" --listen 127.0.0.1:0 --db "$run/shop.db" --account 100:jan:secret >"$run/shop.log" 2>&1 &
pids+=("$!")
wait_for grep -q "listening on" "$run/shop.log" || fail "the shop did not start"
port=$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$run/shop.log" | head -1)
export QUARNEL_WEBSHOP=127.0.0.1:$port QUARNEL_CSP2_LIBRARY=$library

# The order page goes to a recording xdg-open, first on PATH.
mkdir -p "$run/bin"
printf '#!/bin/sh\necho "$1" >>"%s"\n' "$run/opened.txt" >"$run/bin/xdg-open"
chmod +x "$run/bin/xdg-open"
export PATH=$run/bin:$PATH

# The account, in the registry the program reads.
key='HKCU\Software\Hollinde\Quarnel'
for pair in "Debtor=100" "User=jan" "Zq8#Lm2!=secret" AutoSaveBarcodes=1 AutoSaveOrders=1 \
  TraceEvents=1; do
  wine reg add "$key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null ||
    fail "cannot write the setting ${pair%%=*}"
done

(cd "$run" && exec wine "$quarnel" extended) &
pids+=("$!")
wait_for traced "  Exiting frmMain.Form_Load" || fail "the program did not load"
wait_for docked || fail "the icon was not docked"

wine "$vscan" plug COM7 8712345678906 Q0002 4006381333931 Q0012 >/dev/null ||
  fail "the scanner could not be plugged in"
wait_for test -s "$run/opened.txt" || fail "no order page was opened"
grep -qx "http://127.0.0.1:$port/nl/quarnel/quarnelorder.aspx?order=1&deb=100&user=jan&pass=secret" \
  "$run/opened.txt" || fail "unexpected order page: $(cat "$run/opened.txt")"
lines=$(sqlite3 "$run/shop.db" \
  "SELECT product || '=' || quantity FROM order_lines WHERE order_number = 1 ORDER BY position")
[ "$lines" = $'8712345678906=2\n4006381333931=12' ] || fail "the shop stored: $lines"
wait_for traced "Order 1 sent succesfully" || fail "no success entry"

wine "$vscan" unplug COM7 >/dev/null || fail "the scanner could not be unplugged"
wait_for traced "Device OPN-2001 disconnected." || fail "the removal was not seen"
wait_for traced "  Entering clsSysTray.ModifyTrayIcon (ToolTip = Quarnel)" ||
  fail "the icon was not reset"

# The same road on Linux leaves the same trace up to the icon's reset, once
# dates, paths, the scanner library's name and what differs from run to run
# (message addresses, the virtual scanner's id, scan times, the shop's port,
# ShellExecute's success value) are taken out. So are the balloon
# notifications: which of them come, and when, is the desktop shell's affair
# (Wine's sends none).
if [ -n "$linux_trace" ]; then
  normalise() {
    tr -d '\r' | cut -f2- |
      awk '{ print } /^  Entering clsSysTray.ModifyTrayIcon \(ToolTip = Quarnel\)$/ { exit }' |
      sed -E 's#[0-9]{1,4}[/-][0-9]{1,2}[/-][0-9]{1,4} [0-9:]+( [AP]M)?#<date>#g
              s#(/|[A-Za-z]:\\)[^'"'"'),]*#<path>#g; s#(lib)?csp2-[a-z0-9]+\.(so|dll)#<library>#Ig
              s#lParam = [0-9]+#lParam = <address>#g; s#[0-9A-F]{16,}#<hex>#g
              s#Port = [0-9]+#Port = <port>#; s#^  ShellExecute = [0-9]+$#  ShellExecute = <success>#' |
      grep -vE '^  Handling clsSysTray.m_frm_MouseMove .* X = 102[6-9], '
  }
  diff <(normalise <"$linux_trace") <(normalise <"$(trace)") >"$run/trace.diff" ||
    { cat "$run/trace.diff" >&2; fail "the trace differs from Linux"; }
  echo "the trace matches the Linux program's ($(normalise <"$(trace)" | wc -l) lines)"
fi
# The read-out and order files: lines end in CR LF, never CR CR LF, and
# they hold the same bytes as the Linux program's once the times and the
# virtual scanner's id, which differ from run to run, are taken out.
saved() {
  find "$WINEPREFIX/drive_c" -path "*/Quarnel/$1/*.$2" -newer "$start_mark" | head -n1
}
crlf_only() {
  ! LC_ALL=C grep -q $'\r\r' "$1" &&
    [ "$(LC_ALL=C grep -c $'\r$' "$1")" -eq "$(LC_ALL=C grep -c '' "$1")" ]
}
files_alike() {
  sed -E 's#[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}#<time>#g
          s#on [A-Za-z]+ [0-9]{2} [A-Za-z]+ [0-9]{4} at [0-9:]+ from .*\.#on <time> from <id>.#
          s#^sid:.*#sid:<id>#' "$1"
}
for kind in Barcodes:txt Orders:csv; do
  file=$(saved "${kind%:*}" "${kind#*:}")
  [ -n "$file" ] || fail "no ${kind#*:} file in ${kind%:*}"
  crlf_only "$file" || fail "$file has lines without CR LF, or with CR CR LF"
  if [ -n "$linux_trace" ]; then
    cmp <(files_alike "$linux_trace.${kind#*:}") <(files_alike "$file") ||
      fail "$(basename "$file") differs from the Linux program's"
  fi
done
echo "the read-out and order files match the Linux program's, in CR LF"
echo "PASS: main road"
