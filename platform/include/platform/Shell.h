// The platform as the game sees it: input state kept by the window callbacks, the loop that runs
// the game's frames, presenting a frame and the timer. The only header of the shell that the
// game includes; it does not expose GLFW.
#pragma once

#include <string>

#include "platform/GL.h"

// Key codes the game reads (GLFW 3 key codes; the shell checks them against GLFW's).
constexpr int KeySpace = 32;
constexpr int KeyMinus = 45;
constexpr int KeyEqual = 61;  // the key of + on most keyboards
constexpr int KeyM = 77;
constexpr int KeyP = 80;
constexpr int KeyR = 82;
constexpr int KeyEscape = 256;
constexpr int KeyEnter = 257;
constexpr int KeyRight = 262;
constexpr int KeyLeft = 263;
constexpr int KeyDown = 264;
constexpr int KeyUp = 265;
constexpr int KeyPadMinus = 333;
constexpr int KeyPadPlus = 334;
constexpr int KeyPadEnter = 335;
constexpr int KeyLast = 348;

// The pointer in pixels of the game's picture, however large the window shows it; over the bars
// around the picture (or beyond the window) it lies outside the picture.
struct MouseStruct {
  int X;  // picture pixels from the left edge
  int Y;  // picture pixels from the top edge, growing downwards
  bool Left;
  bool Right;
};

// The game runs while this is nonzero; closing the window clears it, and only 0 is ever stored
// into it. Esc is the game's to read (Keys[KeyEscape]): it goes back from watching and quits
// elsewhere.
extern int RunLevel;
// Keys[k] is true while the key with code k is down.
extern bool Keys[KeyLast + 1];
extern MouseStruct Mouse;
// Set when the player left the game: its window was minimised or lost the focus, or the page was
// hidden or lost the focus. Whoever reads it clears it.
extern bool PlayerAway;

// Where the game's window is, kept between runs: the whole screen, or a window's place and size.
struct WindowPlace {
  bool Fullscreen = false;
  bool Placed = false;  // whether the place below is known
  int X = 0, Y = 0;     // the top-left corner of the window's content, in screen coordinates
  int Width = 0, Height = 0;
};

// Opens the game's window for a picture of width x height (colour depth bits), with its GL
// context and input callbacks, and directs drawing into the picture, whose viewport covers it.
// The window opens larger on a monitor that scales its content, and may be resized, maximised
// or made fullscreen (F11, Alt+Enter): the picture is shown as large as fits. It opens at the
// place `last` kept where that still lies within a monitor's work area, and on the whole screen
// where `last` was. Returns null, or what failed in words.
const char* InitWindow(int width, int height, int bits, const WindowPlace& last);
// Where the window is now; while it takes the whole screen, the place it goes back to. Nothing is
// placed in the browser, where the page holds the game.
WindowPlace CurrentPlace();

// What a frame asks of the loop next: another frame at once (the game moves), another once input
// arrives or the window lost its picture (a still screen: it is drawn again from its state), the
// end, or another frame at once that need not wait for this one to be shown (a recording played
// back faster than time: the browser runs several between two of its animation frames).
enum class NextFrame { Now, OnInput, Never, Ahead };
using FrameFunction = NextFrame (*)(void* game);
// Called once after the last frame; returns the program's exit status.
using EndFunction = int (*)(void* game);

// Runs the game: pending input is taken in, then `frame` draws and presents one frame and says
// what comes next; a still screen sleeps until input arrives. After the last frame, calls `end`,
// closes the window and returns EndProgram's status. In the browser the page's animation frames
// run the loop and this never returns: the page hears the status.
int RunFrames(FrameFunction frame, EndFunction end, void* game);

// Shows the picture drawn so far in the window, then directs drawing into the picture again; the
// GL state it leaves is Picture::ShowAgain's (platform/Picture.h) where the picture is shown
// scaled, else untouched. Never waits for input.
void Present();
// The next Present first reads the picture as drawn into `rgb`: the picture's width x height
// pixels of 3 bytes (red, green, blue), its top row first. Once.
void ReadNextPicture(unsigned char* rgb);
// Seconds since the shell started.
double GetTime();

// Sound: the platform streams stereo frames of 16-bit samples (left, then right), `rate` frames a
// second, which `fill` makes `count` at a time whenever the device wants more: on a thread of the
// platform's own on the desktop, between frames in the page. `fill` returns false once the frames
// it made end in a silence that lasts until the game's next frame, and is not asked again before
// it. Where there is no sound device, or it goes away, the game plays on in silence after one line
// on standard error.
using SoundFill = bool (*)(void* context, short* frames, int count);
void StartSound(int rate, SoundFill fill, void* context);

// An OpenGL entry point of the window's context by name; null where its GL has none.
GLProc GetGLProc(const char* name);

// A recording the player handed the game while it runs: a file dropped on the window or on the
// page's picture. True once with its path (readable with the C library), then false until the
// next.
bool TakeOpenedFile(std::string& path);

// What the page shows beside the picture, so that a player who cannot see the keys knows the
// game's state: the sound off, the game paused, a recording being watched. Nothing on the desktop,
// where the picture says it all. Cheap to call every frame.
struct ShownState {
  bool Muted = false;
  bool Paused = false;
  bool Watching = false;
};
void ShowState(const ShownState& state);

// Whether the player plays by touch (the page on a touch screen), so that words on the picture can
// name taps instead of keys.
bool PlaysByTouch();

// Leaves the report of a start that failed (`text`, lines ending in LF) where the player finds it:
// "GL_ERROR.txt" in the current folder, in the platform's text form, or where that cannot be
// written, in the folder of the player's files the platform keeps for the game.
void ReportFailedStart(const std::string& text);

// Closes the window and ends the window system (also after a failed InitWindow).
void CloseWindow();
// What main returns for a run that ends with `status`: the program's exit status, told the way
// the target hears it.
int EndProgram(int status);
