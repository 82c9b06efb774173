#!/usr/bin/env bash
# End-to-end tests of the Windows build: sieverush.exe run under Wine 8 on a private Xvfb,
# started the way a player starts it (in a folder with the six art files), driven through
# real X input and judged by what it shows, the files it writes and its exit status.
#
#   tests/windows/run-wine-tests.sh PACKAGE [SHOTS_DIR]
#
# PACKAGE is sieverush-windows.zip or a folder holding sieverush.exe and the art files.
# Screenshots go to SHOTS_DIR (default: ./wine-shots). One Wine prefix serves the whole run
# and is deleted at the end (SIEVERUSH_KEEP_PREFIX=1 keeps it). Every wait is bounded, and
# no Wine process of the run outlives it. Ends with "N passed, N failed"; non-zero status
# on any failure.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
self=$here/$(basename "$0")
repo=$(cd "$here/../.." && pwd)
source "$repo/scripts/windows/common.sh"

ART_FILES=(SieveFont.bff Case.tga CaseSide.tga Patch.tga Hole.tga Bits.tga)
WINDOW_TITLE='Sieve Rush'
XVFB_SCREEN='-screen 0 1024x768x24'

# Seconds allowed for each wait; generous, since these machines are shared.
WINDOW_WAIT=90   # from start to the window being mapped (the first start in a prefix is slow)
FRAME_WAIT=20    # from the window or a key press to the expected picture
EXIT_WAIT=30     # from Esc to the process having ended
CASE_LIMIT=300   # a whole case, including its X server

export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# ---- helpers used inside a case ------------------------------------------------------------

# Waits up to $2 seconds for child process $1 to end and sets EXIT_STATUS to its exit status,
# or to 124 after killing it when it does not end in time.
wait_exit() {
  local pid=$1 deadline=$((SECONDS + $2))
  while kill -0 "$pid" 2>/dev/null; do
    if [ $SECONDS -ge $deadline ]; then
      kill "$pid" 2>/dev/null || true
      wineserver -k 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
      EXIT_STATUS=124
      return
    fi
    sleep 0.2
  done
  EXIT_STATUS=0
  wait "$pid" || EXIT_STATUS=$?
}

# Prints the X window id of the game's 800 by 600 window titled exactly "Sieve Rush".
find_game_window() {
  local ids id
  ids=$(timeout "$WINDOW_WAIT" xdotool search --sync --onlyvisible --name "^${WINDOW_TITLE}\$" \
    2>/dev/null) || return 1
  for id in $ids; do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if [ "$WIDTH" = 800 ] && [ "$HEIGHT" = 600 ]; then
      echo "$id"
      return 0
    fi
  done
  log "windows titled '$WINDOW_TITLE' are not 800x600: $ids"
  return 1
}

# Saves the client area of window $1 as PNG $2.
shoot() { xwd -silent -id "$1" | convert xwd:- "$2"; }

# Fraction (0..1) of the pixels in the rectangle W x H at window pixel X, Y (from the top-left
# corner) of picture $1 that are brighter than 10% grey.
lit() {
  convert "$1" -crop "$2x$3+$4+$5" +repage -colorspace Gray -threshold 10% \
    -format '%[fx:mean]' info:
}
is_zero() { awk -v v="$1" 'BEGIN { exit !(v == 0) }'; }
at_least() { awk -v v="$1" -v m="$2" 'BEGIN { exit !(v >= m) }'; }

# Lit fraction of a band 64 pixels high around a text line whose position is given in the
# game's own window coordinates (origin bottom-left, y up), $3 pixels wide from x.
text_band() { lit "$1" "$4" 64 "$2" $((600 - $3 - 32)); }

# Takes screenshots of window $1 into $2 until test function $3 accepts one, for FRAME_WAIT
# seconds at most.
await_picture() {
  local wid=$1 png=$2 check=$3 deadline=$((SECONDS + FRAME_WAIT))
  while :; do
    shoot "$wid" "$png" && "$check" "$png" && return 0
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.5
  done
}

fail() { log "    $*"; exit 1; }

# The title screen: lines of text where the title's first and last lines are drawn, and
# nothing between the instruction lines and the "Press the Spacebar" line.
title_shown() {
  local png=$1
  ! is_zero "$(text_band "$png" 320 500 200)" &&
    ! is_zero "$(text_band "$png" 260 100 300)" &&
    is_zero "$(lit "$png" 800 70 0 380)"
}

