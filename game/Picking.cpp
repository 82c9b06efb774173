// Colour picking of holes.

#include "game/Picking.h"

#include "game/GL.h"

#include "game/Compybox.h"
#include "game/Rules.h"

namespace {

// Cells are 0.3334 wide, not a third: six of them overrun a face by 0.0004, so every pixel of
// the case carries some id. The edges are stepped by adding 0.3334 in single precision, one
// float at a time, which puts the cell borders on the same pixels as they have always been.
constexpr float Step = 0.3334f;

void PickColour(int id) {
  glColor3b(static_cast<GLbyte>(id), 0, 0);
}

// The cells of a side face at depth z, columns from the x = +1 edge towards x = -1.
void SideFaceCells(float z, int firstId) {
  float x0 = 1.0f;
  for (int c = 0; c < SideColumns; ++c) {
    const float x1 = x0 - Step;
    float y0 = -1.0f;
    for (int r = 0; r < FaceRows; ++r) {
      const float y1 = y0 + Step;
      PickColour(firstId + FaceRows * c + r);
      glBegin(GL_QUADS);
      glVertex3f(x0, y0, z);
      glVertex3f(x1, y0, z);
      glVertex3f(x1, y1, z);
      glVertex3f(x0, y1, z);
      glEnd();
      y0 = y1;
    }
    x0 = x1;
  }
}

// The cells of an end face at x, columns from the z = -0.5 edge towards z = +0.5.
void EndFaceCells(float x, int firstId) {
  float z0 = -0.5f;
  for (int c = 0; c < EndColumns; ++c) {
    const float z1 = z0 + Step;
    float y0 = -1.0f;
    for (int r = 0; r < FaceRows; ++r) {
      const float y1 = y0 + Step;
      PickColour(firstId + FaceRows * c + r);
      glBegin(GL_QUADS);
      glVertex3f(x, y0, z0);
      glVertex3f(x, y0, z1);
      glVertex3f(x, y1, z1);
      glVertex3f(x, y1, z0);
      glEnd();
      y0 = y1;
    }
    z0 = z1;
  }
}

}  // namespace

void DrawSelect() {
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  SideFaceCells(-0.5f, HoleId(Face::NegZ, 0, 0));
  SideFaceCells(0.5f, HoleId(Face::PosZ, 0, 0));
  EndFaceCells(-1.0f, HoleId(Face::NegX, 0, 0));
  EndFaceCells(1.0f, HoleId(Face::PosX, 0, 0));
}

int ReadPick(int mouseX, int mouseY) {
  if (mouseX < 0 || mouseX >= ScreenWidth || mouseY < 0 || mouseY >= ScreenHeight)
    return NoHole;
  GLbyte pick = 0;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  // The pointer counts rows from the top, OpenGL from the bottom.
  glReadPixels(mouseX, ScreenHeight - 1 - mouseY, 1, 1, GL_RED, GL_BYTE, &pick);
  return pick;
}

bool CloseHoles(ParticleStruct* holes, int count, int pick) {
  bool closed = false;
  if (pick == NoHole)
    return false;
  // Two slots can leak from the same cell; one click patches both.
  for (int i = 0; i < count; ++i) {
    if (holes[i].Active && holes[i].Id == pick) {
      holes[i].Active = false;
      closed = true;
    }
  }
  return closed;
}
