#!/usr/bin/env bash
# Sets everything up, builds Sieve Rush and runs the whole test suite; non-zero on any failure.
# Every stage must run: one that cannot (a package that will not install, no X server, no Wine)
# fails the run with its name, and the run stops at the first stage that fails.
#
# First the builds, with the checks that keep no time. The art and icon come first, as every
# other build takes them; then the four builds run side by side, each its output kept and shown
# when it ends:
#   format                  the code follows .clang-format
#   art and icon            the art and icon, drawn by the native build's tools (in build/ci)
#   build and test          the rest of that build, with warnings as errors, and its suite but the
#                           real-time checks: unit and GL tests of each room, the house's walls
#                           and packages
#   sanitizers and fuzzing  a clang build with AddressSanitizer and UndefinedBehaviorSanitizer of
#                           what it runs: the unit and GL tests again, then a short fuzzing run of
#                           each file parser from the kept corpus
#   windows build           the Windows build (MinGW-w64, GLFW from Debian's source)
#   web build               the browser build (emscripten), and the page once more without Case.tga
# Then, one after another and with nothing else running, the checks that wait on a real window,
# sound device or page (on a busy machine they would wait in vain):
#   play natively           the real game played with X input, and the installed game
#   windows under wine      the Windows build played under Wine
#   web in the browsers     the page played in Chromium, Firefox ESR and WebKitGTK
# Each stage starts with `== STAGE (N s)`, N seconds into the run, and ends with
# `== STAGE passed in N s` (scripts/ci-soak.sh reads them).
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
cd "$top"
stage=setup
declare -A side_stage side_log  # the stages running beside, by process id
trap 'status=$?; stop_sides; [ $status = 0 ] || echo "FAILED: stage \"$stage\" (status $status)" >&2' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# Sets `cpu` to the CPU time this shell's finished commands have used, in seconds: beside the time
# a stage took, it tells the stage's own work from the machine's load. (`times` in the shell
# itself: a subshell's count starts from nothing.)
cpu_seconds() {
  local file=build/logs/.times.$BASHPID
  times >"$file"
  cpu=$(awk 'NR == 2 { split($1 $2, t, /[ms]/); printf "%d", t[1] * 60 + t[2] + t[3] * 60 + t[4] }' "$file")
}
begin() {
  stage=$1 stage_start=$SECONDS
  cpu_seconds
  stage_cpu=$cpu
  echo "== $1 ($SECONDS s)"
}
passed() {
  cpu_seconds
  echo "== $stage passed in $((SECONDS - stage_start)) s (CPU $((cpu - stage_cpu)) s)"
}

# beside STAGE FUNCTION: runs FUNCTION in the background as STAGE, in a process group of its own
# (so that a failure elsewhere stops it whole), its output in build/logs/.
beside() {
  local name=$1 log=build/logs/${1// /-}.log
  echo "== $name ($SECONDS s, beside the others; output in $log)"
  set -m
  (
    start=$SECONDS
    "$2"
    cpu_seconds
    echo "== $name passed in $((SECONDS - start)) s (CPU $cpu s)"
  ) >"$log" 2>&1 </dev/null &
  set +m
  side_stage[$!]=$name side_log[$!]=$log
}
# Waits for the stages running beside, showing each one's output as it ends; the first that fails
# stops the others, and the run in its name.
join_sides() {
  local pid status
  while [ ${#side_stage[@]} -gt 0 ]; do
    status=0
    wait -n -p pid "${!side_stage[@]}" || status=$?
    stage=${side_stage[$pid]}
    cat "${side_log[$pid]}"
    unset "side_stage[$pid]"
    [ $status = 0 ] || exit $status
  done
}
stop_sides() {
  local pid
  for pid in "${!side_stage[@]}"; do
    kill -- -"$pid" 2>/dev/null || true
  done
}

mkdir -p build/logs
begin dependencies
scripts/deps.sh
passed

begin format
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
passed

# The tests that wait on a real window or sound device run later, alone.
realtime='^(play|install)$'
# Under the sanitizers: the tests that open no GL context, with leaks checked (Mesa's driver leaves
# a block behind in a module that exit unloads, which no suppression can name), and those that do.
san_tests=(image_test sound_test replay_test kept_test drain_constant)
san_gl_tests=(font_test gfx_test game_test)
fuzzers=(fuzz_tga fuzz_bff fuzz_replay fuzz_kept)
any() { (IFS='|' && echo "^($*)\$"); }  # a ctest pattern for exactly the tests named

sanitizers() {
  cmake -S . -B build/san -DCMAKE_CXX_COMPILER=clang++ -DSIEVERUSH_WERROR=ON \
    -DSIEVERUSH_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build build/san --parallel 2 --target "${san_tests[@]}" "${san_gl_tests[@]}" "${fuzzers[@]}"
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/san --output-on-failure --no-tests=error \
    -R "$(any "${san_tests[@]}")"
  ASAN_OPTIONS=detect_leaks=0 scripts/with-x.sh ctest --test-dir build/san --output-on-failure \
    --no-tests=error -R "$(any "${san_gl_tests[@]}")"
  fuzz/run.sh "${SIEVERUSH_FUZZ_SECONDS:-5}" build/san
}
beside "sanitizers and fuzzing" sanitizers

begin "art and icon"
# Line tables only (-g1): a crash's backtrace still names its lines, and the build takes a fifth
# less processor than with full debug information.
cmake -S . -B build/ci -DSIEVERUSH_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
cmake --build build/ci --parallel 2 --target art icons
passed
# The Windows and browser builds take them from here.
export SIEVERUSH_NATIVE_BUILD=$top/build/ci

native() {
  cmake --build build/ci --parallel 2
  scripts/with-x.sh ctest --test-dir build/ci --output-on-failure --timeout 600 -E "$realtime"
}
beside "build and test" native

windows() { scripts/windows/build-windows.sh build/windows; }
beside "windows build" windows

web() {
  scripts/web/build-web.sh build/web/site
  # The same game with its art less Case.tga: only the preloaded files differ, so this build
  # only links again.
  rm -rf build/web/art-no-case
  cp -r build/ci/art build/web/art-no-case
  rm build/web/art-no-case/Case.tga
  scripts/web/build-web.sh build/web/site-no-case build/web/art-no-case
}
beside "web build" web

join_sides

begin "play natively"
scripts/with-x.sh ctest --test-dir build/ci --output-on-failure --timeout 900 --no-tests=error \
  -R "$realtime"
passed

begin "windows under wine"
scripts/windows/build-windows.sh --play build/windows
passed

# Firefox and WebKit have WebGL only on an X display. Every engine plays; any that fails or cannot
# start fails the stage by name.
begin "web in the browsers"
failed=()
for engine in chromium firefox webkit; do
  echo "-- $engine ($SECONDS s)"
  start=$SECONDS
  if scripts/with-x.sh /usr/bin/python3 tests/play.py web build/web "$engine"; then
    echo "-- $engine passed in $((SECONDS - start)) s"
  else
    echo "-- $engine FAILED in $((SECONDS - start)) s"
    failed+=("$engine")
  fi
done
[ ${#failed[@]} = 0 ] || die "the page failed in: ${failed[*]}"
passed

# The suite compares the golden recordings' pins and never renews them (scripts/renew-replays.sh
# does, on purpose).
begin "pins untouched"
changed=$(git status --porcelain -- tests/replays)
[ -z "$changed" ] || die "the suite changed the pinned recordings: $changed"
passed

stage="done"
echo "All checks passed in $SECONDS s."
