// The player's settings between runs: where the window was and whether the sound was off.
#pragma once

#include "Memory.h"
#include "platform/Shell.h"

// Where the window opens: where it was when the player last left.
WindowPlace KeptPlace(const Memory& kept);

// Keeps the window's place (the last kept where it has none now, minimised) and the sound.
void KeepSettings(Memory& kept, bool muted);
