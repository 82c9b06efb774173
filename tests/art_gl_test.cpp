// The six art files through the game's own loaders, drawn on one contact sheet with the game's
// own text: every file loads, and each picture lands where it was put. With SIEVERUSH_SHOTS set
// the sheet is saved there as contact-sheet.ppm (tools/contact_sheet.sh makes the docs' PNG).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "GLWindow.h"
#include "font/BitmapFont.h"
#include "gfx/ParticleManager.h"
#include "gfx/Texture.h"

namespace {

struct Tile {
  const char* Name;
  unsigned Texture;
  int X, Y, Width, Height;  // window pixels from the bottom-left
};

void DrawTile(const Tile& t, CBitmapFont& font) {
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, t.Texture);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor3f(1, 1, 1);
  // t = 0 is a picture's top edge.
  glBegin(GL_QUADS);
  glTexCoord2f(0, 1);
  glVertex2i(t.X, t.Y);
  glTexCoord2f(1, 1);
  glVertex2i(t.X + t.Width, t.Y);
  glTexCoord2f(1, 0);
  glVertex2i(t.X + t.Width, t.Y + t.Height);
  glTexCoord2f(0, 0);
  glVertex2i(t.X, t.Y + t.Height);
  glEnd();
  font.ezPrint(t.Name, t.X, t.Y - 20);
}

class ArtThroughTheGame : public GLTest {};

TEST_F(ArtThroughTheGame, EveryFileLoadsAndShowsOnTheContactSheet) {
  std::filesystem::current_path(SIEVERUSH_PLAY_DIR);
  CBitmapFont font;
  ASSERT_TRUE(font.Load("SieveFont.bff"));
  ParticleManager bits;
  ASSERT_TRUE(bits.LoadTexture("Bits.tga"));
  std::vector<Tile> tiles = {{"Case.tga", LoadTexture("Case.tga"), 10, 330, 256, 256},
                             {"CaseSide.tga", LoadTexture("CaseSide.tga"), 276, 330, 256, 256},
                             {"SieveFont.bff", font.GetTexture(), 542, 330, 256, 256},
                             {"Hole.tga", LoadTexture("Hole.tga"), 10, 170, 128, 128},
                             {"Patch.tga", LoadTexture("Patch.tga"), 148, 170, 128, 128},
                             {"Bits.tga", bits.GetTexture(), 286, 170, 64, 128}};
  for (const Tile& t : tiles)
    ASSERT_NE(t.Texture, NoTexture) << t.Name;

  glClearColor(0.19f, 0.19f, 0.22f, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  font.SetScreen(800, 600);
  for (const Tile& t : tiles)
    DrawTile(t, font);

  // Each tile's centre shows its picture, not the background; the labels are lit.
  unsigned char background[3], centre[3];
  ReadPixel(790, 10, background);
  for (const Tile& t : {tiles[0], tiles[1], tiles[3], tiles[4]}) {
    ReadPixel(t.X + t.Width / 2, t.Y + t.Height / 2, centre);
    EXPECT_NE(std::vector<int>(centre, centre + 3), std::vector<int>(background, background + 3))
        << t.Name;
  }

  if (const char* shots = std::getenv("SIEVERUSH_SHOTS")) {
    std::vector<unsigned char> rgb(800 * 600 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, 800, 600, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::ofstream out(std::filesystem::path(shots) / "contact-sheet.ppm", std::ios::binary);
    out << "P6 800 600 255\n";
    for (int row = 599; row >= 0; --row)  // OpenGL's rows count from the bottom
      out.write(reinterpret_cast<const char*>(&rgb[row * 800 * 3]), 800 * 3);
  }
}

}  // namespace
