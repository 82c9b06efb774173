// One frame of the game under full load (12 open holes, a full ring of 800 particles, the left
// button held so the picking pass and its read-back run in every frame) against an empty frame
// (clear and present) in the same window: the ratio is what the game adds to the cost of
// putting a picture on the screen at all. And what showing the game's off-screen picture in the
// window costs, against that full frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>

#include "Picture.h"
#include "Ratios.h"
#include "game/Compybox.h"
#include "game/Leak.h"
#include "game/Picking.h"
#include "game/Session.h"
#include "platform/GL.h"
#include "platform/Shell.h"
#include "sound/Mixer.h"

namespace {

// A full frame may cost at most twice an empty one.
constexpr double FrameGoal = 2.0;
// The sound of a frame may cost at most 1 % of the full frame.
constexpr double SoundGoal = 0.01;
// Presenting may cost at most 5 % of the full frame drawn straight into the window: the frame as
// measured includes its presenting, so 0.05 / 1.05 of it.
constexpr double PresentGoal = 0.05 / 1.05;
// Frames of play a drawn frame shows when a recording is watched at its fastest.
constexpr int WatchSpeed = 8;
// Seconds of play before timing: 12 holes emit 12 particles a leak tick (one every 15 ms), which
// fills the 800-particle ring in about a second, and a particle takes 2 s to fall out of play.
constexpr double WarmUpSeconds = 2.0;
// Where the pointer rests, window pixels from the top-left: on the case, between the holes.
constexpr int PointerX = 400;
constexpr int PointerY = 300;

GameSession* Game = nullptr;
// A picture of the game's size of the benchmark's own, and the framebuffer the game draws into.
Picture* Shown = nullptr;
GLFramebufferProcs Procs;
GLuint GameFramebuffer = 0;

// The hole id the picking pass sees under the pointer, with the case as it stands.
int IdUnderPointer() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  Game->SetCamera();
  Game->LookAtCase();
  DrawSelect();
  return ReadPick(PointerX, PointerY);
}

// Opens all 12 slots on cells spread over the four faces, none of them under the pointer, so
// that the held button picks in every frame but never patches.
bool OpenAllHoles() {
  const int underPointer = IdUnderPointer();
  if (underPointer == NoHole)
    return false;
  for (int i = 0; i < HoleSlots; ++i) {
    const int face = i % 4, column = i % 3;
    int row = (i / 4) * 2;
    if (PlaceLeak(&Game->Holes[i], face, row, column) == underPointer)
      PlaceLeak(&Game->Holes[i], face, ++row, column);
    PaintHole(Game->Paint, Game->Tex, Game->Tex.HoleTex, Game->Holes[i].Id, Scatter());
  }
  return true;
}

void CheckFullLoad(benchmark::State& state);

void PlacePointer(bool held) {
  Game->Input.X = PointerX;
  Game->Input.Y = PointerY;
  Game->Input.Button = held;
}

// The RAM is topped up before each frame so that the game never runs out and stops for its
// game-over screen. `micros`: the frame's time on the game's clock.
void PlayFrame(std::int64_t micros, bool drawn = true) {
  Game->Ram = StartRam;
  FrameInput in = Game->Input;
  in.Micros = micros;
  Game->Step(in, drawn);
}
std::int64_t Now() {
  return static_cast<std::int64_t>(GetTime() * 1e6);
}

// `held`: the left button is down, so the frame picks.
void GameFrame(benchmark::State& state, bool held) {
  PlacePointer(held);
  // The frames of other benchmarks ran in between: no jump in the frame time.
  Game->LastTime = GetTime();
  for (auto _ : state)
    PlayFrame(Now());
  CheckFullLoad(state);
}

// A recording watched at 8x: eight frames of 1/60 s of play on the game's clock, the last one
// drawn, in the time the screen shows one.
void WatchFrame(benchmark::State& state) {
  PlacePointer(true);
  std::int64_t micros = Now();
  Game->LastTime = static_cast<double>(micros) / 1e6;
  for (auto _ : state)
    for (int i = 1; i <= WatchSpeed; ++i)
      PlayFrame(micros += 1000000 / 60, i == WatchSpeed);
  CheckFullLoad(state);
}

// A sixtieth of a second, waited out: the time a frame has on a 60 Hz screen.
void SixtiethOfASecond(benchmark::State& state) {
  for (auto _ : state)
    for (const double end = GetTime() + 1.0 / 60; GetTime() < end;) {
    }
}

void CheckFullLoad(benchmark::State& state) {
  int open = 0;
  for (const ParticleStruct& slot : Game->Holes)
    open += slot.Active;
  state.counters["open_holes"] = open;
  if (open != HoleSlots)
    state.SkipWithError("a hole was patched: the load is not the full one");
}

