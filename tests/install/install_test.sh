#!/usr/bin/env bash
# Installs the game into a temporary prefix and starts it the way a player does: by the name
# "sieverush" on the PATH (here a link to the launcher), from an unrelated working directory,
# on the X server of the test run. Then builds the Debian package and looks inside it.
#   install_test.sh <build folder> <cmake> <cpack>
set -euo pipefail
build=$1
cmake=$2
cpack=$3

art=(SieveFont.bff Case.tga CaseSide.tga Patch.tga Hole.tga Bits.tga)
sizes=(16 32 48 64 128 256)
prompt=20  # seconds the game may take for what a player sees at once (shared, software GL)

for tool in xdotool import convert identify desktop-file-validate dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/deps.sh installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
game=
cleanup() {
  if [ -n "$game" ] && kill -0 "$game" 2>/dev/null; then
    kill "$game" 2>/dev/null || true
    wait "$game" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

echo "== install into a prefix with a space in its path"
prefix="$work/pre fix"
"$cmake" --install "$build" --prefix "$prefix" >/dev/null
[ -x "$prefix/bin/sieverush" ] || fail "no launcher in bin/"
for name in "${art[@]}"; do
  [ -f "$prefix/share/sieverush/$name" ] || fail "share/sieverush/$name is missing"
done
for n in "${sizes[@]}"; do
  icon="$prefix/share/icons/hicolor/${n}x${n}/apps/sieverush.png"
  [ -f "$icon" ] || fail "no ${n}x${n} icon"
  [ "$(identify -format '%m %wx%h' "$icon")" = "PNG ${n}x${n}" ] || fail "$icon is no ${n}x${n} PNG"
done
desktop="$prefix/share/applications/sieverush.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
grep -qx 'Exec=sieverush' "$desktop" || fail "the desktop entry does not start the launcher"
grep -qx 'Icon=sieverush' "$desktop" || fail "the desktop entry does not name the icon"

echo "== start it by name from elsewhere and quit with Esc"
mkdir "$work/elsewhere" "$work/path"
ln -s "$prefix/bin/sieverush" "$work/path/sieverush"
(cd "$work/elsewhere" && PATH="$work/path:$PATH" exec timeout -k 5 60 sieverush) &
game=$!
window=
for _ in $(seq "$prompt"); do
  kill -0 "$game" 2>/dev/null || fail "the game ended before its window appeared"
  window=$(xdotool search --name '^Sieve Rush$' | head -n 1) && [ -n "$window" ] && break
  sleep 1
done
[ -n "$window" ] || fail "no window titled \"Sieve Rush\" within $prompt s"
# The title screen is white text on black: wait until some of the window is lit.
lit=0
for _ in $(seq "$prompt"); do
  import -silent -window "$window" "$work/shot.png" 2>/dev/null || true
  if [ -f "$work/shot.png" ]; then
    lit=$(convert "$work/shot.png" -colorspace Gray -threshold 50% -format '%[fx:mean]' info:)
    awk -v lit="$lit" 'BEGIN { exit !(lit > 0.002) }' && break
  fi
  sleep 1
done
awk -v lit="$lit" 'BEGIN { exit !(lit > 0.002) }' || fail "the window stayed dark (lit fraction $lit)"
xdotool windowfocus --sync "$window"
xdotool key Escape
status=0
wait "$game" || status=$?
game=
[ "$status" -eq 0 ] || fail "the game ended with status $status after Esc"
for dir in "$work/elsewhere" "$prefix/share/sieverush"; do
  [ ! -e "$dir/GL_ERROR.txt" ] || fail "GL_ERROR.txt appeared in $dir"
done

echo "== the Debian package"
"$cpack" --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/package/sieverush_*.deb)
[ -f "${debs[0]}" ] || fail "cpack made no sieverush_*.deb"
deb=${debs[0]}
[ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "the package is not in section games"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libglfw3 libgl1 libc6; do
  [[ ", $depends" == *", $lib "* || ", $depends," == *", $lib,"* ]] || fail "Depends lacks $lib: $depends"
done
# The package holds the same files as the prefix install, under /usr.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $6 }' | sed 's| \./usr/| |' | sort >"$work/deb.txt"
(cd "$prefix" && find . -type f -printf '%M %P\n' | sort) >"$work/prefix.txt"
diff "$work/prefix.txt" "$work/deb.txt" || fail "the package's files differ from the installed ones"

echo "== a failed start reaches the caller"
status=0
(cd "$work/elsewhere" && DISPLAY= exec timeout -k 5 60 "$prefix/bin/sieverush") || status=$?
[ "$status" -eq 1 ] || fail "without a display the launcher ended with status $status, not 1"

echo "PASS"
