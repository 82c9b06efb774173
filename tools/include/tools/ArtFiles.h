// Encoders for the two file formats the game reads: Truevision TGA pictures and ".bff" bitmap
// fonts. They build the whole file in memory; writing it out is the caller's business.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/Raster.h"

using Bytes = std::vector<std::uint8_t>;

// How a TGA file stores its pixels.
struct TgaLayout {
  int Bits = 24;           // 24 (B,G,R) or 32 (B,G,R,A)
  bool RunLength = false;  // image type 10 instead of 2
  bool TopDown = false;    // first stored row is the top row (descriptor bit 5)
};

// A true-colour TGA file of the picture. The game's reader refuses a descriptor above 32, so
// a top-down 32-bit file cannot also declare its 8 alpha bits; only bottom-up files do.
Bytes EncodeTga(const Picture& picture, const TgaLayout& layout);

// One ".bff" font: a sheet of equal cells and a width for each of the 256 character codes.
struct BffFont {
  int SheetWidth = 0;
  int SheetHeight = 0;
  int CellWidth = 0;
  int CellHeight = 0;
  int BaseChar = 0;
  std::int8_t Widths[256] = {};
  Picture Sheet{1, 1, Rgba{}};  // stored as 32-bit R,G,B,A, top row first
};

Bytes EncodeBff(const BffFont& font);

// Writes bytes to a file; false on any failure.
bool WriteFile(const std::string& path, const Bytes& bytes);
