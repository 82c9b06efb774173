// Painting a hole or patch into a face texture through the lower-left 256x256 of the back buffer.
#pragma once

// Centre of cell `cell` (0..35 on a face; other values follow the same formula) in pixels of
// the 256x256 composition square.
void CellCentre(int cell, int& x, int& y);

// Draws `base`, stamps `overlay` (40x40) on cell `cell`, and copies the square into `target`.
// With `scatter` the stamp is jittered and turned, drawing three rand() values.
void TexRender(unsigned base, unsigned target, unsigned overlay, int cell, bool scatter);
