#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The native web shop for tests that run under Wine: "start DIR SHOP ARGS..."
# starts SHOP on a free loopback port with ARGS and writes the port to
# DIR/port; "stop DIR" stops it.
set -euo pipefail
action=$1 dir=$2
case $action in
start)
  shop=$3
  shift 3
  mkdir -p "$dir"
  rm -f "$dir/port"
  "$shop" --listen 127.0.0.1:0 "$@" </dev/null >"$dir/log" 2>&1 &
  echo $! >"$dir/pid"
  prefix="quarnel-shop listening on 127.0.0.1:"
  for _ in $(seq 300); do
    line=$(head -n 1 "$dir/log")
    if [[ $line == "$prefix"* ]]; then
      echo "${line#"$prefix"}" >"$dir/port"
      exit 0
    fi
    kill -0 "$(cat "$dir/pid")" 2>/dev/null || break
    sleep 0.1
  done
  echo "quarnel-shop did not start:" >&2
  cat "$dir/log" >&2
  kill "$(cat "$dir/pid")" 2>/dev/null || true
  exit 1
  ;;
stop)
  if [[ -f $dir/pid ]]; then kill "$(cat "$dir/pid")" 2>/dev/null || true; fi
  rm -f "$dir/pid" "$dir/port"
  ;;
*)
  echo "usage: native-shop.sh start DIR SHOP [ARGS...] | stop DIR" >&2
  exit 2
  ;;
esac
