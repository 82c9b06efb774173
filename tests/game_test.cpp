// The game's rules and its picking, driven one frame step at a time in the shell's real window.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <tuple>
#include <vector>

#include "game/Leak.h"
#include "game/Picking.h"
#include "game/Render.h"
#include "game/Session.h"
#include "platform/Callbacks.h"
#include "platform/GL.h"
#include "platform/Picture.h"
#include "platform/Shell.h"

namespace {

// Calls of the face painting, recorded instead of drawn.
using PaintCall = std::tuple<unsigned, unsigned, unsigned, int, bool>;
std::vector<PaintCall> Painted;
void Record(unsigned base, unsigned target, unsigned overlay, int cell, bool scatter) {
  Painted.emplace_back(base, target, overlay, cell, scatter);
}

// Moves the pointer to the window pixel of a `frame`-sized window (the picture shown in it as the
// platform shows it) where a point of the case turned by `angle` degrees shows under the game's
// camera, and on into the game through the platform's mapping.
void PointAt(const ParticleStruct& p, double angle, std::pair<int, int> frame) {
  const double a = angle * M_PI / 180, depth = 2.75 + p.X * std::sin(a) - p.Z * std::cos(a);
  const double x = 400 + 400 * (p.X * std::cos(a) + p.Z * std::sin(a)) / depth;
  const int up = static_cast<int>(300 + 400 * p.Y / depth);  // picture rows from the bottom
  const PixelRect shown = FitPicture(frame.first, frame.second, 800, 600);
  int pictureX = 0, pictureY = 0;
  FrameToPicture(shown, frame.second, 800, 600,
                 shown.X + static_cast<int>((static_cast<int>(x) + 0.5) * shown.Width / 800),
                 frame.second - 1 - shown.Y - static_cast<int>((up + 0.5) * shown.Height / 600),
                 pictureX, pictureY);
  MousePosCallback(pictureX, pictureY);
}

// A session in the shell's window (opened once, in the art's folder as a player starts the
// game) with its art loaded, its painting recorded and input released.
struct Game : GameSession {
  Game() {
    [[maybe_unused]] static const bool open =
        (InitWindow(800, 600, 32), std::filesystem::current_path(SIEVERUSH_PLAY_DIR), true);
    EXPECT_TRUE(LoadArt());
    SetFixedState();
    Paint = Record;
    Painted.clear();
    for (int key : {KeySpace, KeyEscape})
      KeyCallback(key, 0);
    RunLevel = 1;
  }
};

}  // namespace

TEST(HoleIds, EveryIdFrom1To108NamesOneCellAndBack) {
  const FaceTextures tex = {1, 2, 3, 4, 5, 6, 7};
  for (int id = 1; id <= 108; ++id) {
    const Face face = FaceOfHole(id);
    // The end faces share one texture: +X takes its columns 3..5.
    const int column = CellIndex(id) / 6 - (face == Face::PosX ? 3 : 0), row = CellIndex(id) % 6;
    EXPECT_TRUE(column >= 0 && column < (face == Face::NegZ || face == Face::PosZ ? 6 : 3)) << id;
    EXPECT_EQ(HoleId(face, column, row), id);
    EXPECT_EQ(WorkingTexture(tex, id), face == Face::NegZ ? 7u : face == Face::PosZ ? 6u : 1u);
  }
}

