#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One fuzz target as a test: every seed of its corpus, then a short run that
# grows a scratch copy of the corpus, never the repository's.
# Usage: run-fuzz-test.sh TARGET CORPUS SCRATCH [libFuzzer options...]
set -euo pipefail
target=$1 corpus=$2 scratch=$3
shift 3
rm -rf "$scratch"
mkdir -p "$scratch"
cp -R "$corpus/." "$scratch/"
exec "$target" -artifact_prefix="$scratch/../$(basename "$target")-" "$@" "$scratch"
