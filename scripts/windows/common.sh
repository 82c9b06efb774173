# Shared helpers for the Windows build scripts; sourced, not run.

# Version of GLFW the Windows build is made with: the one Debian bookworm ships, so both
# builds of the game sit on the same GLFW.
GLFW_VERSION=3.3.8

log() { printf '[%s] %s\n' "$(basename "$0")" "$*" >&2; }
die() { log "error: $*"; exit 1; }

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

APT_UPDATED=0
apt_update_once() {
  if [ "$APT_UPDATED" = 0 ]; then
    log "apt-get update"
    $SUDO apt-get update -qq || die "apt-get update failed"
    APT_UPDATED=1
  fi
}

# Installs what is missing of the project's packages (scripts/deps.sh lists the Windows
# build's and Wine's with the rest).
ensure_windows_deps() {
  "$(dirname "${BASH_SOURCE[0]}")/../deps.sh" >&2 || die "installing the build's packages failed"
}

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
      }' "$deb822" | $SUDO tee "$dir/sieverush-deb-src.sources" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    grep -m1 -E '^deb[[:space:]]' /etc/apt/sources.list \
      | awk -v suite="$codename" '{
          i = 2                                   # skip an [option ...] block to the URI
          if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
          $1 = "deb-src"; $(i + 1) = suite; NF = i + 1; print $0, "main"
        }' \
      | $SUDO tee "$dir/sieverush-deb-src.list" >/dev/null
  else
    die "no apt source entries found to derive a deb-src entry from"
  fi
  APT_UPDATED=0
  apt_update_once
  [ -n "$(apt-cache showsrc glfw3 2>/dev/null)" ] || die "glfw3 source package still not found"
}
