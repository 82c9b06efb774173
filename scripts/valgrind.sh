#!/usr/bin/env bash
# Plays one short scripted game under valgrind memcheck: title, Space, turning, patch clicks on
# the holes seen on screen, a held-button sweep, Esc. Passes when memcheck finds no error in the
# game's own code and no definite leak (the system's graphics stack is suppressed, with reasons,
# in tests/reliability/valgrind.supp) and the game ends with status 0.
# Usage: scripts/valgrind.sh [GAME ART_DIR SOAK_PLAYER]   (default: builds build/valgrind)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ge 3 ]; then
  game=$(realpath "$1") art=$(realpath "$2") player=$(realpath "$3")
else
  build=$top/build/valgrind
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" --target sieverush art soak_player
  game=$build/play/sieverush art=$build/play player=$build/tests/reliability/soak_player
fi
log=$(mktemp /tmp/sieverush-valgrind-XXXXXX.log)
trap 'rm -f "$log"' EXIT
# Softpipe instead of llvmpipe: no machine code generated at run time for memcheck to trip on,
# and one thread.
export LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe
status=0
"$player" --script --art "$art" --timeout 600 --play-seconds "${SIEVERUSH_VALGRIND_PLAY:-40}" \
  --hold-ms 2500 -- "$(command -v valgrind)" --tool=memcheck --error-exitcode=99 \
  --leak-check=full --errors-for-leak-kinds=definite --show-leak-kinds=definite \
  --track-origins=no --num-callers=30 --keep-debuginfo=yes --suppressions="$top/tests/reliability/valgrind.supp" \
  --log-file="$log" "$game" || status=$?
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|suppressed:" "$log" || true
if [ "$status" -ne 0 ]; then
  echo "--- valgrind log:"
  head -c 60000 "$log"
  echo "FAIL: memcheck or the scripted game failed (status $status)" >&2
  exit 1
fi
echo "valgrind: PASS"
