#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The man pages give no warning with mandoc's lint, or else groff's.
set -uo pipefail
if command -v mandoc >/dev/null; then
  output=$(mandoc -T lint -W warning "$@" 2>&1)
elif command -v groff >/dev/null; then
  output=$(for page in "$@"; do groff -ww -z -man "$page" 2>&1; done)
else
  echo "neither mandoc nor groff is installed"; exit 77
fi
status=$?
[ -z "$output" ] && [ "$status" -eq 0 ] && exit 0
echo "$output"
exit 1
