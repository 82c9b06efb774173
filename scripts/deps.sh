#!/usr/bin/env bash
# Installs what building, playing and testing Sieve Rush need on Debian 12, if missing.
# Runs as root, or through sudo.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config               # the build
  libglfw3-dev libgl-dev libgl1-mesa-dri         # window, OpenGL and Mesa's software renderer
  libfreetype-dev fonts-dejavu-core              # the art tool bakes the font from DejaVu
  libgtest-dev                                   # the test suite
  xvfb xauth libx11-dev libxtst-dev              # an X server and real input for the tests
  x11-apps x11-utils imagemagick                 # screenshots, display checks
  dpkg-dev desktop-file-utils xdotool            # the Debian package and its install test
  clang libclang-rt-14-dev clang-format          # fuzzing, sanitizers and the format check
  valgrind                                       # memory checking of the game
)

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
