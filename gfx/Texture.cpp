// Turning TGA pictures into OpenGL textures.
#include "gfx/Texture.h"

#include "platform/GL.h"

#include "image/TGAImg.h"

bool UploadPicture(const TGAImg& img) {
  GLint internalFormat;
  GLenum format;
  switch (img.GetBPP()) {
    case 24:
      internalFormat = GLInternalRgb;
      format = GL_RGB;
      break;
    case 32:
      internalFormat = GLInternalRgba;
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
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GLPictureWrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GLPictureWrap);
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
