// The game in the shell's real window: picking by colour, the turned spray, painting's random
// draws, status text, the title and game-over screens, running out and restarting, loading.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <vector>

#include "app/Callbacks.h"
#include "app/Shell.h"
#include "game/GL.h"
#include "game/Leak.h"
#include "game/Picking.h"
#include "game/Render.h"
#include "game/Screens.h"
#include "game/Session.h"

namespace {

const std::filesystem::path PlayDir = SIEVERUSH_PLAY_DIR;
const std::vector<double> Identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// glOrtho(0, 800, 0, 600, -1, 100), the screens' projection.
const std::vector<double> ScreenOrtho = {2.0 / 800, 0,          0, 0,  0,  2.0 / 600,   0, 0, 0,
                                         0,         -2.0 / 101, 0, -1, -1, -99.0 / 101, 1};

void ExpectMatrix(GLenum which, const std::vector<double>& want) {
  std::vector<double> m(16);
  glGetDoublev(which, m.data());
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(m[i], want[i], 1e-6) << i;
}

struct Pointer {
  int X, Y;
};

// Where a point of the case turned by `angle` degrees shows under the game's camera, as the
// pointer (rows from the top) reports it.
Pointer OnScreen(const ParticleStruct& p, double angle) {
  const double a = angle * M_PI / 180, depth = 2.75 + p.X * std::sin(a) - p.Z * std::cos(a);
  const double x = 400 + 400 * (p.X * std::cos(a) + p.Z * std::sin(a)) / depth;
  return {static_cast<int>(x), 599 - static_cast<int>(300 + 400 * p.Y / depth)};
}

class GameGL : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static bool open = false;
    if (!open) {
      InitWindow(800, 600, 32);
      open = true;
      std::filesystem::current_path(PlayDir);  // the art, as a player starts the game
      Art = GameSession().LoadArt();
    }
  }
  void SetUp() override {
    if (!Art)
      GTEST_SKIP() << "no art in " << PlayDir;
    ASSERT_TRUE(S.LoadArt());
    S.ClearSlots();
    S.SetFixedState();
  }
  void TearDown() override {
    MouseButtonCallback(0, 0);
    for (int key : {KeySpace, KeyEscape})
      KeyCallback(key, 0);
    RunLevel = 1;
  }
  // The picking pass of a frame at `angle`, then the id under the pointer.
  int PickAt(Pointer p, float angle) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    S.SetCamera();
    glRotatef(angle, 0, 1, 0);
    DrawSelect();
    glPopMatrix();
    return ReadPick(p.X, p.Y);
  }

  GameSession S;
  static inline bool Art = false;
};

}  // namespace

TEST_F(GameGL, EveryCellPicksItsOwnIdButNeverThroughTheNearFace) {
  // Each face turned to the camera in turn: a hole's centre picks its id.
  for (auto [face, angle] : {std::pair{1, 0.0f}, {3, 180.0f}, {0, 90.0f}, {2, -90.0f}})
    for (int c = 0; c < (face % 2 ? 6 : 3); ++c)
      for (int r = 0; r < 6; ++r) {
        ParticleStruct hole = {};
        const int id = PlaceLeak(&hole, face, r, c);
        EXPECT_EQ(PickAt(OnScreen(hole, angle), angle), id);
      }
  EXPECT_EQ(PickAt({5, 5}, 0), NoHole);

  // Hole 1 on the -Z face lies behind +Z cell 44 at angle 0: a click there closes 44 only.
  PlaceLeak(&S.Holes[0], 3, 0, 0);
  PlaceLeak(&S.Holes[3], 1, 1, 1);
  const Pointer p = OnScreen(S.Holes[0], 0);
  MousePosCallback(p.X, p.Y);
  MouseButtonCallback(0, 1);
  S.Angle = 0;
  S.SetCamera();
  S.Pick();
  glPopMatrix();
  EXPECT_TRUE(S.Holes[0].Active);
  EXPECT_FALSE(S.Holes[3].Active);
  EXPECT_EQ(S.PatchedId, 44);
  unsigned char red = 1;  // and the picking picture is cleared away
  glReadPixels(p.X, 599 - p.Y, 1, 1, GL_RED, GL_UNSIGNED_BYTE, &red);
  EXPECT_EQ(red, 0);
}

TEST_F(GameGL, OnlyThePixelUnderAPointerInsideTheWindowIsRead) {
  glEnable(GL_SCISSOR_TEST);
  glScissor(10, 100, 1, 1);
  glClearColor(154 / 255.0f, 0, 0, 0);  // red byte 154 reads back as the signed byte 77
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  EXPECT_EQ(ReadPick(10, 499), 77);
  // Its neighbours read nothing, nor does any pointer outside the window.
  const Pointer others[] = {{10, 500},  {10, 498}, {11, 499}, {-1, 300},
                            {800, 300}, {400, -1}, {400, 600}};
  for (Pointer p : others)
    EXPECT_EQ(ReadPick(p.X, p.Y), NoHole) << p.X << "," << p.Y;
}

