// Test pictures and a small TGA writer for the benchmarks.
#include "TgaFiles.h"

#include <cstdint>
#include <cstring>

namespace {

// Largest number of pixels one run-length packet may carry.
constexpr int MaxPacket = 128;

// A repeatable hash of a pixel position: the picture's noise, the same on every run.
std::uint32_t Hash(std::uint32_t x, std::uint32_t y) {
  std::uint32_t h = x * 0x9E3779B1u ^ (y + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return h;
}

void Put(Picture& p, int x, int y, unsigned r, unsigned g, unsigned b, unsigned a) {
  unsigned char* px = p.Rgba.data() + (std::size_t(y) * p.Width + x) * 4;
  px[0] = static_cast<unsigned char>(r);
  px[1] = static_cast<unsigned char>(g);
  px[2] = static_cast<unsigned char>(b);
  px[3] = static_cast<unsigned char>(a);
}

// Palette index of a colour: 3 bits red, 3 green, 2 blue.
unsigned char Quantise(const unsigned char* rgba) {
  return static_cast<unsigned char>((rgba[0] & 0xE0) | ((rgba[1] & 0xE0) >> 3) | (rgba[2] >> 6));
}

// The palette entry of index i, stored blue, green, red as TGA wants it.
void PaletteEntry(unsigned i, unsigned char* bgr) {
  bgr[2] = static_cast<unsigned char>((i & 0xE0) | 0x10);
  bgr[1] = static_cast<unsigned char>(((i << 3) & 0xE0) | 0x10);
  bgr[0] = static_cast<unsigned char>(((i << 6) & 0xC0) | 0x20);
}

void PutU16(std::vector<unsigned char>& out, unsigned value) {
  out.push_back(static_cast<unsigned char>(value & 0xFF));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

// Greedy run-length packets over the whole pixel stream (packets cross row ends): runs of two
// or more equal pixels, literal packets for the rest.
void RunLength(const std::vector<unsigned char>& pixels, int bytes,
               std::vector<unsigned char>& out) {
  const std::size_t n = pixels.size() / bytes;
  auto same = [&](std::size_t a, std::size_t b) {
    return std::memcmp(&pixels[a * bytes], &pixels[b * bytes], bytes) == 0;
  };
  std::size_t i = 0;
  while (i < n) {
    std::size_t run = 1;
    while (i + run < n && run < MaxPacket && same(i, i + run))
      ++run;
    if (run >= 2) {
      out.push_back(static_cast<unsigned char>(0x80 | (run - 1)));
      out.insert(out.end(), &pixels[i * bytes], &pixels[i * bytes] + bytes);
      i += run;
      continue;
    }
    std::size_t count = 1;
    while (i + count < n && count < MaxPacket &&
           !(i + count + 1 < n && same(i + count, i + count + 1)))
      ++count;
    out.push_back(static_cast<unsigned char>(count - 1));
    out.insert(out.end(), &pixels[i * bytes], &pixels[(i + count) * bytes]);
    i += count;
  }
}

}  // namespace

Picture MakePicture(int width, int height) {
  Picture p;
  p.Width = width;
  p.Height = height;
  p.Rgba.resize(std::size_t(width) * height * 4);
  const double w = width, h = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // Sky: a vertical gradient, every row one colour (long runs).
      unsigned r = 40 + 160 * y / height, g = 60 + 120 * y / height, b = 200 - 100 * y / height;
      unsigned a = 255;
      const double u = x / w, v = y / h;
      // A brushed-metal panel: a smooth diagonal ramp with fine grain (mostly literals).
      if (u > 0.08 && u < 0.62 && v > 0.55 && v < 0.92) {
        const unsigned ramp = static_cast<unsigned>(90 + 100 * (u + v) / 2);
        const unsigned grain = Hash(x, y) % 12;
        r = g = ramp + grain;
        b = ramp + grain / 2 + 10;
      }
      // Flat shapes: a disc and two bars (runs that end at their edges).
      const double dx = u - 0.7, dy = v - 0.3;
      if (dx * dx + dy * dy < 0.04) {
        r = 230, g = 180, b = 30, a = 200;
      } else if (v > 0.12 && v < 0.18 && u > 0.05 && u < 0.5) {
        r = 20, g = 20, b = 20;
      } else if (u > 0.8 && u < 0.86 && v > 0.4) {
        r = 160, g = 30, b = 30, a = 128;
      }
      // Speckled ground: noise at the bottom (literals), with a soft transparent edge.
      if (v > 0.94) {
        const std::uint32_t n = Hash(x, y);
        r = 60 + n % 50, g = 50 + (n >> 8) % 40, b = 30 + (n >> 16) % 30;
        a = 255 - static_cast<unsigned>((v - 0.94) * 1000) % 64;
      }
      Put(p, x, y, r, g, b, a);
    }
  }
  return p;
}

std::vector<unsigned char> WriteTga(const Picture& picture, TgaKind kind) {
  const bool mapped = kind == TgaKind::Mapped || kind == TgaKind::MappedRunLength;
  const bool runLength = kind == TgaKind::RunLength24 || kind == TgaKind::RunLength32 ||
                         kind == TgaKind::MappedRunLength;
  const int bytes = mapped ? 1 : (kind == TgaKind::Raw32 || kind == TgaKind::RunLength32) ? 4 : 3;
  const unsigned char type = static_cast<unsigned char>((mapped ? 1 : 2) + (runLength ? 8 : 0));

  std::vector<unsigned char> out = {0, static_cast<unsigned char>(mapped ? 1 : 0), type};
  PutU16(out, 0);                  // first colour map entry
  PutU16(out, mapped ? 256 : 0);   // colour map length
  out.push_back(mapped ? 24 : 0);  // colour map entry bits
  PutU16(out, 0);                  // x origin
  PutU16(out, 0);                  // y origin
  PutU16(out, picture.Width);
  PutU16(out, picture.Height);
  out.push_back(static_cast<unsigned char>(bytes * 8));
  out.push_back(bytes == 4 ? 8 : 0);  // alpha bits; bit 5 clear: bottom row first
  if (mapped) {
    for (unsigned i = 0; i < 256; ++i) {
      unsigned char bgr[3];
      PaletteEntry(i, bgr);
      out.insert(out.end(), bgr, bgr + 3);
    }
  }

  // The stored pixels, bottom row first, colours blue, green, red (, alpha).
  std::vector<unsigned char> pixels;
  pixels.reserve(std::size_t(picture.Width) * picture.Height * bytes);
  for (int y = picture.Height - 1; y >= 0; --y) {
    for (int x = 0; x < picture.Width; ++x) {
      const unsigned char* px = &picture.Rgba[(std::size_t(y) * picture.Width + x) * 4];
      if (mapped) {
        pixels.push_back(Quantise(px));
        continue;
      }
      pixels.push_back(px[2]);
      pixels.push_back(px[1]);
      pixels.push_back(px[0]);
      if (bytes == 4)
        pixels.push_back(px[3]);
    }
  }
  if (runLength)
    RunLength(pixels, bytes, out);
  else
    out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

std::string KindName(TgaKind kind) {
  switch (kind) {
    case TgaKind::Raw24:
      return "24-bit raw";
    case TgaKind::Raw32:
      return "32-bit raw";
    case TgaKind::RunLength24:
      return "24-bit RLE";
    case TgaKind::RunLength32:
      return "32-bit RLE";
    case TgaKind::Mapped:
      return "8-bit mapped raw";
    case TgaKind::MappedRunLength:
      return "8-bit mapped RLE";
  }
  return "?";
}
