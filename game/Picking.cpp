// Colour picking of holes.

#include "game/Picking.h"

#include "platform/GL.h"

#include "game/Compybox.h"
#include "game/Rules.h"

namespace {

// Cells are 0.3334 wide, not a third: six of them overrun a face by 0.0004, so every pixel of
// the case carries some id. The edges are stepped by adding 0.3334 in single precision, one
// float at a time: a cell border lies where that float sum puts it, not at an exact multiple.
constexpr float Step = 0.3334f;

// Each cell is drawn in a red that reads back exactly as its hole id: a signed byte red read
// straight back, or, where the GL reads only unsigned RGBA bytes, the red byte itself (id / 255
// rounds back to id when the pixel is stored).
void PickColour(int id) {
  if constexpr (GLReadsSignedRed)
    glColor3b(static_cast<GLbyte>(id), 0, 0);
  else
    glColor3ub(static_cast<GLubyte>(id), 0, 0);
}
int ReadPixelId(int x, int y) {
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  if constexpr (GLReadsSignedRed) {
    GLbyte pick = 0;
    glReadPixels(x, y, 1, 1, GL_RED, GL_BYTE, &pick);
    return pick;
  } else {
    GLubyte rgba[4] = {};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    return rgba[0];
  }
}

// A vertex of a cell, from its coordinate across the face (u), its height (y) and the face's
// fixed coordinate.
using CellVertex = void (*)(float u, float y, float fixed);
void SideVertex(float x, float y, float z) {
  glVertex3f(x, y, z);
}
void EndVertex(float z, float y, float x) {
  glVertex3f(x, y, z);
}

// The cells of one face: `columns` columns stepping across it from `u0` by `step`, six rows
// from the bottom edge upwards; ids count up the rows of a column, then across.
void FaceCells(int columns, float u0, float step, float fixed, CellVertex vertex, int firstId) {
  for (int c = 0; c < columns; ++c) {
    const float u1 = u0 + step;
    float y0 = -1.0f;
    for (int r = 0; r < FaceRows; ++r) {
      const float y1 = y0 + Step;
      PickColour(firstId + FaceRows * c + r);
      glBegin(GL_QUADS);
      vertex(u0, y0, fixed);
      vertex(u1, y0, fixed);
      vertex(u1, y1, fixed);
      vertex(u0, y1, fixed);
      glEnd();
      y0 = y1;
    }
    u0 = u1;
  }
}

}  // namespace

void DrawSelect() {
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  // Side faces: columns from the x = +1 edge towards x = -1; end faces: from z = -0.5 on.
  FaceCells(SideColumns, 1.0f, -Step, -0.5f, SideVertex, HoleId(Face::NegZ, 0, 0));
  FaceCells(SideColumns, 1.0f, -Step, 0.5f, SideVertex, HoleId(Face::PosZ, 0, 0));
  FaceCells(EndColumns, -0.5f, Step, -1.0f, EndVertex, HoleId(Face::NegX, 0, 0));
  FaceCells(EndColumns, -0.5f, Step, 1.0f, EndVertex, HoleId(Face::PosX, 0, 0));
}

int ReadPick(int mouseX, int mouseY) {
  if (mouseX < 0 || mouseX >= ScreenWidth || mouseY < 0 || mouseY >= ScreenHeight)
    return NoHole;
  // The pointer counts rows from the top, OpenGL from the bottom.
  return ReadPixelId(mouseX, ScreenHeight - 1 - mouseY);
}

int PickUnderPointer(int mouseX, int mouseY) {
  // Over the bars, or dragged out of the window: there is no pixel to read there.
  if (mouseX < 0 || mouseX >= ScreenWidth || mouseY < 0 || mouseY >= ScreenHeight)
    return NoHole;
  // The pass costs only the pixel it reads.
  glScissor(mouseX, ScreenHeight - 1 - mouseY, 1, 1);
  glEnable(GL_SCISSOR_TEST);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  DrawSelect();
  const int pick = ReadPick(mouseX, mouseY);
  // The picking picture never reaches the screen.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
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
