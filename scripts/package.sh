#!/usr/bin/env bash
# Builds the Release game and its Debian package; prints the package's path.
#   build/release/         the build (shared with scripts/play.sh)
#   build/package/root/    the installed tree as the package lays it out, for a look
#   build/package/sieverush_<version>_<arch>.deb
# Install it with: apt-get install ./build/package/sieverush_*.deb
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh"
build=$top/build/release
out=$top/build/package
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_TESTS=OFF >/dev/null
cmake --build "$build"
rm -rf "$out"
DESTDIR="$out/root" cmake --install "$build" --prefix /usr >/dev/null
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
debs=("$out"/sieverush_*.deb)
[ -f "${debs[0]}" ] || { echo "package.sh: cpack made no package" >&2; exit 1; }
echo "${debs[0]}"
