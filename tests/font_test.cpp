// CBitmapFont on a real GL context: which .bff files load and into what texture, and the GL state
// ezPrint leaves as it found it.
#include "GLContext.h"
#include "font/BitmapFont.h"

// A .bff file with base character 32, 'A' 10 and 'B' 7 pixels wide, then `block` zero bytes of
// sheet or, by default, the whole sheet with each pixel red x, green y, blue 0x55, alpha 255.
Bytes Bff(int w, int h, int cw, int ch, int bits, long long block = -1) {
  Bytes f(276 + (block < 0 ? 0 : block), 0);
  const int sizes[] = {w, h, cw, ch};
  for (int i = 0; i < 16; ++i)
    f[2 + i] = Byte(unsigned(sizes[i / 4]) >> (8 * (i % 4)));
  f[0] = 0xBF, f[1] = 0xF2, f[18] = Byte(bits), f[19] = 32, f[20 + 'A'] = 10, f[20 + 'B'] = 7;
  for (int y = 0; block < 0 && y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < bits / 8; ++c)
        f.push_back(Byte(c == 0 ? x : c == 1 ? y : c == 2 ? 0x55 : 255));
  return f;
}

// Loads `file` (or a path that is no file) into a font: a refusal makes no texture; a load binds
// a `format` texture of the file's pixels, clamped to its edge.
void Load(const char* name, const Bytes& file, GLenum format, Path kind = Path::File) {
  SCOPED_TRACE(name);
  CBitmapFont font;
  ExpectLoad([&] { return font.Load(Put(file, kind).c_str()); }, format, format, GL_CLAMP_TO_EDGE,
             format ? Bytes(file.begin() + 276, file.end()) : Bytes());
}

TEST_F(GLTest, LoadsEachDepthAndRefusesEachDamagedFile) {
  Bytes good = Bff(32, 16, 16, 16, 24), magic = good;
  magic[1] = 0xF3;
  Load("8 bit", Bff(32, 16, 16, 16, 8), GL_LUMINANCE);
  Load("24 bit, rows of 9 bytes", Bff(3, 2, 1, 1, 24), GL_RGB);
  Load("32 bit", Bff(32, 16, 16, 16, 32), GL_RGBA);
  Load("one byte more", Bff(32, 16, 16, 16, 24, 32 * 16 * 3 + 1), 0);
  Load("one byte less", Bytes(good.begin(), good.end() - 1), 0);
  Load("wrong magic", magic, 0);
  Load("16 bit", Bff(16, 16, 16, 16, 16), 0);
  Load("cell width 0", Bff(16, 16, 0, 16, 24, 768), 0);
  Load("cell height -4", Bff(16, 16, 16, -4, 24, 768), 0);
  Load("sizes -2 x -2, 4 pixels", Bff(-2, -2, 1, 1, 24, 12), 0);
  Load("columns 0: cells wider than the sheet", Bff(8, 16, 16, 16, 24, 384), 0);
  Load("cell height 2^31 - 1", Bff(16, 16, 16, 0x7fffffff, 8, 256), 0);
  Load("a folder", {}, 0, Path::Folder);
  Load("a named pipe without a writer", {}, 0, Path::Pipe);
}

// Where the glyphs land is the golden recordings' pictures' to pin, with the game's own font.
TEST_F(GLTest, EzPrintLeavesTheStateAsFound) {
  CBitmapFont font;
  ASSERT_TRUE(font.Load(Put(Bff(256, 256, 16, 16, 32)).c_str()));
  glTranslatef(1, 2, 3);
  glMatrixMode(GL_PROJECTION);
  glFrustum(-1, 1, -1, 1, 1, 10);
  glMatrixMode(GL_TEXTURE);
  glBindTexture(GL_TEXTURE_2D, 0);
  glEnable(GL_DEPTH_TEST);
  glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
  const auto state = [] {
    std::vector<float> all;
    for (GLenum name :
         {GL_MATRIX_MODE, GL_PROJECTION_MATRIX, GL_MODELVIEW_MATRIX, GL_TEXTURE_MATRIX,
          GL_PROJECTION_STACK_DEPTH, GL_MODELVIEW_STACK_DEPTH, GL_ATTRIB_STACK_DEPTH, GL_VIEWPORT,
          GL_CURRENT_COLOR, GL_BLEND, GL_BLEND_SRC, GL_BLEND_DST, GL_DEPTH_TEST, GL_DEPTH_WRITEMASK,
          GL_TEXTURE_2D, GL_TEXTURE_BINDING_2D, GL_LIGHTING, GL_CULL_FACE, GL_UNPACK_ALIGNMENT}) {
      float values[16] = {};
      glGetFloatv(name, values);
      all.insert(all.end(), values, values + 16);
    }
    return all;
  };
  const std::vector<float> before = state();
  font.ezPrint("AB", 100, 50);
  EXPECT_EQ(state(), before);
}
