// A PNG encoder for the desktop icons: 8-bit RGBA, no filtering, the pixels in stored
// (uncompressed) deflate blocks. Larger than a compressed PNG, but needs no zlib and gives the
// same bytes everywhere.
#pragma once

#include "tools/ArtFiles.h"

Bytes EncodePng(const Picture& picture);
