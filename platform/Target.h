// What the shell does its own way on each target, one file per target chosen by the build:
// desktop/Target.cpp (Linux and Windows) or web/Target.cpp, and for the window's icon
// x11/Icon.cpp or windows/Icon.cpp. Private to the platform.
#pragma once

struct GLFWwindow;

// Alpha bits the window asks for.
int WindowAlphaBits();
// Once the window's context is current: whatever the target's GL must be told before drawing.
void PrepareContext();
// Gives the window the game's icon.
void ShowIcon(GLFWwindow* window);
// After a frame is presented and in each turn of a wait: hands control back to whoever shows
// the frame.
void YieldFrame();
