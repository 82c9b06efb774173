#include "tools/ArtFiles.h"

#include <fstream>

// TGA header fields and limits.
constexpr std::uint8_t TgaTrueColour = 2;
constexpr std::uint8_t TgaTrueColourRle = 10;
constexpr std::uint8_t TgaTopDown = 0x20;
constexpr int TgaMaxPacket = 128;  // pixels in one run or literal packet

static void PutLe16(Bytes& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

static void PutLe32(Bytes& out, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>((u >> shift) & 0xFF));
  }
}

// The picture's pixels in the order the file stores them, each as its B,G,R(,A) bytes.
static std::vector<Bytes> StoredPixels(const Picture& p, const TgaLayout& layout) {
  std::vector<Bytes> pixels;
  pixels.reserve(static_cast<std::size_t>(p.Width()) * p.Height());
  for (int row = 0; row < p.Height(); ++row) {
    const int y = layout.TopDown ? row : p.Height() - 1 - row;
    for (int x = 0; x < p.Width(); ++x) {
      const Rgba& c = p.At(x, y);
      Bytes px = {c.B, c.G, c.R};
      if (layout.Bits == 32) {
        px.push_back(c.A);
      }
      pixels.push_back(std::move(px));
    }
  }
  return pixels;
}

// Length of the run of equal pixels starting at i, at most one packet long.
static int RunAt(const std::vector<Bytes>& px, std::size_t i) {
  int n = 1;
  while (i + n < px.size() && n < TgaMaxPacket && px[i + n] == px[i]) {
    ++n;
  }
  return n;
}

// Run-length packets over the whole pixel stream; packets run on across row ends. Two or
// more equal pixels make a run packet, anything else gathers into literal packets.
static void PutRunLength(Bytes& out, const std::vector<Bytes>& px) {
  std::size_t i = 0;
  while (i < px.size()) {
    const int run = RunAt(px, i);
    if (run >= 2) {
      out.push_back(static_cast<std::uint8_t>(0x80 | (run - 1)));
      out.insert(out.end(), px[i].begin(), px[i].end());
      i += run;
      continue;
    }
    std::size_t end = i + 1;
    while (end < px.size() && end - i < TgaMaxPacket && RunAt(px, end) < 2) {
      ++end;
    }
    out.push_back(static_cast<std::uint8_t>(end - i - 1));
    for (; i < end; ++i) {
      out.insert(out.end(), px[i].begin(), px[i].end());
    }
  }
}

Bytes EncodeTga(const Picture& picture, const TgaLayout& layout) {
  Bytes out;
  out.push_back(0);  // no image ID
  out.push_back(0);  // no colour map
  out.push_back(layout.RunLength ? TgaTrueColourRle : TgaTrueColour);
  out.insert(out.end(), 5, 0);  // colour map fields, unused
  PutLe16(out, 0);              // x origin
  PutLe16(out, 0);              // y origin
  PutLe16(out, picture.Width());
  PutLe16(out, picture.Height());
  out.push_back(static_cast<std::uint8_t>(layout.Bits));
  std::uint8_t descriptor = layout.TopDown ? TgaTopDown : 0;
  if (layout.Bits == 32 && !layout.TopDown) {
    descriptor |= 8;  // alpha bits; see the header comment for why top-down files omit them
  }
  out.push_back(descriptor);

  const std::vector<Bytes> px = StoredPixels(picture, layout);
  if (layout.RunLength) {
    PutRunLength(out, px);
  } else {
    for (const Bytes& p : px) {
      out.insert(out.end(), p.begin(), p.end());
    }
  }
  return out;
}

Bytes EncodeBff(const BffFont& font) {
  Bytes out = {0xBF, 0xF2};
  PutLe32(out, font.SheetWidth);
  PutLe32(out, font.SheetHeight);
  PutLe32(out, font.CellWidth);
  PutLe32(out, font.CellHeight);
  out.push_back(32);  // bits per pixel: R,G,B,A
  out.push_back(static_cast<std::uint8_t>(font.BaseChar));
  for (std::int8_t w : font.Widths) {
    out.push_back(static_cast<std::uint8_t>(w));
  }
  // Top row first, as the sheet is uploaded without flipping.
  for (int y = 0; y < font.SheetHeight; ++y) {
    for (int x = 0; x < font.SheetWidth; ++x) {
      const Rgba& c = font.Sheet.At(x, y);
      out.insert(out.end(), {c.R, c.G, c.B, c.A});
    }
  }
  return out;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}
