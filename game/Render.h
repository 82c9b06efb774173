// The game session: start-up, title screen, the main loop and game over.
#pragma once

#include "font/BitmapFont.h"

// Best uptime of this run of the program, in seconds.
extern int Best;
// The game's one font, used for all text.
extern CBitmapFont Fnt;

// Runs the whole game in the current window. True when the player quits; false when an art
// file fails to load (after printing its line), so that the program can end as a failed start.
bool Render();
