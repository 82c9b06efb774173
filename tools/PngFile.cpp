#include "tools/PngFile.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

constexpr std::uint8_t Signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t Rgba8[] = {8, 6, 0, 0, 0};  // bit depth, colour type, compression,
                                                   // filter method, no interlace
constexpr std::uint8_t FilterNone = 0;             // first byte of every scanline
constexpr std::size_t StoredBlockMax = 65535;      // bytes in one stored deflate block
constexpr std::uint32_t AdlerModulus = 65521;

void PutBe32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
  }
}

// CRC-32 (polynomial 0xEDB88320), as PNG's chunks and zip files use it.
std::uint32_t Crc32(const std::uint8_t* data, std::size_t size) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) {
        c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      }
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  }
  return crc ^ 0xFFFFFFFFu;
}

// The zlib stream's checksum of the uncompressed data.
std::uint32_t Adler32(const Bytes& data) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % AdlerModulus;
    b = (b + a) % AdlerModulus;
  }
  return (b << 16) | a;
}

// One chunk: length, type, data, and the CRC of type and data.
void PutChunk(Bytes& out, const char (&type)[5], const Bytes& data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBe32(out, Crc32(out.data() + typeAt, out.size() - typeAt));
}

// A zlib stream holding the data in stored blocks.
Bytes StoredZlib(const Bytes& raw) {
  Bytes out = {0x78, 0x01};  // deflate, 32 KiB window; header check makes it a multiple of 31
  std::size_t at = 0;
  do {
    const std::size_t len = std::min(StoredBlockMax, raw.size() - at);
    const bool last = at + len == raw.size();
    out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00 (stored)
    out.push_back(static_cast<std::uint8_t>(len & 0xFF));
    out.push_back(static_cast<std::uint8_t>(len >> 8));
    out.push_back(static_cast<std::uint8_t>(~len & 0xFF));
    out.push_back(static_cast<std::uint8_t>((~len >> 8) & 0xFF));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
               raw.begin() + static_cast<std::ptrdiff_t>(at + len));
    at += len;
  } while (at < raw.size());
  PutBe32(out, Adler32(raw));
  return out;
}

}  // namespace

Bytes EncodePng(const Picture& picture) {
  Bytes header;
  PutBe32(header, static_cast<std::uint32_t>(picture.Width()));
  PutBe32(header, static_cast<std::uint32_t>(picture.Height()));
  header.insert(header.end(), std::begin(Rgba8), std::end(Rgba8));

  Bytes raw;
  raw.reserve(static_cast<std::size_t>(picture.Height()) * (1 + 4 * picture.Width()));
  for (int y = 0; y < picture.Height(); ++y) {
    raw.push_back(FilterNone);
    for (int x = 0; x < picture.Width(); ++x) {
      const Rgba& c = picture.At(x, y);
      raw.insert(raw.end(), {c.R, c.G, c.B, c.A});
    }
  }

  Bytes out(std::begin(Signature), std::end(Signature));
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", StoredZlib(raw));
  PutChunk(out, "IEND", {});
  return out;
}