# Play: the case fills the middle of the window, and both status lines (x 20 and x 600,
# 30 pixels above the bottom) show text.
play_shown() {
  local png=$1
  at_least "$(lit "$png" 100 100 350 250)" 0.9 &&
    ! is_zero "$(lit "$png" 260 60 20 540)" &&
    ! is_zero "$(lit "$png" 190 60 600 540)"
}

# Starts the game in folder $1 in the background; sets GAME_PID and GAME_WINDOW.
start_game() {
  cd "$1"
  wine ./sieverush.exe </dev/null >"$1.stdout" 2>"$1.stderr" &
  GAME_PID=$!
  GAME_WINDOW=$(find_game_window) || fail "no 800x600 window titled '$WINDOW_TITLE' appeared"
}

# Presses one key for a quarter of a second, as a player does, with the focus on the game's
# window (XTest: real events; bare Xvfb has no window manager, so the focus is set directly).
# The game reads keys as levels: `xdotool key` sends press and release back to back, Wine
# hands both to one poll, and the game would never see the key down.
press() {
  xdotool windowfocus --sync "$GAME_WINDOW"
  xdotool keydown "$1"
  sleep 0.25
  xdotool keyup "$1"
}

# Ends the case: Esc must end the game with status 0 and take its window away.
quit_with_esc() {
  press Escape
  wait_exit "$GAME_PID" "$EXIT_WAIT"
  [ "$EXIT_STATUS" = 0 ] || fail "exit status after Esc is $EXIT_STATUS, expected 0"
  if xdotool search --name "^${WINDOW_TITLE}\$" >/dev/null 2>&1; then
    fail "the window is still there after the game ended"
  fi
}

# ---- cases, each run on its own X server ---------------------------------------------------

case_title_then_esc() {
  local dir=$1 shots=$2
  start_game "$dir"
  await_picture "$GAME_WINDOW" "$shots/title.png" title_shown \
    || fail "the title screen text is not where expected (see $shots/title.png)"
  quit_with_esc
}

case_space_starts_play() {
  local dir=$1 shots=$2
  start_game "$dir"
  await_picture "$GAME_WINDOW" "$shots/title-before-play.png" title_shown \
    || fail "no title screen (see $shots/title-before-play.png)"
  # The patch picture follows the pointer as the cursor: park it in the top-right corner,
  # away from the case and the status lines.
  eval "$(xdotool getwindowgeometry --shell "$GAME_WINDOW")"
  xdotool mousemove $((X + 780)) $((Y + 20))
  press space
  await_picture "$GAME_WINDOW" "$shots/play.png" play_shown \
    || fail "after Space the case or the status lines are missing (see $shots/play.png)"
  quit_with_esc
}

# Runs one case inside the current X session; Wine ends with it.
in_x() {
  local name=$1
  trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true' EXIT
  "case_$name" "$2" "$3"
}

if [ "${1:-}" = --in-x ]; then
  shift
  in_x "$@"
  exit 0
fi

# ---- the run -------------------------------------------------------------------------------

