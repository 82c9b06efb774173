#!/usr/bin/env bash
# Runs CI as a fresh machine would, N times over: each run in a fresh clone of this checkout's
# main, with a fresh HOME (so nothing kept there, such as a browser profile or a Wine prefix,
# helps it), as `.ci/run`. Prints each run's total time, each stage's time and any failure, and
# exits non-zero if any run failed. A failed run's folder (its clone, builds and log) is kept.
#   scripts/ci-soak.sh N
# Packages come from scripts/deps.sh on this machine as they are; the runs share nothing else.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
[[ ${1:-} =~ ^[1-9][0-9]*$ ]] || die "usage: $0 N (the number of runs)"

failures=0
for i in $(seq "$1"); do
  dir=$(mktemp -d "${TMPDIR:-/tmp}/sieverush-soak.XXXXXX")
  git clone -q --branch main "$top" "$dir/main"
  mkdir "$dir/home"
  start=$SECONDS status=0
  (cd "$dir/main" && env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME \
    -u DISPLAY -u WINEPREFIX HOME="$dir/home" CI=true bash .ci/run </dev/null >"$dir/run.log" 2>&1) || status=$?
  echo "run $i of $1 ($(git -C "$dir/main" log -1 --format=%h)): $((SECONDS - start)) s, status $status"
  # The stages' and the browsers' own closing lines, and what failed.
  grep -E '^(== .* passed in [0-9]+ s.*|-- .* (passed|FAILED) in [0-9]+ s|FAILED: stage .*|All checks passed.*)$' \
    "$dir/run.log" | sed 's/^/  /' || true
  if [ $status = 0 ]; then
    rm -rf "$dir"
  else
    failures=$((failures + 1))
    echo "  the end of its output (all of it, and its builds, in $dir):"
    tail -n 30 "$dir/run.log" | sed 's/^/    /'
  fi
done
echo "$failures of $1 runs failed"
[ $failures = 0 ]
