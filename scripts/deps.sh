#!/usr/bin/env bash
# Installs what building, playing and testing Sieve Rush need on Debian 12, if missing: the
# native build, the art tool, the test suite, the fuzzers and sanitizers, the Windows build
# with its Wine tests, and the browser build with its tests in Chromium. Runs as root, or
# through sudo. `deps.sh --list` prints the packages; `deps.sh --bench` adds the benchmarks'.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config               # the build
  libglfw3-dev libgl-dev libgl1-mesa-dri         # window, OpenGL and Mesa's software renderer
  libfreetype-dev fonts-dejavu-core              # the art tool bakes the font from DejaVu
  libgtest-dev libx11-dev                        # the unit tests (GL tests open an X window)
  xvfb xauth x11-utils python3 python3-xlib      # an X server, and the driver of the real game
  imagemagick valgrind                           # screenshots; the long memory check
  dpkg-dev desktop-file-utils                    # the Debian package and its install test
  clang libclang-rt-14-dev clang-format          # fuzzing, sanitizers and the format check
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip  # the Windows build
  wine wine64                                    # Wine 8, to run the Windows build
  icoutils                                       # the Wine test reads the executable's resources
  emscripten                                     # the browser build
  chromium chromium-driver python3-selenium      # a browser, and the driver of the page in it
)
# The benchmarks' own extras: Google Benchmark, stb_image (the reference decoder) and perf.
[ "${1:-}" != --bench ] || packages+=(libbenchmark-dev libstb-dev linux-perf)
if [ "${1:-}" = --list ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
