// Placeholder until the game session lands: keeps the executable linkable.
#include "game/Render.h"

int Best = 0;
CBitmapFont Fnt;

void Render() {}