// A leak tick from the open slots `Open` (bit i: slot i) whose first draw leaves `Chance` modulo
// 50 (-1: all open, no draw), and the slots open after it.
TEST(Game, LeakTickOpensInTheLowestFreeSlotThenEveryHoleSpraysAndDrains) {
  const struct {
    unsigned Open, OpenAfter;
    int Chance, Ram, RamAfter;
    double FrameMs;
  } cases[] = {{0b101, 0b111, 1, StartRam, StartRam - 3 * 2560, 20},
               {0b1, 0b1, 0, 100, -28, 1},
               {0b11, 0b11, 2, 1000, 996, 0.0109},  // 1.3952 a hole, cut after each
               {0xFFF, 0xFFF, -1, 100, 100 - 12 * 128, 1}};
  for (const auto& c : cases) {
    Game S;
    for (int i = 0; i < HoleSlots; ++i)
      if (c.Open >> i & 1)
        PlaceLeak(&S.Holes[i], i % 4, i % 6, i % 3);
    const int opened = std::popcount(c.OpenAfter & ~c.Open), holes = std::popcount(c.OpenAfter);
    std::vector<int> d(50);
    unsigned seed = 0;  // the first whose first draw leaves the chance wanted
    while (std::srand(++seed), std::generate(d.begin(), d.end(), std::rand),
           c.Chance >= 0 && d[0] % 50 != c.Chance) {
    }
    std::srand(seed);
    S.Ram = c.Ram, S.FrameMs = c.FrameMs, S.Now = 3, S.Angle = 90;
    S.TakeViewRotation();
    S.LeakTick();
    // The chance, the new hole's face, row and column; per hole three jitters and a sprite.
    EXPECT_EQ(std::rand(), d[(c.Chance >= 0) + 3 * opened + 4 * holes]);
    EXPECT_EQ(S.Ram, c.RamAfter);
    EXPECT_EQ(S.NextTick, 3 + 0.014999999664723873);
    // A new hole is painted on its own cell over what its face shows.
    const int id = S.Holes[std::countr_zero(c.OpenAfter & ~c.Open) % 32].Id;
    const unsigned w = WorkingTexture(S.Tex, id);
    EXPECT_EQ(Painted, std::vector<PaintCall>(opened, {w, w, S.Tex.HoleTex, CellIndex(id), false}));
    // Each open hole sprays from its spot turned with the case, a quarter: (x, z) to (z, -x).
    for (int i = 0; i < HoleSlots; ++i)
      if (c.OpenAfter >> i & 1) {
        const ParticleStruct p = LeakParticle(S.Holes[i], S.ViewRotation, 0, 0, 0);
        const float off = std::abs(p.X - S.Holes[i].Z) + std::abs(p.Z + S.Holes[i].X);
        EXPECT_TRUE(S.Holes[i].Active && off < 1e-6f) << i;
      }
  }
}

// Running out, then the game-over screen left with the Spacebar (a new game) or with Esc.
TEST(Game, RunningOutFreezesTheUptimeAndTwoSecondsLaterEndsOrRestartsTheGame) {
  for (auto [best, bestAfter, again] :
       {std::tuple{45, 45, true}, {30, 40, true}, {30, 40, false}}) {
    Game S;
    S.Begin(10);
    S.ReadClock(10.02);  // the first frame counts from the start of the game
    EXPECT_NEAR(S.FrameMs, 20, 1e-9);
    Best = best, S.Angle = 123, S.NextTick = 7, S.Ram = -28;
    PlaceLeak(&S.Holes[4], 2, 2, 2);
    S.ReadClock(50.25);
    S.RunOut();
    KeyCallback(again ? KeySpace : KeyEscape, 1);  // held: any game-over screen returns at once
    S.ReadClock(52.25);  // two seconds on: the game-over screen is not due yet
    S.RunOut();
    S.ComposeStatus();
    EXPECT_EQ(S.RamLine.View(), "Remaining RAM: 0");
    EXPECT_EQ(S.UptimeLine.View(), "Uptime: 40 Seconds");
    EXPECT_FALSE(S.TickDue());

    S.ReadClock(52.26);
    S.RunOut();
    EXPECT_EQ(Best, bestAfter);
    float clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_EQ(clear[2], 0.0f);  // the game-over blue is gone
    if (!again) {
      EXPECT_TRUE(RunLevel == 0 && S.Ram == 0);
      continue;
    }
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
    EXPECT_TRUE(S.Angle == 123.0f && S.NextTick == 7.0 && RunLevel == 1);
  }
}

