// Makes a recording from a script of inputs, driving the game's own session frame by frame, so
// that the golden recordings under tests/replays/ are made by a program, not by a hand on a mouse.
//   script_replay SCRIPT OUT.rec OUT.facts      (run in the folder that holds the art)
// A script is a line a command ('#' starts a comment); frames come 60 a second:
//   seed N | best N | drain N | muted yes|no   the run's header (before the first frame)
//   wait N | wait Ns                           N frames (or seconds) with nothing pressed
//   hold KEYS N                                KEYS (left, right, space, p, m, joined by +) held
//   press KEYS                                 held for one frame
//   leave                                      the player leaves the game for one frame
//   until SCREEN | until hole                  frames until the screen shows (play, paused,
//                                              game-over), or until a hole faces the player
//   click hole                                 the pointer onto that hole, the button held 2 frames
//   patch N                                    N seconds of a player who clicks every hole that
//                                              faces them and turns the case while none does
//   shot                                       the next frame's picture is a pinned one
//   esc                                        the last frame, with Esc
// OUT.facts says what the recording's sound must show, in stereo frames of its `--wav`: each cue
// the session set off while it could be heard ("cue AT NAME") and each span that must be silent
// ("silent FROM TO": the title, the sound off, the game paused), and the frames to picture
// ("shot FRAME").
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "game/Leak.h"
#include "game/Replay.h"
#include "game/Rules.h"
#include "game/Session.h"
#include "platform/Shell.h"

namespace {

constexpr int Fps = 60;
// Silence is looked for from this long after the frame that asked for it: the fade.
constexpr std::int64_t FadeFrames = SoundRate / 50;
// A script that waits longer than this for something has gone wrong.
constexpr int LongestWait = 60 * 60 * 60;

const char* CueName(Cue cue) {
  static const char* const names[] = {"start", "hole", "patch", "low-ram", "crash"};
  return names[static_cast<int>(cue)];
}

struct Maker {
  GameSession Game;
  ReplayHeader Header{1, static_cast<int>(DrainPerMs), false, 0};
  std::unique_ptr<ReplayWriter> Writer;
  std::ostringstream Facts;
  std::int64_t Frames = 0;
  FrameInput Held;             // what the next frames hold
  std::int64_t QuietFrom = 0;  // where the current silent span began, or -1
  bool ShotNext = false;

  std::int64_t Sample(std::int64_t micros) const {
    const std::int64_t since = micros - 1000000 / Fps;  // the first frame's time
    return since / 1000000 * SoundRate + since % 1000000 * SoundRate / 1000000;
  }

  // One frame of `in` (its time set here), written down and played.
  void Frame(FrameInput in) {
    if (!Writer) {
      Writer = std::make_unique<ReplayWriter>(Header);
      Game.Seed = Header.Seed;
      Game.Drain = Header.DrainPerMs;
      Game.Muted = Header.Muted;
      Game.BestEver = Header.BestEver;
    }
    in.Micros = (++Frames) * 1000000 / Fps;
    Writer->Add(in);
    if (ShotNext)
      Facts << "shot " << Frames << "\n";
    ShotNext = false;
    Game.Step(in, false);  // the state alone: the replay draws its pictures
    const std::int64_t at = Sample(in.Micros);
    const bool quiet = Game.Shown == Screen::Title || Game.Shown == Screen::Paused || Game.Muted;
    // A hole opening is soft beside the spray it joins: its moment is the trace's to pin.
    for (int i = 0; i < Game.CueCount && !quiet; ++i)
      if (Game.Cues[i].What != Cue::HoleOpened)
        Facts << "cue " << at << " " << CueName(Game.Cues[i].What) << "\n";
    if (quiet && QuietFrom < 0)
      QuietFrom = Game.Shown == Screen::Title ? 0 : at + FadeFrames;
    if (!quiet && QuietFrom >= 0) {
      if (at > QuietFrom)
        Facts << "silent " << QuietFrom << " " << at << "\n";
      QuietFrom = -1;
    }
  }

  // The first open hole on a face turned to the player (its slot, or -1), and where it shows.
  int HoleInView(int& x, int& y) const {
    for (int i = 0; i < HoleSlots; ++i) {
      const ParticleStruct& hole = Game.Holes[i];
      const VectorStruct p = RotateVector(hole.X, hole.Y, hole.Z, Game.ViewRotation);
      const VectorStruct out = RotateVector(hole.VelX, 0, hole.VelZ, Game.ViewRotation);
      if (!hole.Active || out.Z < 0.5f * std::sqrt(out.X * out.X + out.Z * out.Z))
        continue;
      const float depth = CameraDistance - p.Z;
      x = static_cast<int>(std::lround((p.X / depth + 1) * ScreenWidth / 2));
      y = static_cast<int>(std::lround((1 - p.Y / depth / 0.75f) * ScreenHeight / 2));
      return i;
    }
    return -1;
  }

