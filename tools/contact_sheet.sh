#!/bin/sh
# Remakes docs/art/contact-sheet.png: the six art files drawn through the game's own loaders
# and text by the suite's art test, saved from the window, cut to what it holds.
#   tools/contact_sheet.sh [BUILD_DIR]      (default: build)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
cmake --build "$build" --target art_gl_test
SIEVERUSH_SHOTS=$shots "$top/scripts/with-x.sh" "$build/tests/art_gl_test"
convert "$shots/contact-sheet.ppm" -crop 800x470+0+0 "$top/docs/art/contact-sheet.png"
