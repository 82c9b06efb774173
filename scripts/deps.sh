#!/usr/bin/env bash
# Installs what building, playing and testing Sieve Rush need on Debian 12, if missing: the
# native build, the art tool, the test suite, the fuzzers and sanitizers, the Windows build
# with its Wine tests, and the browser build with its tests in Chromium, Firefox and WebKit.
# Runs as root, or through sudo. `deps.sh --list` prints the packages; `deps.sh --bench` adds
# the benchmarks'. Writes nothing on standard output but the list, so that callers keep theirs
# for results.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"

packages=(
  cmake ninja-build g++ pkg-config               # the build
  libglfw3-dev libgl-dev libgl1-mesa-dri         # window, OpenGL and Mesa's software renderer
  libopenal-dev                                  # sound (OpenAL Soft, and its wave writer in tests)
  libfreetype-dev fonts-dejavu-core              # the art tool bakes the font from DejaVu
  libstb-dev                                     # the tools write PNG with stb_image_write
  libgtest-dev libx11-dev                        # the unit tests (GL tests open an X window)
  xvfb xauth x11-utils python3 python3-xlib      # an X server, and the driver of the real game
  imagemagick valgrind                           # screenshots; the long memory check
  dpkg-dev desktop-file-utils                    # the Debian package and its install test
  clang libclang-rt-14-dev clang-format          # fuzzing, sanitizers and the format check
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip  # the Windows build
  wine wine64                                    # Wine 8, to run the Windows build
  pulseaudio pulseaudio-utils                    # a sound device for Wine to play to, recorded
  icoutils                                       # the Wine test reads the executable's resources
  emscripten                                     # the browser build
  chromium chromium-driver python3-selenium      # a browser, and the driver of the page in it
  firefox-esr python3-websocket                  # Firefox, spoken to over WebDriver BiDi
  libwebkit2gtk-4.1-0 webkit2gtk-driver          # WebKit's MiniBrowser and its WebDriver
)
list=0
for arg in "$@"; do
  case $arg in
    # The benchmarks' own extras: Google Benchmark and perf (stb_image, their reference
    # decoder, comes with libstb-dev above).
    --bench) packages+=(libbenchmark-dev linux-perf) ;;
    --list) list=1 ;;
    *) die "unknown option $arg (usage: deps.sh [--bench] [--list])" ;;
  esac
done
if [ $list = 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

log "installing: ${missing[*]}"
as_root apt-get update -qq >&2 || die "apt-get update failed"
as_root env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2 \
  || die "installing ${missing[*]} failed"
