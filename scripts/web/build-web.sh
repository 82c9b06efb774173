#!/usr/bin/env bash
# Builds Sieve Rush for the browser with Debian's emscripten and leaves the static files any web
# server can serve in OUT (default build/web/site): index.html (the page), sieverush.js,
# sieverush.wasm and sieverush.data (the six art files, preloaded as the game's working folder).
#
#   scripts/web/build-web.sh [OUT [ART]]     then: scripts/web/serve.sh [OUT]
#
#   1. installs what is missing (scripts/deps.sh: the native build's packages and emscripten)
#   2. draws the art with the native art tool                 -> build/web/native, build/web/art
#      (or, given ART, preloads the files of that folder instead)
#   3. builds the game with emcmake                            -> build/web/game
#   4. copies the page, its script, wasm and data into OUT
# The first build fills emscripten's cache (a minute or two). Builds use at most two jobs.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
out=$(mkdir -p "${1:-$top/build/web/site}" && cd "${1:-$top/build/web/site}" && pwd)
work=$top/build/web
art=$work/art
art_files=(SieveFont.bff Case.tga CaseSide.tga Patch.tga Hole.tga Bits.tga)

"$top/scripts/deps.sh"
# emscripten's tools run on Node.js and find their modules there only when Node.js is Debian's.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)

if [ -n "${2:-}" ]; then
  art=$(cd "$2" && pwd)
else
  # The art tool is a native program: built and run on this machine, never for the browser.
  cmake -S "$top" -B "$work/native" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
    -DSIEVERUSH_TESTS=OFF >/dev/null
  cmake --build "$work/native" --target art --parallel 2 >/dev/null
  rm -rf "$art"
  mkdir -p "$art"
  for f in "${art_files[@]}"; do
    cp "$work/native/play/$f" "$art/$f"
  done
fi

emcmake cmake -S "$top" -B "$work/game" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DSIEVERUSH_WERROR="${SIEVERUSH_WERROR:-OFF}" -DSIEVERUSH_WEB_ART="$art" >/dev/null
cmake --build "$work/game" --target sieverush --parallel 2

play=$work/game/play
cp "$play/sieverush.html" "$out/index.html"
cp "$play/sieverush.js" "$play/sieverush.wasm" "$play/sieverush.data" "$out/"
echo "$out"
