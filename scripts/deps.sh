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
  dpkg-dev desktop-file-utils appstream          # the Debian package and its install test, which
  shared-mime-info xdg-utils libglib2.0-bin      # validates its listing and opens a recording by type
  clang libclang-rt-14-dev clang-format          # fuzzing, sanitizers and the format check
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 zip  # the Windows build
  wixl                                           # its installer (msitools' MSI writer)
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

# The Windows build makes its GLFW from Debian's glfw3 source package (scripts/windows/
# build-glfw.sh), and `apt-get source` needs a deb-src entry for the main component. When there is
# none, one is made from the first existing binary entry (same archive, same key), for the base
# suite only; the apt-get update below reads it.
has_glfw_source() { [ -n "$(apt-cache showsrc glfw3 2>/dev/null)" ]; }
add_deb_src() {
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
}

# One query for all (the build scripts call this each time, so it must be quick).
declare -A installed
while read -r status name; do
  [ "$status" = ii ] && installed[$name]=1
done < <(dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [ -n "${installed[$p]:-}" ] || missing+=("$p")
done
source_entry=1
has_glfw_source || source_entry=0
[ ${#missing[@]} -eq 0 ] && [ $source_entry = 1 ] && exit 0

[ $source_entry = 1 ] || { log "adding a deb-src entry for the glfw3 source package"; add_deb_src; }
log "apt-get update"
as_root apt-get update -qq >&2 || die "apt-get update failed"
[ $source_entry = 1 ] || has_glfw_source || die "the glfw3 source package is still not found"
[ ${#missing[@]} -eq 0 ] && exit 0
log "installing: ${missing[*]}"
as_root env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2 \
  || die "installing ${missing[*]} failed"
