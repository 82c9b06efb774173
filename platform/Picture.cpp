// The game's picture, off-screen, and presenting it in a window of any size.
#include "platform/Picture.h"

#include <algorithm>
#include <cmath>

PixelRect FitPicture(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight) {
  if (frameWidth <= 0 || frameHeight <= 0)
    return {};
  // Whole pixels: the side that limits the scale fills the frame exactly.
  const double scale = std::min(static_cast<double>(frameWidth) / pictureWidth,
                                static_cast<double>(frameHeight) / pictureHeight);
  PixelRect r;
  r.Width = std::min(frameWidth, static_cast<int>(pictureWidth * scale));
  r.Height = std::min(frameHeight, static_cast<int>(pictureHeight * scale));
  r.X = (frameWidth - r.Width) / 2;
  r.Y = (frameHeight - r.Height) / 2;
  return r;
}

void FrameToPicture(const PixelRect& shown, int frameHeight, int pictureWidth, int pictureHeight,
                    int frameX, int frameY, int& pictureX, int& pictureY) {
  // The picture pixel under the frame pixel's centre. OpenGL counts rows from the bottom, the
  // pointer from the top.
  const double x = frameX + 0.5 - shown.X;
  const double up = (frameHeight - 1 - frameY) + 0.5 - shown.Y;
  pictureX = static_cast<int>(std::floor(x * pictureWidth / shown.Width));
  pictureY = pictureHeight - 1 - static_cast<int>(std::floor(up * pictureHeight / shown.Height));
}

bool Picture::Create(GLProcLookup lookup, int width, int height) {
  Width = width;
  Height = height;
  if (!FindFramebufferProcs(lookup, Procs) ||
      !MakeTextureTarget(Procs, width, height, true, Target))
    return false;
  Procs.BindFramebuffer(GLFramebuffer, Target.Framebuffer);
  glViewport(0, 0, Width, Height);
  return true;
}

PixelRect Picture::Shown(int frameWidth, int frameHeight) const {
  if (Target.Framebuffer == 0)
    return {0, 0, Width, Height};
  return FitPicture(frameWidth, frameHeight, Width, Height);
}

void Picture::DrawTexture(GLuint texture, GLint filter) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glBegin(GL_QUADS);
  glTexCoord2i(0, 0);
  glVertex2i(0, 0);
  glTexCoord2i(1, 0);
  glVertex2i(1, 0);
  glTexCoord2i(1, 1);
  glVertex2i(1, 1);
  glTexCoord2i(0, 1);
  glVertex2i(0, 1);
  glEnd();
}

void Picture::Present(int frameWidth, int frameHeight) {
  const PixelRect shown = Shown(frameWidth, frameHeight);
  if (Target.Framebuffer == 0 || shown.Width == 0)
    return;

  // The unit square fills the viewport; the picture's own state is left as documented.
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, 1, 0, 1, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_SCISSOR_TEST);
  glEnable(GL_TEXTURE_2D);
  glColor3f(1, 1, 1);

  GLuint source = Target.Colour;
  GLint filter = GL_NEAREST;
  const int whole = shown.Width / Width;
  if (shown.Width != whole * Width || shown.Height != whole * Height) {
    // Between whole-number scales: the next one up, nearest pixel, then smoothed down to size,
    // so that each picture pixel's edge is blended within one window pixel.
    const int up = whole + 1;
    if (Enlarged.Width != up * Width) {
      FreeTextureTarget(Procs, Enlarged);
      MakeTextureTarget(Procs, up * Width, up * Height, false, Enlarged);
    }
    // A driver that refuses the enlarged picture gets the picture itself smoothed.
    if (Enlarged.Framebuffer != 0) {
      Procs.BindFramebuffer(GLFramebuffer, Enlarged.Framebuffer);
      glViewport(0, 0, Enlarged.Width, Enlarged.Height);
      DrawTexture(Target.Colour, GL_NEAREST);
      source = Enlarged.Colour;
    }
    filter = GL_LINEAR;
  }

  Procs.BindFramebuffer(GLFramebuffer, 0);
  glViewport(0, 0, frameWidth, frameHeight);
  glClearColor(0, 0, 0, 0);
  if (shown.Width != frameWidth || shown.Height != frameHeight)
    glClear(GL_COLOR_BUFFER_BIT);
  glViewport(shown.X, shown.Y, shown.Width, shown.Height);
  DrawTexture(source, filter);

  glBindTexture(GL_TEXTURE_2D, 0);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  Procs.BindFramebuffer(GLFramebuffer, Target.Framebuffer);
  glViewport(0, 0, Width, Height);
}
