// The game's frame under full load in the browser: 12 open holes, a full ring of 800 particles
// and the left button held beside the case, so the picking pass and its one-pixel read-back run
// in every frame without ever patching; then the same frames with the button up. Each frame is
// presented and the page's animation frame runs the next, as in the game, so the frame interval is
// the display's (16.7 ms at 60 Hz) as long as a frame's work fits in it. Prints one line of figures
// per case to standard error:
//   web_frame: CASE: FRAMES frames in SECONDS s, fps FPS, interval median MEDIAN ms, p99 P99 ms
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "game/Leak.h"
#include "game/Render.h"
#include "game/Session.h"
#include "platform/Shell.h"

namespace {

// Seconds of play before measuring: the 800-particle ring fills in about a second.
constexpr double WarmUpSeconds = 2.0;
// Frames measured in each case.
constexpr int Frames = 300;
// Where the pointer rests, window pixels from the top-left: on the black beside the case.
constexpr int PointerX = 20;
constexpr int PointerY = 20;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Percentile99(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() * 99 / 100];
}

// The benchmark as the page's animation frames run it: warming up, then the button held, then up.
struct Bench {
  GameSession Game;
  int Phase = 0;
  int Count = 0;
  double Start = 0, Last = 0;
  std::vector<double> Intervals;
};
constexpr const char* Phases[] = {"warm-up", "button held", "button up"};

// One frame, the RAM topped up so that the game never runs out; each phase's figures printed at
// its end.
NextFrame Step(void* context) {
  Bench& b = *static_cast<Bench*>(context);
  b.Game.Ram = StartRam;
  FrameInput in = b.Game.Input;
  in.Micros = static_cast<std::int64_t>(GetTime() * 1e6);
  in.Button = b.Phase < 2;
  b.Game.Step(in);
  const double now = GetTime();
  b.Intervals.push_back((now - b.Last) * 1000.0);
  b.Last = now;
  ++b.Count;
  if (b.Phase == 0 ? now - b.Start < WarmUpSeconds : b.Count < Frames)
    return NextFrame::Now;
  if (b.Phase > 0)
    std::fprintf(stderr,
                 "web_frame: %s: %d frames in %.2f s, fps %.1f, interval median %.2f ms, p99 %.2f "
                 "ms\n",
                 Phases[b.Phase], Frames, now - b.Start, Frames / (now - b.Start),
                 Median(b.Intervals), Percentile99(b.Intervals));
  b.Intervals.clear();
  b.Count = 0;
  b.Start = now;
  return ++b.Phase < 3 ? NextFrame::Now : NextFrame::Never;
}

int End(void*) {
  return 0;
}

}  // namespace

int main() {
  if (InitWindow(ScreenWidth, ScreenHeight, 32, {}) != nullptr)
    return 1;
  static Bench bench;
  GameSession& game = bench.Game;
  if (!game.Start())
    return 1;
  game.Begin(GetTime());
  game.Shown = Screen::Play;
  // All 12 slots open on distinct cells spread over the four faces.
  for (int i = 0; i < HoleSlots; ++i) {
    PlaceLeak(&game.Holes[i], i % 4, (i / 4) * 2, i % 3);
    PaintHole(game.Paint, game.Tex, game.Tex.HoleTex, game.Holes[i].Id, Scatter());
  }
  game.Input.X = PointerX;
  game.Input.Y = PointerY;
  bench.Start = bench.Last = GetTime();
  return RunFrames(Step, End, &bench);
}
