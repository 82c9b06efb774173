// TGAImg on files built byte by byte in memory: every accepted variant, every result code, and
// the damaged files other TGA readers have crashed on or been fooled by.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "image/TGAImg.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Byte = Bytes::value_type;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// An 18-byte header; a colour-mapped type gets the one palette shape read: 256 entries of 24
// bits from entry 0.
Bytes Header(int type, int width, int height, int depth, int descriptor, int idLength = 0) {
  const int mapped = type == 1 || type == 9;
  Bytes head = {Byte(idLength), Byte(mapped), Byte(type), 0, 0, 0, Byte(mapped), Byte(24 * mapped)};
  head.resize(12);  // the origin, not read
  return head + Bytes{Byte(width),       Byte(width >> 8), Byte(height),
                      Byte(height >> 8), Byte(depth),      Byte(descriptor)};
}

// A top-first picture as a file stores it: red and blue swapped, rows bottom-up unless top.
Bytes Stored(Bytes picture, size_t width, size_t bytes, bool top) {
  for (size_t i = 0; bytes > 1 && i < picture.size(); i += bytes)
    std::swap(picture[i], picture[i + 2]);
  Bytes out;
  const size_t row = width * bytes, rows = picture.size() / row;
  for (size_t r = 0; r < rows; ++r) {
    const auto from = picture.begin() + (top ? r : rows - 1 - r) * row;
    out.insert(out.end(), from, from + row);
  }
  return out;
}

// Greedy run-length encoding: a run packet for two or more equal pixels, literals between.
Bytes Rle(const Bytes& s, size_t bytes) {
  const size_t pixels = s.size() / bytes;
  const auto same = [&](size_t a, size_t b) {
    return b < pixels && std::equal(&s[a * bytes], &s[a * bytes] + bytes, &s[b * bytes]);
  };
  Bytes out;
  for (size_t p = 0, n = 1; p < pixels; p += n, n = 1) {
    const bool run = same(p, p + 1);
    while (n < 128 && (run ? same(p, p + n) : p + n < pixels && !same(p + n, p + n + 1)))
      ++n;
    out.push_back(Byte(run ? 127 + n : n - 1));
    out.insert(out.end(), &s[p * bytes], &s[p * bytes] + (run ? 1 : n) * bytes);
  }
  return out;
}

// Long runs that cross row ends and the 128-pixel packet limit, with plain stretches between.
Bytes Picture(size_t pixels, size_t bytes) {
  Bytes out;
  for (size_t p = 0; p < pixels; ++p)
    for (size_t k = 0; k < bytes; ++k)
      out.push_back(Byte((p % 500 < 200 ? p : 200 + p / 500) * 7 + k * 40));
  return out;
}

// A palette in red, green, blue order, and the same as the file stores it.
const Bytes Rgb = Picture(256, 3), StoredPalette = Stored(Rgb, 256, 3, true);

// Decodes from a block of exactly the file's size, so the sanitizer build sees a read past it.
int Decode(TGAImg& img, const Bytes& file) {
  const auto exact = std::make_unique<unsigned char[]>(file.size());
  std::copy(file.begin(), file.end(), exact.get());
  return img.Decode(exact.get(), file.size());
}

Bytes Pixels(const TGAImg& img) {
  return Bytes(img.GetImg(), img.GetImg() + img.GetWidth() * img.GetHeight() * img.GetBPP() / 8);
}

}  // namespace

// Every accepted type in either row order, an image ID on some; one object throughout, so each
// decode also shows the image before it discarded.
TEST(TgaDecode, EveryTypeGivesTopRowFirstInRgbOrder) {
  TGAImg img;
  for (auto [type, bytes] : {std::pair{1, 1}, {2, 3}, {2, 4}, {9, 1}, {10, 3}, {10, 4}})
    for (int top : {0, 32}) {
      const int descriptor = top + (bytes == 4 && !top) * 8;  // bottom-up 32-bit declares alpha
      const int idLength = type < 9 ? 0 : 5;
      const Bytes picture = Picture(333 * 3, bytes), stored = Stored(picture, 333, bytes, top);
      const Bytes file = Header(type, 333, 3, bytes * 8, descriptor, idLength) +
                         Bytes(idLength, 7) + (bytes == 1 ? StoredPalette : Bytes()) +
                         (type < 9 ? stored : Rle(stored, bytes));
      ASSERT_EQ(Decode(img, file), TgaOk) << type << " " << top;
      EXPECT_EQ(img.GetWidth() * 10 + img.GetHeight(), 3333);
      EXPECT_EQ(Pixels(img), picture);
      if (bytes == 1)
        EXPECT_EQ(Bytes(img.GetPalette(), img.GetPalette() + 768), Rgb);
      else
        EXPECT_EQ(img.GetPalette(), nullptr);
    }
}

TEST(TgaRunLength, Header255RepeatsOnePixel128TimesAndHeader0CopiesOne) {
  Bytes want(129 * 3);  // 128 times 1, 2, 3, then 4, 5, 6
  for (size_t i = 0; i < want.size(); ++i)
    want[i] = Byte(i < 384 ? i % 3 + 1 : i - 380);
  TGAImg img;
  ASSERT_EQ(Decode(img, Header(10, 129, 1, 24, 0) + Bytes{255, 3, 2, 1, 0, 6, 5, 4}), TgaOk);
  EXPECT_EQ(Pixels(img), want);
}

// Sets bytes of a file from offset at on.
Bytes Poke(Bytes file, size_t at, Bytes values) {
  std::copy(values.begin(), values.end(), file.begin() + at);
  return file;
}

