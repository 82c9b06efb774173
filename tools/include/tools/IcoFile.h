// A Windows icon (.ico) encoder for the executable's icon resource: one image per size, the
// small ones as 32-bit bitmaps with alpha, 256 pixels as PNG (as Windows itself stores that
// size, which a bitmap would make four times larger than the rest together).
#pragma once

#include <vector>

#include "tools/ArtFiles.h"

// An icon file holding the pictures, each square with a side of 1 to 256 pixels.
Bytes EncodeIco(const std::vector<Picture>& pictures);
