// The game's one global: the font.
#pragma once

#include "font/BitmapFont.h"

// The game's one font, used for all text.
extern CBitmapFont Fnt;
