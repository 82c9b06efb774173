// Program entry: open the window, run the game frame by frame, report a failed start in
// "GL_ERROR.txt". `--record FILE` writes the game down as it is played; `--replay FILE` plays such
// a recording again, without input, as fast as it goes, and shows what it did in game time with
// `--trace FILE`, `--wav FILE` and `--shot FRAME FILE.png` (docs/replay.md).

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>

#include "Hearing.h"
#include "Memory.h"
#include "Recording.h"
#include "Witness.h"
#include "game/Render.h"
#include "game/Replay.h"
#include "game/Session.h"
#include "platform/Shell.h"
#include "sound/Mixer.h"

namespace {

// Exit statuses: a game that ran and ended, and one that could not start or could not do what
// it was asked (no window, art that did not load, a recording it could not read or write).
constexpr int Played = 0;
constexpr int Failed = 1;

// The game and where its input comes from: the player, a recording, or the player while a
// recording is made.
struct Run {
  GameSession Game;
  // The player's settings and best uptime, kept between runs; a replay neither reads nor keeps
  // them.
  Memory Kept;
  Hearing Ears;
  bool WasMuted = false;
  Replay Playback;
  bool Replaying = false;
  std::size_t NextFrame = 0;
  std::unique_ptr<Recorder> Recording;
  std::unique_ptr<Witness> Seen;
  std::int64_t LastMicros = 0;
  std::uint64_t Frames = 0;
};

// The player's input now, on the game's clock in whole microseconds, which never goes back.
FrameInput LiveInput(std::int64_t lastMicros) {
  FrameInput in;
  in.Micros = std::max<std::int64_t>(lastMicros, std::llround(GetTime() * 1e6));
  in.Left = Keys[KeyLeft];
  in.Right = Keys[KeyRight];
  in.Space = Keys[KeySpace];
  in.Quit = RunLevel == 0;
  in.Button = Mouse.Left;
  in.Pause = Keys[KeyP];
  in.Mute = Keys[KeyM];
  in.Away = PlayerAway;
  PlayerAway = false;
  in.X = Mouse.X;
  in.Y = Mouse.Y;
  return in;
}

// The window's place (the last kept where it has none now, minimised) and the sound kept.
void KeepSettings(Run& run) {
  if (run.Replaying)
    return;
  Settings settings = run.Kept.KeptSettings();
  const WindowPlace place = CurrentPlace();
  settings.Fullscreen = place.Fullscreen;
  if (place.Placed) {
    settings.Placed = true;
    settings.X = place.X;
    settings.Y = place.Y;
    settings.Width = place.Width;
    settings.Height = place.Height;
  }
  settings.Muted = run.Game.Muted;
  run.Kept.Keep(settings);
}

// What a frame of live play leaves for the player: its sound, the sound setting and the best.
void Heard(Run& run) {
  // The first frame goes on screen before the sounds are made.
  if (run.Frames >= 2)
    run.Ears.Listen(run.Game);
  if (run.Game.Muted != run.WasMuted) {
    run.WasMuted = run.Game.Muted;
    KeepSettings(run);
  }
  run.Kept.KeepBest(run.Game.BestEver);
}

NextFrame RunFrame(void* context) {
  Run& run = *static_cast<Run*>(context);
  FrameInput in;
  if (run.Replaying) {
    // Esc or the close button stop a replay early; nothing else of the player's reaches it.
    if (run.NextFrame == run.Playback.Frames.size() || RunLevel == 0)
      return NextFrame::Never;
    in = run.Playback.Frames[run.NextFrame++];
  } else {
    in = LiveInput(run.LastMicros);
  }
  run.LastMicros = in.Micros;
  if (run.Recording)
    run.Recording->Add(in);
  ++run.Frames;
  if (run.Seen)
    run.Seen->Before(in, run.Frames);
  const NextFrame next = run.Game.Step(in);
  if (run.Seen)
    run.Seen->After(run.Game, run.Frames);
  if (!run.Replaying)
    Heard(run);
  // A replay never waits, nor does it wait to be shown: its input is all there.
  return run.Replaying && next != NextFrame::Never ? NextFrame::Ahead : next;
}

int EndRun(void* context) {
  Run& run = *static_cast<Run*>(context);
  const char* done = run.Replaying ? "Replayed" : run.Recording ? "Recorded" : nullptr;
  KeepSettings(run);
  bool whole = true;
  if (run.Recording)
    whole = run.Recording->Finish();
  if (run.Seen)
    whole = run.Seen->Close(run.Game, run.Frames) && whole;
  if (!whole)
    return Failed;
  if (done)
    std::cout << done << " " << run.Frames << " frames: uptime " << run.Game.Uptime()
              << " seconds, best " << run.Game.Best << " seconds\n"
              << std::flush;
  return Played;
}

// The random sequence of a game played live starts from the clock.
std::uint64_t ClockSeed() {
  return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

// A frame number of --shot: a whole number from 1.
bool FrameNumber(const char* text, std::uint64_t& frame) {
  char* end = nullptr;
  const unsigned long long value = std::strtoull(text, &end, 10);
  frame = value;
  return *text >= '0' && *text <= '9' && *end == '\0' && value >= 1 && value < (1ULL << 62);
}

// Reads the command line into `run` and `files`; false after saying what is wrong. Anything else
// on it is ignored, as it always was.
bool ReadOptions(int argc, char** argv, Run& run, const char*& record, WitnessFiles& files) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    const int needs = option == "--shot" ? 2 : 1;
    if (option != "--record" && option != "--replay" && option != "--trace" && option != "--wav" &&
        option != "--shot")
      continue;
    if (argc - i <= needs) {
      std::cerr << "sieverush: " << option
                << (needs == 2 ? " needs a frame number and a file name\n"
                               : " needs a file name\n");
      return false;
    }
    const char* name = argv[i + needs];
    if (option == "--record") {
      record = name;
    } else if (option == "--replay") {
      if (!ReadRecording(name, run.Playback))
        return false;
      run.Replaying = true;
    } else if (option == "--trace") {
      files.Trace = name;
    } else if (option == "--wav") {
      files.Wav = name;
    } else {
      WitnessFiles::Shot shot{0, name};
      if (!FrameNumber(argv[i + 1], shot.Frame)) {
        std::cerr << "sieverush: --shot needs a frame number from 1, not '" << argv[i + 1] << "'\n";
        return false;
      }
      files.Shots.push_back(shot);
    }
    i += needs;
  }
  if (files.Any() && !run.Replaying) {
    std::cerr << "sieverush: --trace, --wav and --shot show a replay: add --replay FILE\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Kept outside main's stack frame: in the browser the page's animation frames run the game
  // after main has handed control back.
  static Run run;
  const char* record = nullptr;
  WitnessFiles files;
  if (!ReadOptions(argc, argv, run, record, files))
    return EndProgram(Failed);
  // A recording starts as the player's run started: the sound on or off, the best kept so far.
  ReplayHeader header{ClockSeed(), static_cast<int>(DrainPerMs), false, 0};
  WindowPlace last;
  if (run.Replaying) {
    header = run.Playback.Header;
  } else {
    run.Kept.Recall();
    const Settings& kept = run.Kept.KeptSettings();
    last = {kept.Fullscreen, kept.Placed, kept.X, kept.Y, kept.Width, kept.Height};
    header.Muted = kept.Muted;
    header.BestEver = run.Kept.BestEver();
  }
  run.Game.Seed = header.Seed;
  run.Game.Drain = header.DrainPerMs;
  run.Game.Muted = run.WasMuted = header.Muted;
  run.Game.BestEver = header.BestEver;
  if (const char* failed = InitWindow(ScreenWidth, ScreenHeight, 32, last)) {
    ReportFailedStart(std::string("Caught exception:\n  ") + failed + "\n");
    CloseWindow();
    return EndProgram(Failed);
  }
  // The game has printed the art file that failed; only the window's failures go to the report.
  if (!run.Game.Start()) {
    CloseWindow();
    return EndProgram(Failed);
  }
  if (record && !(run.Recording = std::make_unique<Recorder>())->Open(record, header)) {
    CloseWindow();
    return EndProgram(Failed);
  }
  if (files.Any() && !(run.Seen = std::make_unique<Witness>())->Open(files)) {
    CloseWindow();
    return EndProgram(Failed);
  }
  // A replay runs faster than time: it is checked, not heard.
  if (!run.Replaying)
    StartSound(SoundRate, Hearing::Fill, &run.Ears);
  return RunFrames(RunFrame, EndRun, &run);
}
