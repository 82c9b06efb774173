// Graphics support on a real context: TGA pictures into textures, face compositing through the
// back buffer, and the particle ring. Everything is checked by reading GL back.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "GLWindow.h"
#include "gfx/ParticleManager.h"
#include "gfx/TexRender.h"
#include "gfx/Texture.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

void WriteFile(const fs::path& path, const Bytes& f) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), f.size());
}

// An uncompressed true-colour TGA (type 2) from RGBA pixels given top row first.
void WriteTga(const fs::path& path, int w, int h, int bpp, bool topDown, const Bytes& rgba) {
  Bytes f = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int v : {w & 255, w >> 8, h & 255, h >> 8, bpp, topDown ? 32 : bpp == 32 ? 8 : 0})
    f.push_back(static_cast<unsigned char>(v));
  for (int row = 0; row < h; ++row) {
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = &rgba[((topDown ? row : h - 1 - row) * w + x) * 4];
      f.insert(f.end(), {p[2], p[1], p[0]});
      if (bpp == 32)
        f.push_back(p[3]);
    }
  }
  WriteFile(path, f);
}

// A 2x2 colour-mapped TGA (type 1, 256 palette entries of 24 bits).
void WriteMappedTga(const fs::path& path) {
  Bytes f = {0, 1, 1, 0, 0, 0, 1, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0};
  f.resize(f.size() + 256 * 3 + 4, 1);
  WriteFile(path, f);
}

GLint TexInt(GLenum pname) {
  GLint v = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, pname, &v);
  return v;
}

GLint LevelInt(GLenum pname) {
  GLint v = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, pname, &v);
  return v;
}

GLint Bound() {
  GLint v = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &v);
  return v;
}

// Binds `name` and reads its level 0 as RGB, texel row 0 first.
Bytes ReadTexture(unsigned name) {
  glBindTexture(GL_TEXTURE_2D, name);
  Bytes out(LevelInt(GL_TEXTURE_WIDTH) * LevelInt(GL_TEXTURE_HEIGHT) * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, out.data());
  return out;
}

// The rand() value that follows `draws` draws after srand(seed).
int RandAfter(unsigned seed, int draws) {
  std::srand(seed);
  for (int i = 0; i < draws; ++i)
    std::rand();
  return std::rand();
}

class Gfx : public GLTest {
protected:
  static void SetUpTestSuite() {
    GLTest::SetUpTestSuite();
    Dir = fs::temp_directory_path() / ("gfx_test_" + std::to_string(getpid()));
    fs::create_directories(Dir);
  }
  static void TearDownTestSuite() { fs::remove_all(Dir); }
  void SetUp() override {
    GLTest::SetUp();
    glColor4f(1, 1, 1, 1);
    glClearColor(0, 0, 0, 0);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
  }
  static std::string File(const char* name) { return (Dir / name).string(); }
  static inline fs::path Dir;
};

// ---- Texture loading -------------------------------------------------------------------------

using TextureLoading = Gfx;

