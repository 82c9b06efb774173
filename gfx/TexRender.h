// Painting a hole or patch into a face texture through the lower-left 256x256 of the back buffer.
#pragma once

// Centre of cell `cell` (0..35 on a face; other values follow the same formula) in pixels of
// the 256x256 composition square, y up from the bottom of the window.
void CellCentre(int cell, int& x, int& y);

// Draws `base`, stamps `overlay` (40x40) on cell `cell`, and copies the square into `target`,
// which becomes a 256x256 GL_RGB texture. With `scatter` the stamp is jittered and turned,
// drawing three rand() values (x offset, y offset, angle); without it none.
//
// Expects the 800x600 window's context current with a full-window viewport, an opaque white
// current colour and the default (modulate) texture environment. Scribbles over the back
// buffer and restores nothing: it leaves the 800x600 ortho projection, the model-view
// (current mode) translated to the stamp, texturing and SRC_ALPHA blending on, lighting and
// depth test off, `target` bound and `base` with linear filters.
void TexRender(unsigned base, unsigned target, unsigned overlay, int cell, bool scatter);
