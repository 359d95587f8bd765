#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages Quarnel needs to build, test and run.
# Idempotent: packages that are already installed are skipped, and
# nothing is fetched when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config clang-format
  clang libclang-rt-14-dev
  libsqlite3-dev sqlite3
  libcurl4-openssl-dev curl xdg-utils
  libudev-dev
  libcpp-httplib-dev
  libgtest-dev libgmock-dev
  python3 g++-mingw-w64-x86-64-posix wine wine64
  nsis librsvg2-bin icoutils zip unzip
  libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-qpa-plugins libqt6svg6 qt6-translations-l10n
  xvfb xauth trayer xdotool x11-utils imagemagick dbus-x11 fonts-dejavu-core
  lxqt-panel dunst dbus-daemon dbus-bin python3
  chromium
  dpkg-dev fakeroot lintian appstream desktop-file-utils mandoc
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# chromium is optional: only the order-page browser test needs it.
required=()
for p in "${missing[@]}"; do [ "$p" = chromium ] || required+=("$p"); done
if [ ${#required[@]} -gt 0 ]; then
  $SUDO apt-get install -y -q --no-install-recommends "${required[@]}"
fi
if [[ " ${missing[*]} " == *" chromium "* ]]; then
  $SUDO apt-get install -y -q --no-install-recommends chromium ||
    echo "warning: chromium could not be installed; the browser test will be skipped" >&2
fi
