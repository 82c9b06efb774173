// Bitmap font: checking ".bff" files, uploading the sheet, and drawing text as textured quads.
#include "font/BitmapFont.h"

#include "platform/GL.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>

namespace {

// File layout: magic, four sizes, depth and base character, then one advance width per code;
// the sheet's pixels follow the fixed header directly.
constexpr std::size_t HeaderSize = 276;
constexpr std::size_t ImageWidthOffset = 2;
constexpr std::size_t ImageHeightOffset = 6;
constexpr std::size_t CellWidthOffset = 10;
constexpr std::size_t CellHeightOffset = 14;
constexpr std::size_t DepthOffset = 18;
constexpr std::size_t BaseCharOffset = 19;
constexpr std::size_t WidthsOffset = 20;
constexpr unsigned char MagicFirst = 0xBF;
constexpr unsigned char MagicSecond = 0xF2;
constexpr int WidthCount = 256;

int ReadInt32(const unsigned char* p) {
  const std::uint32_t bits = std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                             std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
  return static_cast<std::int32_t>(bits);
}

// How far a file got through the checks. A failed load still keeps the fields of every stage
// it passed: the cell sizes and base once the header is read, the sheet geometry once the size
// matches.
enum class BffStage { Refused, HeaderRead, Sized, Valid };

BffStage CheckBff(const unsigned char* data, std::size_t size, BffFile& out) {
  if (data == nullptr || size < HeaderSize || data[0] != MagicFirst || data[1] != MagicSecond)
    return BffStage::Refused;
  out.ImageWidth = ReadInt32(data + ImageWidthOffset);
  out.ImageHeight = ReadInt32(data + ImageHeightOffset);
  out.CellWidth = ReadInt32(data + CellWidthOffset);
  out.CellHeight = ReadInt32(data + CellHeightOffset);
  out.BitsPerPixel = data[DepthOffset];
  out.BaseChar = data[BaseCharOffset];

  // Drawing divides by the cells per row, so a sheet must hold at least one whole cell across;
  // and one down, since drawing adds the cell height to pen positions (2^31 - 1 would overflow);
  // empty or negative sizes would also multiply to a plausible pixel count (-2 x -2 is 4).
  if (out.CellWidth <= 0 || out.CellHeight <= 0 || out.ImageWidth <= 0 || out.ImageHeight <= 0 ||
      out.ImageWidth / out.CellWidth == 0 || out.ImageHeight / out.CellHeight == 0)
    return BffStage::HeaderRead;

  // Both sizes are below 2^31, so their product fits; the byte count is guarded before it is
  // formed, since a 65536 x 65536 sheet of 3 or 4 bytes per pixel wraps 32 bits to nothing.
  const std::uint64_t bytesPerPixel = static_cast<std::uint64_t>(out.BitsPerPixel / 8);
  const std::uint64_t pixelCount =
      static_cast<std::uint64_t>(out.ImageWidth) * static_cast<std::uint64_t>(out.ImageHeight);
  constexpr std::uint64_t largestBlock = std::numeric_limits<std::uint64_t>::max() - HeaderSize;
  if (bytesPerPixel != 0 && pixelCount > largestBlock / bytesPerPixel)
    return BffStage::HeaderRead;
  if (HeaderSize + pixelCount * bytesPerPixel != size)
    return BffStage::HeaderRead;

  if (out.BitsPerPixel != 8 && out.BitsPerPixel != 24 && out.BitsPerPixel != 32)
    return BffStage::Sized;
  out.Widths = data + WidthsOffset;
  out.Pixels = data + HeaderSize;
  return BffStage::Valid;
}

// The whole file in one read into a buffer of its exact size; null when any step fails.
std::unique_ptr<unsigned char[]> ReadWholeFile(const char* fname, std::size_t& size) {
  // A directory opens as a stream too, and its end lies at the largest offset there is.
  std::error_code error;
  if (!std::filesystem::is_regular_file(fname, error))
    return nullptr;
  std::FILE* file = std::fopen(fname, "rb");
  if (!file)
    return nullptr;
  const long end = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
  std::unique_ptr<unsigned char[]> bytes;
  if (end >= 0) {
    size = static_cast<std::size_t>(end);
    std::rewind(file);
    bytes.reset(new (std::nothrow) unsigned char[size]);
    if (bytes && std::fread(bytes.get(), 1, size, file) != size)
      bytes.reset();
  }
  std::fclose(file);
  return bytes;
}

// The sheet's texel format and how its glyphs are blended, from its bits per pixel.
struct SheetFormat {
  GLenum Format;
  int Style;
};
SheetFormat FormatOf(int bitsPerPixel) {
  if (bitsPerPixel == 24)
    return {GL_RGB, StyleRGB};
  if (bitsPerPixel == 32)
    return {GL_RGBA, StyleRGBA};
  return {GL_LUMINANCE, StyleLuminance};
}

// Whether the GL can hold a sheet this large: one it cannot would upload as nothing while the
// load claimed success.
bool FitsTexture(int width, int height) {
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  return width <= maxSize && height <= maxSize;
}

// The sheet in a new texture, left bound: linear filters, clamped to its edge. Sheet rows are
// packed without padding, so rows of any width need byte alignment; the caller's alignment is
// put back for the uploads that follow.
GLuint UploadSheet(const BffFile& bff, GLenum format) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  GLint unpackAlignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), bff.ImageWidth, bff.ImageHeight, 0,
               format, GL_UNSIGNED_BYTE, bff.Pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
  return texture;
}

