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

// The pointer in pixels of the game's picture, however large the window shows it; over the bars
// around the picture (or beyond the window) it lies outside the picture.
struct MouseStruct {
  int X;  // picture pixels from the left edge
  int Y;  // picture pixels from the top edge, growing downwards
  bool Left;
  bool Right;
};

// The game and its screens run while this is nonzero; only 0 is ever stored into it.
extern int RunLevel;
// Keys[k] is true while the key with code k is down.
extern bool Keys[KeyLast + 1];
extern MouseStruct Mouse;

// Opens the game's window for a picture of width x height (colour depth bits), with its GL
// context and input callbacks, and directs drawing into the picture, whose viewport covers it.
// The window opens larger on a monitor that scales its content, and may be resized, maximised
// or made fullscreen (F11, Alt+Enter): the picture is shown as large as fits. Throws a
// `const char*` message on failure.
void InitWindow(int width, int height, int bits);
// Processes pending input, shows the picture in the window, and clears RunLevel once the window
// is closed. Then directs drawing into the picture again; the GL state it leaves is
// Picture::ShowAgain's (platform/Picture.h) where the picture is shown scaled, else untouched.
void FlipBuffers();
// FlipBuffers for a frame that stays on screen while the game waits (the title and game-over
// screens): the platform keeps it, and shows it again whenever the window loses it.
void HoldFrame();
// Processes pending input, sleeping until some arrives or a short while has passed, and shows
// the held frame again if the window lost it (uncovered, restored, resized). For the title and
// game-over screens' wait loops.
void WaitForInput();
// False once the user has closed the window.
bool WindowOpen();
// Seconds since the shell started.
double GetTime();

// An OpenGL entry point of the window's context by name; null where its GL has none.
GLProc GetGLProc(const char* name);

// Closes the window and ends the window system (also after a failed InitWindow).
void CloseWindow();
// What main returns for a run that ends with `status`: the program's exit status, told the way
// the target hears it.
int EndProgram(int status);
