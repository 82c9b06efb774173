// Bitmap font: the ".bff" checks on bytes in memory, then loading, drawing and state keeping
// on a real (hidden) GL window, judged by texture state and pixels read back.
#include <GL/gl.h>

#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "font/BitmapFont.h"
#include "tests/GLWindow.h"

namespace {

using Ints = std::vector<int>;

// Sheet pixels: red is the cell number, green 200 in the top half of a cell and 40 below, blue
// 0x55, alpha 128; an 8-bit sheet is 100 on top and black below. A block size given (or a
// sheet without whole cells) gets zeros of that length instead.
std::vector<unsigned char> MakeBff(int w, int h, int cw, int ch, int bits, unsigned char base,
                                   long long block = -1) {
  std::vector<unsigned char> f(276, 16);
  f[0] = 0xBF, f[1] = 0xF2, f[18] = static_cast<unsigned char>(bits), f[19] = base;
  const int sizes[] = {w, h, cw, ch};
  for (int i = 0; i < 16; ++i)
    f[2 + i] = static_cast<unsigned char>(static_cast<unsigned>(sizes[i / 4]) >> (8 * (i % 4)));
  f[20 + 'A'] = 10, f[20 + 'B'] = 7, f[20 + '\n'] = 5, f[20 + 1] = 0xFD;
  const int bpp = bits / 8;
  const bool zeros = block >= 0 || w <= 0 || h <= 0 || cw <= 0 || ch <= 0 || w < cw;
  if (zeros)
    f.resize(276 + (block >= 0 ? block : 1LL * w * h * bpp), 0);
  for (int y = 0; !zeros && y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool top = y % ch < ch / 2;
      const unsigned char px[] = {static_cast<unsigned char>((y / ch) * (w / cw) + x / cw),
                                  static_cast<unsigned char>(top ? 200 : 40), 0x55, 128};
      f.insert(f.end(), px, px + bpp);
      if (bpp == 1)
        f.back() = top ? 100 : 0;
    }
  return f;
}

bool Parses(const std::vector<unsigned char>& f) {
  BffFile bff;
  return ParseBff(f.data(), f.size(), bff);
}

TEST(ParseBff, AcceptsEveryDepthAndBorrowsTheFile) {
  for (int bits : {8, 24, 32}) {
    const auto f = MakeBff(256, 128, 16, 8, bits, 32);
    BffFile b;
    ASSERT_TRUE(ParseBff(f.data(), f.size(), b)) << bits;
    EXPECT_EQ(
        Ints({b.ImageWidth, b.ImageHeight, b.CellWidth, b.CellHeight, b.BitsPerPixel, b.BaseChar}),
        Ints({256, 128, 16, 8, bits, 32}));
    EXPECT_EQ(std::pair(b.Widths, b.Pixels), std::pair(f.data() + 20, f.data() + 276));
  }
  EXPECT_TRUE(Parses(MakeBff(3, 2, 3, 2, 24, 0)));  // rows of 9 bytes
}

TEST(ParseBff, RefusesWrongLengthMagicOrDepth) {
  auto f = MakeBff(256, 256, 16, 16, 24, 32);
  f.push_back(0);
  EXPECT_FALSE(Parses(f));
  f.pop_back();
  f.pop_back();
  EXPECT_FALSE(Parses(f));
  f = MakeBff(1, 1, 1, 1, 8, 0);
  for (std::size_t size : {0, 2, 275})
    EXPECT_FALSE(Parses(std::vector<unsigned char>(f.begin(), f.begin() + size))) << size;
  BffFile bff;
  EXPECT_FALSE(ParseBff(nullptr, 0, bff));
  for (auto [at, byte] : {std::pair{1, 0x00}, {0, 0x00}, {1, 0xF3}}) {
    auto bad = f;
    bad[at] = static_cast<unsigned char>(byte);
    EXPECT_FALSE(Parses(bad)) << at;
  }
  for (int bits : {0, 7, 12, 16, 33})  // each with its consistent size
    EXPECT_FALSE(Parses(MakeBff(16, 16, 16, 16, bits, 32))) << bits;
}

TEST(ParseBff, RefusesSheetsWithoutAWholeCellOrWithWrappingSizes) {
  struct Case {
    int w, h, cw, ch, bits;
    long long block;
  } cases[] = {
      {16, 16, 0, 16, 24, -1},       {16, 16, -16, 16, 24, -1},      {16, 16, 16, 0, 24, -1},
      {16, 16, 16, -4, 24, -1},      {0, 16, 16, 16, 24, -1},        {16, 0, 16, 16, 24, -1},
      {8, 16, 16, 16, 24, -1},       {-2, -2, 1, 1, 24, 12},         {-16, -16, -1, -1, 24, 768},
      {65536, 65536, 16, 16, 24, 0}, {65536, 65536, 16, 16, 32, 0},     // 2^32 x 3 or 4 bytes
      {16, 16, 16, 17, 8, -1},       {16, 16, 16, 0x7fffffff, 8, -1}};  // taller than the sheet
  for (const Case& c : cases)
    EXPECT_FALSE(Parses(MakeBff(c.w, c.h, c.cw, c.ch, c.bits, 32, c.block))) << c.w << "," << c.cw;
}

class FontTest : public GLTest {
protected:
  void SetUp() override {
    GLTest::SetUp();
    glDisable(GL_DEPTH_TEST);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  static bool Load(CBitmapFont& font, const std::vector<unsigned char>& bytes) {
    const std::string path = testing::TempDir() + "font_test.bff";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return font.Load(path.c_str());
  }
  static Ints Pixel(int x, int y) {
    unsigned char rgb[3];
    ReadPixel(x, y, rgb);
    return {rgb[0], rgb[1], rgb[2]};
  }
  static GLint Get(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
  }
  // Cell sizes, base, columns, extent, style, and the texture-cell sizes in 1/4096ths.
  static Ints Fields(const CBitmapFont& f) {
    const int texCell[] = {int(f.GetTexCellWidth() * 4096), int(f.GetTexCellHeight() * 4096)};
    return {f.GetCellWidth(), f.GetCellHeight(), f.GetBaseChar(), f.GetColumns(),
            f.GetYExtent(),   f.GetBlendStyle(), texCell[0],      texCell[1]};
  }
};

TEST_F(FontTest, LoadsEachDepthIntoAnEdgeClampedLinearTexture) {
  for (auto [bits, format, style] :
       {std::tuple{24, GL_RGB, 2}, {8, GL_LUMINANCE, 1}, {32, GL_RGBA, 4}}) {
    CBitmapFont font;
    font.ReverseYAxis(true);  // the load still leaves glyphs upright
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    ASSERT_TRUE(Load(font, MakeBff(256, 256, 16, 16, bits, 32))) << bits;
    EXPECT_EQ(Fields(font), Ints({16, 16, 32, 16, 16, style, 256, 256}));
    EXPECT_TRUE(font.IsYReversed());
    GLint internal = 0, params[4];
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    const GLenum names[] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S,
                            GL_TEXTURE_WRAP_T};
    for (int i = 0; i < 4; ++i)
      glGetTexParameteriv(GL_TEXTURE_2D, names[i], &params[i]);
    EXPECT_EQ(Ints({Get(GL_TEXTURE_BINDING_2D), internal, Get(GL_UNPACK_ALIGNMENT)}),
              Ints({int(font.GetTexture()), format, 4}));
    EXPECT_EQ(Ints(params, params + 4),
              Ints({GL_LINEAR, GL_LINEAR, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE}));
  }
}

TEST_F(FontTest, OddWidthSheetUploadsRowsIntact) {
  CBitmapFont font;
  const auto f = MakeBff(3, 2, 1, 1, 24, 0);
  ASSERT_TRUE(Load(font, f));
  std::vector<unsigned char> texels(18);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels, std::vector<unsigned char>(f.begin() + 276, f.end()));
}