// A click on every cell, its face turned to the camera, through the frame's own steps in a window
// showing the picture at 1x, 2x and 1.8x (fullscreen 1920x1080): every slot of that hole
// closes, no other, the picture is cleared and the patch goes on that cell.
TEST(Game, AClickOnEachOfThe108CellsPatchesTheHoleThere) {
  const float faceAngle[] = {90, 0, -90, 180};  // -X, +Z, +X, -Z towards the camera
  Game S;
  MouseButtonCallback(0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  for (auto frame : {std::pair{800, 600}, {1600, 1200}, {1920, 1080}})
    for (int face = 0; face < 4; ++face)
      for (int column = 0; column < (face % 2 ? 6 : 3); ++column)
        for (int row = 0; row < 6; ++row) {
          S.Angle = faceAngle[face];
          const int id = PlaceLeak(&S.Holes[3], face, row, column);
          S.Holes[9] = S.Holes[3];
          PlaceLeak(&S.Holes[0], (face + 2) % 4, row, 0);  // on the far face
          PointAt(S.Holes[3], S.Angle, frame);
          S.SetCamera();
          S.LookAtCase();
          S.Pick();
          Painted.clear();
          S.PaintPatch();
          const unsigned w = WorkingTexture(S.Tex, id);
          EXPECT_EQ(Painted,
                    std::vector<PaintCall>(1, {w, w, S.Tex.PatchTex, CellIndex(id), true}));
          EXPECT_TRUE(!S.Holes[3].Active && !S.Holes[9].Active && S.Holes[0].Active) << id;
        }
  unsigned char red = 1;
  glReadPixels(400, 300, 1, 1, GL_RED, GL_UNSIGNED_BYTE, &red);
  EXPECT_EQ(red, 0);
}

// Three pixels marked (GL rows from the bottom): each is read under the pointer at its row
// counted from the top, its neighbours are not, and a pointer outside the picture (over the bars
// of a 1920x1080 window, or beyond the window) reads nothing.
TEST(Game, APickReadsThePixelUnderThePointerAndNothingOutsideThePicture) {
  Game S;
  glEnable(GL_SCISSOR_TEST);
  glClearColor(154 / 255.0f, 0, 0, 0);  // red byte 154 reads back as the signed byte 77
  for (auto [x, y] : {std::pair{0, 0}, {10, 100}, {799, 599}}) {
    glScissor(x, y, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glDisable(GL_SCISSOR_TEST);
  const std::pair<std::pair<int, int>, int> cases[] = {
      {{0, 599}, 77}, {{10, 499}, 77}, {{799, 0}, 77}, {{10, 498}, 0}, {{10, 500}, 0},
      {{-1, 599}, 0}, {{0, 600}, 0},   {{800, 0}, 0},  {{799, -1}, 0}};
  for (auto [at, pick] : cases)
    EXPECT_EQ(ReadPick(at.first, at.second), pick) << at.first << "," << at.second;
  // Window pixels (x, y) of a window w x h and the picture pixels they show: at 1.8x the picture
  // fills 240..1679 of 1920x1080, its edge pixels map in, the bars out; at 2x two window pixels
  // a picture pixel.
  for (auto [w, h, x, y, pictureX, pictureY] : {std::array{1920, 1080, 239, 540, -1, 300},
                                                {1920, 1080, 240, 540, 0, 300},
                                                {1920, 1080, 1679, 0, 799, 0},
                                                {1920, 1080, 1680, 0, 800, 0},
                                                {1920, 1080, 960, -1, 400, -1},
                                                {1600, 1200, 1, 1, 0, 0},
                                                {1600, 1200, 2, 3, 1, 1},
                                                {1600, 1200, 1599, 1199, 799, 599},
                                                {800, 600, 799, 0, 799, 0}}) {
    int px = 0, py = 0;
    FrameToPicture(FitPicture(w, h, 800, 600), h, 800, 600, x, y, px, py);
    EXPECT_EQ(std::pair(px, py), std::pair(pictureX, pictureY)) << x << "," << y;
    const bool inside = px >= 0 && px < 800 && py >= 0 && py < 600;
    EXPECT_TRUE(inside || PickUnderPointer(px, py) == NoHole) << x << "," << y;
  }
}
