// The desktop icons as PNG files: 8-bit RGBA, compressed by stb_image_write. Its deflate has no
// clock, randomness or threads in it, so a picture always gives the same bytes.
#pragma once

#include "tools/ArtFiles.h"

Bytes EncodePng(const Picture& picture);
