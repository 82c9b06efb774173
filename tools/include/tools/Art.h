// The game's five pictures, drawn from code. Each function returns the same pixels every time.
#pragma once

#include "tools/Raster.h"

// 256 x 256: the front of the case (the +X end face) in the left half, its back (-X) in the
// right half.
Picture DrawCaseEnds();
// 256 x 256: one side panel; its right edge meets the front.
Picture DrawCaseSide();
// 64 x 64: a torn hole, cut out by alpha.
Picture DrawHole();
// 64 x 64: two crossed sticking plasters, cut out by alpha; also the mouse cursor.
Picture DrawPatch();
// 32 x 64: the spilled bits, a "0" over a "1", premultiplied for additive-style blending.
Picture DrawBits();
