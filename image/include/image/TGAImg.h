// Truevision TGA reader: uncompressed and run-length encoded, true-colour (24/32 bit)
// and colour-mapped (8 bit, 256-entry 24-bit palette). Knows nothing of OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// Results of TGAImg::Load and TGAImg::Decode; each a distinct bit.
enum TgaResult : int {
  TgaOk = 1,           // image loaded
  TgaNoFile = 2,       // file cannot be opened, or no data to examine
  TgaNoMemory = 4,     // a buffer cannot be allocated
  TgaBadData = 8,      // header contradicts itself, or data is short of what it declares
  TgaUnsupported = 64  // a TGA variant this reader does not handle
};

class TGAImg {
public:
  TGAImg();
  ~TGAImg();
  TGAImg(const TGAImg&) = delete;
  TGAImg& operator=(const TGAImg&) = delete;

  // Reads the whole file in one read, then decodes it. Discards any image held before.
  int Load(const char* filename);
  // Decodes a whole TGA file already in memory (the bytes are borrowed, not kept).
  int Decode(const unsigned char* data, std::size_t size);

  int GetBPP() const;
  int GetWidth() const;
  int GetHeight() const;
  // Pixels, top row first, each pixel R,G,B(,A) or one palette index; owned by this object.
  unsigned char* GetImg() const;
  // 256 entries of R,G,B for colour-mapped images, else null.
  unsigned char* GetPalette() const;

private:
  // Decoding steps, each returning a result code where it can fail. Colour bytes are swapped
  // and rows put top-first while the pixels are written, so no step walks the image twice
  // except the row flip of run-length images stored bottom-up.
  int ReadHeader();
  int DecodePixels();
  int AllocateImg();
  int LoadRawData();
  int LoadTgaRLEData();
  int LoadTgaPalette();
  void FlipImg();
  void Clear();

  short Width = 0;
  short Height = 0;
  short BPP = 0;
  // Width x Height x (BPP / 8): up to about 2^35, so kept in 64 bits.
  std::uint64_t ImageSize = 0;
  unsigned char ImageType = 0;
  unsigned char IdLength = 0;
  unsigned char ColourMapType = 0;
  unsigned char Descriptor = 0;
  // Offset of the pixel data: behind the header, the image ID and the palette.
  std::size_t PixelStart = 0;
  std::unique_ptr<unsigned char[]> Img;
  std::unique_ptr<unsigned char[]> Palette;
  std::unique_ptr<unsigned char[]> FileData;
  // The file bytes being decoded (FileData, or the caller's buffer in Decode); borrowed.
  const unsigned char* Data = nullptr;
  std::size_t DataSize = 0;
};