TEST_F(FontTest, FailedLoadsKeepOnlyTheFieldsOfTheChecksPassed) {
  CBitmapFont font;
  EXPECT_EQ(Ints({font.GetCursorX(), font.GetCursorY(), font.IsYReversed()}), Ints({0, 0, 0}));
  font.Print("A");  // no sheet yet: nothing to draw, nothing to divide by
  EXPECT_EQ(font.GetCursorX(), 0);
  EXPECT_FALSE(font.Load((testing::TempDir() + "no_such_font.bff").c_str()));
  EXPECT_FALSE(font.Load(testing::TempDir().c_str()));  // a folder has no size to read
  auto f = MakeBff(256, 256, 16, 16, 24, 32);
  f.push_back(0);
  EXPECT_FALSE(Load(font, f));
  EXPECT_EQ(Fields(font), Ints({16, 16, 32, 0, 0, 0, 0, 0}));
  EXPECT_FALSE(Load(font, MakeBff(256, 256, 16, 16, 16, 32)));
  EXPECT_EQ(Fields(font), Ints({16, 16, 32, 16, 16, 0, 256, 256}));
  EXPECT_FALSE(Load(font, MakeBff(Get(GL_MAX_TEXTURE_SIZE) + 16, 1, 16, 1, 8, 32)));
  EXPECT_EQ(font.GetTexture(), 0u);
}

