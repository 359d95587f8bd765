#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Screenshots of the tray under Wine, in English and Dutch: the balloons
# (quarnel-trayshots) and the tray menu of quarnel.exe. Run inside
# with-tray.sh:
#   with-tray.sh bash tests/win32/screenshots.sh BUILD_DIR OUT_DIR
set -euo pipefail
build=$1 out=$2
mkdir -p "$out"
run=$(mktemp -d "$WINEPREFIX/drive_c/quarnel-shots.XXXXXX")

icon_geometry() {
  # Absolute position and size of the docked icon: "x y w h".
  local id
  id=$(xwininfo -root -tree | sed -n '/"panel": ("panel"/,/"trayer": ("trayer"/p' |
    grep '("explorer.exe"' | head -n1 | awk '{print $1}')
  [ -n "$id" ] || return 1
  xwininfo -id "$id" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
    /Width/{w=$2} /Height/{h=$2} END{print x, y, w, h}'
}
wait_docked() {
  for _ in $(seq 1 300); do icon_geometry >/dev/null 2>&1 && return 0; sleep 0.2; done
  return 1
}
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
    wait_docked
    sleep 4
    shot "balloon-$scene-$lang"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    sleep 1
  done

  (cd "$run" && LANG=$locale LC_ALL= LC_MESSAGES= exec wine "$build/src/quarnel.exe") &
  pid=$!
  wait_docked
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
