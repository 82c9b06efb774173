// The platform as the game sees it: input state kept by the window callbacks, presenting a
// frame, polling events, the window's state and the timer. The only header of the shell that the
// game includes; it does not expose GLFW.
#pragma once

#include "platform/GL.h"

// Key codes the game reads (GLFW 3 key codes; the shell checks them against GLFW's).
constexpr int KeySpace = 32;
constexpr int KeyEscape = 256;
constexpr int KeyRight = 262;
constexpr int KeyLeft = 263;
constexpr int KeyLast = 348;

struct MouseStruct {
  int X;  // window pixels from the left edge
  int Y;  // window pixels from the top edge, growing downwards
  bool Left;
  bool Right;
};

// The game and its screens run while this is nonzero; only 0 is ever stored into it.
extern int RunLevel;
// Keys[k] is true while the key with code k is down.
extern bool Keys[KeyLast + 1];
extern MouseStruct Mouse;

// Opens the game's window (width x height, colour depth bits) with its GL context and input
// callbacks. Throws a `const char*` message on failure.
void InitWindow(int width, int height, int bits);
// Processes pending input, shows the back buffer, and clears RunLevel once the window is closed.
void FlipBuffers();
// Processes pending input without drawing (the title and game-over screens' wait loops).
void PollEvents();
// False once the user has closed the window.
bool WindowOpen();
// Seconds since the shell started.
double GetTime();
// The window's size in pixels as it is now. The window is made at a fixed size, but a window
// manager may still change it; the picture stays at the window's bottom-left corner.
void WindowSize(int& width, int& height);

// An OpenGL entry point of the window's context by name; null where its GL has none.
GLProc GetGLProc(const char* name);

// Closes the window and ends the window system (also after a failed InitWindow).
void CloseWindow();
// What main returns for a run that ends with `status`: the program's exit status, told the way
// the target hears it.
int EndProgram(int status);
