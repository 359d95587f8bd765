#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) if needed and fuzzes one target, or each in
# turn, for as long as asked.
#
#   scripts/fuzz.sh [--grow] [TARGET|all] [SECONDS] [-- LIBFUZZER-OPTIONS...]
#
# SECONDS is per target (default 60). Without --grow the run starts from a
# scratch copy of fuzz/corpus/TARGET, so the repository's corpus stays as
# it is; with --grow new inputs are added to fuzz/corpus/TARGET itself.
# Crashing inputs are kept in the build folder's fuzz/artifacts/TARGET/.
# QUARNEL_FUZZ_BUILD_DIR names the build folder (default build-fuzz).
set -euo pipefail
cd "$(dirname "$0")/.."

grow=0
if [ "${1:-}" = --grow ]; then
  grow=1
  shift
fi
target=${1:-all}
seconds=${2:-60}
shift $(($# < 2 ? $# : 2))
if [ "${1:-}" = -- ]; then shift; fi

build=${QUARNEL_FUZZ_BUILD_DIR:-build-fuzz}
targets=()
for source in fuzz/fuzz_*.cpp; do
  name=${source#fuzz/fuzz_}
  targets+=("${name%.cpp}")
done
if [ "$target" != all ]; then
  if [[ ! " ${targets[*]} " == *" $target "* ]]; then
    echo "unknown target '$target'; targets: ${targets[*]}" >&2
    exit 2
  fi
  targets=("$target")
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUARNEL_BUILD_FUZZ=ON -DQUARNEL_BUILD_TESTS=OFF -DQUARNEL_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz-}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for name in "${targets[@]}"; do
  corpus=fuzz/corpus/$name
  if [ $grow -eq 0 ]; then
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/quarnel-fuzz-$name.XXXXXX")
    cp -R "$corpus/." "$scratch/"
    corpus=$scratch
  fi
  artifacts=$build/fuzz/artifacts/$name
  mkdir -p "$artifacts"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$artifacts/")
  if [ -f "fuzz/dict/$name.dict" ]; then options+=(-dict="fuzz/dict/$name.dict"); fi
  echo "== $name for ${seconds}s on $corpus"
  "$build/fuzz/fuzz-$name" "${options[@]}" "$@" "$corpus" || status=1
  if [ $grow -eq 0 ]; then rm -rf "$corpus"; fi
done
exit $status
