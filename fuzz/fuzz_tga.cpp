// libFuzzer target for the TGA decoder: any byte string must decode or be refused without a read
// or write outside the buffers, and an accepted image must be whole and of a depth we handle.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <numeric>

#include "image/TGAImg.h"

// Adds up every byte the getters promise, so AddressSanitizer sees a block that is too small.
static unsigned SumImage(const TGAImg& img) {
  const int bpp = img.GetBPP();
  const unsigned char* palette = img.GetPalette();
  if ((bpp != 8 && bpp != 24 && bpp != 32) || (bpp == 8) != (palette != nullptr))
    std::abort();
  const std::size_t bytes = std::size_t(img.GetWidth()) * img.GetHeight() * (bpp / 8);
  return std::accumulate(img.GetImg(), img.GetImg() + bytes, 0u) +
         (palette ? std::accumulate(palette, palette + 768, 0u) : 0);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TGAImg img;
  if (img.Decode(data, size) != TgaOk)
    return 0;
  const unsigned first = SumImage(img);
  // Decoding again into the same object must discard the first image and give the same one.
  if (img.Decode(data, size) != TgaOk || SumImage(img) != first)
    std::abort();
  return 0;
}
