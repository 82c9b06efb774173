// The game's picture, off-screen, and presenting it in a window of any size.
#include "Picture.h"

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
  return FindFramebufferProcs(lookup, Procs) &&
         MakeTextureTarget(Procs, width, height, true, Target);
}

PixelRect Picture::Shown(int frameWidth, int frameHeight) const {
  if (Target.Framebuffer == 0)
    return {0, 0, Width, Height};
  return FitPicture(frameWidth, frameHeight, Width, Height);
}

void Picture::Direct(int frameWidth, int frameHeight) {
  // At one window pixel a picture pixel in a window of the picture's size there is nothing to
  // scale: the frame is drawn straight into the window, and presenting costs nothing.
  const bool straight = Target.Framebuffer == 0 || (frameWidth == Width && frameHeight == Height);
  if (Target.Framebuffer != 0)
    Procs.BindFramebuffer(GLFramebuffer, straight ? 0 : Target.Framebuffer);
  glViewport(0, 0, Width, Height);
  Straight = straight;
}

void Picture::Present(int frameWidth, int frameHeight) {
  if (!Straight)
    ShowAgain(frameWidth, frameHeight);
}

// The unit square over the viewport, textured with nothing but `texture`.
void Picture::DrawTexture(GLuint texture, GLint filter) {
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
  glBindTexture(GL_TEXTURE_2D, 0);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

GLuint Picture::EnlargedTo(int scale) {
  if (Enlarged.Width != scale * Width) {
    FreeTextureTarget(Procs, Enlarged);
    MakeTextureTarget(Procs, scale * Width, scale * Height, false, Enlarged);
  }
  // A driver that refuses the enlarged picture gets the picture itself smoothed.
  if (Enlarged.Framebuffer == 0)
    return Target.Colour;
  Procs.BindFramebuffer(GLFramebuffer, Enlarged.Framebuffer);
  glViewport(0, 0, Enlarged.Width, Enlarged.Height);
  DrawTexture(Target.Colour, GL_NEAREST);
  return Enlarged.Colour;
}

void Picture::ShowAgain(int frameWidth, int frameHeight) {
  const PixelRect shown = Shown(frameWidth, frameHeight);
  if (Target.Framebuffer == 0 || shown.Width == 0)
    return;
  const int whole = shown.Width / Width;
  GLuint source = Target.Colour;
  GLint filter = GL_NEAREST;
  if (shown.Width != whole * Width || shown.Height != whole * Height) {
    // Between whole-number scales: the next one up, nearest pixel, then smoothed down to size,
    // so that each picture pixel's edge is blended within one window pixel.
    source = EnlargedTo(whole + 1);
    filter = GL_LINEAR;
  }
  Procs.BindFramebuffer(GLFramebuffer, 0);
  if (shown.Width != frameWidth || shown.Height != frameHeight) {
    // The bars: the whole window black first, the game's clear colour kept.
    GLfloat clear[4] = {0, 0, 0, 0};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glViewport(0, 0, frameWidth, frameHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(clear[0], clear[1], clear[2], clear[3]);
  }
  glViewport(shown.X, shown.Y, shown.Width, shown.Height);
  DrawTexture(source, filter);
  Direct(frameWidth, frameHeight);
}
