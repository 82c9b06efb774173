#!/usr/bin/env bash
# Runs each libFuzzer target of the four file parsers for SECONDS, seeded with the game's own art
# and the kept corpus (recorded games and the kept settings and best files from the kept corpus
# alone). BUILD_DIR is a clang build configured with -DSIEVERUSH_FUZZ=ON (built here if it is not
# yet). Exits non-zero on any finding; the input is kept in BUILD_DIR/findings.
# Usage: fuzz/run.sh SECONDS BUILD_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=$1 build=$(cd "$2" && pwd)
cmake --build "$build" --target fuzz_tga fuzz_bff fuzz_replay fuzz_kept art

run() {  # target, seed files...
  local target=$1; shift
  local corpus=$build/corpus/$target
  mkdir -p "$corpus" "$build/findings/$target"
  cp "$@" "$top/fuzz/corpus/$target"/* "$corpus/"
  echo "== $target for ${seconds}s"
  (cd "$build/findings/$target" &&
    "$build/fuzz/$target" -max_total_time="$seconds" -max_len=300000 -timeout=10 \
      -print_final_stats=1 "$corpus" 2>"$build/$target.log") || {
    tail -n 40 "$build/$target.log"
    echo "FAIL: $target found a fault; the input is in $build/findings/$target" >&2
    return 1
  }
  grep -E '^stat::number_of_executed_units' "$build/$target.log"
}

run fuzz_tga "$build"/play/*.tga
run fuzz_bff "$build"/play/SieveFont.bff
run fuzz_replay
run fuzz_kept
