#!/usr/bin/env bash
# Builds Sieve Rush for the browser with Debian's emscripten and leaves the static files any web
# server can serve in OUT (default build/web/site): index.html (the page), icon.png (its icon),
# sieverush.js, sieverush.wasm and sieverush.data (the art files, preloaded as the game's working
# folder), and what makes it an app a browser installs and starts offline: manifest.webmanifest,
# its icons icon-192.png and icon-512.png, and sw.js (the service worker, its cache named by a
# digest of the other files). With the game's own art, also WORK/sieverush-web.zip: the same
# files at the zip's root, as sites that host web games (itch.io) take them.
#
#   scripts/web/build-web.sh [OUT [ART]]     then: scripts/web/serve.sh [OUT]
#
#   1. installs what is missing (scripts/deps.sh: the native build's packages and emscripten)
#   2. draws the art and the icon with the native tools        -> WORK/native/art, icons
#      (given ART, the page preloads the files of that folder instead; SIEVERUSH_NATIVE_BUILD
#      names a native build that has drawn them already, see native_tools in scripts/lib.sh)
#   3. builds the game with emcmake                            -> WORK/game
#   4. copies the page, its icons, manifest, worker, script, wasm and data into OUT; zips them
# WORK is SIEVERUSH_WEB_BUILD, by default build/web. Debian's emscripten comes with its libraries
# built (its cache is frozen), so no first build fills a cache. Builds use at most two jobs.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/../lib.sh"
out=$(mkdir -p "${1:-$top/build/web/site}" && cd "${1:-$top/build/web/site}" && pwd)
work=${SIEVERUSH_WEB_BUILD:-$top/build/web}

"$top/scripts/deps.sh"
# emscripten's tools run on Node.js and find their modules there only when Node.js is Debian's.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

native_tools "$work/native"
art=$native/art
[ -z "${2:-}" ] || art=$(cd "$2" && pwd)

emcmake cmake -S "$top" -B "$work/game" -DCMAKE_BUILD_TYPE=Release \
  -DSIEVERUSH_WERROR="${SIEVERUSH_WERROR:-OFF}" -DSIEVERUSH_WEB_ART="$art" >/dev/null
cmake --build "$work/game" --target sieverush --parallel 2

play=$work/game/play
web=$top/platform/web
# The page without its comment lines and indents (emscripten's own minifier fails on it): a first
# visit fetches only what the browser reads.
sed -E -e 's/^[[:space:]]+//' -e '/^\/\/ /d' -e '/^\/\*.*\*\/$/d' -e '/^$/d' "$play/sieverush.html" >"$out/index.html"
cp "$native/icons/64x64/apps/sieverush.png" "$out/icon.png"
for size in 192 512; do
  cp "$native/icons/${size}x$size/apps/sieverush.png" "$out/icon-$size.png"
done
cp "$web/manifest.webmanifest" "$play/sieverush.js" "$play/sieverush.wasm" "$play/sieverush.data" "$out/"
# The files the worker keeps are the ones it names; a build whose files differ in any byte is a
# new worker (the browser compares the worker's own bytes).
mapfile -t files < <(sed -n "/^const Files = \[/,/\];/p" "$web/sw.js" | grep -o "'[^']*'" | tr -d "'")
build=$(cd "$out" && cat "${files[@]}" | sha256sum | cut -c1-16)
sed "s/@BUILD@/$build/" "$web/sw.js" >"$out/sw.js"
if [ -z "${2:-}" ]; then
  mkdir -p "$work"
  zip=$(cd "$work" && pwd)/sieverush-web.zip
  rm -f "$zip"
  (cd "$out" && zip -q -X "$zip" "${files[@]}" sw.js)
fi
echo "$out"
