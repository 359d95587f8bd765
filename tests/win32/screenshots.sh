#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Screenshots of the tray under Wine, in English and Dutch: the balloons
# (quarnel-trayshots) and the tray menu of quarnel.exe. Run inside
# with-tray.sh:
#   with-tray.sh bash tests/win32/screenshots.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2
mkdir -p "$out"
source "$(dirname "$0")/tray-run.sh" quarnel-shots

shot() {
  # The lower part of the screen, where tray, balloon and menu are.
  import -window root -crop 1024x300+0+468 +repage "$out/$1.png"
}

for lang in en nl; do
  case $lang in
    en) locale=en_US.UTF-8 ;;
    nl) locale=nl_NL.UTF-8 ;;
  esac
  for scene in ${QUARNEL_SHOT_SCENES:-connected unsent error}; do
    (cd "$run" && LANG=$locale LC_ALL= LC_MESSAGES= exec wine "$build/tests/win32/quarnel-trayshots.exe" "$scene" 30) &
    pid=$!
    wait_for docked
    sleep 4
    shot "balloon-$scene-$lang"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    sleep 1
  done

  (cd "$run" && LANG=$locale LC_ALL= LC_MESSAGES= exec wine "$build/src/quarnel.exe") &
  pid=$!
  wait_for docked
  sleep 2
  read -r x y w h < <(icon_geometry)
  xdotool mousemove $((x + w / 2)) $((y + h / 2))
  sleep 0.5
  # With Ctrl the menu also shows the extended-logging item.
  xdotool keydown ctrl click 3 keyup ctrl
  sleep 2
  shot "menu-$lang"
  xdotool key Escape
  sleep 0.5
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  sleep 1
done
echo "screenshots in $out"
