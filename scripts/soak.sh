#!/usr/bin/env bash
# Plays the real game with seeded random input for SECONDS (default 120) on a private Xvfb and
# checks that it never dies, that its resident memory grows by less than 1 MiB after the first
# minute, and that Esc ends it with status 0. The RSS curve goes to soak-SEED.csv in the build.
# Usage: scripts/soak.sh [SECONDS] [SEED] [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-120}
seed=${2:-1}
build=${3:-$top/build/soak}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target sieverush art soak_player
exec "$build/tests/reliability/soak_player" --art "$build/play" --seconds "$seconds" \
  --seed "$seed" --log "$build/soak-$seed.csv" -- "$build/play/sieverush"