TEST_F(FontTest, PrintPlacesWholeCellQuadsAndAdvancesByWidths) {
  CBitmapFont font;
  ASSERT_TRUE(Load(font, MakeBff(256, 256, 16, 16, 24, 32)));
  font.SetScreen(800, 600);
  font.Select();
  font.Print("AB", 100, 50);
  EXPECT_EQ(Pixel(105, 62), Ints({33, 200, 0x55}));  // 'A' is cell 33, its top half up
  EXPECT_EQ(Pixel(105, 53), Ints({33, 40, 0x55}));
  EXPECT_EQ(Pixel(110, 62), Ints({34, 200, 0x55}));  // 'B' from x 110 on, over 'A'
  EXPECT_EQ(Pixel(125, 53), Ints({34, 40, 0x55}));
  for (auto [x, y] : {std::pair{99, 55}, {126, 55}, {105, 49}, {105, 66}})
    EXPECT_EQ(Pixel(x, y), Ints({0, 0, 0})) << x << "," << y;
  EXPECT_EQ(std::pair(font.GetCursorX(), font.GetCursorY()), std::pair(117, 50));
  font.Print("");
  EXPECT_EQ(Ints({font.GetCursorX(), font.GetWidth(""), font.GetWidth("AB\x01\xC8")}),
            Ints({117, 0, 10 + 7 - 3 + 16}));
  font.Print("\n", 300, 50);  // cell -22: clamped onto the sheet's top-left texel
  EXPECT_EQ(Pixel(305, 53), Ints({0, 200, 0x55}));
  EXPECT_EQ(font.GetCursorX(), 305);
  font.Print("\xC8", 400, 50);  // code 200: cell 168
  EXPECT_EQ(Pixel(405, 62), Ints({168, 200, 0x55}));
  font.SetColor(1, 0.5f, 0);  // takes effect at the next Select only
  font.Print("A", 500, 50);
  font.Select();
  font.Print("A", 600, 50);
  EXPECT_EQ(Pixel(505, 62), Ints({33, 200, 0x55}));
  EXPECT_EQ(Pixel(605, 62), Ints({33, 100, 0}));
}

