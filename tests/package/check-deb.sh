#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check-deb.sh PACKAGE.deb: the package holds exactly the files of files.txt,
# lintian finds no error, its desktop entry and AppStream metadata are valid,
# and the unpacked programs answer --version without a display.
set -uo pipefail
deb=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
failed=0
fail() { echo "FAIL: $*"; failed=1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb"; exit 1; }

# The file list, links included; folders come with their files.
if ! diff -u "$here/files.txt" <(cd "$root" && find . ! -type d | sed 's/^\.//' | LC_ALL=C sort); then
  fail "file list differs from files.txt (- expected, + found)"
fi
version=$(dpkg-deb -f "$deb" Version)
[ "$(basename "$deb")" = "quarnel_${version}_amd64.deb" ] || fail "file name $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
[[ "$depends" == *libc6* && "$depends" == *libqt6widgets6* ]] ||
  fail "Depends lacks what dpkg-shlibdeps finds: $depends"

# Errors fail the check; warnings and infos are shown.
lintian --fail-on error --display-info "$deb" || fail "lintian"

output=$(desktop-file-validate "$root/usr/share/applications/quarnel.desktop" 2>&1) &&
  [ -z "$output" ] || fail "desktop-file-validate: $output"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml || fail "appstreamcli"

for program in quarnel quarnel-reg quarnel-shop quarnel-vscan; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$program" --version 2>&1)
  [ "$out" = "$program $version" ] || fail "$program --version: '$out'"
done

# The unpacked program loads the native link from its private folder: an
# emulated scanner on a pseudo-terminal is plugged in, and the loader's log
# must show the library taken from the unpacked tree.
home=$root/home
mkdir -p "$home/com" "$home/scanners"
"$root/usr/bin/quarnel-vscan" --dir "$home/scanners" plug COM3 8712345678906 >/dev/null
"$root/usr/bin/quarnel-vscan" --dir "$home/scanners" serve COM3 --com-dir "$home/com" \
  >/dev/null 2>&1 &
serve=$!
timeout -k 5 120 env -u DISPLAY -u WAYLAND_DISPLAY -u QUARNEL_CSP2_LIBRARY -u QUARNEL_VIRTUAL_PORTS \
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
  QT_QPA_PLATFORM=offscreen QUARNEL_COM_DEVICES="$home/com" QUARNEL_WEBSHOP=127.0.0.1:9 \
  LD_DEBUG=files LD_DEBUG_OUTPUT="$home/loader" "$root/usr/bin/quarnel" >/dev/null 2>&1 &
program=$!
native="file=$root/usr/lib/x86_64-linux-gnu/quarnel/libcsp2-opn2001.so .*dynamically loaded"
for _ in $(seq 600); do
  grep -qs "$native" "$home"/loader.* && break
  kill -0 $program 2>/dev/null || break
  sleep 0.1
done
grep -qs "$native" "$home"/loader.* || fail "quarnel did not load its native scanner library"
kill $program $serve 2>/dev/null
wait $program $serve 2>/dev/null

[ $failed -eq 0 ] && echo "package $(basename "$deb") checked"
exit $failed
