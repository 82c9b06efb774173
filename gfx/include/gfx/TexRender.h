// Painting a hole or patch into a face texture through a 256x256 square: an off-screen
// framebuffer where the GL offers one, else the lower-left corner of the back buffer.
#pragma once

#include "platform/GL.h"

// Chooses where TexRender paints in the current context: a 256x256 framebuffer object when
// the GL offers one (OpenGL 3.0, ARB_framebuffer_object or EXT_framebuffer_object) and `lookup`
// finds its entry points, otherwise (and with a null `lookup`) the window's back buffer, whose
// pixels are undefined wherever another window covers this one. True for the framebuffer
// object. Each call replaces the previous choice. Leaves the framebuffer binding as it found it,
// and texture 0 bound when it made the framebuffer object.
bool ChoosePaintTarget(GLProcLookup lookup);

// Centre of cell `cell` (0..35 on a face; other values follow the same formula) in pixels of
// the 256x256 composition square, y up from its bottom row.
void CellCentre(int cell, int& x, int& y);

// How a stamp sits on its cell when it is scattered: moved by X, Y pixels (right, up) and turned
// by Angle degrees. The game draws these from its random sequence.
struct Scatter {
  bool On = false;
  int X = 0;
  int Y = 0;
  int Angle = 0;
};

// Draws `base`, stamps `overlay` (40x40) on cell `cell`, and copies the square into `target`,
// which becomes a 256x256 GL_RGB texture. A stamp scattered is moved and turned as `scatter`
// says; one that is not sits straight on the cell's centre.
//
// Expects the default (modulate) texture environment; without a framebuffer object of its own it
// paints in the bottom-left corner of the picture (or window) bound. Scribbles over the square it
// paints in and restores nothing but the framebuffer binding and the viewport: it leaves a
// 256x256 ortho projection, the model-view (current mode) translated to the stamp, the colour
// opaque white, texturing and SRC_ALPHA blending on, lighting, depth and scissor tests off,
// `target` bound and `base` with linear filters.
void TexRender(unsigned base, unsigned target, unsigned overlay, int cell, const Scatter& scatter);
