// libFuzzer target for the kept files' readers: any text is read or refused without undefined
// behaviour; a refusal says why and leaves the values as they were; what is read, written again,
// reads back the same (the writers leave out what the readers would refuse, so a value out of
// range shows as a difference here).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "game/Kept.h"

static auto Tie(const Settings& s) {
  return std::tuple(s.Fullscreen, s.Placed, s.X, s.Y, s.Width, s.Height, s.Muted);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Settings odd{true, true, 7, 7, 7, 7, true};
  Settings settings = odd, again = odd;
  std::string problem, said;
  if (ParseSettings(text, settings, problem)
          ? !ParseSettings(FormatSettings(settings), again, said) || Tie(again) != Tie(settings)
          : problem.empty() || Tie(settings) != Tie(odd))
    std::abort();
  int best = -7, bestAgain = -7;
  problem.clear();
  if (ParseBest(text, best, problem)
          ? !ParseBest(FormatBest(best), bestAgain, said) || bestAgain != best
          : problem.empty() || best != -7)
    std::abort();
  std::vector<KeptRun> runs, runsAgain;
  std::vector<std::string> dropped, droppedAgain;
  problem.clear();
  if (ParseRuns(text, runs, dropped, problem)
          ? !ParseRuns(FormatRuns(runs), runsAgain, droppedAgain, said) || !droppedAgain.empty() ||
                FormatRuns(runsAgain) != FormatRuns(runs)
          : problem.empty() || !runs.empty())
    std::abort();
  return 0;
}
