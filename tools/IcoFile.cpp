#include "tools/IcoFile.h"

#include "tools/PngFile.h"

namespace {

constexpr int DirectoryBytes = 6;  // reserved, type, image count
constexpr int EntryBytes = 16;     // one directory entry per image
constexpr int BitmapHeaderBytes = 40;
constexpr int TypeIcon = 1;
constexpr int PngFromSide = 256;  // sides from here on are stored as PNG

void PutLe16(Bytes& out, int v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void PutLe32(Bytes& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
  }
}

// An icon bitmap: the header of a bitmap twice the picture's height (colour and mask stacked),
// the B,G,R,A rows bottom first, then the 1-bit transparency mask, bottom first, each of its
// rows padded to 4 bytes. Windows reads the alpha; the mask is for readers that do not.
Bytes EncodeIconBitmap(const Picture& p) {
  const int maskRowBytes = (p.Width() + 31) / 32 * 4;
  Bytes out;
  PutLe32(out, BitmapHeaderBytes);
  PutLe32(out, static_cast<std::uint32_t>(p.Width()));
  PutLe32(out, static_cast<std::uint32_t>(2 * p.Height()));
  PutLe16(out, 1);   // planes
  PutLe16(out, 32);  // bits per pixel
  PutLe32(out, 0);   // no compression
  PutLe32(out, static_cast<std::uint32_t>((4 * p.Width() + maskRowBytes) * p.Height()));
  for (int unused = 0; unused < 4; ++unused) {
    PutLe32(out, 0);  // resolution x and y, palette sizes
  }
  for (int y = p.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < p.Width(); ++x) {
      const Rgba c = p.At(x, y);
      out.insert(out.end(), {c.B, c.G, c.R, c.A});
    }
  }
  for (int y = p.Height() - 1; y >= 0; --y) {
    Bytes row(static_cast<std::size_t>(maskRowBytes), 0);
    for (int x = 0; x < p.Width(); ++x) {
      if (p.At(x, y).A == 0) {
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      }
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

Bytes EncodeIco(const std::vector<Picture>& pictures) {
  std::vector<Bytes> images;
  for (const Picture& p : pictures) {
    images.push_back(p.Width() >= PngFromSide ? EncodePng(p) : EncodeIconBitmap(p));
  }
  Bytes out;
  PutLe16(out, 0);
  PutLe16(out, TypeIcon);
  PutLe16(out, static_cast<int>(pictures.size()));
  std::uint32_t offset = DirectoryBytes + EntryBytes * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    // A side of 256 does not fit the byte: 0 stands for it.
    out.push_back(static_cast<std::uint8_t>(pictures[i].Width() & 0xFF));
    out.push_back(static_cast<std::uint8_t>(pictures[i].Height() & 0xFF));
    out.push_back(0);  // no palette
    out.push_back(0);  // reserved
    PutLe16(out, 1);   // planes
    PutLe16(out, 32);  // bits per pixel
    PutLe32(out, static_cast<std::uint32_t>(images[i].size()));
    PutLe32(out, offset);
    offset += static_cast<std::uint32_t>(images[i].size());
  }
  for (const Bytes& image : images) {
    out.insert(out.end(), image.begin(), image.end());
  }
  return out;
}
