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

# exec_on_x COMMAND...: becomes COMMAND on the current X display, or on a private Xvfb on a free
# display number when there is none; COMMAND's exit status is the script's.
exec_on_x() {
  if has_display; then
    exec "$@"
  fi
  exec xvfb-run -a -s "$XVFB_SCREEN" "$@"
}

# native_tools DIR: builds and runs the art and icon tools in a native Release build in DIR. They
# run on the build machine, so a cross build cannot make them: it takes DIR/art (every file the
# game reads from its folder) and DIR/icons whole. Prints nothing on success.
native_tools() {
  local dir=$1
  mkdir -p "$dir"
  quietly "$dir/configure.log" "configuring the native build in $dir" \
    cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_TESTS=OFF
  quietly "$dir/tools.log" "drawing the art and the icon natively" \
    cmake --build "$dir" --target art icons --parallel 2
  [ -n "$(ls -A "$dir/art" 2>/dev/null)" ] || die "the art target wrote nothing into $dir/art"
  [ -d "$dir/icons" ] || die "the icons target wrote no $dir/icons"
}
