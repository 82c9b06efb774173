// Bitmap font: a sheet of equal glyph cells plus a table of advance widths (".bff" files),
// drawn as one textured quad per character in window pixels. Uses OpenGL, nothing of the game.
#pragma once

#include <cstddef>

// How the sheet is blended when drawn, chosen by the file's bits per pixel; distinct bits.
enum BffBlendStyle : int {
  StyleLuminance = 1,  // 8 bit: added onto the background
  StyleRGB = 2,        // 24 bit: opaque cells
  StyleRGBA = 4        // 32 bit: alpha blended
};

// The fields of a ".bff" file as parsed from memory; Pixels borrows from the parsed bytes.
struct BffFile {
  int ImageWidth = 0;
  int ImageHeight = 0;
  int CellWidth = 0;
  int CellHeight = 0;
  int BitsPerPixel = 0;
  unsigned char BaseChar = 0;
  const unsigned char* Widths = nullptr;  // 256 bytes, signed advance widths
  const unsigned char* Pixels = nullptr;  // ImageWidth * ImageHeight * BitsPerPixel / 8 bytes
};

// Checks a whole ".bff" file in memory; true when it is a font that can be drawn safely.
bool ParseBff(const unsigned char* data, std::size_t size, BffFile& out);

class CBitmapFont {
public:
  CBitmapFont();
  ~CBitmapFont();

  // Reads a ".bff" file and uploads its sheet as a texture; needs a current GL context.
  bool Load(const char* fname);
  // Whether a sheet was uploaded: a font is loaded once, however many sessions use it.
  bool Loaded() const { return Texture != 0; }

  void SetScreen(int width, int height);
  void SetCursor(int x, int y);
  void SetColor(float red, float green, float blue);
  void ReverseYAxis(bool state);
  void Bind();
  void SetBlend();
  void Select();
  void Print(const char* text);
  void Print(const char* text, int x, int y);
  void ezPrint(const char* text, int x, int y);
  int GetWidth(const char* text) const;

private:
  int CellWidth = 0;
  int CellHeight = 0;
  int YExtent = 0;
  int Columns = 0;
  unsigned char BaseChar = 0;
  signed char Widths[256] = {};
  unsigned Texture = 0;
  int CursorX = 0;
  int CursorY = 0;
  float TexCellHeight = 0.0f;
  float TexCellWidth = 0.0f;
  int BlendStyle = 0;
  float Red = 1.0f;
  float Green = 1.0f;
  float Blue = 1.0f;
  bool YReversed = false;
};
