// The game's rules without a window: hole ids, leak placement and spray, the leak tick's
// random draws and drain, patching, status text and running out.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "game/Leak.h"
#include "game/Picking.h"
#include "game/Session.h"

namespace {

constexpr double Identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

struct PaintCall {
  unsigned Base, Target, Overlay;
  int Cell;
  bool Scatter;
  bool operator==(const PaintCall&) const = default;
};
std::vector<PaintCall> Painted;
void RecordPaint(unsigned base, unsigned target, unsigned overlay, int cell, bool scatter) {
  Painted.push_back({base, target, overlay, cell, scatter});
}

// A session whose textures are named 1..7 in FaceTextures order and whose painting is recorded.
struct SessionTest : ::testing::Test {
  GameSession S;
  void SetUp() override {
    Painted.clear();
    S.Tex = {1, 2, 3, 4, 5, 6, 7};
    S.Paint = RecordPaint;
    std::copy(Identity, Identity + 16, S.ViewRotation);
  }
};

// The first `n` values of the rand() sequence of the first seed whose first value passes.
template <class Pred>
std::vector<int> SeedWhere(Pred want, int n, unsigned& seed) {
  for (seed = 1;; ++seed) {
    std::srand(seed);
    std::vector<int> d(n);
    for (int& v : d)
      v = std::rand();
    if (want(d)) {
      std::srand(seed);
      return d;
    }
  }
}

}  // namespace

TEST(HoleIds, EveryCellHasItsOwnIdThatMapsBackToItsFaceAndTextureCell) {
  const FaceTextures tex = {1, 2, 3, 4, 5, 6, 7};
  bool seen[109] = {};
  for (Face face : {Face::NegX, Face::PosZ, Face::PosX, Face::NegZ}) {
    const bool side = face == Face::PosZ || face == Face::NegZ;
    for (int c = 0; c < (side ? 6 : 3); ++c)
      for (int r = 0; r < 6; ++r) {
        const int id = HoleId(face, c, r);
        EXPECT_FALSE(seen[id]) << id;
        seen[id] = true;
        EXPECT_EQ(FaceOfHole(id), face) << id;
        // The mark lands on the hole's own cell; +X shares the end texture's columns 3..5.
        EXPECT_EQ(CellIndex(id), 6 * (c + (face == Face::PosX ? 3 : 0)) + r) << id;
        EXPECT_EQ(WorkingTexture(tex, id), face == Face::NegZ ? 7u : face == Face::PosZ ? 6u : 1u);
      }
  }
  EXPECT_EQ(std::count(seen + 1, seen + 109, true), 108);
}

TEST(CreateLeak, PlacesHolesAtCellCentresFromFaceRowColumnDraws) {
  const struct {
    int Face, Row, Column;
    float X, Y, Z, VelX, VelZ;
    int Id;
  } cases[] = {{3, 0, 0, 0.8333f, -0.8333f, -0.5f, 0, -0.0025f, 1},
               {1, 5, 5, -0.8337f, 0.8337f, 0.5f, 0, 0.0025f, 72},
               {0, 5, 2, -1, 0.8337f, 0.3335f, -0.0025f, 0, 90},
               {2, 0, 0, 1, -0.8333f, -0.3333f, 0.0025f, 0, 91}};
  for (const auto& c : cases) {
    ParticleStruct slot = {};
    EXPECT_EQ(PlaceLeak(&slot, c.Face, c.Row, c.Column), c.Id);
    // 0.3334 per cell, not a third: the centres drift to 0.8337 at the far edge.
    EXPECT_NEAR(slot.X, c.X, 2e-6);
    EXPECT_NEAR(slot.Y, c.Y, 2e-6);
    EXPECT_NEAR(slot.Z, c.Z, 2e-6);
    EXPECT_TRUE(slot.VelX == c.VelX && slot.VelY == 0.0001f && slot.VelZ == c.VelZ);
    EXPECT_TRUE(slot.Active && slot.Id == c.Id);
  }
  // End faces take the column modulo 3: a seed whose third draw is 3..5 modulo 6 shows it.
  unsigned seed;
  const auto d = SeedWhere([](auto& d) { return d[0] % 2 == 0 && d[2] % 6 >= 3; }, 4, seed);
  ParticleStruct slot = {}, want = {};
  EXPECT_EQ(CreateLeak(&slot), PlaceLeak(&want, d[0] % 4, d[1] % 6, d[2] % 3));
  EXPECT_EQ(std::rand(), d[3]);  // exactly three draws
}

TEST(RotateVector, TransformsThePointByTheColumnMajorMatrixAndJittersInTheWorld) {
  double m[16];
  std::copy(Identity, Identity + 16, m);
  auto turned = [&] {
    const VectorStruct v = RotateVector(0.25f, -0.5f, 0.75f, m);
    return std::vector<float>{v.X, v.Y, v.Z};
  };
  EXPECT_EQ(turned(), (std::vector<float>{0.25f, -0.5f, 0.75f}));
  m[12] = 1, m[13] = 2, m[14] = 3;
  EXPECT_EQ(turned(), (std::vector<float>{1.25f, 1.5f, 3.75f}));
  // The jitter: vx takes j3, vy j2, vz j1.
  ParticleStruct hole = {};
  PlaceLeak(&hole, 1, 2, 1);
  const ParticleStruct p = LeakParticle(hole, Identity, 10, 199, 57);
  EXPECT_EQ(p.VelX, 7.0f / 100000.0f);
  EXPECT_EQ(p.VelY, 0.0001f + 99.0f / 400000.0f);
  EXPECT_EQ(p.VelZ, 0.0025f + -40.0f / 100000.0f);
}

