// The art the build leaves in the play folder, read by the game's own reader and font parser,
// and held to what the game's loaders, blending and screens need of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "font/BitmapFont.h"
#include "image/TGAImg.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadArt(const std::string& name) {
  std::ifstream file(std::string(SIEVERUSH_PLAY_DIR) + "/" + name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool PowerOfTwo(int n) {
  return n > 0 && (n & (n - 1)) == 0;
}

// A picture as the game's reader gives it (top row first, R,G,B(,A)), with the header bytes
// and a tally of the run-length packets as stored.
struct Tga {
  int Type = 0, ColourMap = 0, Width = 0, Height = 0, Bits = 0, Descriptor = 0;
  std::vector<std::uint8_t> Pixels;
  int RunPackets = 0, LiteralPackets = 0, RowSpanningPackets = 0;
  std::size_t BytesUsed = 0;  // header, image ID and pixel data
  bool Complete = false;      // the game's reader took it

  // 0xAARRGGBB; alpha 255 for 24-bit pictures.
  std::uint32_t At(int x, int y) const {
    const int px = Bits / 8;
    const std::uint8_t* p = &Pixels[(static_cast<std::size_t>(y) * Width + x) * px];
    const std::uint32_t a = px == 4 ? p[3] : 255;
    return a << 24 | p[0] << 16 | p[1] << 8 | p[2];
  }
  int Alpha(int x, int y) const { return At(x, y) >> 24; }
};

Tga DecodeTga(const Bytes& f) {
  Tga t;
  TGAImg img;
  if (img.Decode(f.data(), f.size()) != TgaOk)
    return t;
  t.ColourMap = f[1];
  t.Type = f[2];
  t.Width = img.GetWidth();
  t.Height = img.GetHeight();
  t.Bits = img.GetBPP();
  t.Descriptor = f[17];
  t.Pixels.assign(img.GetImg(), img.GetImg() + std::size_t(t.Width) * t.Height * t.Bits / 8);
  t.Complete = true;
  // Walk the stored packets: how they are made up, and where the pixel data ends.
  const std::size_t px = t.Bits / 8, count = std::size_t(t.Width) * t.Height;
  std::size_t at = 18 + f[0];
  if (t.Type != 10) {
    t.BytesUsed = at + count * px;
    return t;
  }
  for (std::size_t done = 0; done < count;) {
    const bool run = f[at] & 0x80;
    const std::size_t n = (f[at] & 0x7F) + 1u;
    (run ? t.RunPackets : t.LiteralPackets)++;
    t.RowSpanningPackets += (done + n - 1) / t.Width != done / t.Width;
    at += 1 + (run ? 1 : n) * px;
    done += n;
  }
  t.BytesUsed = at;
  return t;
}

struct PictureNeed {
  const char* Name;
  int Width, Height, Bits;
};
// Faces 256 square (the compositing copies a 256 square); cut-outs and bits need alpha.
const PictureNeed kPictures[] = {{"Case.tga", 256, 256, 24},
                                 {"CaseSide.tga", 256, 256, 24},
                                 {"Hole.tga", 64, 64, 32},
                                 {"Patch.tga", 64, 64, 32},
                                 {"Bits.tga", 32, 64, 32}};

TEST(ArtPictures, EveryPictureIsATgaTheGameReaderTakes) {
  for (const PictureNeed& need : kPictures) {
    SCOPED_TRACE(need.Name);
    const Bytes file = ReadArt(need.Name);
    const Tga t = DecodeTga(file);
    ASSERT_TRUE(t.Complete);
    EXPECT_EQ(t.ColourMap, 0);
    EXPECT_TRUE(t.Type == 2 || t.Type == 10);
    EXPECT_EQ(t.Width, need.Width);
    EXPECT_EQ(t.Height, need.Height);
    EXPECT_TRUE(PowerOfTwo(t.Width) && PowerOfTwo(t.Height));
    EXPECT_EQ(t.Bits, need.Bits);
    // The reader refuses descriptors above 32, so alpha bits appear only on bottom-up files.
    EXPECT_LE(t.Descriptor, 32);
    EXPECT_EQ(t.Descriptor & 0x0F, (t.Bits == 32 && !(t.Descriptor & 0x20)) ? 8 : 0);
    EXPECT_EQ(t.BytesUsed, file.size()) << "pixel data ends where the file ends";
  }
}

TEST(ArtPictures, FilesMixEncodingsDepthsAndRowOrders) {
  int runLength = 0, raw = 0, topDown = 0, bottomUp = 0, rowSpanning = 0;
  for (const PictureNeed& need : kPictures) {
    const Tga t = DecodeTga(ReadArt(need.Name));
    runLength += t.Type == 10;
    raw += t.Type == 2;
    (t.Descriptor & 0x20 ? topDown : bottomUp)++;
    rowSpanning += t.RowSpanningPackets;
    if (t.Type == 10) {
      SCOPED_TRACE(need.Name);
      EXPECT_GT(t.RunPackets, 0);
      EXPECT_GT(t.LiteralPackets, 0);
    }
  }
  EXPECT_GT(runLength, 0);
  EXPECT_GT(raw, 0);
  EXPECT_GT(topDown, 0);
  EXPECT_GT(bottomUp, 0);
  EXPECT_GT(rowSpanning, 0) << "some run-length packet carries on across a row end";
}

TEST(ArtPictures, FaceHalvesShowTwoDifferentEnds) {
  const Tga t = DecodeTga(ReadArt("Case.tga"));
  ASSERT_TRUE(t.Complete);
  int differing = 0;
  for (int y = 0; y < t.Height; ++y) {
    for (int x = 0; x < t.Width / 2; ++x) {
      differing += t.At(x, y) != t.At(x + t.Width / 2, y);
    }
  }
  EXPECT_GT(differing, t.Width * t.Height / 4);
}

// Light comes from above in all the art: a face's top edge catches it and its bottom edge is
// in shade. A picture stored with its rows the wrong way up shows the reverse.
TEST(ArtPictures, FacesAreLitFromAbove) {
  for (const char* name : {"Case.tga", "CaseSide.tga"}) {
    SCOPED_TRACE(name);
    const Tga t = DecodeTga(ReadArt(name));
    ASSERT_TRUE(t.Complete);
    auto rowLight = [&](int y, int x0, int x1) {
      int sum = 0;
      for (int x = x0; x < x1; ++x) {
        sum += ((t.At(x, y) >> 16) & 255) + ((t.At(x, y) >> 8) & 255) + (t.At(x, y) & 255);
      }
      return sum / (x1 - x0);
    };
    for (int half = 0; half < 2; ++half) {
      const int x0 = half * t.Width / 2;
      EXPECT_GT(rowLight(0, x0, x0 + t.Width / 2),
                rowLight(t.Height - 1, x0, x0 + t.Width / 2) + 60);
    }
  }
}

// Hole and patch are cut out by alpha: clear at their border (the game clamps to a clear
// border colour) and solid in the middle, where the cursor's hot spot is.
TEST(ArtPictures, HoleAndPatchAreCutOutWithASolidCentre) {
  for (const char* name : {"Hole.tga", "Patch.tga"}) {
    SCOPED_TRACE(name);
    const Tga t = DecodeTga(ReadArt(name));
    ASSERT_TRUE(t.Complete);
    for (int i = 0; i < t.Width; ++i) {
      for (int edge : {0, 1, t.Width - 2, t.Width - 1}) {
        ASSERT_EQ(t.Alpha(i, edge), 0) << i << "," << edge;
        ASSERT_EQ(t.Alpha(edge, i), 0) << edge << "," << i;
      }
    }
    // The hole is dark at heart, the patch's pad light: each reads as what it is.
    const std::uint32_t mid = t.At(t.Width / 2, t.Height / 2);
    const int light = ((mid >> 16) & 255) + ((mid >> 8) & 255) + (mid & 255);
    EXPECT_TRUE(std::string(name) == "Hole.tga" ? light < 150 : light > 500) << light;
    for (int y = t.Height / 2 - 3; y < t.Height / 2 + 3; ++y) {
      for (int x = t.Width / 2 - 3; x < t.Width / 2 + 3; ++x) {
        EXPECT_EQ(t.Alpha(x, y), 255) << x << "," << y;
      }
    }
  }
}

// Bits are blended with GL_ONE, GL_ONE_MINUS_SRC_ALPHA: colour must be premultiplied.
TEST(ArtPictures, BitsArePremultipliedWithOneSpriteInEachHalf) {
  const Tga t = DecodeTga(ReadArt("Bits.tga"));
  ASSERT_TRUE(t.Complete);
  int solid[2] = {0, 0};
  int differing = 0;
  for (int y = 0; y < t.Height; ++y) {
    for (int x = 0; x < t.Width; ++x) {
      const std::uint32_t p = t.At(x, y);
      const int a = p >> 24;
      ASSERT_LE(std::max({(p >> 16) & 255, (p >> 8) & 255, p & 255}), std::uint32_t(a));
      solid[y * 2 / t.Height] += a > 200;
      if (y < t.Height / 2) {
        differing += p != t.At(x, y + t.Height / 2);
      }
      if (x == 0 || x == t.Width - 1 || y % (t.Height / 2) == 0 ||
          y % (t.Height / 2) == t.Height / 2 - 1) {
        EXPECT_EQ(a, 0) << "sprites keep a clear rim: " << x << "," << y;
      }
    }
  }
  EXPECT_GT(solid[0], 20);
  EXPECT_GT(solid[1], 20);
  EXPECT_GT(differing, 50);
}

// The font sheet as the game's parser reads it.
struct Font {
  Bytes File;
  BffFile Bff;
  int Width(unsigned char c) const { return static_cast<std::int8_t>(Bff.Widths[c]); }
  int Alpha(int x, int y) const { return Bff.Pixels[(y * 256 + x) * 4 + 3]; }
  int Sum(const std::string& s) const {
    int w = 0;
    for (char c : s)
      w += Width(static_cast<unsigned char>(c));
    return w;
  }
  // Ink rows of a character's cell: count of inked pixels per row, top row first.
  std::vector<int> RowInk(unsigned char c) const {
    const int k = c - 32;
    std::vector<int> ink(16);
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x)
        ink[y] += Alpha(k % 16 * 16 + x, k / 16 * 16 + y) > 96;
    }
    return ink;
  }
};

