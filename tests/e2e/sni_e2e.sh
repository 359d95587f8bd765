#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The built program on a StatusNotifierItem desktop: lxqt-panel with its
# status notifier as the tray and dunst as the notification service, on a
# virtual display and a private session bus. A read-out is one notification
# updated in place and closed by unplugging; a shop reply with markup shows
# literally; the menu is read and every item used over dbusmenu, the way
# the panel does. What the notification service receives is recorded with
# dbus-monitor. With SCREENSHOT_DIR set, the notifications and the menu are
# photographed into that folder.
#
# Usage: sni_e2e.sh QUARNEL VSCAN REG CSP2_LIBRARY (SNI_KEEP=1 keeps the work folder)
set -euo pipefail

quarnel=$1 vscan=$2 reg=$3 library=$4
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/lib/session.sh"

for tool in Xvfb lxqt-panel dunst dbus-daemon dbus-monitor; do
  if ! command -v $tool >/dev/null; then
    echo "SKIPPED: $tool is not installed (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
for tool in xdotool python3 dbus-send import; do
  command -v $tool >/dev/null || fail "$tool is not installed"
done

work=$(mktemp -d)
trap 'session_cleanup; [ -n "${SNI_KEEP:-}" ] || rm -rf "$work"' EXIT
session_profile "$work" "$reg" 100 jan secret
session_xdg_open "$work"
export QUARNEL_CSP2_LIBRARY=$library

step() { echo "--- $*"; }
expect_trace() { wait_for "${2:-$SESSION_DEADLINE}" "the trace entry '$1'" trace_has "$1"; }
photograph() { [ -z "${SCREENSHOT_DIR:-}" ] || import -window root "$SCREENSHOT_DIR/$1"; }

step "a stand-in shop: the first order is accepted, later ones get a reply with markup"
cat >"$work/shop.py" <<'PY'
import http.server, sys
replies = ["orderid:1"]
class Shop(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        self.rfile.read(int(self.headers.get("Content-Length", 0)))
        body = (replies.pop(0) if replies else
                'message:<b>Gesloten</b> & <a href="file:///etc/passwd">Klik hier</a>').encode()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Shop)
print(server.server_address[1], flush=True)
server.serve_forever()
PY
python3 "$work/shop.py" >"$work/shop.port" &
SESSION_PIDS+=("$!")
wait_for "$SESSION_DEADLINE" "the stand-in shop" test -s "$work/shop.port"
export QUARNEL_WEBSHOP=127.0.0.1:$(head -1 "$work/shop.port")

step "the desktop: display, bus, dunst, lxqt-panel with its status notifier"
session_xvfb
session_dbus
dbus-monitor "interface='org.freedesktop.Notifications'" >"$work/monitor.log" 2>&1 &
SESSION_PIDS+=("$!")
mkdir -p "$XDG_CONFIG_HOME/dunst" "$XDG_CONFIG_HOME/lxqt"
cat >"$XDG_CONFIG_HOME/dunst/dunstrc" <<'CONF'
[global]
    width = 460
    height = 300
    origin = bottom-right
    offset = 8x44
    font = DejaVu Sans 10
    markup = full
    format = "<b>%s</b>\n%b"
    word_wrap = yes
    show_indicators = no
    frame_width = 1
    frame_color = "#5a7ea8"
    background = "#f4f4f4"
    foreground = "#202020"
CONF
cat >"$XDG_CONFIG_HOME/lxqt/panel.conf" <<'CONF'
[General]
__userfile__=true
panels=panel1

[panel1]
alignment=1
lineCount=1
panelSize=32
iconSize=22
plugins=statusnotifier
position=Bottom
width=100
width-percent=true

[statusnotifier]
type=statusnotifier
CONF
dunst >"$work/dunst.log" 2>&1 &
SESSION_PIDS+=("$!")
lxqt-panel >"$work/panel.log" 2>&1 &
SESSION_PIDS+=("$!")
bus_has() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
  org.freedesktop.DBus.ListNames 2>/dev/null | grep -q "\"$1\""; }