TEST_F(SessionTest, LeakTickOpensAHoleInTheLowestFreeSlotThenEveryHoleSpraysAndDrains) {
  PlaceLeak(&S.Holes[0], 3, 0, 0);
  // chance, face, row, column; then per open slot j1, j2, j3 and the particle's sprite.
  unsigned seed;
  const auto d = SeedWhere([](auto& d) { return d[0] % 50 == 1; }, 13, seed);
  S.FrameMs = 20;
  S.Now = 3;
  S.LeakTick();
  EXPECT_EQ(std::rand(), d[12]);
  ParticleStruct want = {};
  const int id = PlaceLeak(&want, d[1] % 4, d[2] % 6, d[3] % (d[1] % 2 ? 6 : 3));
  EXPECT_EQ(S.Holes[1].Id, id);
  EXPECT_TRUE(S.Holes[1].Active);
  const unsigned face = WorkingTexture(S.Tex, id);
  EXPECT_EQ(Painted, (std::vector<PaintCall>{{face, face, 4, CellIndex(id), false}}));
  // Slot 0 sprays first, then the new hole.
  const auto& sprayed = S.LeakParticles.GetParticles();
  EXPECT_EQ(sprayed[0].VelZ, LeakParticle(S.Holes[0], Identity, d[4], d[5], d[6]).VelZ);
  EXPECT_EQ(sprayed[1].VelX, LeakParticle(S.Holes[1], Identity, d[8], d[9], d[10]).VelX);
  EXPECT_EQ(S.Ram, StartRam - 2 * 2560);
  EXPECT_EQ(S.NextTick, 3.0 + 0.014999999664723873);

  // All twelve open: no draw for the chance, four per hole.
  for (ParticleStruct& slot : S.Holes)
    PlaceLeak(&slot, 2, 1, 1);
  const auto e = SeedWhere([](auto&) { return true; }, 49, seed);
  S.LeakTick();
  EXPECT_EQ(std::rand(), e[48]);
}

TEST_F(SessionTest, DrainIsThisFramesTimeCutAfterEachHoleAndRunningOutStopsTheClock) {
  unsigned seed;
  auto noHole = [&] { SeedWhere([](auto& d) { return d[0] % 50 != 1; }, 1, seed); };
  PlaceLeak(&S.Holes[0], 0, 0, 0);
  PlaceLeak(&S.Holes[1], 0, 0, 0);
  S.Ram = 1000;
  S.FrameMs = 0.0109;  // 1.3952 a hole: cut twice gives 996, once 997
  noHole();
  S.LeakTick();
  EXPECT_EQ(S.Ram, 996);

  S.Holes[1].Active = false;
  S.Ram = 100;
  S.FrameMs = 1;
  S.StartTime = 10;
  S.Now = 50.25;
  noHole();
  S.LeakTick();
  EXPECT_EQ(S.Ram, -28);
  S.RunOut();
  EXPECT_EQ(S.Ram, 0);
  EXPECT_EQ(S.GameOverTime, 52.25);
  EXPECT_EQ(S.FinalUptime, 40.25);
  EXPECT_FALSE(S.TickDue());
  S.ReadClock(52.25);  // not yet more than two seconds: no game-over screen
  S.RunOut();
  S.ComposeStatus();
  EXPECT_EQ(S.UptimeLine.View(), "Uptime: 40 Seconds");

  // A game that starts 30 s after the program did measures its first frame from its start.
  S.Begin(30.0);
  S.ReadClock(30.02);
  EXPECT_NEAR(S.FrameMs, 20.0, 1e-9);
}

TEST_F(SessionTest, APickClosesEveryOpenSlotOfThatHoleAndPaintsOnePatch) {
  PlaceLeak(&S.Holes[2], 1, 3, 4);
  PlaceLeak(&S.Holes[5], 1, 3, 4);
  PlaceLeak(&S.Holes[7], 0, 1, 1);
  const int id = S.Holes[2].Id;
  EXPECT_FALSE(CloseHoles(S.Holes, HoleSlots, id + 1));
  EXPECT_TRUE(CloseHoles(S.Holes, HoleSlots, id));
  EXPECT_FALSE(S.Holes[2].Active || S.Holes[5].Active);
  EXPECT_TRUE(S.Holes[7].Active);
  EXPECT_FALSE(CloseHoles(S.Holes, HoleSlots, id));  // already patched
  S.PatchedId = id;
  S.PaintPatch();
  S.PaintPatch();
  S.PatchedId = HoleId(Face::PosX, 2, 5);
  S.PaintPatch();
  EXPECT_EQ(Painted, (std::vector<PaintCall>{{6, 6, 3, id - 37, true}, {1, 1, 3, 35, true}}));
  // A new game restores end faces, then +Z, then -Z from their clean pictures.
  Painted.clear();
  RestoreFaces(S.Paint, S.Tex);
  EXPECT_EQ(Painted, (std::vector<PaintCall>{
                         {5, 1, 3, -73, true}, {2, 6, 3, -73, true}, {2, 7, 3, -73, true}}));
}

TEST_F(SessionTest, StatusLinesShowRamInKAndWholeSecondsOfUptime) {
  for (auto [ram, line] : {std::pair{1, "Remaining RAM: 1k"},
                           {0, "Remaining RAM: 0"},
                           {-28, "Remaining RAM: 0"},
                           {4000000, "Remaining RAM: 4000000k"}}) {
    S.Ram = ram;
    S.ComposeStatus();
    EXPECT_EQ(S.RamLine.View(), line);
  }
  S.StartTime = 100;
  S.ReadClock(159.99);
  S.ComposeStatus();
  EXPECT_EQ(S.UptimeLine.View(), "Uptime: 59 Seconds");
}
