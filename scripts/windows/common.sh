# Shared helpers for the Windows build scripts; sourced, not run.

# Version of GLFW the Windows build is made with: the one Debian bookworm ships, so both
# builds of the game sit on the same GLFW.
GLFW_VERSION=3.3.8

# Debian packages the Windows build and its Wine tests need, each with one program or file
# that shows it is installed.
WINDOWS_DEPS=(
  "g++-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-g++-posix"
  "wine:/usr/bin/wine"
  "wine64:/usr/lib/wine/wine64"
  "zip:/usr/bin/zip"
  "dpkg-dev:/usr/bin/dpkg-source"
  "cmake:/usr/bin/cmake"
  "xvfb:/usr/bin/xvfb-run"
  "xauth:/usr/bin/xauth"
  "xdotool:/usr/bin/xdotool"
  "x11-apps:/usr/bin/xwd"
  "imagemagick:/usr/bin/convert"
)

log() { printf '[%s] %s\n' "$(basename "$0")" "$*" >&2; }
die() { log "error: $*"; exit 1; }

APT_UPDATED=0
apt_update_once() {
  if [ "$APT_UPDATED" = 0 ]; then
    log "apt-get update"
    apt-get update -q >/dev/null || die "apt-get update failed"
    APT_UPDATED=1
  fi
}

# Installs whichever of WINDOWS_DEPS is missing; does nothing when all are there.
ensure_windows_deps() {
  local missing=() entry
  for entry in "${WINDOWS_DEPS[@]}"; do
    [ -e "${entry#*:}" ] || missing+=("${entry%%:*}")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  [ "$(id -u)" = 0 ] || die "missing packages (${missing[*]}) and not root to install them"
  apt_update_once
  log "installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" \
    >/dev/null || die "apt-get install ${missing[*]} failed"
}

# `apt-get source` needs a deb-src entry for the main component. When there is none, one is
# made from the first existing binary entry (same archive, same key), for the base suite only.
ensure_deb_src() {
  if [ -n "$(apt-cache showsrc glfw3 2>/dev/null)" ]; then
    return 0
  fi
  [ "$(id -u)" = 0 ] || die "no deb-src entry for glfw3 and not root to add one"
  local dir=/etc/apt/sources.list.d
  local codename
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  local deb822
  deb822=$(grep -l -E "^Suites:.*[[:space:]]$codename([[:space:]]|\$)" "$dir"/*.sources 2>/dev/null | head -n1 || true)
  if [ -n "$deb822" ]; then
    # First stanza of the deb822 file, turned into a source entry.
    awk -v suite="$codename" 'BEGIN { RS = ""; ORS = "\n" }
      NR == 1 {
        sub(/Types:[^\n]*/, "Types: deb-src")
        sub(/Suites:[^\n]*/, "Suites: " suite)
        sub(/Components:[^\n]*/, "Components: main")
        print
      }' "$deb822" >"$dir/sieverush-deb-src.sources"
  elif [ -f /etc/apt/sources.list ]; then
    grep -m1 -E '^deb[[:space:]]' /etc/apt/sources.list \
      | awk -v suite="$codename" '{
          i = 2                                   # skip an [option ...] block to the URI
          if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
          $1 = "deb-src"; $(i + 1) = suite; NF = i + 1; print $0, "main"
        }' \
      >"$dir/sieverush-deb-src.list"
  else
    die "no apt source entries found to derive a deb-src entry from"
  fi
  APT_UPDATED=0
  apt_update_once
  [ -n "$(apt-cache showsrc glfw3 2>/dev/null)" ] || die "glfw3 source package still not found"
}
