// The title screen before the first game and the game-over screen after each one.
#pragma once

#include "game/Text.h"

// A game-over line that carries a number fits in this many characters.
constexpr int ScreenLineCapacity = 96;
using ScreenLine = LineBuffer<ScreenLineCapacity>;

// Draws the title and instructions, in the start-up state (lighting and the depth test on).
void StartInfo();

// Draws the crashed-system screen with the uptime, the best uptime of this run of the program and
// the best ever, unlit and without the depth test. Leaves the clear colour blue.
void GameOver(int uptime, int best, int bestEver);

// Over the paused game's picture: a veil, and how to go on, by keys or, `touch`, by the page's
// buttons. Unlit, without the depth test, under the pixel projection.
void PausedInfo(bool touch);

// Window pixels, origin at the bottom-left, as the screens are laid out; modelview identity.
void SetPixelProjection();

// The two game-over lines that carry numbers.
void ComposeUptimeLines(int uptime, int best, ScreenLine& uptimeLine, ScreenLine& bestLine);