wait_for "$SESSION_DEADLINE" "dunst" bus_has org.freedesktop.Notifications
wait_for "$SESSION_DEADLINE" "the status notifier watcher" bus_has org.kde.StatusNotifierWatcher

step "start the program: its item is registered with the watcher"
"$quarnel" extended >"$work/quarnel.log" 2>&1 &
quarnel_pid=$!
SESSION_PIDS+=("$quarnel_pid")
expect_trace "  Exiting frmMain.Form_Load"
item="org.kde.StatusNotifierItem-$quarnel_pid-1"
registered() {
  dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
    org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
    string:RegisteredStatusNotifierItems 2>/dev/null | grep -q "$item"
}
wait_for "$SESSION_DEADLINE" "the item to be registered" registered
menu() { dbus-send --session --print-reply --dest="$item" /MenuBar "com.canonical.dbusmenu.$@"; }

# What the service received, one line per message: "notify REPLACES|SUMMARY|BODY",
# "close N", "closed N REASON".
received() {
  python3 - "$work/monitor.log" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-8", errors="replace").read()
notify = re.compile(r'member=Notify\n   string "(.*?)"\n   uint32 (\d+)\n   string "(.*?)"\n'
                    r'   string "(.*?)"\n   string "(.*?)"\n   array \[', re.S)
for message in re.split(r'\n(?=(?:method call|method return|signal|error) time=)', text):
    head = message.split("\n", 1)[0]
    m = notify.search(message)
    if m:
        print("notify %s|%s|%s" % (m.group(2), m.group(4), m.group(5).replace("\n", "\\n")))
    elif "member=CloseNotification" in head:
        print("close " + message.split("uint32 ")[1].split()[0])
    elif "member=NotificationClosed" in head:
        values = re.findall(r"uint32 (\d+)", message)
        print("closed %s %s" % (values[0], values[1]))
PY
}

step "plug a scanner: one notification, updated at each step"
"$vscan" plug COM7 8712345678906 Q0002 4006381333931 Q0012 >/dev/null
expect_trace "Order 1 sent succesfully"
sleep 0.5
photograph sni-notification-sent.png
received >"$work/readout.txt"
cat "$work/readout.txt"
# The service's id comes back in the updates, which must all replace it.
[ "$(grep -c '^notify' "$work/readout.txt")" -ge 3 ] || fail "the read-out was not updated at each step"
[ "$(grep -c '^notify 0|' "$work/readout.txt")" -eq 1 ] || fail "the read-out used more than one notification"
id=$(grep '^notify' "$work/readout.txt" | sed -n '2s/^notify \([0-9]*\)|.*/\1/p')
grep '^notify' "$work/readout.txt" | tail -n +2 | grep -v "^notify $id|" >/dev/null &&
  fail "an update did not replace notification $id"
grep -q '^notify 0|Connected to scanner .OPN-2001.|Reading barcode data\.\.\.$' "$work/readout.txt" ||
  fail "the first notification is not the connection"
grep -q "^notify $id|Connected to scanner .OPN-2001.|Bestelling succesvol verzonden$" \
  "$work/readout.txt" || fail "the outcome did not update the notification"
grep '^notify' "$work/readout.txt" | grep -e '^notify [0-9]*||' -e '|$' >/dev/null &&
  fail "an empty notification was sent"

step "unplug: the notification is closed"
"$vscan" unplug COM7 >/dev/null
expect_trace "Device OPN-2001 disconnected."
closed() { received | grep -x "close $id" >/dev/null; }
wait_for "$SESSION_DEADLINE" "notification $id to be closed" closed