  template <typename Done>
  bool Until(Done done) {
    for (int n = 0; n < LongestWait; ++n) {
      if (done())
        return true;
      Frame(Held);
    }
    return false;
  }
};

bool Keys(const std::string& keys, FrameInput& in, bool down) {
  std::istringstream list(keys);
  for (std::string key; std::getline(list, key, '+');) {
    bool FrameInput::*field = key == "left"    ? &FrameInput::Left
                              : key == "right" ? &FrameInput::Right
                              : key == "space" ? &FrameInput::Space
                              : key == "p"     ? &FrameInput::Pause
                              : key == "m"     ? &FrameInput::Mute
                                               : nullptr;
    if (!field)
      return false;
    in.*field = down;
  }
  return true;
}

// One command of the script; false when it cannot be done.
bool Command(Maker& m, std::istringstream& line, const std::string& verb) {
  std::string what;
  int n = 0;
  if (verb == "seed" || verb == "best" || verb == "drain") {
    std::uint64_t value = 0;
    if (!(line >> value) || m.Writer)
      return false;
    if (verb == "seed")
      m.Header.Seed = value;
    else
      (verb == "best" ? m.Header.BestEver : m.Header.DrainPerMs) = static_cast<int>(value);
    return true;
  }
  if (verb == "muted")
    return (line >> what) && !m.Writer && (m.Header.Muted = what == "yes", true);
  if (verb == "wait") {
    if (!(line >> what))
      return false;
    n = what.back() == 's' ? std::stoi(what) * Fps : std::stoi(what);
    for (int i = 0; i < n; ++i)
      m.Frame(m.Held);
    return true;
  }
  if (verb == "hold" || verb == "press") {
    if (!(line >> what) || (verb == "hold" && !(line >> n)))
      return false;
    FrameInput in = m.Held;
    if (!Keys(what, in, true))
      return false;
    for (int i = 0; i < std::max(n, 1); ++i)
      m.Frame(in);
    m.Frame(m.Held);
    return true;
  }
  if (verb == "until") {
    const std::pair<const char*, Screen> screens[] = {
        {"play", Screen::Play}, {"paused", Screen::Paused}, {"game-over", Screen::GameOver}};
    int x = 0, y = 0;
    if (!(line >> what))
      return false;
    if (what == "hole")
      return m.Until([&] { return m.HoleInView(x, y) >= 0; });
    for (const auto& [name, screen] : screens)
      if (what == name)
        return m.Until([&, screen = screen] { return m.Game.Shown == screen; });
    return false;
  }
  if (verb == "patch") {
    if (!(line >> n))
      return false;
    for (int i = 0; i < n * Fps; ++i) {
      FrameInput in = m.Held;
      in.Left = !(in.Button = m.HoleInView(in.X, in.Y) >= 0);
      m.Frame(in);
    }
    return true;
  }
  if (verb == "click") {
    FrameInput in = m.Held;
    const int slot = m.HoleInView(in.X, in.Y);
    if (!(line >> what) || what != "hole" || slot < 0)
      return false;
    m.Held.X = in.X, m.Held.Y = in.Y, in.Button = true;
    m.Frame(in);
    m.Frame(in);
    m.Frame(m.Held);
    // The hole clicked is patched (no new one opens in its slot within two frames of 60).
    return !m.Game.Holes[slot].Active;
  }
  if (verb == "leave" || verb == "esc") {
    FrameInput in = m.Held;
    (verb == "esc" ? in.Quit : in.Away) = true;
    m.Frame(in);
    return true;
  }
  if (verb == "shot")
    return m.ShotNext = true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: script_replay SCRIPT OUT.rec OUT.facts\n";
    return 2;
  }
  std::ifstream script(argv[1]);
  if (!script) {
    std::cerr << "script_replay: cannot read " << argv[1] << "\n";
    return 1;
  }
  if (const char* failed = InitWindow(ScreenWidth, ScreenHeight, 32, {})) {
    std::cerr << "script_replay: " << failed << "\n";
    return 1;
  }
  static Maker m;
  if (!m.Game.Start())
    return 1;
  int number = 0;
  for (std::string text; std::getline(script, text);) {
    ++number;
    std::istringstream line(text.substr(0, text.find('#')));
    std::string verb;
    if (!(line >> verb))
      continue;
    if (!Command(m, line, verb)) {
      std::cerr << argv[1] << ":" << number << ": cannot do '" << text << "'\n";
      CloseWindow();
      return 1;
    }
  }
  CloseWindow();
  if (m.QuietFrom >= 0)
    m.Facts << "silent " << m.QuietFrom << " " << m.Sample(m.Frames * 1000000 / Fps) << "\n";
  m.Writer->Finish();
  std::ofstream rec(argv[2], std::ios::binary), facts(argv[3], std::ios::binary);
  rec.write(reinterpret_cast<const char*>(m.Writer->Pending().data()),
            static_cast<std::streamsize>(m.Writer->Pending().size()));
  facts << m.Facts.str();
  return rec && facts ? 0 : 1;
}
