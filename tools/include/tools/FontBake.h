// Bakes the game's bitmap font from a TrueType file with FreeType.
#pragma once

#include <string>

#include "tools/ArtFiles.h"

// Renders codes 32..255 (Latin-1) of the font file into a 256 x 256 sheet of 16 x 16 cells:
// white everywhere, glyph coverage in alpha. False, with a reason, when FreeType fails.
bool BakeFont(const std::string& fontPath, BffFont& out, std::string& error);
