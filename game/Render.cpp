// The game's two globals.

#include "game/Render.h"

int Best = 0;
CBitmapFont Fnt;
