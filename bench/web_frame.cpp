// The game's frame under full load in the browser: 12 open holes, a full ring of 800 particles
// and the left button held beside the case, so the picking pass and its one-pixel read-back run
// in every frame without ever patching; then the same frames with the button up. Each frame is
// presented and yields to the browser's animation frame, as in the game, so the frame interval is
// the display's (16.7 ms at 60 Hz) as long as a frame's work fits in it. Prints one line of figures
// per case to standard error:
//   web_frame: CASE: FRAMES frames in SECONDS s, fps FPS, interval median MEDIAN ms, p99 P99 ms
#include <algorithm>
#include <cstdio>
#include <cstdlib>
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

// Plays `Frames` frames, the RAM topped up before each so that the game never runs out, and
// prints their figures.
void Measure(GameSession& game, const char* name) {
  std::vector<double> intervals;
  double last = GetTime();
  const double start = last;
  for (int i = 0; i < Frames; ++i) {
    game.Ram = StartRam;
    game.Frame();
    const double now = GetTime();
    intervals.push_back((now - last) * 1000.0);
    last = now;
  }
  const double seconds = last - start;
  std::fprintf(stderr,
               "web_frame: %s: %d frames in %.2f s, fps %.1f, interval median %.2f ms, p99 %.2f "
               "ms\n",
               name, Frames, seconds, Frames / seconds, Median(intervals), Percentile99(intervals));
}

}  // namespace

int main() {
  InitWindow(ScreenWidth, ScreenHeight, 32);
  GameSession game;
  game.SetFixedState();
  if (!game.LoadArt())
    return 1;
  game.ClearSlots();
  std::srand(1);
  game.Begin(GetTime());
  // All 12 slots open on distinct cells spread over the four faces.
  for (int i = 0; i < HoleSlots; ++i) {
    PlaceLeak(&game.Holes[i], i % 4, (i / 4) * 2, i % 3);
    PaintHole(game.Paint, game.Tex, game.Tex.HoleTex, game.Holes[i].Id, false);
  }
  Mouse.X = PointerX;
  Mouse.Y = PointerY;
  Mouse.Left = true;

  const double warmEnd = GetTime() + WarmUpSeconds;
  while (GetTime() < warmEnd) {
    game.Ram = StartRam;
    game.Frame();
  }
  Measure(game, "button held");
  Mouse.Left = false;
  Measure(game, "button up");
  return 0;
}
