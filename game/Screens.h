// The title screen before the first game and the game-over screen after each one.
#pragma once

#include "game/Text.h"

// A game-over line that carries a number fits in this many characters.
constexpr int ScreenLineCapacity = 96;
using ScreenLine = LineBuffer<ScreenLineCapacity>;

// Shows the title and instructions, then waits for the Spacebar. Clears RunLevel when the
// player quits instead (Esc, or the window closed).
void StartInfo();

// Raises Best to `uptime` if larger, shows the crashed-system screen with the uptime and the
// best uptime, and waits: true when the player presses the Spacebar to play again, false on
// Esc or a closed window. Leaves the clear colour blue.
bool GameOver(int uptime);

// The two game-over lines that carry numbers.
void ComposeUptimeLines(int uptime, int best, ScreenLine& uptimeLine, ScreenLine& bestLine);