Font LoadFont() {
  Font f{ReadArt("SieveFont.bff"), {}};
  EXPECT_TRUE(ParseBff(f.File.data(), f.File.size(), f.Bff));
  return f;
}

TEST(ArtFont, HeaderDescribesA32BitSheetOf16PixelCellsFromTheSpace) {
  const Font f = LoadFont();
  ASSERT_NE(f.Bff.Pixels, nullptr);
  EXPECT_EQ(f.Bff.ImageWidth, 256);
  EXPECT_EQ(f.Bff.ImageHeight, 256);
  EXPECT_EQ(f.Bff.CellWidth, 16);
  EXPECT_EQ(f.Bff.CellHeight, 16);
  EXPECT_EQ(f.Bff.BitsPerPixel, 32);
  EXPECT_EQ(f.Bff.BaseChar, 32);
  for (int c = 0; c < 32; ++c)
    EXPECT_EQ(f.Width(c), 0) << "control code " << c;
  for (int c = 32; c < 127; ++c) {
    EXPECT_GE(f.Width(c), 3) << char(c);
    EXPECT_LE(f.Width(c), 16) << char(c);
  }
  for (std::size_t i = 0; i < 256u * 256 * 4; i += 4) {
    ASSERT_EQ(f.Bff.Pixels[i] & f.Bff.Pixels[i + 1] & f.Bff.Pixels[i + 2], 255)
        << "glyphs are white, shaped by alpha";
  }
}