// The projection that maps one unit to one pixel of a width x height area; with a reversed Y
// axis y 0 is the top edge.
void PixelOrtho(int width, int height, bool yReversed) {
  if (yReversed)
    glOrtho(0, width, height, 0, -1, 1);
  else
    glOrtho(0, width, 0, height, -1, 1);
}

// The attribute groups ezPrint saves: all twenty of OpenGL 1.x (GL_ALL_ATTRIB_BITS of that
// time); the later multisample group holds nothing that drawing text changes.
constexpr GLbitfield TextAttribBits = 0xFFFFF;

// ezPrint's save and restore. Without an attribute stack nothing but the matrices is saved:
// ezPrint then leaves the depth test off and the font's texture, colour and blending set, and
// never turns off depth writes (with the depth test off nothing is written to the depth buffer
// anyway).
void PushAttributes() {
  if constexpr (GLHasAttribStack)
    glPushAttrib(TextAttribBits);
}
void PopAttributes() {
  if constexpr (GLHasAttribStack)
    glPopAttrib();
}
void StopDepthWrites() {
  if constexpr (GLHasAttribStack)
    glDepthMask(GL_FALSE);
}

}  // namespace

bool ParseBff(const unsigned char* data, std::size_t size, BffFile& out) {
  return CheckBff(data, size, out) == BffStage::Valid;
}

CBitmapFont::CBitmapFont() = default;

// The texture outlives the font on purpose: the game's one font lives until exit.
CBitmapFont::~CBitmapFont() = default;

bool CBitmapFont::Load(const char* fname) {
  std::size_t size = 0;
  const std::unique_ptr<unsigned char[]> bytes = ReadWholeFile(fname, size);
  if (!bytes)
    return false;

  BffFile bff;
  const BffStage stage = CheckBff(bytes.get(), size, bff);
  // A refused file still leaves the fields of each stage it passed.
  if (stage >= BffStage::HeaderRead) {
    CellWidth = bff.CellWidth;
    CellHeight = bff.CellHeight;
    BaseChar = bff.BaseChar;
  }
  if (stage >= BffStage::Sized) {
    Columns = bff.ImageWidth / CellWidth;
    TexCellWidth = static_cast<float>(CellWidth) / static_cast<float>(bff.ImageWidth);
    TexCellHeight = static_cast<float>(CellHeight) / static_cast<float>(bff.ImageHeight);
    // Glyphs start upright after every load, whatever the axis setting says.
    YExtent = CellHeight;
  }
  if (stage != BffStage::Valid)
    return false;

  const SheetFormat sheet = FormatOf(bff.BitsPerPixel);
  BlendStyle = sheet.Style;
  if (!FitsTexture(bff.ImageWidth, bff.ImageHeight))
    return false;
  for (int code = 0; code < WidthCount; ++code)
    Widths[code] = static_cast<signed char>(bff.Widths[code]);
  Texture = UploadSheet(bff, sheet.Format);
  return true;
}

