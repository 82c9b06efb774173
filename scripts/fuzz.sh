#!/usr/bin/env bash
# Builds the libFuzzer targets of the two file parsers and runs each for SECONDS (default 60),
# seeded with the game's own art and the kept corpus. Exits non-zero on any finding.
# Usage: scripts/fuzz.sh [SECONDS] [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$top/build/fuzz}

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSIEVERUSH_FUZZ=ON -DSIEVERUSH_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzz_tga fuzz_bff art

run() {  # target, seed files...
  local target=$1; shift
  local corpus=$build/corpus/$target
  mkdir -p "$corpus" "$build/findings/$target"
  cp "$@" "$corpus/"
  [ -d "$top/fuzz/corpus/$target" ] && cp "$top/fuzz/corpus/$target"/* "$corpus/" 2>/dev/null || true
  echo "== $target for ${seconds}s"
  (cd "$build/findings/$target" &&
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len=300000 -timeout=10 \
      -print_final_stats=1 "$corpus" 2>"$build/$target.log") || {
    tail -n 40 "$build/$target.log"
    echo "FAIL: $target found a fault; the input is in $build/findings/$target" >&2
    return 1
  }
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$build/$target.log" || true
}

play=$build/play
run fuzz_tga "$play"/*.tga
run fuzz_bff "$play"/SieveFont.bff
