// Painting a hole or patch into a face texture through a 256x256 square: an off-screen
// framebuffer where the GL offers one, else the lower-left corner of the back buffer.
#include "gfx/TexRender.h"

#include "platform/GL.h"

namespace {

// Face textures are 256x256 and one texel is one pixel of the composition square.
constexpr int SquareSize = 256;
// Cells are 42.5 pixels apart on a 6x6 grid; column 0 and row 0 sit at the high end of the
// square, 22 pixels in from its edge.
constexpr int FirstCentre = 234;
constexpr double CellPitch = 42.5;
constexpr int CellsPerColumn = 6;
// Half the side of the stamped sprite, in pixels.
constexpr int SpriteHalf = 20;

// Where TexRender paints: a 256x256 framebuffer object of its own, or (none made) the back
// buffer of the window.
GLFramebufferProcs Procs;
GLTextureTarget Target;

// The base picture fills the square one texel per pixel. Nearest sampling copies each texel
// exactly, so a face composed onto itself keeps every texel outside the new sprite.
void DrawBase(unsigned base) {
  glBindTexture(GL_TEXTURE_2D, base);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBegin(GL_QUADS);
  glTexCoord2i(0, 0);
  glVertex2i(0, 0);
  glTexCoord2i(1, 0);
  glVertex2i(SquareSize, 0);
  glTexCoord2i(1, 1);
  glVertex2i(SquareSize, SquareSize);
  glTexCoord2i(0, 1);
  glVertex2i(0, SquareSize);
  glEnd();
  // Face textures are drawn on the case with linear filtering.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

// The sprite square around the current model-view origin.
void DrawSprite() {
  glBegin(GL_QUADS);
  glTexCoord2i(0, 0);
  glVertex2i(-SpriteHalf, -SpriteHalf);
  glTexCoord2i(1, 0);
  glVertex2i(SpriteHalf, -SpriteHalf);
  glTexCoord2i(1, 1);
  glVertex2i(SpriteHalf, SpriteHalf);
  glTexCoord2i(0, 1);
  glVertex2i(-SpriteHalf, SpriteHalf);
  glEnd();
}

}  // namespace

bool ChoosePaintTarget(GLProcLookup lookup) {
  FreeTextureTarget(Procs, Target);
  // A driver may still refuse the target; the back buffer then serves as before.
  return FindFramebufferProcs(lookup, Procs) &&
         MakeTextureTarget(Procs, SquareSize, SquareSize, false, Target);
}

void CellCentre(int cell, int& x, int& y) {
  // C division: cells below 0 give negative columns and rows and land outside the square,
  // which is how the game stamps nothing when it restores a clean face.
  const int column = cell / CellsPerColumn;
  const int row = cell % CellsPerColumn;
  x = FirstCentre - static_cast<int>(CellPitch * column);
  y = FirstCentre - static_cast<int>(CellPitch * row);
}

void TexRender(unsigned base, unsigned target, unsigned overlay, int cell, const Scatter& scatter) {
  // The square, one unit a pixel, in the bottom-left corner of whichever target is drawn into.
  GLint viewport[4];
  ReadViewport(viewport);
  glViewport(0, 0, SquareSize, SquareSize);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, SquareSize, 0, SquareSize, -1, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();

  const GLuint drawing = Target.Framebuffer != 0 ? BoundFramebuffer() : 0;
  if (Target.Framebuffer != 0)
    Procs.BindFramebuffer(GLFramebuffer, Target.Framebuffer);
  glDisable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glDisable(GL_LIGHTING);
  glDisable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  // The pictures as they are: whatever colour the caller left (a pick leaves its id's red)
  // would tint them.
  glColor4f(1, 1, 1, 1);

  int x, y;
  CellCentre(cell, x, y);
  if (scatter.On) {
    x += scatter.X;
    y += scatter.Y;
  }

  DrawBase(base);

  // The overlay's alpha cuts the hole or patch shape out of its square.
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glBindTexture(GL_TEXTURE_2D, overlay);
  glTranslatef(static_cast<float>(x), static_cast<float>(y), 0);
  if (scatter.On)
    glRotatef(static_cast<float>(scatter.Angle), 0, 0, 1);
  DrawSprite();

  // Redefines the target's whole image, dropping any alpha it was loaded with.
  glBindTexture(GL_TEXTURE_2D, target);
  glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 0, 0, SquareSize, SquareSize, 0);
  if (Target.Framebuffer != 0)
    Procs.BindFramebuffer(GLFramebuffer, drawing);
  glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
}
