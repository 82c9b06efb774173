#include "image/TGAImg.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <new>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// The fixed header in front of every TGA file; multi-byte fields are little-endian.
constexpr std::size_t HeaderSize = 18;
constexpr std::size_t IdLengthAt = 0;
constexpr std::size_t ColourMapTypeAt = 1;
constexpr std::size_t ImageTypeAt = 2;
constexpr std::size_t MapFirstAt = 3;
constexpr std::size_t MapLengthAt = 5;
constexpr std::size_t MapEntryBitsAt = 7;
constexpr std::size_t WidthAt = 12;
constexpr std::size_t HeightAt = 14;
constexpr std::size_t DepthAt = 16;
constexpr std::size_t DescriptorAt = 17;

// The one palette shape we read: 256 entries of 24 bits, stored blue, green, red.
constexpr unsigned PaletteEntries = 256;
constexpr unsigned PaletteEntryBits = 24;
constexpr std::size_t PaletteBytes = PaletteEntries * 3;

// Image descriptor bit 5: the first stored row is the top row. Descriptors above it are refused,
// so a top-down file may not declare alpha bits (40) while a bottom-up one may (8).
constexpr unsigned char TopFirst = 32;

// Run-length packet header: bit 7 marks a run, the low 7 bits hold the pixel count less one.
constexpr unsigned RunPacket = 128;
constexpr unsigned PacketCountMask = 127;
constexpr std::size_t MaxPacketPixels = 128;

unsigned ReadU16(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}

short ReadS16(const unsigned char* p) {
  const unsigned value = ReadU16(p);
  return static_cast<short>(value < 0x8000 ? int(value) : int(value) - 0x10000);
}

// Blue-green-red to red-green-blue, one pixel at a time: the tail that the block copies leave.
inline void SwapBgr(unsigned char* dst, const unsigned char* src, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i, dst += 3, src += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

inline void SwapBgra(unsigned char* dst, const unsigned char* src, std::size_t pixels) {
  for (std::size_t i = 0; i < pixels; ++i, dst += 4, src += 4) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
    dst[3] = src[3];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// Byte-wise copies cost a load and a store per colour byte. SSSE3's byte shuffle reorders 16
// bytes in one instruction, which makes a decode cost little more than a copy. Nearly every
// x86 processor has it; the few without take the byte-wise path.
bool HasByteShuffle() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}

// 4 pixels of 3 bytes per step: a 16-byte load, shuffled, stored whole. The 4 bytes past the
// 12 are written again by the next step, so steps go on only while the 16 bytes fit.
// Returns the pixels done.
__attribute__((target("ssse3"))) std::size_t ShuffleBgr(unsigned char* dst,
                                                        const unsigned char* src,
                                                        std::size_t pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 12, 13, 14, 15);
  std::size_t done = 0;
  for (; 3 * done + 16 <= 3 * pixels; done += 4) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * done));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * done), _mm_shuffle_epi8(x, order));
  }
  return done;
}

// 4 pixels of 4 bytes per step; alpha stays where it is.
__attribute__((target("ssse3"))) std::size_t ShuffleBgra(unsigned char* dst,
                                                         const unsigned char* src,
                                                         std::size_t pixels) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
  std::size_t done = 0;
  for (; done + 4 <= pixels; done += 4) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * done));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * done), _mm_shuffle_epi8(x, order));
  }
  return done;
}

std::size_t SwapBgrBlocks(unsigned char* dst, const unsigned char* src, std::size_t pixels) {
  return HasByteShuffle() ? ShuffleBgr(dst, src, pixels) : 0;
}
std::size_t SwapBgraBlocks(unsigned char* dst, const unsigned char* src, std::size_t pixels) {
  return HasByteShuffle() ? ShuffleBgra(dst, src, pixels) : 0;
}
#else
std::size_t SwapBgrBlocks(unsigned char*, const unsigned char*, std::size_t) {
  return 0;
}
std::size_t SwapBgraBlocks(unsigned char*, const unsigned char*, std::size_t) {
  return 0;
}
#endif

// Copies pixels of 1, 3 or 4 bytes from the file's blue-green-red(-alpha) order into red-green-
// blue(-alpha); single bytes are palette indices and go across as they are.
inline void CopyPixels(unsigned char* dst, const unsigned char* src, std::size_t pixels,
                       std::size_t bytes) {
  if (bytes == 3) {
    const std::size_t done = SwapBgrBlocks(dst, src, pixels);
    SwapBgr(dst + 3 * done, src + 3 * done, pixels - done);
  } else if (bytes == 4) {
    const std::size_t done = SwapBgraBlocks(dst, src, pixels);
    SwapBgra(dst + 4 * done, src + 4 * done, pixels - done);
  } else {
    std::memcpy(dst, src, pixels * bytes);
  }
}