// Replaces both matrices and leaves GL_MODELVIEW current; nothing is saved.
void CBitmapFont::SetScreen(int width, int height) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  PixelOrtho(width, height, YReversed);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void CBitmapFont::SetCursor(int x, int y) {
  CursorX = x;
  CursorY = y;
}

void CBitmapFont::SetColor(float red, float green, float blue) {
  Red = red;
  Green = green;
  Blue = blue;
}

// A reversed axis (y growing downward) needs quads that extend upward on screen, hence the
// negative extent; SetScreen and ezPrint pick the matching projection.
void CBitmapFont::ReverseYAxis(bool state) {
  YReversed = state;
  YExtent = state ? -CellHeight : CellHeight;
}

void CBitmapFont::Bind() {
  glBindTexture(GL_TEXTURE_2D, Texture);
}

void CBitmapFont::SetBlend() {
  glColor3f(Red, Green, Blue);
  switch (BlendStyle) {
    case StyleRGB:
      glDisable(GL_BLEND);
      break;
    case StyleRGBA:
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glEnable(GL_BLEND);
      break;
    case StyleLuminance:
      // Luminance texels and the colour both have alpha 1, so this adds the glyph onto the
      // screen: the black of the sheet leaves the background as it is.
      glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
      glEnable(GL_BLEND);
      break;
    default:
      break;
  }
}

void CBitmapFont::Select() {
  glEnable(GL_TEXTURE_2D);
  Bind();
  SetBlend();
}

// One quad per byte, a whole cell wide, while the pen moves by the byte's own width, so narrow
// glyphs overlap their neighbours' empty margins. The quad's far edge takes the top of the cell
// (t0, since t 0 is the sheet's top row), which keeps glyphs upright on either axis.
void CBitmapFont::Print(const char* text) {
  // Without a loaded sheet there is no cell grid to divide by.
  if (Columns <= 0)
    return;
  const std::size_t length = std::strlen(text);
  glBegin(GL_QUADS);
  for (std::size_t i = 0; i < length; ++i) {
    const unsigned char code = static_cast<unsigned char>(text[i]);
    // Codes below the base give a negative cell, whose coordinates fall off the sheet and are
    // clamped to its edge.
    const int cell = code - BaseChar;
    const int row = cell / Columns;
    const int column = cell - row * Columns;
    const float s0 = static_cast<float>(column) * TexCellWidth;
    const float s1 = s0 + TexCellWidth;
    const float t0 = static_cast<float>(row) * TexCellHeight;
    const float t1 = t0 + TexCellHeight;
    glTexCoord2f(s0, t1);
    glVertex2i(CursorX, CursorY);
    glTexCoord2f(s1, t1);
    glVertex2i(CursorX + CellWidth, CursorY);
    glTexCoord2f(s1, t0);
    glVertex2i(CursorX + CellWidth, CursorY + YExtent);
    glTexCoord2f(s0, t0);
    glVertex2i(CursorX, CursorY + YExtent);
    CursorX += Widths[code];
  }
  glEnd();
}

// Uses the current extent, so text at a position is upright on a reversed axis too.
void CBitmapFont::Print(const char* text, int x, int y) {
  SetCursor(x, y);
  Print(text);
}

// Draws in pixels of the current viewport and leaves every attribute, both matrices and the
// matrix mode as it found them; only the pen moves.
void CBitmapFont::ezPrint(const char* text, int x, int y) {
  GLint matrixMode = GL_MODELVIEW;
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  ReadViewport(viewport);

  PushAttributes();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  PixelOrtho(viewport[2], viewport[3], YReversed);
  glDisable(GL_DEPTH_TEST);
  StopDepthWrites();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, Texture);
  SetBlend();

  Print(text, x, y);

  // Attributes first: they bring back the saved matrix mode, so each matrix is selected by name
  // before its pop, and the mode read at the start is set last.
  PopAttributes();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(static_cast<GLenum>(matrixMode));
}

int CBitmapFont::GetWidth(const char* text) const {
  int width = 0;
  for (const char* p = text; *p != '\0'; ++p)
    width += Widths[static_cast<unsigned char>(*p)];
  return width;
}