TEST_F(GameGL, AtNinetyDegreesAPlusZHoleSpraysFromItsTurnedPositionAlongPlusX) {
  S.Angle = 90;
  S.TakeViewRotation();
  ParticleStruct hole = {};
  PlaceLeak(&hole, 1, 4, 2);
  const ParticleStruct p = LeakParticle(hole, S.ViewRotation, 50, 0, 50);  // no jitter
  const float got[] = {p.X, p.Y, p.Z, p.VelX, p.VelY, p.VelZ};
  const float want[] = {hole.Z, hole.Y, -hole.X, 0.0025f, 0.0001f, 0};
  for (int i = 0; i < 6; ++i)
    EXPECT_NEAR(got[i], want[i], 1e-6) << i;
}

TEST_F(GameGL, APatchDrawsThreeRandomNumbersARestoreNineAHoleNone) {
  std::srand(99);
  std::vector<int> d(10);
  for (int& v : d)
    v = std::rand();
  for (auto [paint, next] : std::vector<std::pair<std::function<void()>, int>>{
           {[&] { S.PatchedId = 40, S.PaintPatch(); }, 3},
           {[&] { RestoreFaces(S.Paint, S.Tex); }, 9},
           {[&] { PaintHole(S.Paint, S.Tex, S.Tex.HoleTex, 40, false); }, 0}}) {
    std::srand(99);
    paint();
    EXPECT_EQ(std::rand(), d[next]);
  }
}

TEST_F(GameGL, StatusLinesLeaveTheStatePaintingAfterTheFrameReliesOn) {
  glClear(GL_COLOR_BUFFER_BIT);
  S.LeakParticles.Render(0);  // as in a frame: the particles leave lighting off
  glDisable(GL_DEPTH_TEST);
  Fnt.SetScreen(800, 600);
  S.DrawStatus();
  // What painting after the frame relies on: white, the pixel projection, no depth test.
  float colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(colour[0] + colour[1] + colour[2] + colour[3], 4.0f);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  ExpectMatrix(GL_MODELVIEW_MATRIX, Identity);
  ExpectMatrix(GL_PROJECTION_MATRIX,
               {2.0 / 800, 0, 0, 0, 0, 2.0 / 600, 0, 0, 0, 0, -1, 0, -1, -1, 0, 1});
}

TEST_F(GameGL, ScreensWaitForTheSpacebarKeepTheBestUptimeAndLeaveTheirState) {
  KeyCallback(KeySpace, 1);  // already held: both screens return at once
  StartInfo();
  EXPECT_EQ(RunLevel, 1);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  ExpectMatrix(GL_PROJECTION_MATRIX, ScreenOrtho);
  ExpectMatrix(GL_MODELVIEW_MATRIX, Identity);
  Best = 45;
  EXPECT_TRUE(GameOver(30));
  EXPECT_EQ(Best, 45);
  EXPECT_TRUE(GameOver(50));
  EXPECT_EQ(Best, 50);
  float clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(std::vector<float>(clear, clear + 4), (std::vector<float>{0, 0, 0.75f, 0}));
  ExpectMatrix(GL_PROJECTION_MATRIX, ScreenOrtho);

  KeyCallback(KeySpace, 0);
  KeyCallback(KeyEscape, 1);
  EXPECT_FALSE(GameOver(10));
  EXPECT_EQ(Best, 50);
  StartInfo();
  EXPECT_EQ(RunLevel, 0);
}

TEST_F(GameGL, TwoSecondsAfterRunningOutANewGameStartsKeepingAngleBestAndParticles) {
  PlaceLeak(&S.Holes[4], 2, 2, 2);
  S.LeakParticles.Add(0, 0, 0, 0, 0, 0);
  S.Angle = 123;
  S.NextTick = 7;
  S.StartTime = -3;
  S.Ram = -28;
  Best = 12;
  S.ReadClock(10.5);
  S.RunOut();
  S.ReadClock(12.5);
  S.RunOut();  // exactly two seconds: not yet
  EXPECT_EQ(S.GameOverTime, 12.5);
  KeyCallback(KeySpace, 1);
  S.ReadClock(12.51);
  const double before = GetTime();
  S.RunOut();
  EXPECT_EQ(Best, 13);  // 13.5 seconds, cut toward zero
  EXPECT_EQ(S.Ram, StartRam);
  EXPECT_TRUE(S.GameOverTime == NotYet && S.FinalUptime == NotYet && S.StartTime >= before);
  EXPECT_FALSE(S.Holes[4].Active);
  EXPECT_TRUE(S.Angle == 123.0f && S.NextTick == 7.0);
  EXPECT_TRUE(S.LeakParticles.GetParticles()[0].Active);
  // The wait on the game-over screen is not frame time of the new game.
  EXPECT_EQ(S.Now, S.StartTime);
  float clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_EQ(clear[2], 0.0f);

  KeyCallback(KeySpace, 0);
  KeyCallback(KeyEscape, 1);  // quitting from the game-over screen ends the loop
  S.Ram = 0;
  S.GameOverTime = 20;
  S.ReadClock(21);
  S.RunOut();
  EXPECT_EQ(RunLevel, 0);
  EXPECT_EQ(S.Ram, 0);
}
