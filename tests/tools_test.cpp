// The icon tools' files read back, the PNGs decoded by stb_image.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstddef>
#include <memory>
#include <tuple>
#include <vector>

#include "tools/IcoFile.h"
#include "tools/IconArt.h"
#include "tools/PngFile.h"

// Sides the icon is drawn at: the smallest, a middle one, and 256, stored in the icon file as PNG.
constexpr int Sides[] = {16, 48, 256};

// Where the icon file's fields lie, in bytes: a directory of reserved, type and image count, then
// an entry per image of width, height, colours, reserved, planes, bits, size (at 8), offset (12).
constexpr std::size_t DirectoryBytes = 6, EntryBytes = 16;

// The little-endian number in `bytes` bytes at `at`.
std::size_t Le(const Bytes& b, std::size_t at, int bytes = 4) {
  return bytes ? b.at(at) | Le(b, at + 1, bytes - 1) << 8 : 0;
}

// Each icon's PNG decodes to exactly the pixels drawn; the icon file of them all lists every size,
// its images follow the directory one after the other to the file's end, each a bitmap but the
// 256-pixel one, which is that PNG.
TEST(IconFiles, EachPngDecodesToThePixelsDrawnAndTheIcoHoldsEverySizeWith256AsPng) {
  std::vector<Picture> icons;
  for (int side : Sides) {
    const Picture& icon = icons.emplace_back(DrawIcon(side));
    const Bytes png = EncodePng(icon);
    int w = 0, h = 0, channels = 0;
    const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 4),
        stbi_image_free);
    ASSERT_TRUE(pixels) << stbi_failure_reason();
    ASSERT_EQ(std::tuple(w, h, channels), std::tuple(side, side, 4));
    for (int i = 0; i < side * side; ++i) {
      const stbi_uc* p = pixels.get() + 4 * i;
      ASSERT_EQ((Rgba{p[0], p[1], p[2], p[3]}), icon.At(i % side, i / side)) << side << ": " << i;
    }
  }
  const Bytes ico = EncodeIco(icons);
  ASSERT_EQ(Le(ico, 2, 2), 1u);  // an icon, not a cursor
  ASSERT_EQ(Le(ico, 4, 2), std::size(Sides));
  std::size_t next = DirectoryBytes + EntryBytes * std::size(Sides);
  for (std::size_t i = 0; i < std::size(Sides); ++i) {
    SCOPED_TRACE(Sides[i]);
    const std::size_t entry = DirectoryBytes + EntryBytes * i, size = Le(ico, entry + 8);
    EXPECT_EQ(Le(ico, entry, 2), Sides[i] % 256 * 0x101u);  // width and height; 0 stands for 256
    ASSERT_EQ(Le(ico, entry + 12), next);
    ASSERT_LE(next + size, ico.size());
    const Bytes image(ico.begin() + next, ico.begin() + next + size);
    if (Sides[i] == 256)
      EXPECT_EQ(image, EncodePng(icons[i]));
    else
      EXPECT_EQ(Le(image, 0), 40u);  // a bitmap's header size
    next += size;
  }
  EXPECT_EQ(next, ico.size());
}
