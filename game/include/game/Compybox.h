// The compybox: four textured upright faces, the grid of cells on them and the hole ids that
// name those cells. Holes and patches are painted into the faces' working textures.
#pragma once

#include "game/Random.h"
#include "gfx/TexRender.h"

// The case's textures. Holes and patches are painted into the three working textures; the
// clean ones are never drawn into and restore the working ones when a new game starts.
struct FaceTextures {
  unsigned CaseTex;       // working texture of both end faces (+X left half, -X right half)
  unsigned SideCleanTex;  // clean picture of a side face
  unsigned PatchTex;      // patch stamp, also the mouse cursor
  unsigned HoleTex;       // hole stamp
  unsigned CaseCleanTex;  // clean picture of the end faces
  unsigned SidePosZTex;   // working texture of the +Z side face
  unsigned SideNegZTex;   // working texture of the -Z side face
};

// The faces, numbered as the leak's first random draw chooses them.
enum class Face { NegX = 0, PosZ = 1, PosX = 2, NegZ = 3 };

// Side faces have 6 columns of cells, end faces 3; every face has 6 rows.
constexpr int FaceRows = 6;
constexpr int SideColumns = 6;
constexpr int EndColumns = 3;
// Hole ids run 1..108; 0 means no hole, which is also the picking colour of the background.
constexpr int NoHole = 0;
constexpr int LastHoleId = 108;

// Hole id of the cell at `column`, `row` of `face`. Rows count up from the bottom edge; side
// face columns count from the x = +1 edge, end face columns from the z = -0.5 edge.
int HoleId(Face face, int column, int row);
// The working texture that carries hole `id`.
unsigned WorkingTexture(const FaceTextures& tex, int id);
// Cell index (0..35) of hole `id` in its working texture. The end faces share one texture:
// the -X face uses cells 0..17, the +X face 18..35.
int CellIndex(int id);

// Draws the four faces as three GL_QUADS batches with their working textures, normals and
// texture coordinates. Expects lighting, texturing and depth test on and the colour white.
void DrawCompybox(const FaceTextures& tex);

// How a picture is stamped into a face texture: TexRender, or a stand-in in tests.
using PaintFunction = void (*)(unsigned base, unsigned target, unsigned overlay, int cell,
                               const Scatter& scatter);

// How a patch sits, drawn from the game's sequence in this order: x offset -4..+3 pixels, y
// offset -4..+3, angle 0..89 degrees.
Scatter DrawScatter(Random& dice);
// Stamps `overlay` onto hole `id`'s cell, keeping what its working texture already shows.
void PaintHole(PaintFunction paint, const FaceTextures& tex, unsigned overlay, int id,
               const Scatter& scatter);
// Gives the three working textures their clean pictures back: +/-X, then +Z, then -Z. Each is
// stamped like a patch, off the square, so each draws a scatter.
void RestoreFaces(PaintFunction paint, const FaceTextures& tex, Random& dice);
