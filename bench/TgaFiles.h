// Test pictures and a small TGA writer for the benchmarks: a picture with the mix that real
// art has (smooth gradients, flat shapes, noisy texture), written as any of the TGA variants
// the game's reader accepts, so run-length files hold both run and literal packets.
#pragma once

#include <string>
#include <vector>

// Red, green, blue, alpha bytes, top row first.
struct Picture {
  int Width = 0;
  int Height = 0;
  std::vector<unsigned char> Rgba;
};

// The TGA variants the reader accepts, with the pixel depth each is written at.
enum class TgaKind { Raw24, Raw32, RunLength24, RunLength32, Mapped, MappedRunLength };

// A procedural picture of the given size; the same size always gives the same picture.
Picture MakePicture(int width, int height);

// `picture` as a TGA file of `kind`, rows stored bottom-up as most TGA writers store them.
// Colour-mapped files quantise colours to a fixed 256-entry palette (3 bits red, 3 green,
// 2 blue) and drop alpha; 24-bit files drop alpha.
std::vector<unsigned char> WriteTga(const Picture& picture, TgaKind kind);

// A short name for tables: "24-bit raw", "8-bit mapped RLE", ...
std::string KindName(TgaKind kind);
