# shellcheck shell=bash
# What every script of the project shares; sourced, not run:
#   source "$(dirname "$0")/lib.sh"        (from scripts/web/ and scripts/windows/: ../lib.sh)
# Sets `top`, the checkout's root, and makes Ninja the generator of every CMake build.

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Every build tree a script configures uses Ninja (deps.sh installs ninja-build); CMake takes its
# generator from this variable when no -G is given, emcmake's configure included.
export CMAKE_GENERATOR=Ninja

# The screen of every private X server: a common monitor's 1920x1080, room for the game's
# 800x600 window and for it made fullscreen; 24-bit colour, so that a colour read back from the
# screen is the colour drawn.
XVFB_SCREEN='-screen 0 1920x1080x24'

log() { printf '[%s] %s\n' "$(basename "$0")" "$*" >&2; }
die() {
  log "error: $*"
  exit 1
}

# as_root COMMAND...: runs COMMAND as root, through sudo when we are someone else. sudo drops the
# environment: pass variables with `env NAME=VALUE`.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    command -v sudo >/dev/null || die "not root and no sudo to become root: run $(basename "$0") as root"
    sudo "$@"
  fi
}

# quietly LOG WHAT COMMAND...: runs COMMAND with all its output in LOG; when it fails, shows the
# end of LOG and stops the script.
quietly() {
  local file=$1 what=$2
  shift 2
  "$@" >"$file" 2>&1 || {
    tail -n 40 "$file" >&2
    die "$what failed (the whole output is in $file)"
  }
}

# Whether DISPLAY names an X server that answers.
has_display() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

# exec_on_x COMMAND...: runs COMMAND on the current X display, or on a private Xvfb when there is
# none; COMMAND's exit status is the script's. The private server takes the first free display
# number and reports it itself (-displayfd), so that servers started at the same moment (the
# stages that build side by side) never race for one number, as xvfb-run -a's may. It never
# resets when its last client leaves: a reset refuses whoever connects meanwhile (the next game).
exec_on_x() {
  if has_display; then
    exec "$@"
  fi
  local status=0
  x_dir=$(mktemp -d "${TMPDIR:-/tmp}/sieverush-x.XXXXXX")
  # shellcheck disable=SC2086 # the screen is words
  Xvfb -displayfd 3 -nolisten tcp -noreset $XVFB_SCREEN 3>"$x_dir/display" 2>"$x_dir/log" &
  x_server=$!
  trap 'kill $x_server 2>/dev/null; wait $x_server 2>/dev/null; rm -rf "$x_dir"' EXIT
  trap 'exit 143' TERM
  until [ -s "$x_dir/display" ]; do
    kill -0 $x_server 2>/dev/null || { cat "$x_dir/log" >&2; die "Xvfb did not start"; }
    sleep 0.05
  done
  DISPLAY=:$(<"$x_dir/display") "$@" || status=$?
  exit $status
}

# native_tools DIR: the art and the icon a cross build takes whole, made by tools that run on the
# build machine: sets `native` to a native build holding them in art/ (every file the game reads
# from its folder) and icons/. That is DIR, where the tools are built (Release) and run, unless
# SIEVERUSH_NATIVE_BUILD names a native build whose `art` and `icons` targets are built already
# (scripts/test.sh's, so that no stage builds the tools again), taken as it is. Prints nothing on
# success.
native_tools() {
  native=${SIEVERUSH_NATIVE_BUILD:-$1}
  if [ -z "${SIEVERUSH_NATIVE_BUILD:-}" ]; then
    mkdir -p "$native"
    quietly "$native/configure.log" "configuring the native build in $native" \
      cmake -S "$top" -B "$native" -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_TESTS=OFF
    quietly "$native/tools.log" "drawing the art and the icon natively" \
      cmake --build "$native" --target art icons --parallel 2
  fi
  [ -n "$(ls -A "$native/art" 2>/dev/null)" ] || die "no art in $native/art (its art target not built?)"
  [ -d "$native/icons" ] || die "no icon in $native/icons (its icons target not built?)"
}
