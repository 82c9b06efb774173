#include "tools/FontBake.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>

// Sheet geometry: 16 x 16 cells of 16 x 16 pixels, first cell the space (code 32); codes up to
// 255 fill 14 rows and the last two rows stay empty.
constexpr int SheetSize = 256;  // pixels
constexpr int CellSize = 16;    // pixels
constexpr int FirstCode = 32;
// Glyph size in pixels per em. The longest game-over line (71 characters from x = 80) must
// end inside the 800 pixel window, and glyphs with descenders must fit in one cell.
constexpr int PixelsPerEm = 14;
// Cell row of the baseline's first pixel below the glyph body: three rows under it hold
// descenders, and the cell's top row stays clear.
constexpr int BaselineRow = 12;
// Glyph origin from the cell's left edge: one clear column keeps glyphs of neighbouring cells
// from meeting under linear filtering.
constexpr int OriginColumn = 1;

namespace {
struct FtLibraryDeleter {
  void operator()(FT_Library lib) const { FT_Done_FreeType(lib); }
};
struct FtFaceDeleter {
  void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FtLibrary = std::unique_ptr<std::remove_pointer_t<FT_Library>, FtLibraryDeleter>;
using FtFace = std::unique_ptr<std::remove_pointer_t<FT_Face>, FtFaceDeleter>;
}  // namespace

// Copies FreeType's grey bitmap into the cell of code, clipped to the cell. The sheet's first
// row and column stay clear: codes below the base character map outside the sheet and the
// edge clamp then samples only that empty border.
static void PlaceGlyph(const FT_GlyphSlot slot, int code, Picture& sheet) {
  const int cell = code - FirstCode;
  const int cellX = (cell % (SheetSize / CellSize)) * CellSize;
  const int cellY = (cell / (SheetSize / CellSize)) * CellSize;
  const FT_Bitmap& bm = slot->bitmap;
  const int left = cellX + OriginColumn + slot->bitmap_left;
  const int top = cellY + BaselineRow + 1 - slot->bitmap_top;
  for (unsigned row = 0; row < bm.rows; ++row) {
    for (unsigned col = 0; col < bm.width; ++col) {
      const int x = left + static_cast<int>(col);
      const int y = top + static_cast<int>(row);
      if (x < std::max(cellX, 1) || x >= cellX + CellSize || y < std::max(cellY, 1) ||
          y >= cellY + CellSize) {
        continue;
      }
      const std::uint8_t a = bm.buffer[static_cast<int>(row) * bm.pitch + static_cast<int>(col)];
      sheet.At(x, y).A = std::max(sheet.At(x, y).A, a);
    }
  }
}

bool BakeFont(const std::string& fontPath, BffFont& out, std::string& error) {
  FT_Library rawLib = nullptr;
  if (FT_Init_FreeType(&rawLib) != 0) {
    error = "FreeType does not start";
    return false;
  }
  FtLibrary lib(rawLib);
  FT_Face rawFace = nullptr;
  if (FT_New_Face(lib.get(), fontPath.c_str(), 0, &rawFace) != 0) {
    error = "cannot open the font " + fontPath;
    return false;
  }
  FtFace face(rawFace);
  if (FT_Set_Pixel_Sizes(face.get(), 0, PixelsPerEm) != 0) {
    error = "the font has no size " + std::to_string(PixelsPerEm);
    return false;
  }

  out.SheetWidth = SheetSize;
  out.SheetHeight = SheetSize;
  out.CellWidth = CellSize;
  out.CellHeight = CellSize;
  out.BaseChar = FirstCode;
  std::fill(std::begin(out.Widths), std::end(out.Widths), std::int8_t{0});
  // White everywhere, so filtering at glyph edges blends towards white, never grey.
  out.Sheet = Picture(SheetSize, SheetSize, Rgba{255, 255, 255, 0});

  for (int code = FirstCode; code < 256; ++code) {
    // Latin-1 codes are their own Unicode code points; C1 controls have no glyph and stay
    // empty with no width.
    if (FT_Get_Char_Index(face.get(), static_cast<FT_ULong>(code)) == 0) {
      continue;
    }
    if (FT_Load_Char(face.get(), static_cast<FT_ULong>(code), FT_LOAD_RENDER) != 0) {
      error = "FreeType cannot render code " + std::to_string(code);
      return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    const long advance = (slot->advance.x + 32) >> 6;
    out.Widths[code] = static_cast<std::int8_t>(std::clamp(advance, 0L, long{CellSize}));
    PlaceGlyph(slot, code, out.Sheet);
  }
  return true;
}
