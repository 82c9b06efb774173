#!/usr/bin/env bash
# Builds the Windows release of Sieve Rush on Debian and packs it as sieverush-windows.zip:
# sieverush.exe (64-bit, GUI subsystem, statically linked, importing system DLLs only, with its
# icon and version information), the art files it reads from its folder, and README.txt and the
# licences with Windows line ends; and the same files as the installer sieverush-windows.msi.
#
#   scripts/windows/build-windows.sh [--test | --play] [OUT_DIR]      (default OUT_DIR: build-windows)
#
#   1. installs the native and the Windows build dependencies that are missing
#   2. builds GLFW with MinGW-w64 (scripts/windows/build-glfw.sh)        -> OUT_DIR/deps
#   3. draws the art and icon natively: their tools run on the build host -> OUT_DIR/native
#      (or takes them from SIEVERUSH_NATIVE_BUILD, see native_tools in scripts/lib.sh)
#   4. cross-builds the game with cmake/mingw-w64-x86_64.cmake             -> OUT_DIR/cross
#   5. checks the executable's subsystem and imports, and zips it with the art, README.txt
#      and the licences; makes the installer of the same files with wixl (scripts/windows/
#      sieverush.wxs); for the tests, builds the drain check with MinGW and an installer of the
#      next version                             -> OUT_DIR/drain_constant.exe, OUT_DIR/next/
#   6. with --test: plays the zip under Wine (tests/play.py wine) with the drain check, and
#      installs, starts, upgrades and removes the game with the installers;
#      screenshots in OUT_DIR/wine-shots. --play does this step alone, on what OUT_DIR holds
#      (scripts/test.sh builds while other stages build, and plays when nothing else runs).
#
# SIEVERUSH_WERROR=ON makes warnings of the cross build errors. Builds use at most two jobs.
set -euo pipefail

# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/../lib.sh"

build=1 play=0
case ${1:-} in
  --test) play=1 && shift ;;
  --play) build=0 play=1 && shift ;;
esac
out=$(mkdir -p "${1:-$top/build-windows}" && cd "${1:-$top/build-windows}" && pwd)
native=$out/native

# DLLs a Windows installation always has; the game may import these and nothing else.
SYSTEM_DLLS='^(kernel32|user32|gdi32|opengl32|shell32|msvcrt|advapi32|ole32|oleaut32|winmm|imm32|shlwapi|ws2_32|version|dwmapi|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'

timed() {
  local what=$1 t0=$SECONDS
  shift
  "$@"
  log "$what: $((SECONDS - t0)) s"
}

step_glfw() {
  glfw_prefix=$("$top/scripts/windows/build-glfw.sh" "$out/deps")
}

step_game() {
  local cross=$out/cross
  quietly "$out/cross-configure.log" "configuring the Windows build" \
    cmake -S "$top" -B "$cross" \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_PREFIX_PATH="$glfw_prefix" \
    -DCMAKE_BUILD_TYPE=Release \
    -DSIEVERUSH_TESTS=OFF \
    -DSIEVERUSH_WERROR="${SIEVERUSH_WERROR:-OFF}" \
    -DSIEVERUSH_HOST_ICON_DIR="$native/icons"
  quietly "$out/cross-build.log" "building sieverush.exe" \
    cmake --build "$cross" --target sieverush --parallel 2
  exe=$cross/play/sieverush.exe
  [ -f "$exe" ] || die "the Windows build wrote no $exe"
}

# A windowed program without a console, carrying its C++ runtime and GLFW inside.
check_exe() {
  local headers dll bad=()
  headers=$(x86_64-w64-mingw32-objdump -p "$exe")
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" \
    || die "$exe is not a GUI-subsystem program: $(grep Subsystem <<<"$headers")"
  while read -r dll; do
    [[ ${dll,,} =~ $SYSTEM_DLLS ]] || bad+=("$dll")
  done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
  [ ${#bad[@]} -eq 0 ] || die "$exe needs DLLs a Windows system lacks: ${bad[*]}"
  log "subsystem: Windows GUI; imports: $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
}

step_package() {
  local stage=$out/package
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "$exe" "$stage/sieverush.exe"
  cp "$native/art"/* "$stage/"
  # Text files with CR LF line ends, so that every editor on Windows shows their lines.
  sed 's/$/\r/' "$top/packaging/windows/README.txt" >"$stage/README.txt"
  sed 's/$/\r/' "$top/LICENSE" >"$stage/LICENSE.txt"
  sed 's/$/\r/' "$top/LICENSE.DejaVu" >"$stage/LICENSE-DejaVu.txt"
  rm -f "$zip_path"
  (cd "$stage" && zip -q -X "$zip_path" ./*)
  make_msi "$version" "$msi_path"
}

# make_msi VERSION MSI: the installer of the zip's files, as VERSION. Every file but the game
# (whose Start-menu entry the .wxs gives) is listed by wixl-heat, each a component of its own.
# wixl takes source paths relative to the folder it runs in only.
make_msi() {
  (
    cd "$out"
    cp "$native/icons/sieverush.ico" .
    find package -type f ! -name sieverush.exe | sort \
      | wixl-heat -p package/ --var var.SourceDir --directory-ref INSTALLDIR \
        --component-group Files --win64 >msi-files.wxs
    wixl -a x64 -D Version="$1" -D SourceDir=package -D Icon=sieverush.ico -D Win64=yes -o "$2" \
      "$top/scripts/windows/sieverush.wxs" msi-files.wxs
  )
}

zip_path=$out/sieverush-windows.zip msi_path=$out/sieverush-windows.msi next_msi=$out/next/sieverush-windows.msi
if [ "$build" = 1 ]; then
  total=$SECONDS
  timed "dependencies" "$top/scripts/deps.sh"
  timed "GLFW for MinGW-w64" step_glfw
  timed "art and icon (native)" native_tools "$native"
  timed "sieverush.exe (cross)" step_game
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$out/cross/CMakeCache.txt")
  check_exe
  timed "package" step_package
  x86_64-w64-mingw32-g++-posix -std=c++20 -Wall -Wextra -Werror -static -I"$top/game/include" \
    "$top/tests/drain_constant.cpp" -o "$out/drain_constant.exe"
  # The same game as the next version (1.0 -> 1.0.1; Windows Installer compares three numbers),
  # for the test of an upgrade.
  mkdir -p "$out/next"
  make_msi "$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$version")" "$next_msi"
  log "built $zip_path and $msi_path in $((SECONDS - total)) s"
fi

if [ "$play" = 1 ]; then
  [[ -f $zip_path && -f $msi_path && -f $next_msi && -f $out/drain_constant.exe ]] \
    || die "nothing built in $out to play"
  SIEVERUSH_SHOTS=$out/wine-shots "$top/scripts/with-x.sh" /usr/bin/python3 \
    "$top/tests/play.py" wine "$zip_path" "$out/drain_constant.exe" "$msi_path" "$next_msi"
fi
echo "$zip_path"