// The sound of a frame under full load: a sixtieth of a second of the twelve holes' spray mixed,
// with a cue set off now and then, as the device asks for it while the game runs at 60 frames a
// second.
void MixFrame(benchmark::State& state) {
  static Mixer sound;
  SprayVoice spray[HoleSlots];
  for (int i = 0; i < HoleSlots; ++i)
    spray[i] = {i / 6.0f - 1, 1};
  sound.SetSpray(spray, HoleSlots);
  short frames[2 * (SoundRate / 60)];
  int n = 0;
  for (auto _ : state) {
    if (++n % 20 == 0)
      sound.Play(Cue::HoleOpened, 0.5f, 1);
    sound.Mix(frames, SoundRate / 60);
    benchmark::DoNotOptimize(frames);
  }
}

// Presenting alone, in the 800x600 window, and the GL done with it: as Present presents
// (`shownAgain` false: at 1x the frame was drawn straight into the window), or the picture
// shown from off-screen, as at every other size.
void PresentAlone(benchmark::State& state, bool shownAgain) {
  Shown->Direct(ScreenWidth, ScreenHeight);
  for (auto _ : state) {
    if (shownAgain)
      Shown->ShowAgain(ScreenWidth, ScreenHeight);
    else
      Shown->Present(ScreenWidth, ScreenHeight);
    glFinish();
  }
  Procs.BindFramebuffer(GLFramebuffer, GameFramebuffer);
}

void EmptyFrame(benchmark::State& state) {
  for (auto _ : state) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Present();
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* failed = InitWindow(ScreenWidth, ScreenHeight, 32, {})) {
    std::fprintf(stderr, "frame_bench: %s (run it under scripts/with-x.sh)\n", failed);
    return 1;
  }
  std::printf("OpenGL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  std::filesystem::current_path(SIEVERUSH_PLAY_DIR);
  static GameSession game;
  Game = &game;
  if (!game.Start())
    return 1;
  game.Begin(GetTime());
  game.Shown = Screen::Play;
  if (!OpenAllHoles()) {
    std::fputs("frame_bench: the pointer is not on the case\n", stderr);
    return 1;
  }
  PlacePointer(true);
  for (const double end = GetTime() + WarmUpSeconds; GetTime() < end;)
    PlayFrame(Now());
  GameFramebuffer = BoundFramebuffer();
  static Picture shown;
  if (!FindFramebufferProcs(GetGLProc, Procs) ||
      !shown.Create(GetGLProc, ScreenWidth, ScreenHeight)) {
    std::fputs("frame_bench: no framebuffer objects, so no off-screen picture\n", stderr);
    return 1;
  }
  Shown = &shown;
  Procs.BindFramebuffer(GLFramebuffer, GameFramebuffer);

  benchmark::RegisterBenchmark("frame/game", GameFrame, true)->UseRealTime();
  benchmark::RegisterBenchmark("frame/game, button up", GameFrame, false)->UseRealTime();
  benchmark::RegisterBenchmark("frame/empty", EmptyFrame)->UseRealTime();
  benchmark::RegisterBenchmark("frame/watch 8x", WatchFrame)->UseRealTime();
  benchmark::RegisterBenchmark("frame/60 Hz", SixtiethOfASecond)->UseRealTime();
  benchmark::RegisterBenchmark("frame/sound", MixFrame)->UseRealTime();
  benchmark::RegisterBenchmark("frame/present", PresentAlone, false)->UseRealTime();
  benchmark::RegisterBenchmark("frame/present from off-screen", PresentAlone, true)->UseRealTime();
  return RunRatioTable(argc, argv,
                       {{"Frame, 12 holes + 800 particles + picking (vs empty frame)", "frame/game",
                         "frame/empty", FrameGoal, ""},
                        {"Frame as above, button up: no picking (vs empty frame)",
                         "frame/game, button up", "frame/empty", 0.0, ""},
                        {"Watching at 8x: 8 frames of play, the last drawn (vs 1/60 s)",
                         "frame/watch 8x", "frame/60 Hz", 1.0, ""},
                        {"Sound of a frame: 1/60 s of 12 holes' spray and cues mixed (vs the "
                         "full frame)",
                         "frame/sound", "frame/game", SoundGoal, ""},
                        {"Presenting the picture at 1x (vs the full frame, which includes it)",
                         "frame/present", "frame/game", PresentGoal, ""},
                        {"Showing the picture from off-screen, 800x600 (vs the full frame)",
                         "frame/present from off-screen", "frame/game", 0.0, ""}});
}