// Each case spoils a good file in one way; a refused file also discards the image held before.
TEST(TgaResultCodes, RefusedFilesGiveTheirCodeAndLeaveNoImage) {
  const Bytes good = Header(2, 3, 2, 24, 0) + Picture(6, 3);
  const Bytes good32 = Header(2, 3, 2, 32, 8) + Picture(6, 4);
  const Bytes mapped = Header(1, 3, 2, 8, 0) + StoredPalette + Picture(6, 1);
  const Bytes run = Header(10, 2, 1, 24, 32);  // two pixels
  const std::pair<Bytes, int> cases[] = {
      {Bytes(good.begin(), good.end() - 1), TgaBadData},          // pixel block one byte short
      {Bytes(good.begin(), good.begin() + 17), TgaBadData},       // header cut short
      {Poke(mapped, 2, {2}), TgaBadData},                         // true colour with a palette
      {Poke(good, 2, {1}), TgaBadData},                           // colour-mapped without
      {Poke(good, 2, {9}), TgaBadData},                           // run-length, likewise
      {Poke(good, 12, {0}), TgaBadData},                          // width 0
      {Poke(good, 14, {0, 0x80}), TgaBadData},                    // height -32768
      {Poke(good, 2, {3}), TgaUnsupported},                       // grey-scale
      {Poke(good, 1, {2}), TgaUnsupported},                       // colour map type 2
      {Poke(good, 2, {12}), TgaUnsupported},                      // types 12 to 127
      {Poke(good, 2, {128}), TgaUnsupported},                     // vendor types
      {Poke(good32, 17, {40}), TgaUnsupported},                   // top-down with alpha bits
      {Poke(good, 16, {16}), TgaUnsupported},                     // 16-bit true colour
      {Poke(mapped + Bytes(12), 16, {24}), TgaUnsupported},       // 24-bit indices
      {Poke(mapped, 5, {16, 0}), TgaUnsupported},                 // 16-entry palette
      {Poke(mapped, 7, {32}), TgaUnsupported},                    // 32-bit palette entries
      {Poke(mapped, 3, {1}), TgaUnsupported},                     // palette from entry 1
      {run + Bytes{130, 1, 2, 3}, TgaBadData},                    // run of 3 into 2 pixels
      {run + Bytes{2, 1, 2, 3, 4, 5, 6, 7, 8, 9}, TgaBadData},    // literal of 3 into 2
      {run + Bytes{128, 1, 2, 3, 128, 1, 2}, TgaBadData},         // run pixel past the end
      {run + Bytes{0, 1, 2, 3, 0, 4}, TgaBadData},                // literal past the end
      {run + Bytes{0, 1, 2, 3}, TgaBadData},                      // packets stop short
      {Header(9, 1, 1, 8, 0) + Bytes(767), TgaBadData},           // palette past the end
      {Header(10, 1, 1, 24, 0, 200) + Bytes(50), TgaBadData},     // image ID past the end
      {Header(2, 16384, 16384, 128, 0) + Bytes(64), TgaBadData},  // 2^32 bytes: 0 in 32 bits
      {Header(10, 32767, 32767, 32, 0) + Bytes(9), TgaBadData},   // 4 GB claimed by 9 bytes
  };
  for (const auto& [file, result] : cases) {
    TGAImg img;
    ASSERT_EQ(Decode(img, mapped), TgaOk);
    EXPECT_EQ(Decode(img, file), result) << ::testing::PrintToString(file);
    EXPECT_EQ(img.GetImg(), nullptr);
    EXPECT_EQ(img.GetPalette(), nullptr);
  }
  TGAImg img;
  EXPECT_EQ(img.Decode(nullptr, 0), TgaNoFile);  // nothing to examine (an empty file gives 8)
}

TEST(TgaLoad, ReadsAWholeFileAndDiscardsItsImageWhenTheNextLoadFails) {
  namespace fs = std::filesystem;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path dir = fs::temp_directory_path() / ("image_test_" + std::to_string(stamp));
  fs::create_directories(dir);
  const Bytes picture = Picture(6, 3), file = Header(2, 3, 2, 24, 0) + Stored(picture, 3, 3, 0);
  std::ofstream(dir / "Case.tga", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), file.size());
  std::ofstream(dir / "Empty.tga").close();
  TGAImg img;
  EXPECT_EQ(img.Load((dir / "Case.tga").string().c_str()), TgaOk);
  EXPECT_EQ(Pixels(img), picture);
  EXPECT_EQ(img.Load((dir / "Missing.tga").string().c_str()), TgaNoFile);
  EXPECT_EQ(img.GetImg(), nullptr);
  EXPECT_EQ(img.Load(dir.string().c_str()), TgaNoFile);  // a folder opens but cannot be read
  EXPECT_EQ(img.Load((dir / "Empty.tga").string().c_str()), TgaBadData);
  fs::remove_all(dir);
}

// A named pipe with no writer: opening it to read would wait for ever, so it is no file at all.
TEST(TgaLoad, NamedPipeIsRefusedWithoutWaitingForAWriter) {
  namespace fs = std::filesystem;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path dir = fs::temp_directory_path() / ("image_test_pipe_" + std::to_string(stamp));
  fs::create_directories(dir);
  const fs::path pipe = dir / "Hole.tga";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
  TGAImg img;
  EXPECT_EQ(img.Load(pipe.string().c_str()), TgaNoFile);
  fs::remove_all(dir);
}
