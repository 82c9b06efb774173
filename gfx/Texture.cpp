// Turning TGA pictures into OpenGL textures.
#include "gfx/Texture.h"

#include <GL/gl.h>

#include "image/TGAImg.h"

namespace {

// The desktop GL takes the component count as the internal format and wraps with GL_CLAMP, the
// wrap the art was made for; WebGL accepts only named formats and clamping to the edge.
#ifdef __EMSCRIPTEN__
constexpr GLint InternalRgb = GL_RGB;
constexpr GLint InternalRgba = GL_RGBA;
constexpr GLint PictureWrap = GL_CLAMP_TO_EDGE;
#else
constexpr GLint InternalRgb = 3;
constexpr GLint InternalRgba = 4;
constexpr GLint PictureWrap = GL_CLAMP;
#endif

}  // namespace

bool UploadPicture(const TGAImg& img) {
  GLint internalFormat;
  GLenum format;
  switch (img.GetBPP()) {
    case 24:
      internalFormat = InternalRgb;
      format = GL_RGB;
      break;
    case 32:
      internalFormat = InternalRgba;
      format = GL_RGBA;
      break;
    default:
      return false;
  }
  // Rows of a 24-bit picture are packed tightly; the default alignment of 4 would skew every
  // row after the first when the width times 3 is not a multiple of 4.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  // The reader gives the top row first, so t = 0 is the top edge of the picture.
  glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, img.GetWidth(), img.GetHeight(), 0, format,
               GL_UNSIGNED_BYTE, img.GetImg());
  // Only level 0 exists, so minification must not ask for mipmaps.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, PictureWrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, PictureWrap);
  return true;
}

unsigned LoadTexture(const char* filename) {
  TGAImg img;
  if (img.Load(filename) != TgaOk)
    return NoTexture;

  GLuint name;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  if (!UploadPicture(img)) {
    // Nothing would ever use an empty texture; do not leak its name.
    glDeleteTextures(1, &name);
    return NoTexture;
  }
  return name;
}
