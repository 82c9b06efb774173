// The game's sessions and its picking, driven frame by frame in the shell's real window, mostly
// without pictures. The rules of play in game time are the golden recordings' (tests/replays),
// whose check draws only the frames it pictures: a step that moved the game only when drawn
// would leave their pinned traces there.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <tuple>
#include <vector>

#include "game/Leak.h"
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
const FrameInput Space{.Space = true};

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
  ~Game() { Release(); }
  // One frame at `seconds`, with `in`'s keys and pointer, not drawn.
  NextFrame At(double seconds, FrameInput in = {}, bool drawn = false) {
    in.Micros = static_cast<std::int64_t>(seconds * 1e6);
    return Step(in, drawn);
  }
};

// The textures that exist, by name.
int LiveTextures() {
  int live = 0;
  for (unsigned name = 1; name < 4000; ++name)
    live += glIsTexture(name);
  return live;
}

// The game-over screen raises the run's best and the best ever, and Space there starts a fresh game
// on clean faces, each working texture painted again from its clean picture. No picture drawn.
TEST(Game, GameOverRaisesTheBestsAndPlayingAgainRestoresTheFaces) {
  Game S;
  S.At(10, Space);
  S.Best = 30, S.BestEver = 35, S.Ram = -28;
  S.At(50.25);  // runs out after 40 s; the game-over screen comes after two more seconds
  EXPECT_TRUE(S.At(52.25) == NextFrame::Now && S.Shown == Screen::RunningOut);
  S.At(52.26);
  S.At(53);
  EXPECT_TRUE(S.Shown == Screen::GameOver && S.Best == 40 && S.BestEver == 40);
  Painted.clear();
  EXPECT_EQ(S.At(54, Space), NextFrame::Now);
  const FaceTextures& t = S.Tex;
  EXPECT_EQ(Painted,
            (std::vector<PaintCall>{{t.CaseCleanTex, t.CaseTex, t.PatchTex, -73, true},
                                    {t.SideCleanTex, t.SidePosZTex, t.PatchTex, -73, true},
                                    {t.SideCleanTex, t.SideNegZTex, t.PatchTex, -73, true}}));
}

// A watched game's session starts beside the player's with textures of its own and the font they
// share, and, released, gives every texture back, a hundred times over. Drawing, again and again,
// changes nothing of the player's game; the hook draws over each picture drawn, once.
TEST(Game, ASessionStartedBesideThePlayersLeavesNothingBehind) {
  Game player;
  player.At(1, Space);
  player.At(1.5, {.Left = true, .Button = true, .X = 400, .Y = 300}, true);
  const std::uint32_t was = player.Fingerprint();
  const int live = LiveTextures();
  int overs = 0;
  for (int i = 0; i < 100; ++i) {
    GameSession watch;
    ASSERT_TRUE(watch.Start());
    watch.Over = [](void* count) { ++*static_cast<int*>(count); };
    watch.OverContext = &overs;
    watch.Step({.Micros = 1000000, .Space = true});
    watch.Step({.Micros = 1500000}, false);
    watch.Redraw();
    EXPECT_NE(watch.Tex.CaseTex, player.Tex.CaseTex);
    watch.Release();
  }
  EXPECT_EQ(LiveTextures(), live);
  EXPECT_EQ(overs, 200);
  player.Redraw();
  player.Redraw();
  EXPECT_EQ(player.Fingerprint(), was);
}

// A click on every cell, its face turned to the camera, through the frame's own steps: every slot
// of that hole closes, no other, and the patch goes on that cell of its face's texture (the end
// faces share one: -X in cells 0..17, +X in 18..35).
TEST(Game, AClickOnEachOfThe108CellsPatchesTheHoleThere) {
  const float faceAngle[] = {90, 0, -90, 180};  // -X, +Z, +X, -Z towards the camera
  Game S;
  const unsigned faceTex[] = {S.Tex.CaseTex, S.Tex.SidePosZTex, S.Tex.CaseTex, S.Tex.SideNegZTex};
  S.Input.Button = true;
  for (int face = 0; face < 4; ++face)
    for (int column = 0; column < (face % 2 ? 6 : 3); ++column)
      for (int row = 0; row < 6; ++row) {
        S.Angle = faceAngle[face];
        const int id = PlaceLeak(&S.Holes[3], face, row, column);
        S.Holes[9] = S.Holes[3];
        PlaceLeak(&S.Holes[0], (face + 2) % 4, row, 0);  // on the far face
        PointAt(S.Input, S.Holes[3], S.Angle);
        S.Pick();
        Painted.clear();
        S.PaintPatch();
        const unsigned w = faceTex[face];
        const int cell = 6 * (column + (face == 2 ? 3 : 0)) + row;
        EXPECT_EQ(Painted, std::vector<PaintCall>(1, {w, w, S.Tex.PatchTex, cell, true})) << id;
        EXPECT_TRUE(!S.Holes[3].Active && !S.Holes[9].Active && S.Holes[0].Active) << id;
      }
}
