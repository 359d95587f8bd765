#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check-desktop-files.sh DESKTOP METAINFO: both valid, without hints.
set -uo pipefail
command -v desktop-file-validate >/dev/null && command -v appstreamcli >/dev/null || {
  echo "desktop-file-validate or appstreamcli is missing"; exit 77; }
failed=0
output=$(desktop-file-validate "$1" 2>&1) && [ -z "$output" ] || { echo "$output"; failed=1; }
appstreamcli validate --no-net "$2" || failed=1
exit $failed
