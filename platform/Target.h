// What the shell does its own way on each target, one file per target chosen by the build:
// desktop/Target.cpp (Linux and Windows) or web/Target.cpp, and for the window's icon
// x11/Icon.cpp or windows/Icon.cpp. Private to the platform.
#pragma once

#include "platform/Shell.h"

struct GLFWwindow;

// Alpha bits the window asks for.
int WindowAlphaBits();
// The size, in screen coordinates, a window opens at for a picture of width x height: the size
// kept in `last` where it is believed (OpenAt).
void OpeningSize(int& width, int& height, const WindowPlace& last);
// Keeps the window at width x height, which the player can no longer change.
void FixWindowSize(GLFWwindow* window, int width, int height);
// Once the window's context is current and its size known: whatever the target's GL must be told
// before drawing, and the window's size where the target sets it itself.
void PrepareContext();
// Gives the window the game's icon.
void ShowIcon(GLFWwindow* window);
// Whether the game may make a sound yet: a page only after the player's first gesture.
bool SoundAllowed();

// Sound, in three layers. The front end (Sound.cpp, the same everywhere) opens the device at the
// first feed the game may sound, says in one line when there is none, and fills the device's
// buffers from StartSound's fill; under it a feeder of the target's keeps them topped up
// (desktop/SoundFeed.cpp: a thread of its own, resting while nothing sounds; web/SoundFeed.cpp:
// the page's animation frames), and an output of the target's only opens, tops up and closes
// (openal/Sound.cpp, windows/Sound.cpp).
// After each frame that ran: the device opened the first time, then the feeder told that the
// game may have set off something new.
void FeedSound();
// Closes the sound device, if one was opened, the feeder stopped first.
void StopSound();
// Fills every buffer the device has played; false while nothing more will sound until the next
// FeedSound (or the device is gone): the feeder may rest.
bool TopUpSound();

// The feeder: how much it keeps queued, in buffers of frames; it starts once the device is open
// (playing `rate` frames a second), is woken after each frame that ran, and stops before the
// device closes.
struct SoundQueue {
  int Buffers;
  int BufferFrames;
};
extern const SoundQueue Queued;
void StartFeeding(int rate);
void WakeFeeder();
void StopFeeding();

// The output: opens the device for stereo 16-bit frames at `rate` with `buffers` buffers of
// `frames` frames, saying why not where it cannot (a null pointer when it did).
const char* OpenSoundOutput(int rate, int buffers, int frames);
// Fills each buffer the device has played (or never had) with `fill`, which writes `count`
// frames, and queues it; false when the device went away.
using BufferFill = void (*)(short* frames, int count);
bool TopUpSoundOutput(BufferFill fill);
// Closes whatever OpenSoundOutput opened, also after it failed.
void CloseSoundOutput();
// Between the window and the whole screen of the monitor it is on, and back.
void ToggleFullscreen(GLFWwindow* window);
// The window, made but not yet shown, put where `last` says (InitWindow), then shown: a place is
// believed where the window still lies within a monitor's work area. The whole screen comes later,
// through ToggleFullscreen, once the callbacks hear the size it brings.
void OpenAt(GLFWwindow* window, const WindowPlace& last);
// The window's place now (CurrentPlace).
WindowPlace PlaceOf(GLFWwindow* window);
// Seconds on the game's clock since GLFW started: the time the game could not run (a hidden
// page) left out.
double ClockSeconds();

// What the shell (Shell.cpp) offers the targets' files:
// The game the loop runs (RunFrames' arguments), kept for TakeTurn and FinishRun.
void StartRun(FrameFunction frame, EndFunction end, void* game);
// One turn of the loop: pending input taken in, then a frame run, unless the screen is still and
// neither input arrived nor the window lost its picture.
enum class Turn { Ran, Waited, Ended };
Turn TakeTurn();
// After the last frame: the game's end, the window closed; the program's exit status.
int FinishRun();
// The pointer moved to (x, y), in the window's coordinates from its top-left corner.
void PointerMoved(double x, double y);
// The window is now windowWidth x windowHeight (its coordinates), frameWidth x frameHeight pixels.
void WindowResized(int windowWidth, int windowHeight, int frameWidth, int frameHeight);
