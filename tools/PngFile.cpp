#include "tools/PngFile.h"

#include <stb_image_write.h>

#include <new>

namespace {

constexpr int Channels = 4;  // R, G, B, A

// stb hands over the finished file in one piece; it lands in the caller's Bytes.
void AppendTo(void* context, void* data, int size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  auto& out = *static_cast<Bytes*>(context);
  out.insert(out.end(), bytes, bytes + size);
}

}  // namespace

Bytes EncodePng(const Picture& picture) {
  Bytes rgba;
  rgba.reserve(static_cast<std::size_t>(picture.Width()) * picture.Height() * Channels);
  for (int y = 0; y < picture.Height(); ++y) {
    for (int x = 0; x < picture.Width(); ++x) {
      const Rgba& c = picture.At(x, y);
      rgba.insert(rgba.end(), {c.R, c.G, c.B, c.A});
    }
  }
  Bytes out;
  // stb fails only when it cannot allocate its buffers.
  if (stbi_write_png_to_func(AppendTo, &out, picture.Width(), picture.Height(), Channels,
                             rgba.data(), picture.Width() * Channels) == 0) {
    throw std::bad_alloc();
  }
  return out;
}
