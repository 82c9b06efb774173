// libFuzzer target for the ".bff" font check: any file it accepts must be safe to draw from, so
// every advance width and every pixel byte are read, and drawing's division by the columns made.
#include <cstddef>
#include <cstdint>
#include <numeric>

#include "font/BitmapFont.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  BffFile bff;
  if (!ParseBff(data, size, bff))
    return 0;
  const std::size_t pixelBytes =
      std::size_t(bff.ImageWidth) * bff.ImageHeight * (bff.BitsPerPixel / 8);
  volatile unsigned sink = std::accumulate(bff.Widths, bff.Widths + 256, 0u) +
                           std::accumulate(bff.Pixels, bff.Pixels + pixelBytes, 0u) +
                           unsigned(255 / (bff.ImageWidth / bff.CellWidth));
  (void)sink;
  return 0;
}
