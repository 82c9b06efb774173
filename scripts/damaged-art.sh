#!/usr/bin/env bash
# Runs the sanitizer build of the game on every damaged variant of the six art files (about
# 2,300 runs; an hour or more on two cores). Each must either print that file's load failure
# and exit 0, or show the title screen, play a moment and exit 0 on Esc, without a sanitizer
# report. Extra arguments go to the checker: --jobs 2, --only Case.tga, --sample 60 --seed 3,
# --list, --pick N,N. Failing variants are kept in BUILD_DIR/damaged-art-failures.
# Usage: scripts/damaged-art.sh [ARGS...]     (BUILD_DIR: $SIEVERUSH_SAN_BUILD or build/asan)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${SIEVERUSH_SAN_BUILD:-$top/build/asan}
cmake -S "$top" -B "$build" -G Ninja -DSIEVERUSH_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --target sieverush art damaged_art
exec "$build/tests/reliability/damaged_art" --art "$build/play" \
  --keep "$build/damaged-art-failures" "$@" -- "$build/play/sieverush"