// Writes one stored pixel count times, its colour bytes reordered as in CopyPixels.
inline void FillRun(unsigned char* dst, const unsigned char* src, std::size_t count,
                    std::size_t bytes) {
  if (bytes == 3) {
    const unsigned char red = src[2], green = src[1], blue = src[0];
    for (std::size_t i = 0; i < count; ++i, dst += 3) {
      dst[0] = red;
      dst[1] = green;
      dst[2] = blue;
    }
  } else if (bytes == 4) {
    const unsigned char pixel[4] = {src[2], src[1], src[0], src[3]};
    for (std::size_t i = 0; i < count; ++i, dst += 4)
      std::memcpy(dst, pixel, 4);
  } else {
    std::memset(dst, src[0], count);
  }
}

}  // namespace

TGAImg::TGAImg() = default;
TGAImg::~TGAImg() = default;

int TGAImg::GetBPP() const {
  return BPP;
}
int TGAImg::GetWidth() const {
  return Width;
}
int TGAImg::GetHeight() const {
  return Height;
}
unsigned char* TGAImg::GetImg() const {
  return Img.get();
}
unsigned char* TGAImg::GetPalette() const {
  return Palette.get();
}

// Forgets the image held, so nothing of it survives a later load that fails.
void TGAImg::Clear() {
  Img.reset();
  Palette.reset();
  Width = Height = BPP = 0;
  ImageSize = 0;
  ImageType = IdLength = ColourMapType = Descriptor = 0;
  PixelStart = 0;
}

// The whole file in one read, decoded from memory; its bytes go as soon as decoding ends.
int TGAImg::Load(const char* filename) {
  Clear();
  FileData.reset();
  // Only a regular file: a folder opens like a file on some systems and then reports a nonsense
  // size, and a named pipe without a writer would block the open for ever.
  std::error_code error;
  if (!filename || !std::filesystem::is_regular_file(filename, error))
    return TgaNoFile;
  std::FILE* file = std::fopen(filename, "rb");
  if (!file)
    return TgaNoFile;
  const long end = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
  int result = TgaNoFile;
  if (end >= 0) {
    const std::size_t size = static_cast<std::size_t>(end);
    std::rewind(file);
    FileData.reset(new (std::nothrow) unsigned char[size]);
    // A file cut short while we read it counts as unreadable.
    if (!FileData)
      result = TgaNoMemory;
    else if (std::fread(FileData.get(), 1, size, file) == size)
      result = Decode(FileData.get(), size);
  }
  std::fclose(file);
  FileData.reset();
  return result;
}

// Header checks, then the pixels; a null buffer is no file data at all, an empty one is too short.
int TGAImg::Decode(const unsigned char* data, std::size_t size) {
  Clear();
  Data = data;
  DataSize = size;
  int result = ReadHeader();
  if (result == TgaOk)
    result = DecodePixels();
  Data = nullptr;
  DataSize = 0;
  // No half-decoded picture is left behind for a caller that forgets to check the result.
  if (result != TgaOk) {
    Img.reset();
    Palette.reset();
  }
  return result;
}

// Checks the header on its own, before anything else of the file is looked at.
int TGAImg::ReadHeader() {
  if (!Data)
    return TgaNoFile;
  if (DataSize < HeaderSize)
    return TgaBadData;
  IdLength = Data[IdLengthAt];
  ColourMapType = Data[ColourMapTypeAt];
  if (ColourMapType > 1)
    return TgaUnsupported;
  // Types 12 to 127 are refused here; 128 and up (vendor types) fall to the dispatch, which
  // refuses them too.
  ImageType = Data[ImageTypeAt];
  if (ImageType > 11 && ImageType < 128)
    return TgaUnsupported;
  if (ColourMapType == 1 &&
      (ReadU16(Data + MapFirstAt) != 0 || ReadU16(Data + MapLengthAt) != PaletteEntries ||
       Data[MapEntryBitsAt] != PaletteEntryBits))
    return TgaUnsupported;
  // Signed, so a dimension of 32768 or more reads as negative and is refused with zero.
  Width = ReadS16(Data + WidthAt);
  Height = ReadS16(Data + HeightAt);
  if (Width < 1 || Height < 1)
    return TgaBadData;
  BPP = Data[DepthAt];
  Descriptor = Data[DescriptorAt];
  if (Descriptor > TopFirst)
    return TgaUnsupported;
  // 32767 x 32767 x 31 bytes overflows 32 bits, so the product is taken in 64.
  ImageSize = std::uint64_t(Width) * std::uint64_t(Height) * std::uint64_t(BPP / 8);
  return TgaOk;
}

