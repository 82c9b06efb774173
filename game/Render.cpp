// The game's one global.

#include "game/Render.h"

CBitmapFont Fnt;
