// TGAImg::Load on files written byte by byte: every variant it accepts decoded pixel-exact, every
// refused file with its result code, and paths that are no regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "image/TGAImg.h"

using Byte = unsigned char;
using Bytes = std::vector<Byte>;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// 1, 2, ... n: stored pixel bytes whose every position is told apart.
Bytes Seq(int n) {
  Bytes out(n);
  std::iota(out.begin(), out.end(), 1);
  return out;
}

// Header, image ID of `id` bytes, then for the colour-mapped types the 256-entry palette (entry i
// stored blue i, green 128, red 255 - i), then the body.
Bytes Tga(int type, int w, int h, int depth, int descriptor, const Bytes& body, int id = 0) {
  const bool mapped = type == 1 || type == 9;
  Bytes file = Bytes{Byte(id), Byte(mapped), Byte(type), 0, 0, 0, Byte(mapped), Byte(24 * mapped)} +
               Bytes(4) +
               Bytes{Byte(w), Byte(w >> 8), Byte(h), Byte(h >> 8), Byte(depth), Byte(descriptor)};
  file.resize(file.size() + id, 7);
  for (int i = 0; mapped && i < 256; ++i)
    file = file + Bytes{Byte(i), 128, Byte(255 - i)};
  return file + body;
}

// Bytes at `at` replaced by `values`; a negative `at` cuts that many bytes off the end instead.
Bytes Poke(Bytes file, int at, const Bytes& values = {}) {
  if (at < 0)
    file.resize(file.size() + at);
  std::copy(values.begin(), values.end(), file.begin() + std::max(at, 0));
  return file;
}

enum class Path { File, Missing, Folder, Pipe };
const std::string File = testing::TempDir() + "image_test_" + std::to_string(getpid());

// Loads `file` (or a path that is no file) and expects `result` and, when it loads, `colours`: the
// pixels top row first, colour-mapped ones looked up in the palette. One object throughout, so
// each refusal must also discard the picture loaded before.
void Load(const char* name, const Bytes& file, int result, const Bytes& colours = {},
          Path kind = Path::File) {
  SCOPED_TRACE(name);
  static TGAImg img;
  std::filesystem::remove(File);
  if (kind == Path::File)
    std::ofstream(File, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
  ASSERT_TRUE(kind != Path::Pipe || mkfifo(File.c_str(), 0644) == 0);
  ASSERT_EQ(img.Load(kind == Path::Folder ? testing::TempDir().c_str() : File.c_str()), result);
  const std::size_t size = std::size_t(img.GetWidth()) * img.GetHeight() * img.GetBPP() / 8;
  Bytes got(img.GetImg(), img.GetImg() + (result == TgaOk ? size : 0));
  if (const Byte* palette = img.GetPalette())
    for (Bytes indices = std::exchange(got, {}); Byte i : indices)
      got = got + Bytes(palette + 3 * i, palette + 3 * i + 3);
  EXPECT_EQ(img.GetImg() != nullptr, result == TgaOk);
  EXPECT_EQ(got, colours);
}

const Bytes Good = Tga(2, 3, 2, 24, 0, Seq(18)), Mapped = Tga(1, 3, 2, 8, 0, Seq(6));
const Bytes Pair = Tga(10, 2, 1, 24, 32, {});  // two pixels, packets to follow

TEST(TgaLoad, AcceptsEachVariantPixelExactAndRefusesEachDamageWithItsCode) {
  Load("24-bit raw, bottom-up, odd width", Good, TgaOk,
       {12, 11, 10, 15, 14, 13, 18, 17, 16, 3, 2, 1, 6, 5, 4, 9, 8, 7});
  Load("24-bit raw, top first, image ID", Tga(2, 3, 2, 24, 32, Seq(18), 5), TgaOk,
       {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16});
  Load("32-bit raw, bottom-up, alpha bits", Tga(2, 3, 2, 32, 8, Seq(24)), TgaOk,
       {15, 14, 13, 16, 19, 18, 17, 20, 23, 22, 21, 24, 3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12});
  Load("24-bit RLE, bottom-up, run across a row end",
       Tga(10, 3, 2, 24, 0, {0x83, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}, 2), TgaOk,
       {3, 2, 1, 6, 5, 4, 9, 8, 7, 3, 2, 1, 3, 2, 1, 3, 2, 1});
  Load("32-bit RLE, top first", Tga(10, 3, 1, 32, 32, {0x00, 1, 2, 3, 4, 0x81, 5, 6, 7, 8}), TgaOk,
       {3, 2, 1, 4, 7, 6, 5, 8, 7, 6, 5, 8});
  Load("header 255 repeats 128 times", Tga(10, 129, 1, 24, 32, {255, 7, 7, 7, 0, 4, 5, 6}), TgaOk,
       Bytes(384, 7) + Bytes{6, 5, 4});
  Load("8-bit mapped raw, bottom-up", Mapped, TgaOk,
       {251, 128, 4, 250, 128, 5, 249, 128, 6, 254, 128, 1, 253, 128, 2, 252, 128, 3});
  Load("8-bit mapped RLE, top first", Tga(9, 3, 2, 8, 32, {0x82, 5, 0x02, 6, 7, 200}), TgaOk,
       {250, 128, 5, 250, 128, 5, 250, 128, 5, 249, 128, 6, 248, 128, 7, 55, 128, 200});
  Load("missing", {}, TgaNoFile, {}, Path::Missing);
  Load("a folder", {}, TgaNoFile, {}, Path::Folder);
  Load("a named pipe without a writer", {}, TgaNoFile, {}, Path::Pipe);
  Load("empty", {}, TgaBadData);
  Load("header cut short", Poke(Good, 17 - int(Good.size())), TgaBadData);
  Load("pixel block one byte short", Poke(Good, -1), TgaBadData);
  Load("image ID past the end", Poke(Tga(10, 1, 1, 24, 0, {}, 200), -150), TgaBadData);
  Load("run longer than the picture", Pair + Bytes{0x82, 1, 2, 3}, TgaBadData);
  Load("run pixel past the end", Pair + Bytes{0x80, 1, 2, 3, 0x80, 1, 2}, TgaBadData);
  Load("packets stop short", Pair + Bytes{0x00, 1, 2, 3}, TgaBadData);
  Load("2^32 bytes, 0 in 32 bits", Tga(2, 16384, 16384, 128, 0, Bytes(64)), TgaBadData);
  Load("4 GB claimed by 9 bytes", Tga(10, 32767, 32767, 32, 0, Bytes(9)), TgaBadData);
  Load("width 0", Poke(Good, 12, {0}), TgaBadData);
  Load("16-bit true colour", Poke(Good, 16, {16}), TgaUnsupported);
  Load("24-bit indices", Poke(Mapped + Bytes(12), 16, {24}), TgaUnsupported);
  Load("grey-scale", Poke(Good, 2, {3}), TgaUnsupported);
  Load("16-entry palette", Poke(Mapped, 5, {16, 0}), TgaUnsupported);
  Load("32-bit palette entries", Poke(Mapped, 7, {32}), TgaUnsupported);
  Load("colour map type 2", Poke(Good, 1, {2}), TgaUnsupported);
  Load("top first with alpha bits", Poke(Good, 17, {40}), TgaUnsupported);
  Load("true colour with a palette", Poke(Mapped, 2, {2}), TgaBadData);
  std::filesystem::remove(File);
}