step "the menu as the panel reads it"
wait_for "$SESSION_DEADLINE" "the menu to be refreshed" menu AboutToShow int32:0 >/dev/null
layout=$(menu GetLayout int32:0 int32:-1 array:string:)
for label in "Read scanner data now" "Scanner information" "Scanner settings" \
  "Resend saved order" "Settings" "Info" "Exit" "Exteded logging"; do
  grep -qF "string \"$label\"" <<<"$layout" || fail "the menu has no '$label': $layout"
done
if [ -n "${SCREENSHOT_DIR:-}" ]; then
  # The panel's own menu, opened with a right click on the icon.
  xdotool mousemove 16 752 click 3
  sleep 1
  photograph sni-menu.png
  xdotool key Escape
fi

step "a shop reply with markup is shown literally"
"$vscan" plug COM7 8712345678906 Q0001 >/dev/null
expect_trace "Device OPN-2001 detected on COM port 7"
# The service reads markup: the reply arrives escaped, to be shown as written.
reply_shown() {
  received | grep -F '&lt;b&gt;Gesloten&lt;/b&gt; &amp; &lt;a href="file:///etc/passwd"&gt;Klik hier&lt;/a&gt;' \
    >/dev/null
}
wait_for "$SESSION_DEADLINE" "the reply in a notification" reply_shown
sleep 0.5
photograph sni-notification-markup.png

step "each menu item over dbusmenu Event"
# The program's windows on show.
windows() {
  xwininfo -root -tree 2>/dev/null | awk '/\("quarnel" "Quarnel"\)/ {print $1}' | while read -r id; do
    [[ $(xwininfo -id "$id" 2>/dev/null) == *IsViewable* ]] && echo "$id"
  done
}
window_shown() { test -n "$(windows)"; }
no_window() { test -z "$(windows)"; }
choose() {
  menu AboutToShow int32:0 >/dev/null
  menu Event int32:"$1" string:clicked variant:int32:0 uint32:0 >/dev/null
  expect_trace "  Handling frmMain.$2"
}
# A dialog the item opens shows up and closes with Escape.
choose_dialog() {
  choose "$1" "$2"
  wait_for "$SESSION_DEADLINE" "the window of $2" window_shown
  xdotool windowfocus --sync "$(windows | tail -1)" key Escape
  wait_for "$SESSION_DEADLINE" "the window of $2 to close" no_window
}
choose 1 mnuReadData_Click
expect_trace "The scanner contains no scanned data"
choose_dialog 2 mnuScannerInfo_Click
choose_dialog 3 mnuScannerSetup_Click
choose_dialog 5 mnuResend_Click
choose_dialog 7 mnuOptions_Click
choose_dialog 8 mnuAbout_Click
choose 11 mnuExtendedLogging_Click
expect_trace "Extended logging disabled"
# Without Ctrl, extended logging is off: the item is gone and cannot be chosen.
menu AboutToShow int32:0 >/dev/null
menu GetLayout int32:11 int32:0 array:string:visible | grep -A1 '"visible"' | grep "false" >/dev/null ||
  fail "extended logging is still offered"
xdotool keydown ctrl
menu AboutToShow int32:0 >/dev/null
xdotool keyup ctrl
menu Event int32:11 string:clicked variant:int32:0 uint32:0 >/dev/null
expect_trace "Extended logging enabled"
menu Event int32:9 string:clicked variant:int32:0 uint32:0 >/dev/null
wait_for "$SESSION_DEADLINE" "quarnel to end" process_gone $quarnel_pid
status=0
wait $quarnel_pid || status=$?
[ $status -eq 0 ] || fail "quarnel ended with status $status: $(cat "$work/quarnel.log")"
last=$(trace_text | tail -1 | cut -f2-)
[ "$last" = "Exiting Quarnel" ] || fail "the trace ends with '$last'"

step "no notification was empty"
received | grep '^notify' | grep -e '^notify [0-9]*||' -e '|$' >/dev/null && fail "an empty notification"
if [ -n "${SCREENSHOT_DIR:-}" ]; then cp "$work/monitor.log" "$SCREENSHOT_DIR/sni-monitor.log"; fi
echo "PASSED"