[ $# -ge 1 ] || { sed -n '2,12p' "$0" >&2; exit 2; }
package=$(realpath "$1")
shots=$(mkdir -p "${2:-wine-shots}" && cd "${2:-wine-shots}" && pwd)

ensure_windows_deps

work=$(mktemp -d "${TMPDIR:-/tmp}/sieverush-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEARCH=win64

# Kills whatever Wine still runs in this run's prefix and removes the scratch folder.
cleanup() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  if [ "${SIEVERUSH_KEEP_PREFIX:-0}" = 1 ]; then
    log "kept $work"
  else
    rm -rf "$work"
  fi
}
trap cleanup EXIT

# The game as delivered, unpacked once; each case copies it into a folder of its own.
pristine=$work/package
mkdir -p "$pristine"
if [ -d "$package" ]; then
  cp -a "$package/." "$pristine/"
else
  unzip -q "$package" -d "$pristine"
fi
for f in sieverush.exe "${ART_FILES[@]}"; do
  [ -f "$pristine/$f" ] || { log "$package lacks $f"; exit 2; }
done
fresh_game_dir() {
  local dir=$work/$1
  rm -rf "$dir"
  cp -a "$pristine" "$dir"
  echo "$dir"
}

passed=0
failed=0
skipped=0
pass() { passed=$((passed + 1)); log "PASS $1"; }
flunk() { failed=$((failed + 1)); log "FAIL $1"; }
skip() { skipped=$((skipped + 1)); log "SKIP $1"; }

start=$SECONDS
log "creating the Wine prefix"
env -u DISPLAY wineboot -i >/dev/null 2>&1 || true
wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || { log "wineboot did not create $WINEPREFIX"; exit 1; }
log "  prefix ready after $((SECONDS - start)) s"

# A case on its own Xvfb; its Wine processes are killed inside the same X session.
run_x_case() {
  local name=$1 dir t0=$SECONDS
  dir=$(fresh_game_dir "$name")
  if timeout -k 10 "$CASE_LIMIT" xvfb-run -a -s "$XVFB_SCREEN" "$self" --in-x "$name" "$dir" "$shots"; then
    pass "$name ($((SECONDS - t0)) s)"
  else
    flunk "$name ($((SECONDS - t0)) s)"
  fi
  wineserver -k 2>/dev/null || true
}

# Title screen in an 800x600 window titled "Sieve Rush"; Esc ends the program with status 0.
run_x_case title_then_esc
# Space leaves the title screen: the case and the two status lines are drawn.
run_x_case space_starts_play

# Without a display GLFW cannot start: status 1, and "GL_ERROR.txt" says so with Windows line
# ends, replacing what an earlier run left there. Nothing else is written.
no_display() {
  local dir status expected listing
  dir=$(fresh_game_dir no_display)
  printf 'an older and much longer report that must not survive\r\n%.0s' 1 2 3 >"$dir/GL_ERROR.txt"
  listing=$(cd "$dir" && ls -A | sort)
  status=0
  (cd "$dir" && env -u DISPLAY -u WAYLAND_DISPLAY timeout -k 5 60 wine ./sieverush.exe \
    </dev/null >/dev/null 2>&1) || status=$?
  wineserver -k 2>/dev/null || true
  [ "$status" = 1 ] || { log "    exit status $status, expected 1"; return 1; }
  expected=$work/GL_ERROR.expected
  printf 'Caught exception:\r\n  Failed to initialize GLFW.\r\n' >"$expected"
  cmp -s "$expected" "$dir/GL_ERROR.txt" || {
    log "    GL_ERROR.txt holds:"; od -c "$dir/GL_ERROR.txt" | sed 's/^/      /' >&2; return 1; }
  [ "$(cd "$dir" && ls -A | sort)" = "$listing" ] || {
    log "    files written besides GL_ERROR.txt:"
    diff <(echo "$listing") <(cd "$dir" && ls -A | sort) | sed 's/^/      /' >&2; return 1; }
}
t0=$SECONDS
if no_display; then pass "no_display_writes_gl_error ($((SECONDS - t0)) s)"; else flunk "no_display_writes_gl_error"; fi

# The Windows build drains 256 RAM per millisecond and open hole (the Linux build 128).
drain_constant() {
  local exe=$work/drain_test.exe status=0
  x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -static \
    -I"$repo" "$repo/tests/drain_constant.cpp" -o "$exe" || { log "    the drain test does not compile"; return 1; }
  (cd "$work" && env -u DISPLAY timeout -k 5 60 wine "$exe" </dev/null >"$exe.out" 2>&1) \
    || status=$?
  wineserver -k 2>/dev/null || true
  tr -d '\r' <"$exe.out" | sed 's/^/    /' >&2
  [ "$status" = 0 ] || { log "    drain test exit status $status"; return 1; }
}
t0=$SECONDS
if drain_constant; then pass "windows_drain_constant ($((SECONDS - t0)) s)"; else flunk "windows_drain_constant"; fi

# No Wine process of this run may be left: everything started with this prefix is gone.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
leftover=()
for p in /proc/[0-9]*; do
  comm=$(cat "$p/comm" 2>/dev/null) || continue
  [[ $comm == wine* || $comm == *.exe ]] || continue
  if tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX"; then
    leftover+=("${p#/proc/}:$comm")
  fi
done
if [ ${#leftover[@]} -eq 0 ]; then
  pass "no_wine_process_left"
else
  flunk "no_wine_process_left: ${leftover[*]}"
fi

log "screenshots in $shots; $((SECONDS - start)) s in all"
if [ "$skipped" -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ]