TEST(ArtFont, GlyphsStandUprightOnABaselineAboveTheCellBottom) {
  const Font f = LoadFont();
  auto lowest = [](const std::vector<int>& ink) {
    return static_cast<int>(ink.rend() -
                            std::find_if(ink.rbegin(), ink.rend(), [](int n) { return n > 0; })) -
           1;
  };
  const std::vector<int> t = f.RowInk('T');
  const auto widest = std::max_element(t.begin(), t.end()) - t.begin();
  EXPECT_LT(widest, lowest(t)) << "the bar of a T is at the top of its cell";
  const int baseline = lowest(f.RowInk('E'));
  EXPECT_LE(baseline, 13) << "room under the baseline";
  EXPECT_EQ(lowest(f.RowInk('o')), baseline);
  EXPECT_GT(lowest(f.RowInk('g')), baseline) << "descenders hang below the baseline";
  EXPECT_TRUE(f.RowInk(' ') == std::vector<int>(16));
  for (int c = 33; c < 127; ++c) {
    const std::vector<int> ink = f.RowInk(static_cast<unsigned char>(c));
    EXPECT_GT(*std::max_element(ink.begin(), ink.end()), 0) << "no ink in the cell of " << char(c);
  }
  // Codes below the first cell sample the sheet's clamped edge: its top row and left column.
  for (int i = 0; i < 256; ++i) {
    ASSERT_EQ(f.Alpha(i, 0), 0);
    ASSERT_EQ(f.Alpha(0, i), 0);
  }
}

TEST(ArtFont, EveryScreenLineEndsInsideTheWindow) {
  const Font f = LoadFont();
  const std::string big = "2147483647";  // the largest uptime an int can show
  const struct {
    std::string Text;
    int X;
  } lines[] = {
      {"Drain Storm", 320},
      {"An entry for Quillhaven's 3rd Coding Competition", 150},
      {"Your Mission: Stop leaky applications from using up all your RAM", 80},
      {"Use the Left/Right cursor keys to rotate the compybox,", 120},
      {"Left mouse button applies a patch to stop leaks.", 160},
      {"Press the Spacebar to start", 260},
      {"GAME OVER!", 325},
      {"zOMG! Your Operating System is teh suX0rz!", 200},
      {"All your memory are leaked out.", 250},
      {"You managed to keep the system up for " + big + " seconds.", 160},
      {"The best uptime this session is " + big + " seconds", 210},
      {"Here are some important looking numbers that no-one understands.", 80},
      {"FF00:A0C8 ca80:FFF0 FC12:DC10 DEAD:BEEF 0ACE:FACE", 110},
      {"F00D:CACE ACDC:0187 AC26:EC56 BEEF:FACE 78D1:CF51", 110},
      {"FC80:DE52 8FF0:06F2 BCF1:747D C0DE:4EAD EF51:A7D2", 110},
      {"Press the Spacebar to play again, or hit Esc to go vote for this entry.", 80},
      {"Uptime: 999999 Seconds", 600},  // status line: eleven days of play
  };
  for (const auto& line : lines) {
    EXPECT_LE(line.X + f.Sum(line.Text), 800) << line.Text;
  }
  EXPECT_LT(20 + f.Sum("Remaining RAM: 4000000k"), 600) << "RAM line stays clear of the uptime";
  // Not so small that the screens look empty: the longest line spans most of its room.
  EXPECT_GT(80 + f.Sum(lines[15].Text), 560);
}

}  // namespace
