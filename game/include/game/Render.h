// The game's two globals: the best uptime of the run and the font.
#pragma once

#include "font/BitmapFont.h"

// Best uptime of this run of the program, in seconds.
extern int Best;
// The game's one font, used for all text.
extern CBitmapFont Fnt;
