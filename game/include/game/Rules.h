// The game's fixed numbers: how the case turns, how often holes open and how fast RAM leaks.
#pragma once

// The window the game draws for, in pixels. Picking and the cursor turn pointer rows (counted
// from the top) into OpenGL rows (counted from the bottom) with this height.
constexpr int ScreenWidth = 800;
constexpr int ScreenHeight = 600;

// At most this many holes are open at once.
constexpr int HoleSlots = 12;

// RAM at the start of a game, shown with the unit letter "k".
constexpr int StartRam = 4000000;

// RAM one open hole drains on a leak tick, per millisecond of that frame. The Windows build
// drains twice as fast as the others, so uptimes of the two are not comparable.
#ifdef _WIN32
constexpr double DrainPerMs = 256.0;
#else
constexpr double DrainPerMs = 128.0;
#endif

// A leak tick with a free slot opens a hole when rand() % OpenChance == 1: one tick in 50.
constexpr int OpenChance = 50;

// Least time between leak ticks, in seconds. Deliberately the float 0.015
// (0.014999999664723873 s): every tick time is computed with that value.
constexpr float TickSpacing = 0.015f;

// Degrees the case turns per millisecond while Left or Right is held.
constexpr double TurnPerMs = 0.15;
// Degrees the case is turned when the session starts; a new game keeps the player's angle.
constexpr float StartAngle = 60.0f;

// Seconds the case stays on screen after the RAM ran out, before the game-over screen.
constexpr double GameOverDelay = 2.0;

// The camera sits this far in front of the case's centre, in world units.
constexpr float CameraDistance = 2.75f;
