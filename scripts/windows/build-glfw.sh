#!/usr/bin/env bash
# Builds GLFW as a static MinGW-w64 library for the Windows build of the game, from Debian's
# own glfw3 source package, and installs it into a prefix that CMake finds through
# CMAKE_PREFIX_PATH.
#
#   scripts/windows/build-glfw.sh [WORK_DIR]      (default: build-windows-deps)
#
# Leaves WORK_DIR/glfw-src (unpacked source), WORK_DIR/glfw-build and WORK_DIR/glfw-prefix,
# and prints the prefix on standard output. Running it again with a finished prefix does
# nothing but print it.
set -euo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/../lib.sh"

# Version of GLFW the Windows build is made with: the one Debian bookworm ships, so both
# builds of the game sit on the same GLFW.
GLFW_VERSION=3.3.8

work=$(mkdir -p "${1:-build-windows-deps}" && cd "${1:-build-windows-deps}" && pwd)
src_cache=$work/glfw-src
build=$work/glfw-build
prefix=$work/glfw-prefix
stamp=$prefix/.glfw-$GLFW_VERSION-mingw-w64

# One build at a time in WORK_DIR: another started meanwhile waits for it, then finds it done.
exec 9>"$work/.lock"
flock 9

if [ -f "$stamp" ] && [ -f "$prefix/lib/libglfw3.a" ] \
  && [ -f "$prefix/lib/cmake/glfw3/glfw3Config.cmake" ]; then
  log "GLFW $GLFW_VERSION already built in $prefix"
  echo "$prefix"
  exit 0
fi

# deps.sh also makes sure apt has a deb-src entry for the glfw3 source package.
"$top/scripts/deps.sh"

# 1. Source: Debian's package, patches applied, unpacked once into the cache.
src=$src_cache/glfw3-$GLFW_VERSION
if [ ! -f "$src/CMakeLists.txt" ]; then
  rm -rf "$src_cache"
  mkdir -p "$src_cache"
  log "fetching the glfw3 source package"
  (cd "$src_cache" && apt-get source -q glfw3 >apt-source.log 2>&1) \
    || { cat "$src_cache/apt-source.log" >&2; die "apt-get source glfw3 failed"; }
  [ -f "$src/CMakeLists.txt" ] || die "glfw3 source did not unpack to $src"
fi

# 2. Static library, no examples, tests or documentation, Release flags.
log "configuring GLFW for x86_64-w64-mingw32"
rm -rf "$build" "$prefix"
cmake -S "$src" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DBUILD_SHARED_LIBS=OFF \
  -DGLFW_BUILD_EXAMPLES=OFF \
  -DGLFW_BUILD_TESTS=OFF \
  -DGLFW_BUILD_DOCS=OFF \
  >"$work/glfw-configure.log" 2>&1 \
  || { cat "$work/glfw-configure.log" >&2; die "configuring GLFW failed"; }

log "building GLFW"
cmake --build "$build" --parallel 2 >"$work/glfw-build.log" 2>&1 \
  || { tail -n 40 "$work/glfw-build.log" >&2; die "building GLFW failed"; }
cmake --install "$build" >"$work/glfw-install.log" 2>&1 \
  || { cat "$work/glfw-install.log" >&2; die "installing GLFW failed"; }

touch "$stamp"
log "GLFW $GLFW_VERSION installed in $prefix"
echo "$prefix"
