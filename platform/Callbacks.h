// The shell's input callbacks, in the game's own terms (GLFW action and button codes).
// Only GLFW calls these in the game; tests call them directly.
#pragma once

// Stores the key's state (press and repeat count as down); Esc ends the run.
void KeyCallback(int key, int action);
void MouseButtonCallback(int button, int action);
void MousePosCallback(int x, int y);
