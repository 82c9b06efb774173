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

# `apt-get source` needs a deb-src entry for the main component. When there is none, one is
# made from the first existing binary entry (same archive, same key), for the base suite only.
ensure_deb_src() {
  if [ -n "$(apt-cache showsrc glfw3 2>/dev/null)" ]; then
    return 0
  fi
  local dir=/etc/apt/sources.list.d
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  local deb822
  deb822=$(grep -l -E "^Suites:.*[[:space:]]$codename([[:space:]]|\$)" "$dir"/*.sources 2>/dev/null | head -n1 || true)
  if [ -n "$deb822" ]; then
    # The stanza of the base suite, turned into a source entry.
    awk -v suite="$codename" 'BEGIN { RS = ""; ORS = "\n" }
      !done && $0 ~ ("(^|\n)Suites:[^\n]*[ \t]" suite "([ \t\n]|$)") {
        done = 1
        sub(/Types:[^\n]*/, "Types: deb-src")
        sub(/Suites:[^\n]*/, "Suites: " suite)
        sub(/Components:[^\n]*/, "Components: main")
        print
      }' "$deb822" | as_root tee "$dir/sieverush-deb-src.sources" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -m1 -E '^deb[[:space:]]' /etc/apt/sources.list \
      | awk -v suite="$codename" '{
          i = 2                                   # skip an [option ...] block to the URI
          if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
          $1 = "deb-src"; $(i + 1) = suite; NF = i + 1; print $0, "main"
        }' \
      | as_root tee "$dir/sieverush-deb-src.list" >/dev/null
  else
    die "no apt source entries found to derive a deb-src entry from"
  fi
  log "apt-get update"
  as_root apt-get update -qq >&2 || die "apt-get update failed"
  [ -n "$(apt-cache showsrc glfw3 2>/dev/null)" ] || die "glfw3 source package still not found"
}

work=$(mkdir -p "${1:-build-windows-deps}" && cd "${1:-build-windows-deps}" && pwd)
src_cache=$work/glfw-src
build=$work/glfw-build
prefix=$work/glfw-prefix
stamp=$prefix/.glfw-$GLFW_VERSION-mingw-w64

if [ -f "$stamp" ] && [ -f "$prefix/lib/libglfw3.a" ] \
  && [ -f "$prefix/lib/cmake/glfw3/glfw3Config.cmake" ]; then
  log "GLFW $GLFW_VERSION already built in $prefix"
  echo "$prefix"
  exit 0
fi

"$top/scripts/deps.sh"

# 1. Source: Debian's package, patches applied, unpacked once into the cache.
src=$src_cache/glfw3-$GLFW_VERSION
if [ ! -f "$src/CMakeLists.txt" ]; then
  ensure_deb_src
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
