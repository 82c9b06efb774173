// What the game keeps for its player between runs, as small text files: the settings (how the
// window was left, and whether the sound was off), the best uptime ever, and the table of the best
// runs. Each file starts with a line naming it and its version, then one `name value...` line a
// setting, or a run:
//
//   Sieve Rush settings 1          Sieve Rush best 1
//   window 120 80 800 600          best 42
//   fullscreen no
//   sound on
//
//   Sieve Rush runs 1
//   run 184 2026-12-08T04:23:00Z 20261208T042300-184s.sieverush
//   run 42 2026-12-07T21:05:13Z 20261207T210513-42s.sieverush
//
// The reader takes only what it understands: anything else (an unknown or repeated line, a value
// out of range, a newer version, a file cut short) is refused whole, with the reason in a few
// words, and the caller goes on with the defaults. The runs table alone is read line by line past
// its first: a line it cannot believe costs only that run. Standard library only: the tests and
// the fuzzer take it alone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Settings {
  bool Fullscreen = false;
  bool Placed = false;        // whether the window's place below is kept
  int X = 0, Y = 0;           // the window's content: its top-left corner in screen coordinates
  int Width = 0, Height = 0;  // and its size
  bool Muted = false;
};

// The ranges a reader believes: a place within this many screen coordinates of the origin, a size
// of 1 up to as many, a best of 0 up to about 31 years.
constexpr int FarthestPlace = 100000;
constexpr int MostBest = 999999999;

std::string FormatSettings(const Settings& settings);
// False for anything but a whole settings file of a version this game knows, with every value in
// range; `problem` says what is wrong ("damaged (line 3)", "made by a newer version of the game").
bool ParseSettings(const std::string& text, Settings& out, std::string& problem);

std::string FormatBest(int seconds);
bool ParseBest(const std::string& text, int& seconds, std::string& problem);

// Whether a reader's `problem` is that the file was made by a newer version of the game: such a
// file is left as it is, for that game.
bool MadeByNewerGame(const std::string& problem);

// One of the best runs kept.
struct KeptRun {
  int Uptime = 0;         // seconds, 0 to MostBest
  std::int64_t When = 0;  // the game over's date: seconds since 1970-01-01 UTC, to the year 9999
  std::string Name;       // its recording's file name beside the table: letters, digits, '-', '.'
};

// The table of runs, in the order given.
std::string FormatRuns(const std::vector<KeptRun>& runs);
// False, with `problem`, for a text that is not a runs table of a version this game knows, as
// the other files' readers. Otherwise true, with the runs of the lines it believes in `runs`, in
// the file's order, and a few words for each line it does not (a run named twice is believed
// once) in `dropped` ("damaged (line 3)").
bool ParseRuns(const std::string& text, std::vector<KeptRun>& runs,
               std::vector<std::string>& dropped, std::string& problem);

// The name a best run's recording is given (20261208T042300-184s.sieverush), and the run read back
// from such a name (also with "-2", "-3"... before its extension, as the store makes it unique):
// so that a table that is lost or damaged whole can be found again from its recordings.
std::string RunName(int uptime, std::int64_t when);
bool ReadRunName(const std::string& name, KeptRun& run);

// A date as the table writes it (2026-12-08T04:23:00Z), or compact for a file's name
// (20261208T042300).
std::string DateText(std::int64_t when, bool compact);
