// Program entry: open the window and run, frame by frame, the player's game, the best runs screen
// or a recorded game being watched; report a failed start in "GL_ERROR.txt". `sieverush FILE`
// watches FILE first. `--record FILE` writes the game down as it is played; `--replay FILE` plays
// such a recording again, without input, as fast as it goes, and shows what it did in game time
// with `--trace FILE`, `--wav FILE` and `--shot FRAME FILE.png`, or with `--speed S` plays it as
// a watch on a clock of 60 looks a second (docs/replay.md).

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>

#include "BestRuns.h"
#include "CommandLine.h"
#include "Hearing.h"
#include "Input.h"
#include "Memory.h"
#include "Recording.h"
#include "Runs.h"
#include "Settings.h"
#include "Watch.h"
#include "Witness.h"
#include "game/Replay.h"
#include "game/Session.h"
#include "platform/Shell.h"
#include "sound/Mixer.h"

namespace {

// Exit statuses: a game that ran and ended, and one that could not start or could not do what
// it was asked (no window, art that did not load, a recording it could not read or write).
constexpr int Played = 0;
constexpr int Failed = 1;

// The fast check's watch looks 60 times a second of its own clock.
constexpr std::int64_t LookMicros = 1000000 / 60;

// What the window shows: the player's game (its title, play, game over), the best runs, or a
// recording watched.
enum class Showing { Game, BestRuns, Watch };

// The program's state: the player's game, what it keeps, and what is watched.
struct Run {
  Options Asked;
  GameSession Game;
  // The player's settings and best uptime, and the runs, kept between runs; a replay neither
  // reads nor keeps them.
  Memory Kept;
  Runs Best;
  Hearing Ears;         // the player's game
  Hearing WatchedEars;  // the game watched
  Speaker Out{Ears};
  bool WasMuted = false;
  RunRecording Recorded;
  std::unique_ptr<Recorder> Recording;  // --record
  std::unique_ptr<Witness> Seen;
  KeyPresses Presses;
  Showing Shown = Showing::Game;
  Showing Back = Showing::Game;  // where a watch goes back to
  BestRuns List;
  std::unique_ptr<Watch> Watching;
  // A replay: checked as fast as it goes, or watched (--speed) on a clock of its own.
  Replay Playback;
  bool Replaying = false;
  std::size_t NextFrame = 0;
  std::uint64_t Looks = 0;  // of the replay's watch
  std::int64_t LastMicros = 0;
  std::uint64_t Frames = 0;
};

// Watches `replay`, going back to what is shown now when it ends. False after one line when the
// watch cannot start.
bool StartWatch(Run& run, Replay&& replay) {
  if (run.Watching)
    run.Watching->End();
  else
    run.Back = run.Shown;
  run.Watching = std::make_unique<Watch>();
  const int speed = run.Asked.Speed >= 0 ? run.Asked.Speed : Watch::Normal;
  if (!run.Watching->Begin(std::move(replay), run.WatchedEars, run.Seen.get(), speed)) {
    run.Watching->End();
    run.Watching.reset();
    return false;
  }
  run.Shown = Showing::Watch;
  run.Out.Play(run.WatchedEars);
  return true;
}

// A whole recording in memory, watched; refused in one line naming `what`.
bool WatchBytes(Run& run, const std::vector<unsigned char>& bytes, const std::string& what) {
  Replay replay;
  std::string problem;
  if (ParseReplay(bytes.data(), bytes.size(), replay, problem))
    return StartWatch(run, std::move(replay));
  std::fprintf(stderr, "sieverush: cannot watch %s: %s\n", what.c_str(), problem.c_str());
  return false;
}

// A recording handed to the game from outside (the command line, a file dropped on the window):
// watched, or refused in one line, which leaves everything as it was. The player's game, if
// it is being played, is paused first, as when the player leaves it.
void WatchFile(Run& run, const std::string& name) {
  Replay replay;
  if (!ReadRecording(name.c_str(), replay, "watch"))
    return;
  if (run.Shown == Showing::Game &&
      (run.Game.Shown == Screen::Play || run.Game.Shown == Screen::RunningOut)) {
    FrameInput away = LiveInput(run.LastMicros);
    away.Away = true;
    away.Quit = false;
    run.LastMicros = away.Micros;
    if (run.Recording)
      run.Recording->Add(away);
    const Screen before = run.Game.Shown;
    run.Game.Step(away);
    run.Recorded.Add(away, before, run.Game);
    run.Ears.Listen(run.Game);
  }
  StartWatch(run, std::move(replay));
}

// The watch ended: back where it began, the keys that ended it not seen there.
void EndWatch(Run& run) {
  run.Watching->End();
  run.Watching.reset();
  run.Out.Play(run.Ears);
  run.Shown = run.Back;
  run.Presses.Swallow();
  if (run.Shown == Showing::BestRuns)
    run.List.Draw(run.Best.Best());
  else
    run.Game.Redraw();
}

// What a frame of live play leaves for the player: its sound, the sound setting and the best,
// and the game just over kept.
void Heard(Run& run, bool gameOver) {
  // The first frame goes on screen before the sounds are made.
  if (run.Frames >= 2)
    run.Ears.Listen(run.Game);
  if (run.Game.Muted != run.WasMuted) {
    run.WasMuted = run.Game.Muted;
    KeepSettings(run.Kept, run.Game.Muted);
  }
  run.Kept.KeepBest(run.Game.BestEver);
  if (gameOver)
    run.Best.Keep(run.Recorded.LastGame(), static_cast<int>(run.Game.FinalUptime),
                  static_cast<std::int64_t>(std::time(nullptr)));
}

// One frame of the player's game, or R on its title (the best runs) or game-over screen (the game
// just played, watched).
NextFrame PlayFrame(Run& run, const AppKeys& keys) {
  if (keys.Watch && run.Game.Shown == Screen::Title) {
    run.Shown = Showing::BestRuns;
    run.List.Show();
    run.List.Draw(run.Best.Best());
    return NextFrame::OnInput;
  }
  if (keys.Watch && run.Game.Shown == Screen::GameOver &&
      WatchBytes(run, run.Recorded.LastGame(), "the game just played"))
    return NextFrame::Now;
  const FrameInput in = run.Presses.Live(run.LastMicros);
  run.LastMicros = in.Micros;
  if (run.Recording)
    run.Recording->Add(in);
  ++run.Frames;
  const Screen before = run.Game.Shown;
  const NextFrame next = run.Game.Step(in);
  Heard(run, run.Recorded.Add(in, before, run.Game));
  ShowState({run.Game.Muted, run.Game.Shown == Screen::Paused, false});
  return next;
}

NextFrame BestRunsFrame(Run& run, const AppKeys& keys) {
  const std::vector<KeptRun>& runs = run.Best.Best();
  switch (run.List.Respond(keys, runs.size())) {
    case BestRuns::Answer::Back:
      run.Shown = Showing::Game;
      run.Presses.Swallow();
      run.Game.Redraw();
      return NextFrame::OnInput;
    case BestRuns::Answer::Watch: {
      std::vector<unsigned char> bytes;
      // A run whose recording is gone is forgotten, with one line; the list shows it.
      if (run.Best.Read(run.List.Choice(), bytes) &&
          WatchBytes(run, bytes, "run " + std::to_string(run.List.Choice() + 1)))
        return NextFrame::Now;
      break;
    }
    case BestRuns::Answer::Stay:
      break;
  }
  run.List.Draw(runs);
  ShowState({run.Game.Muted, false, false});
  return NextFrame::OnInput;
}

NextFrame WatchFrame(Run& run, const AppKeys& keys) {
  const NextFrame next = run.Watching->Tick(std::llround(GetTime() * 1e6), keys);
  if (next == NextFrame::Never) {
    EndWatch(run);
    return NextFrame::OnInput;
  }
  ShowState({run.Watching->Game().Muted, run.Watching->Paused(), true});
  return next;
}

// A replay's frame: the fast check, or with --speed a look of its watch on a clock of its own,
// with the keys --press gives it.
NextFrame ReplayFrame(Run& run) {
  // Esc or the close button stop a replay early; nothing else of the player's reaches it.
  if (RunLevel == 0 || Keys[KeyEscape])
    return NextFrame::Never;
  if (run.Watching) {
    AppKeys keys;
    for (const Options::Press& press : run.Asked.Presses)
      if (press.Look == run.Looks)
        keys = press.Keys;
    const NextFrame next =
        run.Watching->Tick(static_cast<std::int64_t>(run.Looks++) * LookMicros, keys);
    // A watch left paused for good ends too: no key would come to go on.
    bool more = false;
    for (const Options::Press& press : run.Asked.Presses)
      more = more || press.Look >= run.Looks;
    const bool stuck = run.Watching->Paused() && !more;
    return next == NextFrame::Never || run.Watching->Ended() || stuck ? NextFrame::Never
                                                                      : NextFrame::Ahead;
  }
  if (run.NextFrame == run.Playback.Frames.size())
    return NextFrame::Never;
  const FrameInput& in = run.Playback.Frames[run.NextFrame++];
  ++run.Frames;
  // A check draws only the pictures it was asked to keep.
  const bool drawn = run.Seen && run.Seen->Before(in, run.Frames);
  const NextFrame next = run.Game.Step(in, drawn);
  if (run.Seen)
    run.Seen->After(run.Game, run.Frames);
  // A replay never waits, nor does it wait to be shown: its input is all there.
  return next != NextFrame::Never ? NextFrame::Ahead : next;
}

NextFrame RunFrame(void* context) {
  Run& run = *static_cast<Run*>(context);
  if (run.Replaying)
    return ReplayFrame(run);
  // The window closed.
  if (RunLevel == 0 && run.Shown != Showing::Game)
    return NextFrame::Never;
  std::string opened;
  if (TakeOpenedFile(opened))
    WatchFile(run, opened);
  const AppKeys keys = run.Presses.Take();
  switch (run.Shown) {
    case Showing::Watch:
      return WatchFrame(run, keys);
    case Showing::BestRuns:
      return BestRunsFrame(run, keys);
    case Showing::Game:
      break;
  }
  return PlayFrame(run, keys);
}

int EndRun(void* context) {
  Run& run = *static_cast<Run*>(context);
  const GameSession& game = run.Watching ? run.Watching->Game() : run.Game;
  const std::uint64_t frames = run.Watching ? run.Watching->Played() : run.Frames;
  if (!run.Replaying)
    KeepSettings(run.Kept, run.Game.Muted);
  bool whole = true;
  if (run.Recording)
    whole = run.Recording->Finish();
  if (run.Seen)
    whole = run.Seen->Close(game, frames) && whole;
  if (!whole)
    return Failed;
  if (run.Replaying && run.Watching)
    std::printf("Watched %llu frames in %llu looks: uptime %d seconds, best %d seconds\n",
                static_cast<unsigned long long>(frames), static_cast<unsigned long long>(run.Looks),
                game.Uptime(), game.Best);
  else if (run.Replaying || run.Recording)
    std::printf("%s %llu frames: uptime %d seconds, best %d seconds\n",
                run.Replaying ? "Replayed" : "Recorded", static_cast<unsigned long long>(frames),
                game.Uptime(), game.Best);
  std::fflush(stdout);
  return Played;
}

// The random sequence of a game played live starts from the clock.
std::uint64_t ClockSeed() {
  return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

// Opens the window and starts what was asked; false after saying why not.
bool Open(Run& run) {
  // A recording starts as the player's run started: the sound on or off, the best kept so far.
  ReplayHeader header{ClockSeed(), static_cast<int>(DrainPerMs), false, 0};
  WindowPlace last;
  if (run.Replaying) {
    header = run.Playback.Header;
  } else {
    run.Kept.Recall();
    run.Best.Recall();
    last = KeptPlace(run.Kept);
    header.Muted = run.Kept.KeptSettings().Muted;
    header.BestEver = run.Kept.BestEver();
  }
  header.WatchFrom = 0;
  run.Game.Seed = header.Seed;
  run.Game.Drain = header.DrainPerMs;
  run.Game.Muted = run.WasMuted = header.Muted;
  run.Game.BestEver = header.BestEver;
  if (const char* failed = InitWindow(ScreenWidth, ScreenHeight, 32, last)) {
    ReportFailedStart(std::string("Caught exception:\n  ") + failed + "\n");
    return false;
  }
  // The game has printed the art file that failed; only the window's failures go to the report.
  if (!run.Game.Start())
    return false;
  if (!run.Asked.Record.empty() &&
      !(run.Recording = std::make_unique<Recorder>())->Open(run.Asked.Record.c_str(), header))
    return false;
  if (run.Asked.Files.Any() && !(run.Seen = std::make_unique<Witness>())->Open(run.Asked.Files))
    return false;
  if (run.Replaying) {
    // The fast check is checked, not heard; a watch of it is heard only by the witness.
    return run.Asked.Speed < 0 || StartWatch(run, std::move(run.Playback));
  }
  run.Recorded.Start(header);
  StartSound(SoundRate, Speaker::Fill, &run.Out);
  // The recording asked for on the command line is watched first, then the title.
  Replay opened;
  if (!run.Asked.Watch.empty() && ReadRecording(run.Asked.Watch.c_str(), opened, "watch"))
    StartWatch(run, std::move(opened));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Kept outside main's stack frame: in the browser the page's animation frames run the game
  // after main has handed control back.
  static Run run;
  if (!ReadOptions(argc, argv, run.Asked))
    return EndProgram(Failed);
  run.Replaying = !run.Asked.Replay.empty();
  if (run.Replaying && !ReadRecording(run.Asked.Replay.c_str(), run.Playback))
    return EndProgram(Failed);
  if (!Open(run)) {
    CloseWindow();
    return EndProgram(Failed);
  }
  return RunFrames(RunFrame, EndRun, &run);
}
