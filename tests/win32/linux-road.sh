#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The main road of main-road.sh taken by the Linux program, for its trace:
# a virtual scanner plugged in, its order sent to the reference shop, the
# scanner unplugged. Runs on a display and tray host of its own.
#   linux-road.sh HOST_BUILD_DIR TRACE_COPY
# The read-out and order files are copied beside the trace, as
# TRACE_COPY.txt and TRACE_COPY.csv.
set -euo pipefail
host=$1 copy=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/session.sh"

work=$(mktemp -d)
trap 'session_cleanup; rm -rf "$work"' EXIT
session_shop_e2e "$work" "$host/tools/reg/quarnel-reg" "$host/tools/shop/quarnel-shop"
export QUARNEL_CSP2_LIBRARY=$host/tools/vscan/libcsp2-virtual.so
session_tray
"$host/src/quarnel" extended >"$work/quarnel.log" 2>&1 &
SESSION_PIDS+=("$!")
wait_for "$SESSION_DEADLINE" "the program to load" trace_has "  Exiting frmMain.Form_Load"
wait_for "$SESSION_DEADLINE" "the icon in the tray" tray_icon_shown
"$host/tools/vscan/quarnel-vscan" plug COM7 8712345678906 Q0002 4006381333931 Q0012 >/dev/null
wait_for "$SESSION_DEADLINE" "the order to be sent" trace_has "Order 1 sent succesfully"
"$host/tools/vscan/quarnel-vscan" unplug COM7 >/dev/null
wait_for "$SESSION_DEADLINE" "the icon's reset" trace_has "  Entering clsSysTray.ModifyTrayIcon (ToolTip = Quarnel)"
cp "$TRACE_FILE" "$copy"
cp "$XDG_DATA_HOME"/Quarnel/Barcodes/*.txt "$copy.txt"
cp "$XDG_DATA_HOME"/Quarnel/Orders/*.csv "$copy.csv"