TEST_F(TextureLoading, DepthChoosesFormatAndEveryLoadIsItsOwnTexture) {
  for (int bpp : {24, 32}) {
    SCOPED_TRACE(bpp);
    WriteTga(File("pic.tga"), 2, 2, bpp, false, Bytes(16, 40));
    const unsigned a = LoadTexture(File("pic.tga").c_str());
    const unsigned b = LoadTexture(File("pic.tga").c_str());
    ASSERT_NE(a, NoTexture);
    ASSERT_NE(b, NoTexture);
    EXPECT_NE(a, b);
    EXPECT_EQ(Bound(), static_cast<GLint>(b));
    // Mesa reports the legacy component counts 3 and 4 back as they were given.
    EXPECT_EQ(LevelInt(GL_TEXTURE_INTERNAL_FORMAT), bpp / 8);
    EXPECT_EQ(LevelInt(GL_TEXTURE_ALPHA_SIZE), bpp == 24 ? 0 : 8);
    EXPECT_EQ(TexInt(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    EXPECT_EQ(TexInt(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
    EXPECT_EQ(TexInt(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(TexInt(GL_TEXTURE_WRAP_T), GL_CLAMP);
    const Bytes other(12, 9);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 2, 2, GL_RGB, GL_UNSIGNED_BYTE, other.data());
    EXPECT_EQ(ReadTexture(a), Bytes(12, 40));
  }
}

TEST_F(TextureLoading, OddWidthRowsLoadExactlyWithTopRowAtTZero) {
  Bytes rgba, rgb;
  for (int i = 0; i < 15; ++i) {
    const Bytes p = {static_cast<unsigned char>(i * 16), static_cast<unsigned char>(200 - i),
                     static_cast<unsigned char>(i * 5 + 1)};
    rgb.insert(rgb.end(), p.begin(), p.end());
    rgba.insert(rgba.end(), {p[0], p[1], p[2], 255});
  }
  for (bool topDown : {false, true}) {
    WriteTga(File("odd.tga"), 5, 3, 24, topDown, rgba);
    EXPECT_EQ(ReadTexture(LoadTexture(File("odd.tga").c_str())), rgb) << topDown;
  }
}

TEST_F(TextureLoading, FailuresMakeNoTextureAndKeepTheParticleTexture) {
  GLuint mine;
  glGenTextures(1, &mine);
  glBindTexture(GL_TEXTURE_2D, mine);
  EXPECT_EQ(LoadTexture(File("missing.tga").c_str()), NoTexture);
  EXPECT_EQ(Bound(), static_cast<GLint>(mine));
  // A colour-mapped picture reads fine but cannot be uploaded; its name is given back.
  WriteMappedTga(File("mapped.tga"));
  EXPECT_EQ(LoadTexture(File("mapped.tga").c_str()), NoTexture);
  EXPECT_EQ(Bound(), 0);

  ParticleManager pm;
  EXPECT_FALSE(pm.LoadTexture(File("missing.tga").c_str()));
  EXPECT_EQ(pm.GetTexture(), NoTexture);
  WriteTga(File("bits.tga"), 1, 2, 32, false, {1, 2, 3, 4, 5, 6, 7, 8});
  ASSERT_TRUE(pm.LoadTexture(File("bits.tga").c_str()));
  const unsigned good = pm.GetTexture();
  EXPECT_EQ(LevelInt(GL_TEXTURE_INTERNAL_FORMAT), 4);
  EXPECT_FALSE(pm.LoadTexture(File("mapped.tga").c_str()));
  EXPECT_EQ(pm.GetTexture(), good);
  EXPECT_EQ(ReadTexture(good), (Bytes{1, 2, 3, 5, 6, 7}));
}

// ---- Face compositing ------------------------------------------------------------------------

class Compositing : public Gfx {
protected:
  // A new RGBA texture of w x h texels from `texel(x, y)`, row 0 first.
  template <class F>
  static unsigned Make(int w, int h, F texel) {
    Bytes px;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 4; ++c)
          px.push_back(static_cast<unsigned char>(texel(x, y, c)));
    GLuint name;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    return name;
  }
  // Every texel different, alpha included: a face's own alpha must not show once composed.
  static int Pattern(int x, int y, int c) { return c == 0 ? x : c == 1 ? y : x * 7 + y * 13 + c; }
  // An 8x8 overlay of one colour and alpha.
  static unsigned Solid(int r, int g, int b, int a) {
    return Make(8, 8, [=](int, int, int c) { return c == 0 ? r : c == 1 ? g : c == 2 ? b : a; });
  }
  static bool Red(const Bytes& t, int x, int y) {
    return t[(y * 256 + x) * 3] == 255 && t[(y * 256 + x) * 3 + 1] == 0;
  }
};

TEST_F(Compositing, StampsAccumulateOnTheirCellsAndKeepTheRest) {
  const unsigned face = Make(256, 256, Pattern);
  const unsigned red = Solid(255, 0, 0, 255);
  std::srand(11);
  TexRender(face, face, red, 0, false);
  TexRender(face, face, red, 35, false);
  TexRender(face, face, Solid(0, 255, 0, 0), 7, false);
  const int next = std::rand();
  EXPECT_EQ(next, RandAfter(11, 0)) << "no rand() without scatter";

  EXPECT_EQ(Bound(), static_cast<GLint>(face));
  EXPECT_EQ(TexInt(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(TexInt(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(LevelInt(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
  const Bytes t = ReadTexture(face);
  ASSERT_EQ(t.size(), 256u * 256u * 3u);
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 256; ++x) {
      // Cell 0 is centred on (234, 234), cell 35 on (22, 22); a clear overlay leaves no mark.
      if ((x >= 214 && x < 254 && y >= 214 && y < 254) || (x >= 2 && x < 42 && y >= 2 && y < 42))
        ASSERT_TRUE(Red(t, x, y)) << x << "," << y;
      else
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(t[(y * 256 + x) * 3 + c], Pattern(x, y, c) & 255) << x << "," << y;
    }
  }
}

TEST_F(Compositing, RestoreFromCleanGivesTheCleanPictureExactly) {
  const unsigned clean = Make(256, 256, Pattern);
  const Bytes want = ReadTexture(clean);
  const unsigned worn = Make(64, 32, [](int, int, int) { return 7; });
  std::srand(5);
  TexRender(clean, worn, Solid(255, 0, 0, 255), -73, true);
  const int next = std::rand();
  EXPECT_EQ(next, RandAfter(5, 3)) << "three rand() with scatter";
  EXPECT_EQ(ReadTexture(worn), want);
  EXPECT_EQ(ReadTexture(clean), want);
}

TEST_F(Compositing, ScatterJittersAndTurnsThePatchFromTheRandomSequence) {
  const unsigned black = Make(256, 256, [](int, int, int c) { return c == 3 ? 255 : 0; });
  const unsigned target = Make(1, 1, Pattern);
  const unsigned patch = Solid(255, 0, 0, 255);
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::srand(seed);
    const int dx = std::rand() % 8 - 4, dy = std::rand() % 8 - 4, angle = std::rand() % 90;
    ASSERT_TRUE(dx >= -4 && dx <= 3 && dy >= -4 && dy <= 3 && angle >= 0 && angle < 90);
    std::srand(seed);
    TexRender(black, target, patch, 14, true);
    const int next = std::rand();
    EXPECT_EQ(next, RandAfter(seed, 3));

    const Bytes t = ReadTexture(target);
    double sx = 0, sy = 0, n = 0;
    int minX = 256, maxX = -1;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x)
        if (Red(t, x, y)) {
          sx += x + 0.5, sy += y + 0.5, n += 1;
          minX = std::min(minX, x), maxX = std::max(maxX, x);
        }
    // Cell 14 is centred on (149, 149); a 40x40 square turned by a is 40 (cos a + sin a) wide.
    const double rad = angle * std::numbers::pi / 180;
    EXPECT_NEAR(sx / n, 149 + dx, 0.5) << seed;
    EXPECT_NEAR(sy / n, 149 + dy, 0.5) << seed;
    EXPECT_NEAR(n, 1600, 80) << seed;
    EXPECT_NEAR(maxX - minX + 1, 40 * (std::cos(rad) + std::sin(rad)), 2.0) << seed;
  }
}

// ---- Particles -------------------------------------------------------------------------------

class Particles : public Gfx {
protected:
  // Clears and looks at x -1..1, y (cy-1)..(cy+1): 400 pixels per unit across, 300 up.
  static void View(double cy) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, cy - 1, cy + 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT);
  }
  // Bands top to bottom: red, green (first sprite), blue, white (second sprite). Four texels
  // wide so that GL_CLAMP's black border stays out of the middle of a sprite.
  static void LoadBands(ParticleManager& pm) {
    Bytes px;
    for (Bytes band : {Bytes{255, 0, 0}, Bytes{0, 255, 0}, Bytes{0, 0, 255}, Bytes(3, 255)})
      for (int i = 0; i < 4; ++i)
        px.insert(px.end(), {band[0], band[1], band[2], 255});
    WriteTga(File("bands.tga"), 4, 4, 32, false, px);
    ASSERT_TRUE(pm.LoadTexture(File("bands.tga").c_str()));
  }
  static Bytes Pixel(int x, int y) {
    Bytes p(3);
    ReadPixel(x, y, p.data());
    return p;
  }
};

TEST_F(Particles, AddOverwritesTheRingInOrderWithOneRandEach) {
  ParticleManager pm;
  std::srand(9);
  pm.Add(0, 0, 0, 0, 0, 0);
  const int next = std::rand();
  EXPECT_EQ(next, RandAfter(9, 1));
  EXPECT_EQ(pm.GetParticles()[0].Sprite, (RandAfter(9, 0) & 1) != 0);

  for (int i = 1; i < 802; ++i)
    pm.Add(static_cast<float>(i), 0, 0, 0, 0, 0);
  const std::vector<ParticleStruct>& p = pm.GetParticles();
  EXPECT_EQ(p.size(), 800u);
  EXPECT_TRUE(p[0].X == 800 && p[1].X == 801 && p[2].X == 2 && p[799].X == 799);
  EXPECT_EQ(pm.GetNext(), 2);
}

TEST_F(Particles, StepMovesWithOldVelocityThenFallsAndRestoresState) {
  ParticleManager pm;
  pm.Add(1, 0, 2, 0.001f, 0, -0.002f);
  const ParticleStruct& p = pm.GetParticles()[0];
  View(0);
  glEnable(GL_BLEND);
  glEnable(GL_LIGHTING);
  glDepthMask(GL_FALSE);
  pm.Render(0);
  EXPECT_TRUE(p.X == 1 && p.Y == 0 && p.Z == 2 && p.VelY == 0) << "dt 0 moves nothing";
  GLboolean mask = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
  EXPECT_TRUE(mask && !glIsEnabled(GL_BLEND) && !glIsEnabled(GL_LIGHTING));

  pm.Render(100);
  EXPECT_FLOAT_EQ(p.X, 1.1f);
  EXPECT_EQ(p.Y, 0);
  EXPECT_FLOAT_EQ(p.Z, 1.8f);
  EXPECT_FLOAT_EQ(p.VelY, -0.0005f);
  pm.Render(100);
  EXPECT_FLOAT_EQ(p.Y, -0.05f);
}

TEST_F(Particles, FreshManagerDrawsNothingAndTheFallenAreDrawnOnceMore) {
  ParticleManager pm;
  LoadBands(pm);
  View(0);
  pm.Render(16);
  Bytes screen(800 * 600 * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, screen.data());
  EXPECT_EQ(screen, Bytes(screen.size(), 0));

  pm.Add(0, -10.0f, 0, 0, 0, 0);
  pm.Add(0.5f, -10.0001f, 0, 0, 0, 0);
  View(-10);
  pm.Render(0);
  EXPECT_TRUE(pm.GetParticles()[0].Active);
  EXPECT_FALSE(pm.GetParticles()[1].Active);
  EXPECT_NE(Pixel(600, 300), Bytes(3, 0));
  View(-10);
  pm.Render(0);
  EXPECT_NE(Pixel(400, 300), Bytes(3, 0));
  EXPECT_EQ(Pixel(600, 300), Bytes(3, 0));
}

TEST_F(Particles, EachSpriteShowsItsHalfUpright) {
  ParticleManager pm;
  LoadBands(pm);
  std::srand(2);
  for (int i = 0; i < 8; ++i)
    pm.Add(-0.7f + 0.2f * i, 0, 0, 0, 0, 0);
  View(0);
  pm.Render(0);
  bool seen[2] = {false, false};
  for (int i = 0; i < 8; ++i) {
    const bool first = pm.GetParticles()[i].Sprite;
    seen[first] = true;
    // Quarter heights of the 30-pixel square sample the middle of one band each.
    const int x = 120 + 80 * i;
    EXPECT_EQ(Pixel(x, 307), (first ? Bytes{255, 0, 0} : Bytes{0, 0, 255})) << i;
    EXPECT_EQ(Pixel(x, 292), (first ? Bytes{0, 255, 0} : Bytes(3, 255))) << i;
  }
  EXPECT_TRUE(seen[0] && seen[1]) << "the seed should give both sprites";
}

}  // namespace
