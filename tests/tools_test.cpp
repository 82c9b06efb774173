// The icon tools' files read back: each PNG decoded by stb_image to exactly the pixels drawn,
// and the icon file's directory naming every size, its 256-pixel image being that PNG.
#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "tools/IcoFile.h"
#include "tools/IconArt.h"
#include "tools/PngFile.h"

namespace {

// Sides the icon is drawn at: the smallest, a middle one, and the one the icon file stores as
// PNG rather than as a bitmap.
constexpr int Sides[] = {16, 48, 256};

// Where the icon file's fields lie, in bytes.
constexpr std::size_t DirectoryBytes = 6;  // reserved, type, image count
constexpr std::size_t EntryBytes = 16;     // width, height, colours, reserved, planes, bits,
                                           // image size at 8, image offset at 12

int Le16(const Bytes& b, std::size_t at) {
  return b.at(at) | b.at(at + 1) << 8;
}
std::size_t Le32(const Bytes& b, std::size_t at) {
  return static_cast<std::size_t>(Le16(b, at)) | static_cast<std::size_t>(Le16(b, at + 2)) << 16;
}

TEST(Png, DecodesToThePixelsDrawn) {
  for (int side : Sides) {
    SCOPED_TRACE(side);
    const Picture icon = DrawIcon(side);
    const Bytes png = EncodePng(icon);
    int w = 0, h = 0, channels = 0;
    const std::unique_ptr<stbi_uc, void (*)(void*)> pixels(
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &w, &h, &channels, 4),
        stbi_image_free);
    ASSERT_TRUE(pixels) << stbi_failure_reason();
    ASSERT_EQ(w, side);
    ASSERT_EQ(h, side);
    EXPECT_EQ(channels, 4);
    for (int i = 0; i < side * side; ++i) {
      const Rgba c = icon.At(i % side, i / side);
      const stbi_uc* p = pixels.get() + 4 * i;
      ASSERT_EQ((Rgba{p[0], p[1], p[2], p[3]}), c) << "at x " << i % side << ", y " << i / side;
    }
  }
}

TEST(Ico, DirectoryListsEverySizeAndStores256AsPng) {
  std::vector<Picture> icons;
  for (int side : Sides) {
    icons.push_back(DrawIcon(side));
  }
  const Bytes ico = EncodeIco(icons);
  ASSERT_EQ(Le16(ico, 2), 1);  // an icon, not a cursor
  ASSERT_EQ(Le16(ico, 4), static_cast<int>(std::size(Sides)));
  // The images follow the directory one after the other, the last ending the file.
  std::size_t next = DirectoryBytes + EntryBytes * std::size(Sides);
  for (std::size_t i = 0; i < std::size(Sides); ++i) {
    SCOPED_TRACE(Sides[i]);
    const std::size_t entry = DirectoryBytes + EntryBytes * i;
    EXPECT_EQ(ico.at(entry), Sides[i] % 256);  // 0 stands for 256
    EXPECT_EQ(ico.at(entry + 1), Sides[i] % 256);
    const std::size_t size = Le32(ico, entry + 8);
    ASSERT_EQ(Le32(ico, entry + 12), next);
    ASSERT_LE(next + size, ico.size());
    const Bytes image(ico.begin() + next, ico.begin() + next + size);
    if (Sides[i] == 256) {
      EXPECT_EQ(image, EncodePng(icons[i]));
    } else {
      EXPECT_EQ(Le32(image, 0), 40u);  // a bitmap's header size
    }
    next += size;
  }
  EXPECT_EQ(next, ico.size());
}

}  // namespace
