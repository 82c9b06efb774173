// The game's picture and how it reaches the window. The game draws every frame into a picture of
// its own size, off-screen where the GL offers framebuffer objects; presenting scales it into the
// window as large as it fits with its shape kept, centred, with black bars around it. Pointer
// positions are mapped back into picture pixels. Private to the platform.
#pragma once

#include "platform/GL.h"

// A rectangle of framebuffer pixels; x and y count from the bottom-left corner, as OpenGL's do.
struct PixelRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
};

// Where a picture of pictureWidth x pictureHeight shows in a frame of frameWidth x frameHeight
// pixels: the largest size that fits with the picture's shape, centred (rounded down to whole
// pixels). Empty for an empty frame (a minimised window).
PixelRect FitPicture(int frameWidth, int frameHeight, int pictureWidth, int pictureHeight);

// The picture pixel (x, y from its top-left corner) that shows at the frame pixel (x, y from the
// frame's top-left corner) of a frame frameHeight tall, with the picture shown at `shown`. Over
// the bars it lies outside the picture: x outside 0..pictureWidth - 1 or y outside
// 0..pictureHeight - 1.
void FrameToPicture(const PixelRect& shown, int frameHeight, int pictureWidth, int pictureHeight,
                    int frameX, int frameY, int& pictureX, int& pictureY);

class Picture {
public:
  // Makes the off-screen picture, width x height with a depth buffer, in the current context.
  // False where the GL has no framebuffer objects or the driver refuses one: the window's own
  // buffer is then the picture, shown at its bottom-left corner at one window pixel a picture
  // pixel, and nothing is presented or shown again.
  bool Create(GLProcLookup lookup, int width, int height);

  // Where the picture shows in a frame of frameWidth x frameHeight pixels.
  PixelRect Shown(int frameWidth, int frameHeight) const;

  // Directs the drawing of the next frame, with a viewport over the whole picture: straight into
  // the window when its frame is the picture's size (nothing to scale, so nothing to present),
  // else into the off-screen picture.
  void Direct(int frameWidth, int frameHeight);
  // Puts the frame just drawn into the window's back buffer (frameWidth x frameHeight pixels):
  // there already when drawn straight, else shown from the picture (ShowAgain).
  void Present(int frameWidth, int frameHeight);
  // Shows the picture (the last frame drawn off-screen) in the window's back buffer
  // where it shows, black around it: one window pixel a picture pixel at whole-number scales;
  // between them the picture is enlarged to the next whole number, nearest pixel, and that is
  // drawn smoothed, which keeps edges within a window pixel. Then directs drawing as Direct
  // does. Leaves lighting, blending, the depth and scissor tests off, texturing on, the colour
  // white, no texture bound and GL_MODELVIEW selected, with both matrices and the clear colour
  // as they were.
  void ShowAgain(int frameWidth, int frameHeight);

private:
  // Draws `texture` over the whole viewport with `filter`.
  static void DrawTexture(GLuint texture, GLint filter);
  // The picture enlarged `scale` times, nearest pixel (or the picture, where that fails).
  GLuint EnlargedTo(int scale);

  GLFramebufferProcs Procs;
  GLTextureTarget Target;
  // The picture at the next whole-number scale, for scales between whole numbers.
  GLTextureTarget Enlarged;
  int Width = 0;
  int Height = 0;
  // Drawing goes straight into the window.
  bool Straight = true;
};