TEST_F(FontTest, ReversedAxisPutsYZeroOnTopWithGlyphsUpright) {
  CBitmapFont font;
  ASSERT_TRUE(Load(font, MakeBff(256, 256, 16, 16, 24, 32)));
  float m[16];
  for (bool reversed : {false, true}) {
    font.ReverseYAxis(reversed);
    font.SetScreen(800, 600);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    EXPECT_EQ(std::pair(m[5], m[13]),
              std::pair(reversed ? -2.0f / 600 : 2.0f / 600, reversed ? 1.0f : -1.0f));
  }
  EXPECT_EQ(std::pair(Get(GL_MATRIX_MODE), font.GetYExtent()), std::pair(GL_MODELVIEW, -16));
  font.Select();
  font.SetCursor(100, 100);
  font.Print("A");  // rows 84 to 100 from the top: window rows 500 to 515
  font.Print("A", 200, 100);
  for (int x : {105, 205}) {
    EXPECT_EQ(Pixel(x, 512), Ints({33, 200, 0x55})) << x;
    EXPECT_EQ(Pixel(x, 503), Ints({33, 40, 0x55})) << x;
  }
}

TEST_F(FontTest, EachStyleBlendsAsItsDepthSays) {
  for (int bits : {8, 24, 32}) {
    CBitmapFont font;
    ASSERT_TRUE(Load(font, MakeBff(32, 16, 16, 16, bits, 'A')));
    glClearColor(50 / 255.0f, 60 / 255.0f, 70 / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    font.SetScreen(800, 600);
    font.Select();
    font.Print("A", 100, 50);
    EXPECT_EQ(Ints({glIsEnabled(GL_BLEND), Get(GL_BLEND_SRC), Get(GL_BLEND_DST)}),
              bits == 24
                  ? Ints({0, Get(GL_BLEND_SRC), Get(GL_BLEND_DST)})
                  : Ints({1, GL_SRC_ALPHA, bits == 8 ? GL_SRC_ALPHA : GL_ONE_MINUS_SRC_ALPHA}));
    const int bg[] = {50, 60, 70};
    for (auto [y, top] : {std::pair{62, true}, {53, false}}) {
      const int texel[] = {0, top ? 200 : 40, 0x55};
      const Ints got = Pixel(105, y);
      for (int c = 0; c < 3; ++c) {
        const double want = bits == 8    ? bg[c] + (top ? 100 : 0)  // added; black adds nothing
                            : bits == 24 ? texel[c]
                                         : texel[c] * 128 / 255.0 + bg[c] * 127 / 255.0;
        EXPECT_NEAR(got[c], want, 1.5) << bits << " bits, channel " << c << ", y " << y;
      }
    }
  }
}

TEST_F(FontTest, EzPrintLeavesAttributesMatricesAndModeAsFound) {
  CBitmapFont font;
  ASSERT_TRUE(Load(font, MakeBff(32, 16, 16, 16, 8, 'A')));
  glBindTexture(GL_TEXTURE_2D, 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1, 2, 3);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glFrustum(-1, 1, -1, 1, 1, 10);
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
  const auto state = [] {
    std::vector<float> s(36);
    glGetFloatv(GL_PROJECTION_MATRIX, &s[0]);
    glGetFloatv(GL_MODELVIEW_MATRIX, &s[16]);
    glGetFloatv(GL_CURRENT_COLOR, &s[32]);
    for (GLenum name : {GL_MATRIX_MODE, GL_BLEND, GL_BLEND_SRC, GL_BLEND_DST, GL_DEPTH_TEST,
                        GL_DEPTH_WRITEMASK, GL_TEXTURE_2D, GL_TEXTURE_BINDING_2D,
                        GL_PROJECTION_STACK_DEPTH, GL_MODELVIEW_STACK_DEPTH})
      s.push_back(float(Get(name)));
    return s;
  };
  const std::vector<float> before = state();
  font.ezPrint("A", 100, 50);
  EXPECT_EQ(state(), before);
  EXPECT_EQ(Ints({Get(GL_MATRIX_MODE), glIsEnabled(GL_DEPTH_TEST), glIsEnabled(GL_BLEND)}),
            Ints({GL_PROJECTION, 1, 0}));
  EXPECT_EQ(Pixel(105, 62), Ints({100, 100, 100}));  // drawn in viewport pixels
  EXPECT_EQ(std::pair(font.GetCursorX(), font.GetCursorY()), std::pair(110, 50));
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace
