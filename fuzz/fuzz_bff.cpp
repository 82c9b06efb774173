// libFuzzer target for the ".bff" font check: any file it accepts must be safe to draw from, so
// every advance width, every pixel byte and the cell arithmetic of every code are walked.
#include <cstddef>
#include <cstdint>

#include "font/BitmapFont.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BffFile bff;
  if (!ParseBff(data, size, bff))
    return 0;

  unsigned sum = 0;
  for (int code = 0; code < 256; ++code)
    sum += bff.Widths[code];
  const std::size_t pixelBytes = static_cast<std::size_t>(bff.ImageWidth) *
                                 static_cast<std::size_t>(bff.ImageHeight) *
                                 static_cast<std::size_t>(bff.BitsPerPixel / 8);
  for (std::size_t i = 0; i < pixelBytes; ++i)
    sum += bff.Pixels[i];

  // The same division drawing does for each code: an accepted font has at least one column.
  const int columns = bff.ImageWidth / bff.CellWidth;
  for (int code = 0; code < 256; ++code) {
    const int cell = code - bff.BaseChar;
    sum += static_cast<unsigned>(cell / columns);
  }

  volatile unsigned sink = sum;
  (void)sink;
  return 0;
}
