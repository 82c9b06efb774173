#!/usr/bin/env bash
# Builds the benchmarks (Release, in build/bench) and runs them all on an X server, then prints
# one table. Every figure is a ratio of our code's time to a reference measured in the same run,
# with the repetitions of both interleaved in random order, so that the speed of the machine and
# the noise from other work on it cancel out as far as they can.
#   scripts/bench.sh [REPETITIONS]     (default 9, at least 11 for whole program runs; the whole
#                                       run takes a few minutes)
# Writes the table to build/bench/table.md and each program's full report to build/bench/logs/.
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
cd "$top"
reps=${1:-9}

"$top/scripts/deps.sh" --bench

build=build/bench
cmake -S . -B $build -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_BENCH=ON \
  -DSIEVERUSH_TESTS=OFF -DSIEVERUSH_WERROR=ON >/dev/null
cmake --build $build --target image_bench frame_bench sieverush art first_frame first_frame_shim \
  alloc_count

mkdir -p $build/logs
table=$build/table.md
rows=$build/logs/rows.md
: >"$rows"
export SIEVERUSH_BENCH_TABLE=$top/$rows
common=(--benchmark_repetitions="$reps" --benchmark_enable_random_interleaving=true
  --benchmark_color=false)

# Each program: its name, then how long each repetition of each benchmark runs (seconds).
run() {
  local program=$1 min_time=$2
  echo "== $program"
  scripts/with-x.sh "$build/bench/$program" "${common[@]}" --benchmark_min_time="$min_time" \
    >"$build/logs/$program.txt" 2>&1 || {
    cat "$build/logs/$program.txt"
    die "$program failed"
  }
}
run image_bench 0.05
run frame_bench 0.3
renderer=$(sed -n 's/^OpenGL renderer: //p' $build/logs/frame_bench.txt)

# Where the full frame's time goes, by library, over all threads (the driver renders on threads
# of its own). perf needs only its software clock, which works without hardware counters.
share=""
if command -v perf >/dev/null && perf record -q -e cpu-clock -o /dev/null true 2>/dev/null; then
  data=$build/logs/frame.perf
  scripts/with-x.sh perf record -q -e cpu-clock -o "$data" "$build/bench/frame_bench" \
    --benchmark_filter='^frame/game$' --benchmark_min_time=3 >/dev/null 2>&1 || true
  share=$(perf report -i "$data" --stdio --no-children -g none --sort dso 2>/dev/null |
    awk '/%/ && !/^#/ {
           sub("%", "", $1)
           if ($2 == "frame_bench") ours += $1
           else if ($2 ~ /swrast|gallium|JIT|LLVM|GL|glapi/) driver += $1
           else if ($2 ~ /kernel/) kernel += $1
           else other += $1
         }
         END { printf "%.1f%% our code (game, gfx, font, image and the shell), %.1f%% the GL driver (Mesa llvmpipe with its JIT code), %.1f%% kernel, %.1f%% other libraries (C library, X11)", ours, driver, kernel, other }')
fi

