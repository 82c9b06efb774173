// Program entry: open the window, run the game frame by frame, report a failed start in
// "GL_ERROR.txt". `--record FILE` writes the game down as it is played; `--replay FILE` plays such
// a recording again, without input, as fast as it goes (docs/replay.md).

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "Memory.h"
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

// A recording is written out whenever this many bytes have collected.
constexpr std::size_t RecordChunk = 64 * 1024;
// No game of ours makes a recording anywhere near this size; a file that large is not one.
constexpr std::uintmax_t LargestReplay = 256u << 20;

// The game and where its input comes from: the player, a recording, or the player while a
// recording is made.
struct Run {
  GameSession Game;
  // The player's settings and best uptime, kept between runs; a replay neither reads nor keeps
  // them.
  Memory Kept;
  // Made after the first frame is on screen: synthesizing the sounds takes a few milliseconds.
  std::unique_ptr<Mixer> Sound;
  bool MuteHeld = false;
  Replay Playback;
  bool Replaying = false;
  std::size_t NextFrame = 0;
  std::unique_ptr<ReplayWriter> Writer;
  std::ofstream RecordFile;
  std::string RecordName;
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
  in.Away = PlayerAway;
  PlayerAway = false;
  in.X = Mouse.X;
  in.Y = Mouse.Y;
  return in;
}

void WriteOut(Run& run) {
  std::vector<unsigned char>& bytes = run.Writer->Pending();
  run.RecordFile.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
  bytes.clear();
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
  if (run.Sound)
    settings.Muted = run.Sound->Muted();
  run.Kept.Keep(settings);
}

// What the frame set off goes to the mixer; M (pressed, not held) turns all sound off and on.
void Listen(Run& run) {
  if (!run.Sound) {
    if (run.Frames < 2)
      return;
    run.Sound = std::make_unique<Mixer>();
    run.Sound->SetMuted(run.Kept.KeptSettings().Muted);
  }
  Mixer& sound = *run.Sound;
  const GameSession& game = run.Game;
  for (int i = 0; i < game.CueCount; ++i)
    sound.Play(game.Cues[i].What, game.Cues[i].Pan, game.Cues[i].Gain);
  sound.SetSpray(game.Spray, game.SprayCount);
  if (Keys[KeyM] && !run.MuteHeld) {
    sound.SetMuted(!sound.Muted());
    KeepSettings(run);
  }
  run.MuteHeld = Keys[KeyM];
}

// A paused game is silent, and what it was playing waits where it stopped.
void MixSound(void* context, short* frames, int count) {
  const Run& run = *static_cast<Run*>(context);
  if (run.Sound && run.Game.Shown != Screen::Paused)
    run.Sound->Mix(frames, count);
  else
    std::fill(frames, frames + 2 * count, short{0});
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
  if (run.Writer) {
    run.Writer->Add(in);
    if (run.Writer->Pending().size() >= RecordChunk)
      WriteOut(run);
  }
  ++run.Frames;
  const NextFrame next = run.Game.Step(in);
  Listen(run);
  if (!run.Replaying)
    run.Kept.KeepBest(run.Game.BestEver);
  // A replay never waits: its input is all there.
  return run.Replaying && next == NextFrame::OnInput ? NextFrame::Now : next;
}

int EndRun(void* context) {
  Run& run = *static_cast<Run*>(context);
  const char* done = run.Replaying ? "Replayed" : run.Writer ? "Recorded" : nullptr;
  KeepSettings(run);
  if (run.Writer) {
    run.Writer->Finish();
    WriteOut(run);
    run.RecordFile.close();
    if (!run.RecordFile) {
      std::cerr << "sieverush: could not write the recording '" << run.RecordName << "'\n";
      return Failed;
    }
  }
  if (done)
    std::cout << done << " " << run.Frames << " frames: uptime " << run.Game.Uptime()
              << " seconds, best " << Best << " seconds\n"
              << std::flush;
  return Played;
}

// Reads a recording whole; false after saying what is wrong with it.
bool ReadReplay(const char* name, Replay& replay) {
  std::string problem;
  std::ifstream file(name, std::ios::binary);
  std::vector<unsigned char> bytes;
  if (!file) {
    problem = std::strerror(errno);
  } else {
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    file.seekg(0);
    if (size < 0 || static_cast<std::uintmax_t>(size) > LargestReplay) {
      problem = "not a Sieve Rush replay (too large)";
    } else {
      bytes.resize(static_cast<std::size_t>(size));
      if (!file.read(reinterpret_cast<char*>(bytes.data()), size))
        problem = "could not be read";
    }
  }
  if (problem.empty() && ParseReplay(bytes.data(), bytes.size(), replay, problem))
    return true;
  std::cerr << "sieverush: cannot replay '" << name << "': " << problem << "\n";
  return false;
}

// The random sequence of a game played live starts from the clock.
std::uint64_t ClockSeed() {
  return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

}  // namespace

int main(int argc, char** argv) {
  // Kept outside main's stack frame: in the browser the page's animation frames run the game
  // after main has handed control back.
  static Run run;
  const char* record = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option != "--record" && option != "--replay")
      continue;  // anything else is ignored, as it always was
    if (i + 1 == argc) {
      std::cerr << "sieverush: " << option << " needs a file name\n";
      return EndProgram(Failed);
    }
    if (option == "--record")
      record = argv[++i];
    else if (!ReadReplay(argv[++i], run.Playback))
      return EndProgram(Failed);
    else
      run.Replaying = true;
  }
  ReplayHeader header{ClockSeed(), static_cast<int>(DrainPerMs)};
  if (run.Replaying)
    header = run.Playback.Header;
  run.Game.Seed = header.Seed;
  run.Game.Drain = header.DrainPerMs;
  WindowPlace last;
  if (!run.Replaying) {
    run.Kept.Recall();
    const Settings& kept = run.Kept.KeptSettings();
    last = {kept.Fullscreen, kept.Placed, kept.X, kept.Y, kept.Width, kept.Height};
    run.Game.BestEver = run.Kept.BestEver();
  }
  if (const char* failed = InitWindow(ScreenWidth, ScreenHeight, 32, last)) {
    // Text mode, so that each line ends the way the platform's text files do.
    std::ofstream report("GL_ERROR.txt", std::ios::out | std::ios::trunc);
    report << "Caught exception:\n  " << failed << "\n";
    report.close();
    CloseWindow();
    return EndProgram(Failed);
  }
  // The game has printed the art file that failed; only the window's failures go to the report.
  if (!run.Game.Start()) {
    CloseWindow();
    return EndProgram(Failed);
  }
  if (record) {
    run.RecordName = record;
    run.RecordFile.open(record, std::ios::binary | std::ios::trunc);
    if (!run.RecordFile) {
      std::cerr << "sieverush: cannot record to '" << record << "': " << std::strerror(errno)
                << "\n";
      CloseWindow();
      return EndProgram(Failed);
    }
    run.Writer = std::make_unique<ReplayWriter>(header);
  }
  // A replay runs faster than time: it is watched, not heard.
  if (!run.Replaying)
    StartSound(SoundRate, MixSound, &run);
  return RunFrames(RunFrame, EndRun, &run);
}
