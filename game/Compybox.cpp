// The compybox's faces, cells and hole ids.

#include "game/Compybox.h"

#include "platform/GL.h"

namespace {

// First hole id of each face, in the order of Face.
constexpr int FirstId[] = {73, 37, 91, 1};
// First hole id whose cell lies in each working texture.
constexpr int NegZBase = 1;
constexpr int PosZBase = 37;
constexpr int EndBase = 73;

// A stamp centred on this cell index lands far outside the 256x256 square the face is
// composed in, so the face receives its base picture alone.
constexpr int CellOutsideSquare = -73;

// A face's outward normal, given with each of its corners: the web's emulation of OpenGL keeps
// no current normal, and its vertices come apart when one is given for a whole quad.
struct Normal {
  float X, Y, Z;
};
constexpr Normal NegZ = {0, 0, -1}, PosZ = {0, 0, 1}, PosX = {1, 0, 0}, NegX = {-1, 0, 0};

// One vertex of a face with its normal and texture coordinate.
void Corner(Normal n, float s, float t, float x, float y, float z) {
  glNormal3f(n.X, n.Y, n.Z);
  glTexCoord2f(s, t);
  glVertex3f(x, y, z);
}

}  // namespace

int HoleId(Face face, int column, int row) {
  return FirstId[static_cast<int>(face)] + FaceRows * column + row;
}

unsigned WorkingTexture(const FaceTextures& tex, int id) {
  if (id < PosZBase)
    return tex.SideNegZTex;
  if (id < EndBase)
    return tex.SidePosZTex;
  return tex.CaseTex;
}

int CellIndex(int id) {
  if (id < PosZBase)
    return id - NegZBase;
  if (id < EndBase)
    return id - PosZBase;
  return id - EndBase;
}

void DrawCompybox(const FaceTextures& tex) {
  // On every face t = 0 is the top edge (y = 1): pictures are uploaded top row first.
  glBindTexture(GL_TEXTURE_2D, tex.SideNegZTex);
  glBegin(GL_QUADS);
  Corner(NegZ, 0, 1, -1, -1, -0.5f);
  Corner(NegZ, 1, 1, 1, -1, -0.5f);
  Corner(NegZ, 1, 0, 1, 1, -0.5f);
  Corner(NegZ, 0, 0, -1, 1, -0.5f);
  glEnd();

  glBindTexture(GL_TEXTURE_2D, tex.SidePosZTex);
  glBegin(GL_QUADS);
  Corner(PosZ, 0, 1, -1, -1, 0.5f);
  Corner(PosZ, 1, 1, 1, -1, 0.5f);
  Corner(PosZ, 1, 0, 1, 1, 0.5f);
  Corner(PosZ, 0, 0, -1, 1, 0.5f);
  glEnd();

  // The end faces share "Case.tga": +X in its left half, -X in its right half.
  glBindTexture(GL_TEXTURE_2D, tex.CaseTex);
  glBegin(GL_QUADS);
  Corner(PosX, 0, 1, 1, -1, 0.5f);
  Corner(PosX, 0.5f, 1, 1, -1, -0.5f);
  Corner(PosX, 0.5f, 0, 1, 1, -0.5f);
  Corner(PosX, 0, 0, 1, 1, 0.5f);
  Corner(NegX, 0.5f, 1, -1, -1, 0.5f);
  Corner(NegX, 1, 1, -1, -1, -0.5f);
  Corner(NegX, 1, 0, -1, 1, -0.5f);
  Corner(NegX, 0.5f, 0, -1, 1, 0.5f);
  glEnd();
}

Scatter DrawScatter(Random& dice) {
  Scatter s;
  s.On = true;
  s.X = dice.Next() % 8 - 4;
  s.Y = dice.Next() % 8 - 4;
  s.Angle = dice.Next() % 90;
  return s;
}

void PaintHole(PaintFunction paint, const FaceTextures& tex, unsigned overlay, int id,
               const Scatter& scatter) {
  const unsigned face = WorkingTexture(tex, id);
  paint(face, face, overlay, CellIndex(id), scatter);
}

void RestoreFaces(PaintFunction paint, const FaceTextures& tex, Random& dice) {
  paint(tex.CaseCleanTex, tex.CaseTex, tex.PatchTex, CellOutsideSquare, DrawScatter(dice));
  paint(tex.SideCleanTex, tex.SidePosZTex, tex.PatchTex, CellOutsideSquare, DrawScatter(dice));
  paint(tex.SideCleanTex, tex.SideNegZTex, tex.PatchTex, CellOutsideSquare, DrawScatter(dice));
}
