// The desktop icon: a beige tower case with a sticking plaster across its front.
#pragma once

#include "tools/Raster.h"

// A square icon of the given side in pixels, drawn on a clear background. The drawing is laid
// out on a 256-unit grid and scaled, so every size shows the same picture; the same size always
// gives the same pixels.
Picture DrawIcon(int size);