// Sorts out the image types the header let through and checks each against the file before
// its pixels are decoded. A file that is damaged gets 8 before its depth is looked at.
int TGAImg::DecodePixels() {
  if (ImageType != 1 && ImageType != 2 && ImageType != 9 && ImageType != 10)
    return TgaUnsupported;
  const bool mapped = ImageType == 1 || ImageType == 9;
  const bool runLength = ImageType >= 9;
  if (ColourMapType != (mapped ? 1 : 0))
    return TgaBadData;
  PixelStart = HeaderSize + IdLength + (mapped ? PaletteBytes : 0);
  // An uncompressed file must hold every pixel; a run-length one at least its ID and palette.
  const std::uint64_t needed = PixelStart + (runLength ? 0 : ImageSize);
  if (DataSize < needed)
    return TgaBadData;
  // Only these depths decode right: any other would step the colour swap off the pixel block.
  const bool depthFits = mapped ? BPP == 8 : BPP == 24 || BPP == 32;
  if (!depthFits)
    return TgaUnsupported;
  int result = runLength ? LoadTgaRLEData() : LoadRawData();
  if (result == TgaOk && mapped)
    result = LoadTgaPalette();
  return result;
}

int TGAImg::AllocateImg() {
  if (ImageSize > std::numeric_limits<std::size_t>::max())
    return TgaNoMemory;
  Img.reset(new (std::nothrow) unsigned char[static_cast<std::size_t>(ImageSize)]);
  return Img ? TgaOk : TgaNoMemory;
}

// Uncompressed pixels: each stored row goes straight to its place in the top-first picture.
int TGAImg::LoadRawData() {
  if (AllocateImg() != TgaOk)
    return TgaNoMemory;
  const std::size_t bytes = BPP / 8;
  const std::size_t rowBytes = bytes * Width;
  const bool bottomUp = !(Descriptor & TopFirst);
  const unsigned char* src = Data + PixelStart;
  for (std::size_t row = 0; row < std::size_t(Height); ++row, src += rowBytes) {
    const std::size_t dstRow = bottomUp ? Height - 1 - row : row;
    CopyPixels(Img.get() + dstRow * rowBytes, src, Width, bytes);
  }
  return TgaOk;
}

// Run-length pixels: one stream of packets over the whole picture, free to cross row ends.
// A packet that would write past the pixel block, or read past the file, spoils the file.
int TGAImg::LoadTgaRLEData() {
  const std::size_t bytes = BPP / 8;
  const std::uint64_t pixels = ImageSize / bytes;
  // At best every 128 pixels cost one run packet: a header byte and one pixel. A file too short
  // even for that is refused before allocating, so a few bytes cannot claim gigabytes.
  const std::uint64_t leastPackets = (pixels + MaxPacketPixels - 1) / MaxPacketPixels;
  if (DataSize - PixelStart < leastPackets * (1 + bytes))
    return TgaBadData;
  if (AllocateImg() != TgaOk)
    return TgaNoMemory;
  unsigned char* out = Img.get();
  unsigned char* const outEnd = out + ImageSize;
  const unsigned char* src = Data + PixelStart;
  const unsigned char* const srcEnd = Data + DataSize;
  while (out != outEnd) {
    if (src == srcEnd)
      return TgaBadData;
    const unsigned header = *src++;
    const std::size_t count = (header & PacketCountMask) + 1;
    const std::size_t packetBytes = count * bytes;
    if (packetBytes > std::size_t(outEnd - out))
      return TgaBadData;
    const std::size_t readBytes = (header & RunPacket) ? bytes : packetBytes;
    if (readBytes > std::size_t(srcEnd - src))
      return TgaBadData;
    if (header & RunPacket)
      FillRun(out, src, count, bytes);
    else
      CopyPixels(out, src, count, bytes);
    src += readBytes;
    out += packetBytes;
  }
  if (!(Descriptor & TopFirst))
    FlipImg();
  return TgaOk;
}

// The palette follows the image ID; its entries turn from blue-green-red to red-green-blue.
int TGAImg::LoadTgaPalette() {
  Palette.reset(new (std::nothrow) unsigned char[PaletteBytes]);
  if (!Palette)
    return TgaNoMemory;
  CopyPixels(Palette.get(), Data + HeaderSize + IdLength, PaletteEntries, 3);
  return TgaOk;
}

// Turns a bottom-up picture top-first in place, swapping rows through a small stack buffer.
void TGAImg::FlipImg() {
  const std::size_t rowBytes = std::size_t(BPP / 8) * Width;
  unsigned char buffer[4096];
  for (std::size_t top = 0, bottom = Height - 1; top < bottom; ++top, --bottom) {
    unsigned char* a = Img.get() + top * rowBytes;
    unsigned char* b = Img.get() + bottom * rowBytes;
    for (std::size_t done = 0; done < rowBytes; done += sizeof buffer) {
      const std::size_t n = std::min(sizeof buffer, rowBytes - done);
      std::memcpy(buffer, a + done, n);
      std::memcpy(a + done, b + done, n);
      std::memcpy(b + done, buffer, n);
    }
  }
}
