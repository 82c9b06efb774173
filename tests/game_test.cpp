// The game's rules and its picking, driven one frame step at a time in the shell's real window.

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <filesystem>
#include <tuple>
#include <vector>

#include "game/Leak.h"
#include "game/Picking.h"
#include "game/Render.h"
#include "game/Session.h"
#include "platform/GL.h"
#include "platform/Shell.h"

// Calls of the face painting, recorded instead of drawn. Every stamp scattered (patches, and the
// faces restored) lies at most 4 pixels off its cell and is turned by less than a quarter.
using PaintCall = std::tuple<unsigned, unsigned, unsigned, int, bool>;
std::vector<PaintCall> Painted;
void Record(unsigned base, unsigned target, unsigned overlay, int cell, const Scatter& d) {
  EXPECT_TRUE(!d.On || (d.X >= -4 && d.X < 4 && d.Y >= -4 && d.Y < 4 && unsigned(d.Angle) < 90));
  Painted.emplace_back(base, target, overlay, cell, d.On);
}
const FrameInput Space{.Space = true}, Quit{.Quit = true};

// Points the game at the picture pixel where a point of the case turned by `angle` degrees shows
// under the game's camera.
void PointAt(FrameInput& in, const ParticleStruct& p, double angle) {
  const double a = angle * M_PI / 180, depth = 2.75 + p.X * std::sin(a) - p.Z * std::cos(a);
  in.X = static_cast<int>(400 + 400 * (p.X * std::cos(a) + p.Z * std::sin(a)) / depth);
  in.Y = 599 - static_cast<int>(300 + 400 * p.Y / depth);
}

// A session in the shell's window (opened once, in the art's folder as a player starts the
// game) with its art loaded and its painting recorded, on the title screen.
struct Game : GameSession {
  Game() {
    [[maybe_unused]] static const bool open =
        (InitWindow(800, 600, 32, {}), std::filesystem::current_path(SIEVERUSH_PLAY_DIR), true);
    EXPECT_TRUE(Start());
    Paint = Record;
  }
  // One frame at `seconds`, with `in`'s keys and pointer.
  NextFrame At(double seconds, FrameInput in = {}) {
    in.Micros = static_cast<std::int64_t>(seconds * 1e6);
    return Step(in);
  }
};

// Leak ticks from the open slots `before` (bit i: slot i) under many seeds: a hole opens about one
// tick in 50, in the lowest free slot, painted on its own cell; then every open hole drains this
// frame's time, cut to whole RAM after each hole, and sprays from its spot turned with the case.
TEST(Game, LeakTickOpensInTheLowestFreeSlotThenEveryHoleSpraysAndDrains) {
  Game S;
  for (auto [before, ram, ramShut, ramOpened, frameMs] :
       {std::tuple{0b101u, StartRam, StartRam - 2 * 2560, StartRam - 3 * 2560, 20.0},
        {0b1u, 100, -28, -156, 1.0},
        {0b11u, 1000, 996, 994, 0.0109},  // 1.3952 a hole, cut after each
        {0xFFFu, 100, 100 - 12 * 128, 100 - 12 * 128, 1.0}}) {
    int openings = 0;
    for (std::uint64_t seed = 1; seed <= 500; ++seed) {
      for (int i = 0; i < HoleSlots; ++i)
        if (S.Holes[i].Active = false; before >> i & 1)
          PlaceLeak(&S.Holes[i], i % 4, i % 6, i % 3);
      Painted.clear();
      S.Dice.Seed(seed), S.Ram = ram, S.FrameMs = frameMs, S.Now = 3, S.Angle = 90;
      S.TakeViewRotation();
      S.LeakTick();
      unsigned open = 0;
      for (int i = 0; i < HoleSlots; ++i)
        open |= unsigned{S.Holes[i].Active} << i;
      const bool opened = open != before;
      openings += opened;
      ASSERT_TRUE(open == before || open == (before | (before + 1))) << seed;
      EXPECT_EQ(S.Ram, opened ? ramOpened : ramShut);
      EXPECT_EQ(S.NextTick, 3 + 0.014999999664723873);
      const int id = S.Holes[std::countr_zero(~before) % HoleSlots].Id;
      const unsigned w = WorkingTexture(S.Tex, id);
      EXPECT_EQ(Painted,
                std::vector<PaintCall>(opened, {w, w, S.Tex.HoleTex, CellIndex(id), false}));
    }
    EXPECT_TRUE(before == 0xFFF ? openings == 0 : openings > 2 && openings < 25) << openings;
  }
  // A hole sprays from its spot turned with the case, here a quarter: (x, z) to (z, -x).
  const ParticleStruct p = LeakParticle(S.Holes[1], S.ViewRotation, 0, 0, 0);
  EXPECT_LT(std::abs(p.X - S.Holes[1].Z) + std::abs(p.Z + S.Holes[1].X), 1e-6f);
}

