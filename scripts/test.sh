#!/usr/bin/env bash
# Sets everything up, builds Sieve Rush and runs the whole test suite; non-zero on any failure.
# Every stage must run: one that cannot (a package that will not install, no X server, no Wine)
# fails the run with its name.
#   1. the code follows .clang-format
#   2. a build with warnings as errors, and its suite on X: unit and GL tests of each room, the
#      real game played with X input, the install, the house's walls and packages
#   3. a clang build with AddressSanitizer and UndefinedBehaviorSanitizer: the unit and GL tests
#      again, then a short fuzzing run of each file parser from the kept corpus
#   4. the Windows build (MinGW-w64) and its tests under Wine, and at the same time (each on an X
#      server of its own)
#   5. the browser build (emscripten), and a build without Case.tga, played in headless Chromium,
#      Firefox ESR and WebKitGTK
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
cd "$top"
stage=setup
trap 'status=$?; [ $status = 0 ] || echo "FAILED: stage \"$stage\" (status $status)" >&2' EXIT
begin() { stage=$1; echo "== $1 ($SECONDS s)"; }

begin dependencies
scripts/deps.sh

begin format
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror

begin "build and test"
cmake -S . -B build/ci -DSIEVERUSH_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/ci
scripts/with-x.sh ctest --test-dir build/ci --output-on-failure --timeout 600

begin "sanitizers and fuzzing"
cmake -S . -B build/san -DCMAKE_CXX_COMPILER=clang++ -DSIEVERUSH_WERROR=ON \
  -DSIEVERUSH_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/san
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Mesa's driver leaves a block behind in a module that exit unloads, which no suppression can
# name: leaks are checked in the tests that open no GL context.
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build/san --output-on-failure -R '^(image_test|sound_test|replay_test|kept_test|drain_constant)$'
ASAN_OPTIONS=detect_leaks=0 scripts/with-x.sh ctest --test-dir build/san --output-on-failure \
  -R '^(font|gfx|game)_test$'
fuzz/run.sh "${SIEVERUSH_FUZZ_SECONDS:-5}" build/san

# The Windows stage runs beside the web stage, its output kept until the web stage is done.
begin windows
mkdir -p build
scripts/windows/build-windows.sh --test build/windows >build/windows.log 2>&1 &
windows=$!
finish_windows() {
  local status=0
  wait "$windows" || status=$?
  stage=windows
  cat build/windows.log
  [ $status = 0 ] || exit $status
}

begin web
scripts/web/build-web.sh build/web/site
rm -rf build/web/art-no-case
cp -r build/web/native/art build/web/art-no-case
rm build/web/art-no-case/Case.tga
scripts/web/build-web.sh build/web/site-no-case build/web/art-no-case
# Firefox and WebKit have WebGL only on an X display. Every engine plays; any that fails or cannot
# start fails the stage by name.
failed=()
for engine in chromium firefox webkit; do
  echo "-- $engine ($SECONDS s)"
  scripts/with-x.sh /usr/bin/python3 tests/play.py web build/web "$engine" || failed+=("$engine")
done
[ ${#failed[@]} = 0 ] || log "error: the page failed in: ${failed[*]}"
finish_windows
stage=web
[ ${#failed[@]} = 0 ] || exit 1

stage="done"
echo "All checks passed in $SECONDS s."
