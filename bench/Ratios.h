// Runs a benchmark program's registered benchmarks and turns their times into ratios: each
// figure is our code's time over a reference measured in the same run, so the machine's speed
// and its noise from other work cancel out as far as they can.
#pragma once

#include <string>
#include <vector>

// One line of the ratio table: benchmark `Ours` against benchmark `Reference` (full names as
// registered). `Goal` is the ratio not to exceed; 0 for a figure reported without a goal.
// `Floor`, when set, names a benchmark of the least work possible, reported as ours / floor.
struct RatioRow {
  std::string Figure;
  std::string Ours;
  std::string Reference;
  double Goal = 0.0;
  std::string Floor;
};

// Runs every benchmark (Google Benchmark's own flags apply), then prints the rows as Markdown
// table lines on standard output and, when SIEVERUSH_BENCH_TABLE names a file, appends them
// there too. Ratios are taken of the medians of the repetitions and, as a second view, of the
// fastest repetitions. Returns 0, or 1 when a benchmark failed or a row lacks its times.
int RunRatioTable(int argc, char** argv, const std::vector<RatioRow>& rows);