// The title waits for the Spacebar (one already held starts at once) or ends on Esc; then running
// out freezes the uptime, and two seconds later the game-over screen raises Best and waits for the
// Spacebar (a new game, the rest carried over) or Esc.
TEST(Game, TheScreensFromTheTitleThroughRunningOutToGameOverAndAgain) {
  EXPECT_EQ(Game().At(1, Quit), NextFrame::Never);
  for (auto [best, bestAfter, again] :
       {std::tuple{45, 45, true}, {30, 40, true}, {30, 40, false}}) {
    Game S;
    EXPECT_EQ(S.At(5), NextFrame::OnInput);
    EXPECT_EQ(S.At(10, Space), NextFrame::Now);
    S.ReadClock(10.02);  // the first frame counts from the start of the game
    EXPECT_NEAR(S.FrameMs, 20, 1e-9);
    S.Best = best, S.Angle = 123, S.NextTick = 7, S.Ram = -28;
    PlaceLeak(&S.Holes[4], 2, 2, 2);
    EXPECT_EQ(S.At(50.25), NextFrame::Now);
    EXPECT_EQ(S.At(52.25), NextFrame::Now);  // two seconds on: the game-over screen is not due
    EXPECT_EQ(S.Shown, Screen::RunningOut);
    EXPECT_EQ(S.RamLine.View(), "Remaining RAM: 0");
    EXPECT_EQ(S.UptimeLine.View(), "Uptime: 40 Seconds");
    EXPECT_FALSE(S.TickDue());
    S.At(52.26);
    EXPECT_EQ(S.At(53), NextFrame::OnInput);  // the game-over screen, since 52.26
    EXPECT_EQ(S.Best, bestAfter);
    if (!again) {
      EXPECT_EQ(S.At(54, Quit), NextFrame::Never);
      continue;
    }
    Painted.clear();
    EXPECT_EQ(S.At(54, Space), NextFrame::Now);
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[2], 0.0f);  // the game-over blue is gone
    // A new game: full RAM, uptime from now, no holes, clean faces; the rest carries over.
    S.ComposeStatus();
    EXPECT_EQ(S.RamLine.View(), "Remaining RAM: 4000000k");
    EXPECT_EQ(S.UptimeLine.View(), "Uptime: 0 Seconds");
    EXPECT_EQ(S.GameOverTime, NotYet);
    const FaceTextures& t = S.Tex;
    EXPECT_EQ(Painted,
              (std::vector<PaintCall>{{t.CaseCleanTex, t.CaseTex, t.PatchTex, -73, true},
                                      {t.SideCleanTex, t.SidePosZTex, t.PatchTex, -73, true},
                                      {t.SideCleanTex, t.SideNegZTex, t.PatchTex, -73, true}}));
    EXPECT_FALSE(S.Holes[4].Active);
    EXPECT_TRUE(S.Angle == 123.0f && S.NextTick == 7.0 && S.Shown == Screen::Play);
  }
}

// A click on every cell, its face turned to the camera, through the frame's own steps: every
// slot of that hole closes, no other, the picture is cleared and the patch goes on that cell of
// its face's texture (the end faces share one: -X in cells 0..17, +X in 18..35).
TEST(Game, AClickOnEachOfThe108CellsPatchesTheHoleThere) {
  const float faceAngle[] = {90, 0, -90, 180};  // -X, +Z, +X, -Z towards the camera
  Game S;
  const unsigned faceTex[] = {S.Tex.CaseTex, S.Tex.SidePosZTex, S.Tex.CaseTex, S.Tex.SideNegZTex};
  S.Input.Button = true;
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  for (int face = 0; face < 4; ++face)
    for (int column = 0; column < (face % 2 ? 6 : 3); ++column)
      for (int row = 0; row < 6; ++row) {
        S.Angle = faceAngle[face];
        const int id = PlaceLeak(&S.Holes[3], face, row, column);
        S.Holes[9] = S.Holes[3];
        PlaceLeak(&S.Holes[0], (face + 2) % 4, row, 0);  // on the far face
        PointAt(S.Input, S.Holes[3], S.Angle);
        S.SetCamera();
        S.LookAtCase();
        S.Pick();
        Painted.clear();
        S.CueCount = 0;
        S.PaintPatch();
        // The patch is heard, where it was clicked.
        EXPECT_TRUE(S.CueCount == 1 && S.Cues[0].What == Cue::Patch &&
                    std::abs(S.Cues[0].Pan - (S.Input.X - 400) / 400.0f) < 1e-6f);
        const unsigned w = faceTex[face];
        const int cell = 6 * (column + (face == 2 ? 3 : 0)) + row;
        EXPECT_EQ(Painted, std::vector<PaintCall>(1, {w, w, S.Tex.PatchTex, cell, true})) << id;
        EXPECT_TRUE(!S.Holes[3].Active && !S.Holes[9].Active && S.Holes[0].Active) << id;
      }
  unsigned char red = 1;
  glReadPixels(400, 300, 1, 1, GL_RED, GL_UNSIGNED_BYTE, &red);
  EXPECT_EQ(red, 0);
}

// Three pixels marked (GL rows from the bottom): each is read under the pointer at its row
// counted from the top, its neighbours are not, and a pointer outside the picture reads nothing.
TEST(Game, APickReadsThePixelUnderThePointerAndNothingOutsideThePicture) {
  Game S;
  glEnable(GL_SCISSOR_TEST);
  glClearColor(154 / 255.0f, 0, 0, 0);  // red byte 154 reads back as the signed byte 77
  for (auto [x, y] : {std::pair{0, 0}, {10, 100}, {799, 599}})
    glScissor(x, y, 1, 1), glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  const std::pair<std::pair<int, int>, int> cases[] = {
      {{0, 599}, 77}, {{10, 499}, 77}, {{799, 0}, 77}, {{10, 498}, 0}, {{10, 500}, 0},
      {{-1, 599}, 0}, {{0, 600}, 0},   {{800, 0}, 0},  {{799, -1}, 0}};
  for (auto [at, pick] : cases)
    EXPECT_EQ(ReadPick(at.first, at.second), pick) << at.first << "," << at.second;
}
