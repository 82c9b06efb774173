// Finding the hole under the pointer by colour picking, and closing it.
#pragma once

#include "gfx/ParticleManager.h"

// Paints every cell of the case in a flat colour whose red byte is its hole id, under the
// current projection and model-view, into the current colour buffer. Expects colour and depth
// cleared. Leaves lighting, texturing and blending off, depth test on, and the colour at the
// last id drawn.
void DrawSelect();

// The hole id under the pointer (picture pixels from the top-left) in the picture DrawSelect
// drew; 0 where no cell is, and for a pointer outside the picture (over the bars around it, or
// dragged out of the window while the button is held), where there are no pixels to read.
int ReadPick(int mouseX, int mouseY);

// The hole id under the pointer (picture pixels from the top-left): that one pixel alone (a
// scissor box) is cleared, DrawSelect paints it, it is read back and cleared again, so that no
// picture need be drawn first. NoHole, with nothing drawn, for a pointer outside the picture.
// Expects the case's projection and model-view, a clear colour without red and depth writes on;
// leaves DrawSelect's state, scissor test off.
int PickUnderPointer(int mouseX, int mouseY);

// Closes every open slot among `holes` whose hole id is `pick`. True if one was closed.
bool CloseHoles(ParticleStruct* holes, int count, int pick);
