#!/usr/bin/env bash
# Builds the Release game and its Debian package; prints the package's path.
# SIEVERUSH_PACKAGE_MAINTAINER (cmake -D, or DEBFULLNAME and DEBEMAIL) names its maintainer.
#   build/release/         the build (shared with scripts/play.sh)
#   build/package/root/    the installed tree as the package lays it out, for a look
#   build/package/sieverush_<version>_<arch>.deb
# Install it with: apt-get install ./build/package/sieverush_*.deb
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
"$top/scripts/deps.sh"
build=$top/build/release
out=$top/build/package
# Debian's folders for games (the launcher in /usr/games, the art in /usr/share/games) and its
# compiler and linker flags with every hardening feature (stack protector, fortified calls,
# read-only relocations bound at start-up).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_TESTS=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games \
  -DSIEVERUSH_INSTALL_DATADIR=share/games/sieverush \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" >&2
rm -rf "$out"
DESTDIR="$out/root" cmake --install "$build" --prefix /usr >/dev/null
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >/dev/null
debs=("$out"/sieverush_*.deb)
[ -f "${debs[0]}" ] || die "cpack made no package"
echo "${debs[0]}"
