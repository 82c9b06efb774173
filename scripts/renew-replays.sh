#!/usr/bin/env bash
# Renews the golden recordings' pins, on purpose, after a change that means to change what they
# show: each tests/replays/NAME.script made again into NAME.rec and NAME.facts by script_replay
# (the game's own session driven by the script), then every NAME.rec played back for its trace
# (NAME.trace) and its pictures (NAME-FRAME.png). The suite only compares (tests/goldens.py).
# Look at `git diff tests/replays` and the pictures before committing them.
#   scripts/renew-replays.sh [BUILD_DIR]        (default build/renew)
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
build=$(realpath -m "${1:-$top/build/renew}")
quietly "$build.log" "configuring $build" cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
quietly "$build.log" "building the game and script_replay" cmake --build "$build" --target sieverush script_replay
cd "$build/play"
for script in "$top"/tests/replays/*.script; do
  name=${script%.script}
  "$top/scripts/with-x.sh" "$build/tests/script_replay" "$script" "$name.rec" "$name.facts"
done
for rec in "$top"/tests/replays/*.rec; do
  name=${rec%.rec}
  rm -f "$name"-*.png
  shots=()
  if [ -f "$name.facts" ]; then
    for frame in $(awk '$1 == "shot" { print $2 }' "$name.facts"); do
      shots+=(--shot "$frame" "$name-$frame.png")
    done
  fi
  "$top/scripts/with-x.sh" ./sieverush --replay "$rec" --trace "$name.trace" "${shots[@]}"
done
git -C "$top" status --short tests/replays
