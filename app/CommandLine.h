// The command line: a recording to watch, or the options that record a game, replay one as a
// check and show what the replay did (docs/replay.md).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Input.h"
#include "Witness.h"

struct Options {
  std::string Watch;   // `sieverush FILE`: watched first, then the title; empty: none
  std::string Record;  // --record FILE
  std::string Replay;  // --replay FILE: the fast check
  WitnessFiles Files;  // --trace, --wav, --shot
  // --speed S beside --replay: the recording played as a watch at S (0.25 to 8) on a clock of 60
  // looks a second; -1: the fast check. Its index in Watch::Speeds.
  int Speed = -1;
  // --press LOOK KEY: a key of the watch pressed at that look (counted from 0) of such a watch.
  struct Press {
    std::uint64_t Look;
    AppKeys Keys;
  };
  std::vector<Press> Presses;
};

// Reads the command line into `options`; false after saying what is wrong. Anything else on it
// is ignored, as it always was, but for the first word that is not an option: a file to watch.
bool ReadOptions(int argc, char** argv, Options& options);
