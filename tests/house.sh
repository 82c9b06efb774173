#!/usr/bin/env bash
# The house's walls and a fresh machine's packages, checked from the sources and a Ninja build:
#   1. each room includes only its own headers and those the rooms below it offer it (the build
#      lets nothing outside a room see the headers it keeps outside ROOM/include/ROOM/); only
#      platform/ includes GLFW, OpenAL, Windows' audio or emscripten, and only platform/ asks which
#      target it is built for (the drain rule in game/Rules.h aside);
#   2. every system header and library the build used comes from a package that scripts/deps.sh
#      names, or that one of those (or build-essential) brings in.
# Usage: tests/house.sh SOURCE_DIR NINJA_BUILD_DIR
set -uo pipefail
src=$1 build=$2
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# What each room may include: its own headers, and of the platform the GL header (every room that
# draws) and the shell's one header for the game (input, presenting, waiting, time).
declare -A may=([image]="image" [sound]="sound" [font]="font platform/GL.h"
                [gfx]="gfx image platform/GL.h"
                [game]="game gfx font image sound platform/GL.h platform/Shell.h" [platform]="platform"
                [app]="app game sound platform/Shell.h platform/Store.h" [tools]="tools sound")
cd "$src"
while IFS=: read -r file line text; do
  room=${file%%/*}
  header=$(sed -E 's/.*#include[[:space:]]*[<"]([^>"]+)[>"].*/\1/' <<<"$text")
  case $header in GLFW/* | emscripten/* | AL/* | mmsystem.h)
    # The start-up benchmark's baseline is a bare GLFW program of its own.
    [[ $room = platform || $file == bench/first_frame* ]] || fail "$file:$line includes $header outside platform/" ;;
  esac
  [ -n "${may[$room]:-}" ] || continue
  case $header in */*) ;; *) continue ;; esac
  ok=0
  for allowed in ${may[$room]}; do
    [[ $header == "$allowed" || $header == "$allowed"/* ]] && ok=1
  done
  [[ $ok = 1 || ! -e ${header%%/*}/include/$header ]] || fail "$file:$line: $room/ includes $header, neither its own nor offered to it from below"
done < <(git ls-files -z -- '*.cpp' '*.h' '*.c' | xargs -0 grep -nE '^[[:space:]]*#[[:space:]]*include')
while IFS=: read -r file line text; do
  [ "$file" = game/include/game/Rules.h ] || fail "$file:$line asks which target it is built for: $text"
done < <(git ls-files -z -- image sound font gfx game app | xargs -0 grep -nE '^[[:space:]]*#[[:space:]]*(if|elif).*(__EMSCRIPTEN__|_WIN32)')

# Absolute paths of the headers and libraries outside this tree that the build read.
used=$( { ninja -C "$build" -t deps; ninja -C "$build" -t commands; } | grep -oE '/(usr|lib)[^ :]+' \
  | grep -E '\.(h|hpp|hxx|so(\.[0-9]+)*|a)$|/include/c\+\+/[^/]+/[a-z_]+$' | sort -u)
[ -n "$used" ] || fail "no dependencies found in $build (not a Ninja build?)"
packages=$(xargs -r dpkg -S 2>/dev/null <<<"$used" | cut -d: -f1 | tr ', ' '\n\n' | sort -u | grep .)
named=$("$src/scripts/deps.sh" --list)
brought=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances $named build-essential 2>/dev/null | grep -v '^ ' | sort -u)
for p in $packages; do
  grep -qxF "${p%%:*}" <<<"$brought" || fail "package $p is used by the build but scripts/deps.sh does not install it"
done
[ $failed = 0 ] && echo "house: walls kept; $(wc -w <<<"$packages") packages all installed by scripts/deps.sh"
exit $failed
