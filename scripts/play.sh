#!/usr/bin/env bash
# Sets everything up, builds Sieve Rush and starts it from the folder that holds its art.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
"$top/scripts/deps.sh"
cmake -S "$top" -B "$top/build/release" -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_TESTS=OFF
cmake --build "$top/build/release"
cd "$top/build/release/play"
has_display || log "no display: starting the game on a virtual X server (Xvfb); nothing will be visible"
exec_on_x ./sieverush
