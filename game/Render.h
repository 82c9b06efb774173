// The game session: start-up, title screen, the main loop and game over.
#pragma once

#include "font/BitmapFont.h"

// Best uptime of this run of the program, in seconds.
extern int Best;
// The game's one font, used for all text.
extern CBitmapFont Fnt;

// Runs the whole game in the current window; returns when the player quits or an art file
// fails to load (after printing its line).
void Render();
