// What the game keeps for its player between runs, as small text files: the settings (how the
// window was left, and whether the sound was off) and the best uptime ever. Each file starts with
// a line naming it and its version, then one `name value...` line a setting:
//
//   Sieve Rush settings 1          Sieve Rush best 1
//   window 120 80 800 600          best 42
//   fullscreen no
//   sound on
//
// The reader takes only what it understands: anything else (an unknown or repeated line, a value
// out of range, a newer version, a file cut short) is refused whole, with the reason in a few
// words, and the caller goes on with the defaults. Standard library only: the tests and the fuzzer
// take it alone.
#pragma once

#include <string>

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
