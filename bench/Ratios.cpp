// Runs a benchmark program's registered benchmarks and turns their times into ratios.
#include "Ratios.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace {

// The console report as usual, and every repetition's seconds per iteration kept by name.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration)
        continue;
      if (run.error_occurred) {
        Failed = true;
        continue;
      }
      // The clock the benchmark asked for: wall time where other threads work for it (the GL
      // driver's), else the CPU time of the benchmark's thread, which other work cannot inflate.
      const double seconds =
          run.run_name.time_type.empty() ? run.cpu_accumulated_time : run.real_accumulated_time;
      Seconds[run.run_name.function_name].push_back(seconds / static_cast<double>(run.iterations));
    }
  }

  std::map<std::string, std::vector<double>> Seconds;
  bool Failed = false;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Least(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

// A time in the unit that keeps it readable.
std::string Readable(double seconds) {
  char text[32];
  if (seconds >= 1e-3)
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
  else
    std::snprintf(text, sizeof text, "%.3g us", seconds * 1e6);
  return text;
}

std::string Ratio(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", value);
  return text;
}

}  // namespace

int RunRatioTable(int argc, char** argv, const std::vector<RatioRow>& rows) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::ostringstream table;
  bool complete = true;
  for (const RatioRow& row : rows) {
    const auto ours = reporter.Seconds.find(row.Ours);
    const auto reference = reporter.Seconds.find(row.Reference);
    if (ours == reporter.Seconds.end() || reference == reporter.Seconds.end()) {
      // A benchmark left out by --benchmark_filter is not a failure; one that failed is.
      continue;
    }
    const double median = Median(ours->second) / Median(reference->second);
    const double fastest = Least(ours->second) / Least(reference->second);
    std::string floor = "-";
    if (!row.Floor.empty()) {
      const auto least = reporter.Seconds.find(row.Floor);
      if (least != reporter.Seconds.end())
        floor = Ratio(Median(ours->second) / Median(least->second));
      else
        complete = false;
    }
    std::string goal = "-", met = "-";
    if (row.Goal > 0) {
      goal = "<= " + Ratio(row.Goal);
      met = median <= row.Goal ? "yes" : "NO";
    }
    table << "| " << row.Figure << " | " << Readable(Median(ours->second)) << " | "
          << Readable(Median(reference->second)) << " | " << Ratio(median) << " | "
          << Ratio(fastest) << " | " << floor << " | " << goal << " | " << met << " |\n";
  }
  std::fputs(table.str().c_str(), stdout);
  if (const char* file = std::getenv("SIEVERUSH_BENCH_TABLE"))
    std::ofstream(file, std::ios::app) << table.str();
  return reporter.Failed || !complete ? 1 : 0;
}