# The title screen left alone for 10 s: the share of one core the game uses while it waits
# (utime + stime from /proc), after 3 s to start.
idle=$(cd $build/play && "$top/scripts/with-x.sh" bash -c '
  ./sieverush & pid=$!
  sleep 3
  read -r -a a </proc/$pid/stat
  sleep 10
  read -r -a b </proc/$pid/stat
  kill $pid
  echo $(((b[13] + b[14]) - (a[13] + a[14])))')
idle=$(awk -v t="$idle" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%.2f", 100 * t / hz / 10 }')
met=$(awk -v p="$idle" 'BEGIN { print (p <= 2 ? "yes" : "NO") }')
echo "| Title screen left alone for 10 s: share of one core | $idle % | - | - | - | - | <= 2 % | $met |" >>"$rows"

# The heap allocations of the game's own code in each frame (bench/alloc_count.so, preloaded into
# the game alone): bench/held.rec, 12 s of play with the button held over the case, watched at 1x
# (every frame drawn and presented, as in play; the fast check draws none) with its sound mixed in
# game time. Log lines 1 and 2 hold the start and the first frame, where the sounds are
# synthesized once; every frame after them must allocate nothing. The stacks of what did are kept,
# the game's addresses named, in logs/allocations.txt.
allocs=$top/$build/logs/allocations
(cd $build/play && SIEVERUSH_ALLOC_LOG=$allocs.log SIEVERUSH_ALLOC_WHERE=1 "$top/scripts/with-x.sh" \
  env LD_PRELOAD="$top/$build/bench/alloc_count.so" ./sieverush --replay "$top/bench/held.rec" \
  --speed 1 --wav /dev/null >/dev/null 2>"$allocs.where") || die "the replay under bench/alloc_count.so failed"
read -r frames counted < <(awk 'NR > 2 { frames++; n += $1 } END { print frames, n }' "$allocs.log")
while IFS= read -r line; do
  if [[ $line =~ sieverush\(\+(0x[0-9a-f]+)\) ]]; then
    addr2line -f -C -i -p -e $build/play/sieverush "${BASH_REMATCH[1]}" | sed 's/ at ??:?$//'
  elif [[ $line != /* ]]; then
    echo "$line"
  fi
done < <(awk '/^allocation/ { keep = $NF + 0 > 2 } keep' "$allocs.where" | head -n 400) \
  >"$allocs.txt"
echo "| Heap allocations by the game's own code per frame: bench/held.rec watched at 1x, play with the button held over the case | $(awk -v n="$counted" -v f="$frames" 'BEGIN { printf "%.3f (%d in %d frames)", n / f, n, f }') | - | - | - | - | 0 | $([ "$counted" = 0 ] && echo yes || echo NO) |" >>"$rows"

# Figures of whole program runs, ours against a reference program, interleaved on one X server
# (scripts/bench-runs.py FIGURE ARGS...: it prints the figure's rows, and each run to its log).
runs() {
  local figure=$1
  shift
  echo "== $figure"
  scripts/with-x.sh /usr/bin/python3 scripts/bench-runs.py "$figure" "$@" >>"$rows" \
    2>"$build/logs/$figure.txt" || {
    cat "$build/logs/$figure.txt"
    die "$figure failed"
  }
}
# Exec to the first present, the game's title against a minimal GLFW program: at least 11 runs.
runs startup $build/play $build/bench/first_frame $build/bench/first_frame_shim.so \
  --runs $((reps > 11 ? reps : 11)) --pictures $build/logs
# The kept recording replayed as fast as it goes, against the pace it was played at.
runs replay $build/play tests/replays/game.rec --runs 5

# A game of three minutes checked (--replay, which draws no picture it was not asked for), from
# exec to exit: the median of five runs, in seconds.
check=$(cd $build/play && "$top/scripts/with-x.sh" bash -c '
  for run in 1 2 3 4 5; do
    start=$(date +%s%N)
    ./sieverush --replay "$0" --trace /dev/null >/dev/null || exit 1
    echo $((($(date +%s%N) - start) / 1000000))
  done' "$top/bench/three-minutes.rec" | sort -n | sed -n 3p) || die "the three-minute check failed"
echo "| A game of 3 min 9 s checked: --replay bench/three-minutes.rec, exec to exit (median of 5) | $(awk -v ms="$check" 'BEGIN { printf "%.2f s", ms / 1000 }') | - | - | - | - | < 5 s | $([ "$check" -lt 5000 ] && echo yes || echo NO) |" >>"$rows"

{
  echo "Machine: $(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
    "OpenGL renderer: $renderer"
  echo "Date: $(date -u '+%Y-%m-%d %H:%M UTC'); command: scripts/bench.sh $reps"
  echo
  echo "| Figure | Ours (median) | Reference (median) | Ratio of medians | Ratio of fastest | Ours / memcpy | Goal | Met |"
  echo "|---|---|---|---|---|---|---|---|"
  cat "$rows"
  if [ -n "$share" ]; then
    echo
    echo "Full frame, CPU time by where it is spent (perf, all threads): $share."
  fi
} >"$table"
cat "$table"
